// Where a reply body goes as it arrives, and the bounds a request sets on it: a short reply kept
// in memory, a large download written to its file piece by piece.
#pragma once

#include <cstddef>

class BodySink {
  public:
    virtual ~BodySink() = default;
    // The next bytes of the body. May throw; the request then fails with that text.
    virtual void Append(const char* data, size_t size) = 0;
};

struct HttpLimits {
    // The most body bytes taken; 0 for no limit. A reply that announces more is refused before
    // its body, one that sends more is cut off at the limit.
    long long maxBody = 0;
    // The longest time in ms without a byte from the server, from the start of the request on;
    // 0 waits without limit.
    unsigned stallMs = 0;
};
