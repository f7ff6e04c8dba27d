// Fuzz target: an address as the update base URL and the server's download path make it, split
// into host, port and path, and the request line and headers built from them. What the split
// accepts is written back as the same address, and nothing that goes on the wire can end a line
// or the request target early.
#include "fuzzcheck.h"
#include "platform/httpmessage.h"

#include <string>
#include <vector>

namespace {

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) return false;
    }
    return true;
}

std::string SpacesDecoded(const std::string& target) {
    std::string out;
    for (size_t i = 0; i < target.size(); ++i) {
        if (target.compare(i, 3, "%20") == 0) {
            out += ' ';
            i += 2;
        } else {
            out += target[i];
        }
    }
    return out;
}

void CheckTarget(const std::string& path) {
    std::string target;
    try {
        target = RequestTarget(path);
    } catch (const HttpError&) {
        FUZZ_CHECK(HasControl(path));
        return;
    }
    FUZZ_CHECK(!HasControl(path));
    FUZZ_CHECK(!target.empty() && !HasControl(target) && !HasByte(target, ' '));
    if (path.empty()) {
        FUZZ_CHECK(target == "/");
    } else if (path.find("%20") == std::string::npos) {
        FUZZ_CHECK(SpacesDecoded(target) == path);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    // The path on its own, as a server's download path may hold anything.
    CheckTarget(url);

    HttpAddress address;
    try {
        address = ParseHttpAddress(url);
    } catch (const HttpError&) {
        return 0;
    }
    FUZZ_CHECK(EqualsNoCase(url.substr(0, 7), "http://"));
    FUZZ_CHECK(!address.host.empty() && !HasControl(address.host));
    FUZZ_CHECK(!HasByte(address.host, '/') && !HasByte(address.host, ' '));
    FUZZ_CHECK(address.port >= 1 && address.port <= 65535);
    FUZZ_CHECK(address.path.empty() || address.path[0] == '/');
    FUZZ_CHECK(url.size() >= address.path.size() &&
               url.compare(url.size() - address.path.size(), address.path.size(), address.path) ==
                   0);

    // The Host header and the path make the same address again.
    const std::string host = HostHeaderValue(address);
    HttpAddress again = ParseHttpAddress("http://" + host + address.path);
    FUZZ_CHECK(again.host == address.host && again.port == address.port &&
               again.path == address.path);

    CheckTarget(address.path);
    for (const std::string& line : RequestHeaderLines(address, "")) FUZZ_CHECK(!HasControl(line));
    FUZZ_CHECK(RequestHeaderLines(address, "").front() == "Host: " + host);
    return 0;
}
