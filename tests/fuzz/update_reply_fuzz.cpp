// Fuzz target: the update reply as the server sends it, through the memo, the offer test, the
// download path, the origin rule and the installer name. The name that passes the plain-name
// check must stay one file in its folder, an address the origin rule lets through must lead the
// client to the update server and nowhere else, and an installer's name must be one of an .exe
// or an .msi that msiexec takes as one argument, whatever the server wrote.
#include "platform/httpmessage.h"
#include "platform/paths.h"
#include "platform/textconv.h"
#include "fuzzcheck.h"
#include "update/updaterules.h"

#include <string>
#include <vector>

namespace {

const std::string kBase = "http://update.example.test";
const std::string kProgramDirectory = "C:\\Program Files\\Course\\";

std::string WithoutLineBreaks(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

size_t LineBreaks(const std::string& s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' || (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n'))) ++n;
    }
    return n;
}

bool IsBlankOrSlash(char c) {
    unsigned char b = static_cast<unsigned char>(c);
    return c == '/' || (b >= 1 && b <= 32);
}

void CheckMemo(const std::string& bytes, const std::string& memo) {
    const std::string shown = bytes.substr(0, bytes.find('\0'));
    FUZZ_CHECK(!HasByte(memo, '\0'));
    for (size_t i = 0; i < memo.size(); ++i) {
        if (memo[i] == '\r') FUZZ_CHECK(i + 1 < memo.size() && memo[i + 1] == '\n');
        if (memo[i] == '\n') FUZZ_CHECK(i > 0 && memo[i - 1] == '\r');
    }
    FUZZ_CHECK(WithoutLineBreaks(memo) == WithoutLineBreaks(shown));
    FUZZ_CHECK(LineBreaks(memo) == LineBreaks(shown));
    FUZZ_CHECK(MemoText(memo) == memo);
}

void CheckDownloadPath(const std::string& reply, const std::string& path) {
    FUZZ_CHECK(path.size() <= 999);
    size_t marker = reply.find("@@@");
    size_t start = marker == std::string::npos ? 2 : marker + 3;
    if (start >= reply.size()) {
        FUZZ_CHECK(path.empty());
        return;
    }
    FUZZ_CHECK(reply.compare(start, path.size(), path) == 0);
    // Nothing is trimmed: up to the limit the path is the whole rest of the reply.
    if (reply.size() - start <= 999) {
        FUZZ_CHECK(reply.substr(0, start) + path == reply);
    } else {
        FUZZ_CHECK(path.size() == 999);
    }
}

void CheckUrlParts(const std::string& url, const std::vector<std::string>& parts) {
    const std::string cut = url.substr(0, url.find('\0'));
    size_t total = 0;
    for (const std::string& part : parts) total += part.size();
    FUZZ_CHECK(total <= cut.size());
    if (HasByte(cut, '"')) return;
    // Without quotes only the cutting characters are dropped.
    std::string kept;
    for (char c : cut)
        if (!IsBlankOrSlash(c)) kept += c;
    std::string joined;
    for (const std::string& part : parts) {
        for (char c : part) FUZZ_CHECK(!IsBlankOrSlash(c));
        joined += part;
    }
    FUZZ_CHECK(joined == kept);
}

// A name the check accepts names one file right in the program directory.
void CheckPlainName(const std::string& name) {
    if (!IsPlainFileName(name)) return;
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(name.find_first_not_of('.') != std::string::npos);
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        FUZZ_CHECK(c >= 32 && c != 127 && c != '/' && c != ':' && c != '\\');
        if (IsLeadByte(name[i]) && i + 1 < name.size()) ++i;
    }
    FUZZ_CHECK(DirectoryPart(kProgramDirectory + name) == kProgramDirectory);
}

// Only an address that the client connects to the update server with passes.
void CheckOrigin(const std::string& url) {
    if (!IsOnUpdateServer(url, kBase)) return;
    HttpAddress address = ParseHttpAddress(url);
    FUZZ_CHECK(AsciiLowered(address.host) == "update.example.test");
    FUZZ_CHECK(address.port == 80);
}

void CheckInstallerName(const std::string& name) {
    if (!IsInstallerName(name)) return;
    FUZZ_CHECK(IsPlainFileName(name));
    FUZZ_CHECK(name.size() > 4);
    const std::string extension = AsciiLowered(name.substr(name.size() - 4));
    FUZZ_CHECK(extension == ".exe" || extension == ".msi");
    const std::string path = "C:\\Temp\\CourseShell-1\\" + name;
    InstallerLaunch launch = InstallerLaunchOf(path, "C:\\Windows\\system32");
    if (extension == ".exe") {
        FUZZ_CHECK(launch.file == path && launch.parameters.empty());
    } else {
        FUZZ_CHECK(launch.file == "C:\\Windows\\system32\\msiexec.exe");
        FUZZ_CHECK(launch.parameters == "/i \"" + path + "\"");
        // The path is one quoted argument: no quote inside it.
        FUZZ_CHECK(!HasByte(path, '"'));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string reply = MemoText(bytes);
    CheckMemo(bytes, reply);

    FUZZ_CHECK(!OffersUpdate(reply + "newest"));
    FUZZ_CHECK(OffersUpdate(MemoText(reply + "newest\n")));

    const std::string path = DownloadPath(reply);
    CheckDownloadPath(reply, path);

    const std::string url = DownloadUrl(kBase, path);
    FUZZ_CHECK(url == kBase + path);
    const std::vector<std::string> parts = UrlParts(url);
    CheckUrlParts(url, parts);
    const std::string name = InstallerFileName(url);
    FUZZ_CHECK(name == (parts.empty() ? std::string() : parts.back()));
    CheckPlainName(name);
    CheckInstallerName(name);
    CheckOrigin(url);
    // The checks also stand on their own, for inputs that hold what a URL part cannot.
    CheckPlainName(bytes);
    CheckInstallerName(bytes);
    CheckOrigin("http://" + bytes);
    return 0;
}
