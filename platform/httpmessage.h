// The parts of an HTTP/1.1 exchange that the update clients decide themselves, free of any
// transport: which host and request target an address names, the exact request headers, the
// reply head (status, Location, Set-Cookie, length) and a cookie store per client.
#pragma once

#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

// A request that cannot be made or a reply that is not a success; the text says why.
class HttpError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct HttpAddress {
    std::string host;  // as written, IPv6 literals with their brackets
    int port = 80;
    std::string path;  // from the first "/" after the host, as written; may be empty
};

// Splits "http://host[:port][path]". Throws HttpError for another scheme, an empty or malformed
// host, or a port that is not a number from 1 to 65535.
HttpAddress ParseHttpAddress(const std::string& url);

// The path as it goes into the request line: "/" for an empty path, each space as "%20" (a raw
// space would end the target early), every other byte unchanged. A path holding a control
// character throws HttpError: CR or LF there would end the request line itself.
std::string RequestTarget(const std::string& path);

// The Host header's value: the host, and ":" + port unless the port is 80.
std::string HostHeaderValue(const HttpAddress& address);

// The request's header lines in their order, without line ends: Host, Accept, User-Agent and,
// when `cookie` is not empty, Cookie.
std::vector<std::string> RequestHeaderLines(const HttpAddress& address, const std::string& cookie);

// Collects the head of the final reply from its header lines (with or without line ends). An
// interim 1xx reply's head is forgotten when the next status line arrives.
class ReplyHead {
  public:
    void Line(const std::string& line);

    int Status() const { return status_; }
    bool HasLocation() const { return hasLocation_; }
    // The announced body length, -1 when there is none.
    long long ContentLength() const { return contentLength_; }
    const std::vector<std::string>& SetCookies() const { return setCookies_; }
    // The empty line after the headers has arrived.
    bool Complete() const { return complete_; }
    // 200 to 299 without a Location header.
    bool Success() const;

  private:
    int status_ = 0;
    bool hasLocation_ = false;
    long long contentLength_ = -1;
    std::vector<std::string> setCookies_;
    bool complete_ = false;
};

// The cookies one client has been given, sent back to the hosts and paths they belong to.
class CookieJar {
  public:
    // Takes one Set-Cookie value received from `host` for a request of `path`; a value holding a
    // control character other than tab is ignored whole.
    void Receive(const std::string& host, const std::string& path, const std::string& setCookie,
                 std::time_t now);
    // "name=value; name2=value2" for a request to `host` and `path`; "" when none applies.
    std::string CookieHeader(const std::string& host, const std::string& path,
                             std::time_t now) const;
    size_t Size() const { return cookies_.size(); }

  private:
    struct Cookie {
        std::string name, value, domain, path;
        bool hostOnly = true;
        bool secure = false;
        bool session = true;
        std::time_t expires = 0;
        std::uint64_t order = 0;
    };
    std::vector<Cookie> cookies_;
    std::uint64_t nextOrder_ = 0;
};

// Parses the date forms of the Expires attribute; false when the text is none of them.
bool ParseCookieDate(const std::string& text, std::time_t& out);
