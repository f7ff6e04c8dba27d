#include "player/pageaddress.h"

namespace {

constexpr int kLowestPort = 20000;
constexpr int kPortCount = 25000;
constexpr int kStandIns = 8;

bool IsKey(std::string_view key) {
    if (key.size() != 32) return false;
    for (char c : key) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

}  // namespace

std::string FormatPageAddress(const PageAddress& address) {
    return std::to_string(address.port) + " " + address.key;
}

std::optional<PageAddress> ParsePageAddress(std::string_view stored) {
    std::size_t space = stored.find(' ');
    if (space == std::string_view::npos || space == 0 || space > 5) return std::nullopt;
    int port = 0;
    for (char c : stored.substr(0, space)) {
        if (c < '0' || c > '9') return std::nullopt;
        port = port * 10 + (c - '0');
    }
    std::string_view key = stored.substr(space + 1);
    if (port < kLowestPort || port >= kLowestPort + kPortCount || !IsKey(key)) return std::nullopt;
    return PageAddress{port, std::string(key)};
}

std::string PageAddressName(std::string_view programDirectory) {
    // FNV-1a of the folder in lower case (ASCII letters): the same folder however it is spelt.
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : programDirectory) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c == '/') c = '\\';
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    static const char digits[] = "0123456789abcdef";
    std::string name = "page-";
    for (int shift = 60; shift >= 0; shift -= 4) name += digits[(hash >> shift) & 15];
    return name;
}

int PortFrom(std::uint32_t random) {
    return kLowestPort + static_cast<int>(random % kPortCount);
}

std::vector<int> PortsToTry(int kept) {
    std::vector<int> ports;
    for (int i = 0; i <= kStandIns; ++i)
        ports.push_back(kLowestPort + (kept - kLowestPort + i) % kPortCount);
    return ports;
}
