#include "player/moviechannel.h"

#include "player/webrules.h"

#include <algorithm>
#include <utility>

int MovieChannel::QueueCall(const std::string& request) {
    int id = nextId_++;
    outgoing_.push_back("{\"kind\":\"call\",\"id\":" + std::to_string(id) +
                        ",\"xml\":" + web::JsonQuote(request) + "}");
    Flush();
    return id;
}

void MovieChannel::QueueMovie(const std::string& url) {
    movie_ = url;
    outgoing_.erase(
        std::remove_if(outgoing_.begin(), outgoing_.end(),
                       [](const std::string& m) { return m.rfind("{\"kind\":\"movie\"", 0) == 0; }),
        outgoing_.end());
    outgoing_.push_back("{\"kind\":\"movie\",\"url\":" + web::JsonQuote(url) + "}");
    Flush();
}

void MovieChannel::QueuePlaying(bool playing) {
    outgoing_.push_back(std::string("{\"kind\":\"playing\",\"on\":") +
                        (playing ? "true" : "false") + "}");
    Flush();
}

void MovieChannel::QueueInput(bool enabled) {
    input_ = enabled;
    // Only the latest state matters to a page that has not taken the earlier one.
    outgoing_.erase(
        std::remove_if(outgoing_.begin(), outgoing_.end(),
                       [](const std::string& m) { return m.rfind("{\"kind\":\"input\"", 0) == 0; }),
        outgoing_.end());
    outgoing_.push_back(std::string("{\"kind\":\"input\",\"on\":") + (enabled ? "true" : "false") +
                        "}");
    Flush();
}

std::optional<CallOutcome> MovieChannel::TakeOutcome(int id) {
    auto it = outcomes_.find(id);
    if (it == outcomes_.end()) return std::nullopt;
    CallOutcome outcome = std::move(it->second);
    outcomes_.erase(it);
    return outcome;
}

void MovieChannel::Hello(std::int64_t now) {
    connected_ = true;
    Heard(now);
    // A page that starts again has lost what was queued for its predecessor except the movie,
    // which it asks for itself.
    outgoing_.erase(
        std::remove_if(outgoing_.begin(), outgoing_.end(),
                       [](const std::string& m) { return m.rfind("{\"kind\":\"movie\"", 0) == 0; }),
        outgoing_.end());
}

void MovieChannel::Poll(std::int64_t now, Responder respond) {
    Heard(now);
    // Only one poll is held; an older one (from a page that went away) is let go empty.
    if (poll_) std::exchange(poll_, std::nullopt).value()("[]");
    poll_ = std::move(respond);
    pollSince_ = now;
    Flush();
}

void MovieChannel::Outcome(std::int64_t now, int id, CallOutcome outcome) {
    Heard(now);
    if (id > 0 && id < nextId_) outcomes_[id] = std::move(outcome);
}

void MovieChannel::Bye(std::int64_t now) {
    lastHeard_ = now;
    leaving_ = true;
    byeAt_ = now;
    if (poll_) std::exchange(poll_, std::nullopt).value()("[]");
}

void MovieChannel::BeginBusy(std::int64_t now) {
    Heard(now);
    ++busy_;
}

void MovieChannel::EndBusy(std::int64_t now) {
    lastHeard_ = now;
    if (busy_ > 0) --busy_;
}

void MovieChannel::Tick(std::int64_t now) {
    if (poll_ && now - pollSince_ >= kPollHoldMs) {
        lastHeard_ = now;
        std::exchange(poll_, std::nullopt).value()("[]");
    }
}

void MovieChannel::BrowserEnded() {
    if (browser_ == Browser::Held) browser_ = connected_ ? Browser::Ended : Browser::None;
}

bool MovieChannel::PageGone(std::int64_t now) const {
    if (browser_ == Browser::Ended) return true;
    if (busy_ > 0 || poll_) return false;
    if (leaving_ && now - byeAt_ > kByeGraceMs) return true;
    if (browser_ == Browser::Held) return false;
    if (!connected_) return now - started_ > kFirstContactMs;
    return now - lastHeard_ > kGoneAfterMs;
}

void MovieChannel::Flush() {
    if (!poll_ || outgoing_.empty()) return;
    std::string json = "[";
    for (std::size_t i = 0; i < outgoing_.size(); ++i) json += (i ? "," : "") + outgoing_[i];
    json += "]";
    outgoing_.clear();
    std::exchange(poll_, std::nullopt).value()(json);
}
