// Native stand-in for the system converters, fixed to code page 936 like the target machines.
#include "platform/textconv.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace {

// Converts with iconv; a character the target cannot hold, or an invalid source sequence, becomes
// the replacement text and conversion resumes after one source unit, as the system converters do.
std::string Convert(const char* to, const char* from, const char* in, size_t inLeft, size_t unit,
                    const std::string& replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    std::string out;
    char buffer[4096];
    char* src = const_cast<char*>(in);
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &src, &inLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // One replacement per source unit: the two halves of a surrogate pair give two,
            // as Wine's converter does.
            size_t skip = unit;
            if (skip > inLeft) skip = inLeft;
            src += skip;
            inLeft -= skip;
            out += replacement;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

std::string Utf16Bytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::u16string FromUtf16Bytes(const std::string& bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

const std::string kQuestion = "?";
const std::string kQuestion16("?\0", 2);

}  // namespace

bool IsLeadByte(char c) {
    unsigned char b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}

std::string WideToAnsi(std::u16string_view text) {
    std::string bytes = Utf16Bytes(text);
    return Convert("CP936", "UTF-16LE", bytes.data(), bytes.size(), 2, kQuestion);
}

std::u16string AnsiToWide(std::string_view text) {
    return FromUtf16Bytes(Convert("UTF-16LE", "CP936", text.data(), text.size(), 1, kQuestion16));
}

// Through UTF-16, as the system does: a character outside the code page becomes one mark per
// UTF-16 unit, not one per byte of its UTF-8 form.
std::string AnsiToUtf8(std::string_view text) { return Utf16ToUtf8(AnsiToWide(text)); }
std::string Utf8ToAnsi(std::string_view text) { return WideToAnsi(Utf8ToUtf16(text)); }
