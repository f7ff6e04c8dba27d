#include "update/updaterules.h"

#include "platform/paths.h"
#include "platform/textconv.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr size_t kDownloadPathLimit = 999;

bool IsBlank(char c) {
    unsigned char b = static_cast<unsigned char>(c);
    return b >= 1 && b <= 32;
}

bool EndsPart(char c) {
    return c == '/' || static_cast<unsigned char>(c) <= 32;
}

void SkipBlanks(const std::string& s, size_t& i) {
    while (i < s.size() && IsBlank(s[i])) ++i;
}

// A part in double quotes: "" inside stands for one quote; an unclosed part runs to the end.
std::string QuotedPart(const std::string& s, size_t& i) {
    std::string part;
    ++i;
    while (i < s.size()) {
        if (s[i] != '"') {
            part += s[i++];
        } else if (i + 1 < s.size() && s[i + 1] == '"') {
            part += '"';
            i += 2;
        } else {
            ++i;
            break;
        }
    }
    return part;
}

}  // namespace

std::string CheckUrl(const std::string& baseUrl, const std::string& productId,
                     const std::string& version) {
    return baseUrl + "/index.php/index/soft_update/" + productId + "/" + version + "/";
}

std::string MemoText(const std::string& fileBytes) {
    std::string text;
    text.reserve(fileBytes.size());
    for (size_t i = 0; i < fileBytes.size() && fileBytes[i] != '\0'; ++i) {
        char c = fileBytes[i];
        if (c == '\r') {
            if (i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n') ++i;
            text += "\r\n";
        } else if (c == '\n') {
            text += "\r\n";
        } else {
            text += c;
        }
    }
    return text;
}

bool OffersUpdate(const std::string& replyText) {
    static const std::string kNewest = "ewest";
    return replyText.size() < kNewest.size() ||
           replyText.compare(replyText.size() - kNewest.size(), kNewest.size(), kNewest) != 0;
}

std::string DownloadPath(const std::string& replyText) {
    return SplitAtMarker(replyText, kDownloadPathLimit).after;
}

std::string DownloadUrl(const std::string& baseUrl, const std::string& downloadPath) {
    return baseUrl + downloadPath;
}

std::string UrlHost(const std::string& url) {
    size_t scheme = url.find("://");
    if (scheme == std::string::npos) return std::string();
    size_t start = scheme + 3;
    size_t end = url.find_first_of("/?#", start);
    std::string authority = url.substr(start, end == std::string::npos ? end : end - start);
    size_t at = authority.rfind('@');
    if (at != std::string::npos) authority.erase(0, at + 1);
    // An IPv6 literal keeps its colons inside the brackets.
    size_t close = authority.compare(0, 1, "[") == 0 ? authority.find(']') : std::string::npos;
    size_t port = authority.find(':', close == std::string::npos ? 0 : close);
    return AsciiLowered(authority.substr(0, port));
}

bool IsOnUpdateServer(const std::string& url, const std::string& baseUrl) {
    std::string host = UrlHost(baseUrl);
    return !host.empty() && UrlHost(url) == host;
}

std::vector<std::string> UrlParts(const std::string& text) {
    // The text ends at a NUL byte, as a C string would.
    const std::string url = text.substr(0, text.find('\0'));
    std::vector<std::string> parts;
    size_t i = 0;
    SkipBlanks(url, i);
    while (i < url.size()) {
        if (url[i] == '"') {
            parts.push_back(QuotedPart(url, i));
        } else {
            size_t start = i;
            while (i < url.size() && !EndsPart(url[i])) ++i;
            parts.push_back(url.substr(start, i - start));
        }
        SkipBlanks(url, i);
        if (i < url.size() && url[i] == '/') {
            if (i + 1 == url.size()) parts.emplace_back();
            ++i;
            SkipBlanks(url, i);
        }
    }
    return parts;
}

std::string InstallerFileName(const std::string& url) {
    std::vector<std::string> parts = UrlParts(url);
    return parts.empty() ? std::string() : parts.back();
}

bool IsPlainFileName(const std::string& name) {
    if (name.find_first_not_of('.') == std::string::npos) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 32 || c == 127 || c == ':' || c == '/' || c == '\\') return false;
        // The second byte of a double-byte character may be 0x5C and is no separator.
        if (IsLeadByte(name[i]) && i + 1 < name.size()) ++i;
    }
    return !IsDeviceName(name, NameText::Ansi);
}
