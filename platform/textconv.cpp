#include "platform/textconv.h"

#include <cstring>

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
