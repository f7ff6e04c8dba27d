#include "platform/httpmessage.h"

#include "platform/textconv.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

std::string Trim(const std::string& s) {
    size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return std::string();
    size_t end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

bool AllDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsHostNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

bool IsControl(char c) {
    unsigned char b = static_cast<unsigned char>(c);
    return b < 32 || b == 127;
}

// A cookie domain-matches a host when it is the host or a parent domain of a host name.
bool DomainMatches(const std::string& host, const std::string& domain) {
    if (host == domain) return true;
    if (host.size() <= domain.size() || host.front() == '[') return false;
    if (host.compare(host.size() - domain.size(), domain.size(), domain) != 0) return false;
    if (host[host.size() - domain.size() - 1] != '.') return false;
    // A numeric host has no parent domains.
    return !std::all_of(host.begin(), host.end(),
                        [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

bool PathMatches(const std::string& requestPath, const std::string& cookiePath) {
    if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
    return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' ||
           requestPath[cookiePath.size()] == '/';
}

std::string DefaultCookiePath(const std::string& requestPath) {
    std::string path = requestPath.substr(0, requestPath.find_first_of("?#"));
    if (path.empty() || path[0] != '/') return "/";
    size_t last = path.rfind('/');
    return last == 0 ? "/" : path.substr(0, last);
}

std::string PathOnly(const std::string& requestPath) {
    std::string path = requestPath.substr(0, requestPath.find_first_of("?#"));
    return path.empty() ? "/" : path;
}

long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = static_cast<unsigned>(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

}  // namespace

HttpAddress ParseHttpAddress(const std::string& url) {
    static const std::string kScheme = "http://";
    if (url.size() < kScheme.size() ||
        !EqualsIgnoringAsciiCase(url.substr(0, kScheme.size()), kScheme))
        throw HttpError("not an http address: " + url);
    std::string rest = url.substr(kScheme.size());
    size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    HttpAddress address;
    address.path = slash == std::string::npos ? std::string() : rest.substr(slash);

    std::string portText;
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        if (close == std::string::npos) throw HttpError("malformed host in " + url);
        address.host = authority.substr(0, close + 1);
        std::string after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') throw HttpError("malformed host in " + url);
            portText = after.substr(1);
            if (portText.empty()) throw HttpError("malformed port in " + url);
        }
        bool literal =
            address.host.size() > 2 &&
            std::all_of(address.host.begin() + 1, address.host.end() - 1, [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
            });
        if (!literal) throw HttpError("malformed host in " + url);
    } else {
        size_t colon = authority.find(':');
        address.host = authority.substr(0, colon);
        if (colon != std::string::npos) {
            portText = authority.substr(colon + 1);
            if (portText.empty()) throw HttpError("malformed port in " + url);
        }
        if (address.host.empty() ||
            !std::all_of(address.host.begin(), address.host.end(), IsHostNameChar))
            throw HttpError("malformed host in " + url);
    }
    if (!portText.empty()) {
        if (!AllDigits(portText) || portText.size() > 5)
            throw HttpError("malformed port in " + url);
        address.port = std::atoi(portText.c_str());
        if (address.port < 1 || address.port > 65535) throw HttpError("malformed port in " + url);
    }
    return address;
}

std::string RequestTarget(const std::string& path) {
    if (path.empty()) return "/";
    std::string target;
    target.reserve(path.size());
    for (char c : path) {
        if (c == ' ')
            target += "%20";
        else if (IsControl(c))
            throw HttpError("control character in the request path");
        else
            target += c;
    }
    return target;
}

std::string HostHeaderValue(const HttpAddress& address) {
    if (address.port == 80) return address.host;
    return address.host + ":" + std::to_string(address.port);
}

std::vector<std::string> RequestHeaderLines(const HttpAddress& address, const std::string& cookie) {
    std::vector<std::string> lines = {
        "Host: " + HostHeaderValue(address),
        "Accept: text/html, */*",
        "User-Agent: Mozilla/3.0 (compatible; Indy Library)",
    };
    if (!cookie.empty()) lines.push_back("Cookie: " + cookie);
    return lines;
}

void ReplyHead::Line(const std::string& raw) {
    std::string line = raw;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.compare(0, 5, "HTTP/") == 0) {
        *this = ReplyHead();
        size_t space = line.find(' ');
        std::string code = space == std::string::npos ? std::string() : line.substr(space + 1, 3);
        status_ = AllDigits(code) && code.size() == 3 ? std::atoi(code.c_str()) : 0;
        return;
    }
    if (line.empty()) {
        complete_ = true;
        return;
    }
    size_t colon = line.find(':');
    if (colon == std::string::npos) return;
    std::string name = Trim(line.substr(0, colon));
    std::string value = Trim(line.substr(colon + 1));
    if (EqualsIgnoringAsciiCase(name, "Location")) {
        hasLocation_ = true;
    } else if (EqualsIgnoringAsciiCase(name, "Set-Cookie")) {
        setCookies_.push_back(value);
    } else if (EqualsIgnoringAsciiCase(name, "Content-Length")) {
        if (AllDigits(value) && value.size() <= 18) contentLength_ = std::atoll(value.c_str());
    }
}

bool ReplyHead::Success() const {
    return status_ >= 200 && status_ <= 299 && !hasLocation_;
}

bool ParseCookieDate(const std::string& text, std::time_t& out) {
    // Day-of-month, month name, year and hh:mm:ss in any order and with any separators, which
    // covers the RFC 1123, RFC 850 and asctime forms.
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    int day = -1, month = -1, year = -1, hour = -1, minute = -1, second = -1;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && !std::isalnum(static_cast<unsigned char>(text[i]))) ++i;
        size_t start = i;
        while (i < text.size() &&
               (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == ':'))
            ++i;
        std::string token = text.substr(start, i - start);
        if (token.empty()) continue;
        if (hour < 0 && std::count(token.begin(), token.end(), ':') == 2) {
            if (std::sscanf(token.c_str(), "%d:%d:%d", &hour, &minute, &second) != 3) return false;
        } else if (AllDigits(token)) {
            int n = std::atoi(token.c_str());
            if (day < 0 && token.size() <= 2 && n >= 1 && n <= 31)
                day = n;
            else if (year < 0 && (token.size() == 2 || token.size() == 4))
                year = token.size() == 2 ? (n < 70 ? 2000 + n : 1900 + n) : n;
        } else if (month < 0 && token.size() >= 3) {
            std::string lower = AsciiLowered(token.substr(0, 3));
            for (int m = 0; m < 12; ++m)
                if (lower == kMonths[m]) month = m + 1;
        }
    }
    if (day < 0 || month < 0 || year < 1601 || hour < 0 || hour > 23 || minute > 59 || second > 59)
        return false;
    long long seconds =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400LL +
        hour * 3600LL + minute * 60LL + second;
    out = static_cast<std::time_t>(seconds);
    return true;
}

void CookieJar::Receive(const std::string& hostIn, const std::string& requestPath,
                        const std::string& setCookie, std::time_t now) {
    // A control character (tab aside) would end or cut the Cookie line of a later request.
    if (std::any_of(setCookie.begin(), setCookie.end(),
                    [](char c) { return c != '\t' && IsControl(c); }))
        return;
    std::string host = AsciiLowered(hostIn);
    size_t semicolon = setCookie.find(';');
    std::string pair = setCookie.substr(0, semicolon);
    size_t equals = pair.find('=');
    if (equals == std::string::npos) return;
    Cookie cookie;
    cookie.name = Trim(pair.substr(0, equals));
    cookie.value = Trim(pair.substr(equals + 1));
    if (cookie.name.empty()) return;
    cookie.domain = host;
    cookie.path = DefaultCookiePath(requestPath);

    bool maxAgeSeen = false;
    std::string attributes = semicolon == std::string::npos ? "" : setCookie.substr(semicolon + 1);
    size_t pos = 0;
    while (pos <= attributes.size()) {
        size_t end = attributes.find(';', pos);
        std::string item = attributes.substr(pos, end == std::string::npos ? end : end - pos);
        pos = end == std::string::npos ? attributes.size() + 1 : end + 1;
        size_t eq = item.find('=');
        std::string name = AsciiLowered(Trim(item.substr(0, eq)));
        std::string value = eq == std::string::npos ? "" : Trim(item.substr(eq + 1));
        // "." leaves no domain at all: the cookie stays the host's own.
        if (name == "domain" && !value.empty() && value != ".") {
            std::string domain = AsciiLowered(value[0] == '.' ? value.substr(1) : value);
            // A server may only set cookies for its own domain.
            if (!DomainMatches(host, domain)) return;
            cookie.domain = domain;
            cookie.hostOnly = domain == host;
        } else if (name == "path" && !value.empty() && value[0] == '/') {
            cookie.path = value;
        } else if (name == "max-age") {
            bool negative = !value.empty() && value[0] == '-';
            std::string digits = negative ? value.substr(1) : value;
            if (!AllDigits(digits)) continue;
            long long seconds = digits.size() > 12 ? 999999999999LL : std::atoll(digits.c_str());
            cookie.session = false;
            cookie.expires = negative || seconds == 0 ? 0 : now + static_cast<std::time_t>(seconds);
            maxAgeSeen = true;
        } else if (name == "expires" && !maxAgeSeen) {
            std::time_t when = 0;
            if (ParseCookieDate(value, when)) {
                cookie.session = false;
                cookie.expires = when;
            }
        } else if (name == "secure") {
            cookie.secure = true;
        }
    }

    auto same = [&](const Cookie& c) {
        return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
    };
    auto old = std::find_if(cookies_.begin(), cookies_.end(), same);
    bool expired = !cookie.session && cookie.expires <= now;
    if (old != cookies_.end()) {
        cookie.order = old->order;
        if (expired)
            cookies_.erase(old);
        else
            *old = cookie;
        return;
    }
    if (expired) return;
    cookie.order = nextOrder_++;
    cookies_.push_back(cookie);
}

std::string CookieJar::CookieHeader(const std::string& hostIn, const std::string& requestPath,
                                    std::time_t now) const {
    std::string host = AsciiLowered(hostIn);
    std::string path = PathOnly(requestPath);
    std::vector<const Cookie*> chosen;
    for (const Cookie& c : cookies_) {
        if (c.secure || (!c.session && c.expires <= now)) continue;
        if (c.hostOnly ? host != c.domain : !DomainMatches(host, c.domain)) continue;
        if (!PathMatches(path, c.path)) continue;
        chosen.push_back(&c);
    }
    // Longer paths first, then the order in which the cookies were first set.
    std::stable_sort(chosen.begin(), chosen.end(), [](const Cookie* a, const Cookie* b) {
        if (a->path.size() != b->path.size()) return a->path.size() > b->path.size();
        return a->order < b->order;
    });
    std::string header;
    for (const Cookie* c : chosen) {
        if (!header.empty()) header += "; ";
        header += c->name + "=" + c->value;
    }
    return header;
}
