#include "platform/textconv.h"

#include <cstring>

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::string AsciiLowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = AsciiLower(c);
    return result;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
    return true;
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
    return EqualsIgnoringAsciiCase(path.size() > 3 ? path.substr(path.size() - 3) : path, "swf");
}

MarkerSplit SplitAtMarker(std::string_view text, size_t limit) {
    size_t marker = text.find("@@@");
    size_t start = marker == std::string_view::npos ? 2 : marker + 3;
    MarkerSplit split;
    if (marker != std::string_view::npos) split.before = text.substr(0, marker);
    if (start < text.size()) split.after = text.substr(start, limit);
    return split;
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

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    // The decoder of the system's converter and of the browsers: a byte that cannot start a
    // character, or the longest start of a character that the next byte does not continue,
    // becomes one U+FFFD. The ranges of the second byte rule out overlong forms, surrogates
    // and values past U+10FFFF.
    std::u16string out;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        int more = 0;
        char32_t c = 0;
        unsigned char lower = 0x80, upper = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1, c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2, c = b & 0x0F;
            if (b == 0xE0) lower = 0xA0;
            if (b == 0xED) upper = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3, c = b & 0x07;
            if (b == 0xF0) lower = 0x90;
            if (b == 0xF4) upper = 0x8F;
        } else {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        for (; more > 0; --more, ++j) {
            if (j == n) break;
            const unsigned char t = static_cast<unsigned char>(text[j]);
            if (t < lower || t > upper) break;
            c = (c << 6) | (t & 0x3F);
            lower = 0x80, upper = 0xBF;
        }
        i = j;
        if (more > 0) {
            out += u'\xFFFD';  // the byte that broke the sequence is read again
        } else if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}
