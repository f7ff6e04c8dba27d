#include "app/commandrules.h"

#include "platform/paths.h"
#include "platform/textconv.h"

#include <cstdint>

ResourcePick ParseSelectResource(const std::string& argument, const std::string& programDirectory) {
    constexpr size_t kMaxFunctionName = 999;
    MarkerSplit split = SplitAtMarker(argument, kMaxFunctionName);
    return {ToBackslashes(programDirectory + split.before + "resource"), split.after};
}

std::string IndexRootFor(const std::string& argument, const std::string& programDirectory) {
    return ToBackslashes(programDirectory + argument + "resource");
}

bool ParseWholeNumber(const std::string& text, int& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;
    int64_t n = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        n = n * base + digit;
        if (n > (int64_t{1} << 32)) return false;
    }
    if (negative) n = -n;
    if (n < INT32_MIN || n > INT32_MAX) return false;
    value = static_cast<int>(n);
    return true;
}

bool IsPlayerTooOld(int major, int minor) {
    return major < 10 || (major == 10 && minor < 2);
}
