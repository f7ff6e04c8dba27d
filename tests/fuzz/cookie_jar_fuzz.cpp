// Fuzz target: the cookie store fed with Set-Cookie values as a server may send them. Whatever it
// holds goes back only into a well-formed Cookie header, only to the host that set it or to
// hosts of a domain that host belongs to, and the server can delete every cookie it set. Dates
// it reads are the dates it would write.
#include "fuzzcheck.h"
#include "platform/httpmessage.h"

#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr std::time_t kNow = 1700000000;

HttpAddress AddressOr(const std::string& url, const std::string& fallback) {
    try {
        return ParseHttpAddress(url);
    } catch (const HttpError&) {
        return ParseHttpAddress(fallback);
    }
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::vector<std::string> Labels(const std::string& host) {
    std::vector<std::string> labels;
    size_t start = 0;
    for (;;) {
        size_t dot = host.find('.', start);
        labels.push_back(host.substr(start, dot - start));
        if (dot == std::string::npos) return labels;
        start = dot + 1;
    }
}

// An empty label other than the root's (a trailing dot) names no host.
bool IsHostName(const std::string& host) {
    if (host.empty() || host.front() == '[') return false;
    std::vector<std::string> labels = Labels(host);
    for (size_t i = 0; i + 1 < labels.size(); ++i)
        if (labels[i].empty()) return false;
    return true;
}

// Whether two host names end in the same named domain: at least one non-empty label in common.
bool ShareDomain(const std::string& a, const std::string& b) {
    std::vector<std::string> x = Labels(a), y = Labels(b);
    for (size_t i = 1; i <= x.size() && i <= y.size(); ++i) {
        const std::string& label = x[x.size() - i];
        if (label != y[y.size() - i]) return false;
        if (!label.empty()) return true;
    }
    return false;
}

std::string CookiePath(const HttpAddress& address) {
    return address.path.empty() ? "/" : address.path;
}

void CheckHeader(const std::string& header, const std::vector<std::string>& received) {
    FUZZ_CHECK(!HasByte(header, '\r') && !HasByte(header, '\n') && !HasByte(header, '\0'));
    if (header.empty()) return;
    // Each "name=value" was set by the server.
    size_t start = 0;
    for (;;) {
        size_t end = header.find("; ", start);
        std::string pair = header.substr(start, end - start);
        std::string name = pair.substr(0, pair.find('='));
        FUZZ_CHECK(!name.empty() && pair.find('=') != std::string::npos);
        bool sent = false;
        for (const std::string& value : received)
            sent = sent || value.find(name) != std::string::npos;
        FUZZ_CHECK(sent);
        if (end == std::string::npos) break;
        start = end + 2;
    }
}

std::string Format(std::time_t t, const char* form) {
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[64];
    std::strftime(text, sizeof text, form, &parts);
    return text;
}

void CheckDate(const std::string& text, unsigned long long moment) {
    std::time_t t = 0;
    if (ParseCookieDate(text, t)) {
        FUZZ_CHECK(t >= -11644473600LL);  // 1601-01-01
        std::time_t back = 0;
        FUZZ_CHECK(ParseCookieDate(Format(t, "%a, %d %b %Y %H:%M:%S GMT"), back) && back == t);
    }
    // Any moment from 1601 to 9999 in the three forms servers use.
    const std::time_t second =
        -11644473600LL + static_cast<std::time_t>(moment % (11644473600ULL + 253402300799ULL));
    std::time_t back = 0;
    FUZZ_CHECK(ParseCookieDate(Format(second, "%a, %d %b %Y %H:%M:%S GMT"), back) &&
               back == second);
    FUZZ_CHECK(ParseCookieDate(Format(second, "%a %b %e %H:%M:%S %Y"), back) && back == second);
    std::tm parts{};
    gmtime_r(&second, &parts);
    if (parts.tm_year >= 70 && parts.tm_year < 170) {
        FUZZ_CHECK(ParseCookieDate(Format(second, "%A, %d-%b-%y %H:%M:%S GMT"), back) &&
                   back == second);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    unsigned long long moment = 0;
    for (int i = 0; i < 8; ++i) moment = moment * 256 + input.Byte();
    const HttpAddress from = AddressOr("http://" + input.Line(), "http://www.example.test/a/b");
    const HttpAddress to = AddressOr("http://" + input.Line(), "http://example.test/a/c");
    std::vector<std::string> received;
    while (!input.Empty()) received.push_back(input.Line());

    CookieJar jar;
    for (const std::string& value : received) jar.Receive(from.host, CookiePath(from), value, kNow);
    FUZZ_CHECK(jar.Size() <= received.size());

    const std::string home = jar.CookieHeader(from.host, CookiePath(from), kNow);
    CheckHeader(home, received);
    const std::string away = jar.CookieHeader(to.host, CookiePath(to), kNow);
    CheckHeader(away, received);
    const std::string fromHost = Lower(from.host), toHost = Lower(to.host);
    if (!away.empty() && toHost != fromHost) {
        FUZZ_CHECK(from.host.front() != '[' && to.host.front() != '[');
        if (IsHostName(fromHost) && IsHostName(toHost)) FUZZ_CHECK(ShareDomain(fromHost, toHost));
    }

    // The same values again with Max-Age=0 delete every cookie they set.
    for (const std::string& value : received)
        jar.Receive(from.host, CookiePath(from), value + "; Max-Age=0", kNow);
    FUZZ_CHECK(jar.Size() == 0);

    CheckDate(received.empty() ? std::string() : received.front(), moment);
    return 0;
}
