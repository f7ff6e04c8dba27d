// The host's side of the page's long poll, on the GUI thread: messages for the page (host-to-movie
// calls, the movie to load, play state) wait here until the page asks for them, the page's
// replies to the calls come back here, and the times of its requests tell whether it is still
// there. Times are milliseconds of any steady clock.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

struct CallOutcome {
    bool ok = false;
    std::string text;  // the movie's reply (UTF-8), or what went wrong
};

class MovieChannel {
  public:
    using Responder = std::function<void(const std::string& json)>;

    // A poll is held this long at most before it is answered with nothing.
    static constexpr std::int64_t kPollHoldMs = 3000;
    // Where the program holds no process of the page's browser, the page is taken as gone once it
    // has not been heard from for this long (and is not busy inside a call of the movie, nor
    // holding a poll). Long: an old PC can stall its browser for many seconds.
    static constexpr std::int64_t kGoneAfterMs = 60000;
    // How long the browser may take to show the page the first time, where no process is held.
    static constexpr std::int64_t kFirstContactMs = 60000;
    // A page that said goodbye is gone once no page has followed it for this long: a reload says
    // goodbye too, and its new page says hello soon after.
    static constexpr std::int64_t kByeGraceMs = 5000;

    explicit MovieChannel(std::int64_t now) : started_(now) {}

    // Host side. The invoke request is UTF-8; the result is the call's id.
    int QueueCall(const std::string& request);
    // The id of a call that goes to the page another way (in the answer of a request the page
    // waits on); its outcome comes back as any other.
    int NewCallId() { return nextId_++; }
    // The movie to play ("" unloads); a newer one replaces one the page has not taken yet.
    void QueueMovie(const std::string& url);
    void QueuePlaying(bool playing);
    // Whether the page lets the learner reach the movie: not while a modal window of the
    // program is open, as the Flash control's window is disabled then.
    void QueueInput(bool enabled);
    bool InputEnabled() const { return input_; }
    std::optional<CallOutcome> TakeOutcome(int id);
    // The movie last set, for a page that (re)starts.
    const std::string& Movie() const { return movie_; }

    // Page side.
    void Hello(std::int64_t now);
    void Poll(std::int64_t now, Responder respond);
    void Outcome(std::int64_t now, int id, CallOutcome outcome);
    void Bye(std::int64_t now);
    // A request of the page is being handled (an external call); the page is there meanwhile.
    void BeginBusy(std::int64_t now);
    void EndBusy(std::int64_t now);
    // The page spoke (also after a goodbye: a page kept for going back comes back).
    void Heard(std::int64_t now) {
        lastHeard_ = now;
        leaving_ = false;
    }
    // The page may be speaking without being heard yet (its request waits for a server thread):
    // its silence says nothing, a goodbye stands.
    void SilenceExcused(std::int64_t now) { lastHeard_ = now; }

    // The browser. While the program holds the process of the browser it started, the page's
    // silence says nothing, and the end of that process is the page's end.
    void BrowserHeld() { browser_ = Browser::Held; }
    // The held process has ended. Before the page's hello this is no end: a browser that finds
    // its profile open in a running process hands the page to that one and ends at once, and the
    // program holds no process of the page's from then on.
    void BrowserEnded();

    // Answers a poll held long enough; call it from a timer.
    void Tick(std::int64_t now);
    bool PageGone(std::int64_t now) const;

  private:
    void Flush();

    enum class Browser { None, Held, Ended };

    std::int64_t started_;
    std::int64_t lastHeard_ = 0;
    bool connected_ = false;
    Browser browser_ = Browser::None;
    bool leaving_ = false;  // said goodbye and not heard from since
    std::int64_t byeAt_ = 0;
    int busy_ = 0;
    int nextId_ = 1;
    std::string movie_;
    bool input_ = true;
    std::deque<std::string> outgoing_;  // JSON objects
    std::optional<Responder> poll_;
    std::int64_t pollSince_ = 0;
    std::map<int, CallOutcome> outcomes_;
};
