#include "platform/textconv.h"

#include <cstring>

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::string LowerAnsi(std::string_view text) {
    std::string result(text);
    for (size_t i = 0; i < result.size(); ++i) {
        if (IsLeadByte(result[i])) {
            ++i;  // a trail byte may look like a capital letter; it stays as it is
            continue;
        }
        result[i] = AsciiLower(result[i]);
    }
    return result;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerAnsi(a) == LowerAnsi(b);
}

bool EndsInSwf(std::string_view path) {
    std::string_view tail = path.size() > 3 ? path.substr(path.size() - 3) : path;
    std::string lowered;
    for (char c : tail) lowered += AsciiLower(c);
    return lowered == "swf";
}

size_t LastDelimiter(std::string_view text, const char* delimiters) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByte(text[i]) && i + 1 < text.size()) {
            ++i;  // the trail byte of a double-byte character is never a delimiter
            continue;
        }
        if (text[i] != '\0' && std::strchr(delimiters, text[i])) found = i;
    }
    return found;
}
