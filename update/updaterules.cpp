#include "update/updaterules.h"

#include "platform/httpmessage.h"
#include "platform/paths.h"
#include "platform/textconv.h"

#include <algorithm>
#include <cctype>
#include <cstring>

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

bool IsOnUpdateServer(const std::string& url, const std::string& baseUrl) {
    try {
        HttpAddress address = ParseHttpAddress(url);
        HttpAddress server = ParseHttpAddress(baseUrl);
        return address.port == server.port && EqualsIgnoringAsciiCase(address.host, server.host);
    } catch (const HttpError&) {
        return false;
    }
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

bool IsInstallerName(const std::string& name) {
    if (name.size() <= 4 || !IsPlainFileName(name)) return false;
    // None of the characters Windows refuses in a name: a quote would also end msiexec's
    // argument early and let the rest of the name add arguments of its own. The second byte of
    // a double-byte character may be 0x7C and is no "|".
    for (size_t i = 0; i < name.size(); ++i) {
        if (std::strchr("\"<>|?*", name[i])) return false;
        if (IsLeadByte(name[i]) && i + 1 < name.size()) ++i;
    }
    // "." is never the second byte of a double-byte character, so the extension stands alone.
    std::string extension = name.substr(name.size() - 4);
    return EqualsIgnoringAsciiCase(extension, ".exe") || EqualsIgnoringAsciiCase(extension, ".msi");
}

InstallerLaunch InstallerLaunchOf(const std::string& installerPath,
                                  const std::string& systemFolder) {
    bool msi = installerPath.size() >= 4 &&
               EqualsIgnoringAsciiCase(installerPath.substr(installerPath.size() - 4), ".msi");
    if (!msi) return {installerPath, ""};
    // Without the system folder there is no msiexec that could be named safely.
    if (systemFolder.empty()) return {};
    std::string folder = systemFolder;
    if (folder.back() != '\\') folder += '\\';
    return {folder + "msiexec.exe", "/i \"" + installerPath + "\""};
}
