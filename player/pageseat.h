// One page plays the movie at a time. A page names itself with an id drawn when it loads, and
// the id of the page it follows in the same tab when it was reloaded; a second tab or window of
// the page is refused, and an earlier page that another has replaced is refused from then on.
#pragma once

#include <string>

class PageSeat {
  public:
    // The page at `id` asks to play; true when it may, and it holds the seat from then on. It may
    // when no page holds it, when the holder has said goodbye, or when it follows the holder.
    bool Claim(const std::string& id, const std::string& follows);
    bool Holds(const std::string& id) const { return !id.empty() && id == holder_; }
    // The holder is leaving (its tab closes or navigates); another page may take the seat.
    void Leave(const std::string& id);

  private:
    std::string holder_;
    bool left_ = false;
};
