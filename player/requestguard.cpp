#include "player/requestguard.h"

#include "player/webrules.h"

#include <utility>

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The value of a header line when its name is `name` (without regard to case), else nothing.
bool HeaderValue(std::string_view line, std::string_view name, std::string_view* value) {
    if (line.size() <= name.size() || line[name.size()] != ':') return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (Lower(line[i]) != name[i]) return false;
    }
    std::string_view v = line.substr(name.size() + 1);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() &&
           (v.back() == ' ' || v.back() == '\t' || v.back() == '\r' || v.back() == '\n'))
        v.remove_suffix(1);
    *value = v;
    return true;
}

}  // namespace

RequestGuard::RequestGuard(RequestLimits limits, std::string pagePrefix)
    : limits_(limits), pagePrefix_(std::move(pagePrefix)) {}

void RequestGuard::Expect(std::int64_t now) {
    phase_ = Phase::Idle;
    std::int64_t wait = !served_    ? limits_.firstByteMs
                        : fromPage_ ? limits_.pageIdleMs
                                    : limits_.idleMs;
    deadline_ = now + wait;
}

int RequestGuard::Take(const char* data, std::size_t size, std::int64_t now) {
    for (std::size_t i = 0; i < size; ++i) {
        switch (phase_) {
            case Phase::Idle:
                phase_ = Phase::RequestLine;
                served_ = true;
                fromPage_ = needsLength_ = hasLength_ = transferCoding_ = false;
                headerCount_ = 0;
                line_.clear();
                deadline_ = now + limits_.headMs;
                [[fallthrough]];
            case Phase::RequestLine:
            case Phase::Headers: {
                std::size_t limit =
                    phase_ == Phase::RequestLine ? limits_.requestLine : limits_.headerLine;
                if (line_.size() >= limit) return phase_ == Phase::RequestLine ? 414 : 431;
                line_ += data[i];
                if (data[i] == '\n') {
                    if (int refusal = EndOfLine(now)) return refusal;
                }
                break;
            }
            case Phase::Body: {
                // The library reads exactly the body's length; what it takes beyond is a
                // stream without a length, which may not outgrow the limit either.
                std::size_t rest = size - i;
                if (rest > bodyLeft_) return 413;
                bodyLeft_ -= rest;
                if (bodyLeft_ == 0) phase_ = Phase::Done;
                return 0;
            }
            case Phase::Done:
                return 400;
        }
    }
    return 0;
}

int RequestGuard::EndOfLine(std::int64_t now) {
    std::string line;
    line.swap(line_);
    if (phase_ == Phase::RequestLine) {
        phase_ = Phase::Headers;
        std::size_t space = line.find(' ');
        std::string method = line.substr(0, space);
        needsLength_ = method == "POST" || method == "PUT" || method == "PATCH";
        fromPage_ = space != std::string::npos && !pagePrefix_.empty() &&
                    line.compare(space + 1, pagePrefix_.size(), pagePrefix_) == 0;
        return 0;
    }
    // The library ends the head at the first empty line ending in CR LF, as here.
    if (line == "\r\n") return EndOfHead(now);
    if (++headerCount_ > limits_.headerCount) return 431;
    std::string_view value;
    if (HeaderValue(line, "content-length", &value)) {
        std::uint64_t length = 0;
        if (!web::ParseDecimal(value, &length) || (hasLength_ && length != length_)) return 400;
        hasLength_ = true;
        length_ = length;
    } else if (HeaderValue(line, "transfer-encoding", &value)) {
        transferCoding_ = true;
    } else if (HeaderValue(line, "range", &value) && line.size() > limits_.rangeLine) {
        return 416;
    }
    return 0;
}

int RequestGuard::EndOfHead(std::int64_t now) {
    // The page sends every body with its length; a coded or endless one is not read at all.
    if (transferCoding_) return 501;
    if (needsLength_ && !hasLength_) return 411;
    if (hasLength_ && length_ > limits_.body) return 413;
    bodyLeft_ = hasLength_ ? length_ : 0;
    phase_ = bodyLeft_ ? Phase::Body : Phase::Done;
    deadline_ = now + limits_.bodyMs;
    return 0;
}

ResponseHead ReadResponseHead(std::string_view text) {
    ResponseHead head;
    if (text.compare(0, 5, "HTTP/") != 0 || text.size() < 4 ||
        text.substr(text.size() - 4) != "\r\n\r\n")
        return head;
    head.complete = true;
    std::size_t start = text.find("\r\n") + 2;
    while (start < text.size() - 2) {
        std::size_t end = text.find("\r\n", start);
        std::string_view line = text.substr(start, end - start);
        std::string_view value;
        std::uint64_t length = 0;
        if (HeaderValue(line, "connection", &value)) {
            head.closes = value == "close";
        } else if (HeaderValue(line, "content-length", &value)) {
            head.hasBody = web::ParseDecimal(value, &length) && length > 0;
        }
        start = end + 2;
    }
    return head;
}
