// Fuzz target: the version check's reading of the probe movie's variables. Whatever text the
// movie sets, the reading agrees with a plain reading of blanks, sign, "$" or "0x" and digits
// with a 32-bit range, and every number it reads is read back from its decimal and hex forms.
#include "app/commandrules.h"
#include "fuzzcheck.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

int DigitValue(char c, int base) {
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : 99;
    return digit < base ? digit : -1;
}

// Leading zeros do not count, so at most ten decimal or eight hex digits remain in range.
bool PlainReading(const std::string& text, int& value) {
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    int base = 10;
    if (text.compare(i, 1, "$") == 0) {
        base = 16;
        i += 1;
    } else if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    for (size_t j = i; j < text.size(); ++j)
        if (DigitValue(text[j], base) < 0) return false;
    size_t first = text.find_first_not_of('0', i);
    std::string digits = first == std::string::npos ? "0" : text.substr(first);
    if (digits.size() > (base == 10 ? 10u : 8u)) return false;
    long long n = 0;
    for (char c : digits) n = n * base + DigitValue(c, base);
    if (negative) n = -n;
    if (n < INT32_MIN || n > INT32_MAX) return false;
    value = static_cast<int>(n);
    return true;
}

void CheckReadsAs(const std::string& text, int expected) {
    int value = 0;
    FUZZ_CHECK(ParseWholeNumber(text, value) && value == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    int value = 0, plain = 0;
    const bool read = ParseWholeNumber(text, value);
    FUZZ_CHECK(read == PlainReading(text, plain));
    if (!read) return 0;
    FUZZ_CHECK(value == plain);

    CheckReadsAs(std::to_string(value), value);
    CheckReadsAs("  " + std::to_string(value), value);
    const long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
    char hex[32];
    std::snprintf(hex, sizeof hex, "%s$%llX", value < 0 ? "-" : "", magnitude);
    CheckReadsAs(hex, value);
    std::snprintf(hex, sizeof hex, "%s0x%llx", value < 0 ? "-" : "+", magnitude);
    CheckReadsAs(hex, value);
    return 0;
}
