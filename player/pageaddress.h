// Where the page is served: a port of 127.0.0.1 and the key in front of every path. The browser
// keeps a movie's saved data (SharedObjects) by the page's origin and the movie's address, so
// both are drawn once for each program folder and kept for the user.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PageAddress {
    int port = 0;
    std::string key;  // 32 lower-case hexadecimal digits
};

// The stored form, "port key", and back; nothing for a text the program did not write.
std::string FormatPageAddress(const PageAddress& address);
std::optional<PageAddress> ParsePageAddress(std::string_view stored);

// The name the address of a program folder (UTF-8, any case) is stored under.
std::string PageAddressName(std::string_view programDirectory);

// A port for a new address from a random number: from 20000 to 44999, below the range the
// system hands out to outgoing connections.
int PortFrom(std::uint32_t random);

// The ports to try, in order: the kept one, then a few after it, so that while another program
// holds the kept port the page tends to get the same stand-in origin each time.
std::vector<int> PortsToTry(int kept);
