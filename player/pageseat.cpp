#include "player/pageseat.h"

bool PageSeat::Claim(const std::string& id, const std::string& follows) {
    if (id.empty()) return false;
    if (!holder_.empty() && !left_ && id != holder_ && follows != holder_) return false;
    holder_ = id;
    left_ = false;
    return true;
}

void PageSeat::Leave(const std::string& id) {
    if (Holds(id)) left_ = true;
}
