// What one request may make the loopback server read, and for how long, judged on the bytes as
// they are taken from the socket, before the HTTP library keeps any of them: any process or web
// page on the PC can reach the port, and the library reads lines and bodies without bound.
// Times are milliseconds of any steady clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct RequestLimits {
    std::size_t requestLine = 8192;
    std::size_t headerLine = 8192;
    std::size_t headerCount = 100;
    // The library matches Range with a regular expression that recurses per character.
    std::size_t rangeLine = 256;
    // The largest real request is a "saveBytes" of a text.
    std::uint64_t body = 4u << 20;
    std::int64_t firstByteMs = 2000;  // of a new connection's first request
    std::int64_t headMs = 5000;       // from a request's first byte to the end of its head
    std::int64_t bodyMs = 10000;      // from the end of the head to the body's last byte
    std::int64_t idleMs = 1000;       // between requests of anyone but the page
    // The page keeps its few connections open between requests, so that it is never queued
    // behind strangers.
    std::int64_t pageIdleMs = 60000;
};

class RequestGuard {
  public:
    // pagePrefix is what the targets of the page's own requests begin with ("/<secret>/").
    RequestGuard(RequestLimits limits, std::string pagePrefix);

    // The connection is ready for its next request; the wait for it starts now.
    void Expect(std::int64_t now);
    // Takes bytes on their way to the HTTP library. 0 while they are acceptable; otherwise the
    // status to refuse the request with, and the connection ends.
    int Take(const char* data, std::size_t size, std::int64_t now);
    // The time by which the next byte must have come.
    std::int64_t Deadline() const { return deadline_; }
    // The status for a request cut off by its deadline: 408, or 0 between requests (the
    // connection just closes).
    int TimeoutStatus() const { return phase_ == Phase::Idle ? 0 : 408; }
    // Whether the request now read (or the last one) was one of the page's.
    bool FromPage() const { return fromPage_; }

  private:
    enum class Phase { Idle, RequestLine, Headers, Body, Done };
    int EndOfLine(std::int64_t now);
    int EndOfHead(std::int64_t now);

    RequestLimits limits_;
    std::string pagePrefix_;
    Phase phase_ = Phase::Idle;
    std::int64_t deadline_ = 0;
    bool served_ = false;
    bool fromPage_ = false;
    bool needsLength_ = false;
    bool hasLength_ = false;
    bool transferCoding_ = false;
    std::uint64_t length_ = 0;
    std::uint64_t bodyLeft_ = 0;
    std::size_t headerCount_ = 0;
    std::string line_;  // the current line of the head, kept up to its limit
};

// What the server needs to know of a response head it is writing ("HTTP/1.1 200 OK\r\n...\r\n").
struct ResponseHead {
    bool complete = false;      // the text is one whole response head
    bool closes = false;        // "Connection: close"
    bool hasBody = false;       // a Content-Length above 0 follows
};
ResponseHead ReadResponseHead(std::string_view text);
