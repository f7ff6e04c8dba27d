// Text conversions at the program's edges. Inside the program text is the system ANSI code page
// (GBK, code page 936, on the schools' PCs); the player speaks UTF-16 and saved content is UTF-8.
// The Windows build uses the system's converters, the native build iconv with CP936, so the
// portable tests see the same GBK bytes.
#pragma once

#include <string>
#include <string_view>

// Characters the code page cannot represent become its replacement character "?".
std::string WideToAnsi(std::u16string_view text);
std::u16string AnsiToWide(std::string_view text);
std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);
// UTF-8 and UTF-16 directly, the same in every build (the browser player's page speaks UTF-8):
// a lone surrogate, and every byte of a malformed, overlong or surrogate sequence, becomes
// U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// True when `c` starts a double-byte character in the ANSI code page: the running system's own
// rule in the program, code page 936 natively. The byte after it is never a separator, even when
// it is 0x5C ("\\").
bool IsLeadByte(char c);

// The ASCII letter in lower case; every other byte or unit as it is. The case rules of the program
// are all here, and nothing here depends on the C library's locale.
char AsciiLower(char c);
char16_t AsciiLower(char16_t c);
// Byte by byte, for protocol words (HTTP names, host names, device names) that are ASCII.
std::string AsciiLowered(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view prefix);
// `text` with its ASCII letters in lower case, except the trail bytes of double-byte characters,
// which may look like capitals.
std::string LowerAnsi(std::string_view text);
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// The movie-file test of "exec" and of the resource windows: the last three bytes (the whole text
// when shorter), ASCII letters in lower case, are "swf". No dot is needed before them.
bool EndsInSwf(std::string_view path);

// A text of the movie or the update server cut at its first "@@@": what stands before the marker
// (nothing without one), and at most `limit` bytes after it. Without a marker the second part
// starts at the third byte, where the position arithmetic puts it when the marker's position is 0.
struct MarkerSplit {
    std::string before;
    std::string after;
};
MarkerSplit SplitAtMarker(std::string_view text, size_t limit);

// Position of the last character of `text` that is one of `delimiters`, skipping the trail bytes
// of double-byte characters; std::string::npos when there is none.
size_t LastDelimiter(std::string_view text, const char* delimiters);

// Conversions for Win32 wide-character APIs, where wchar_t is a UTF-16 unit.
#ifdef _WIN32
inline std::wstring AnsiToWString(std::string_view text) {
    std::u16string w = AnsiToWide(text);
    return std::wstring(w.begin(), w.end());
}
inline std::string WStringToAnsi(std::wstring_view text) {
    return WideToAnsi(std::u16string(text.begin(), text.end()));
}
inline std::wstring ToWString(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}
inline std::u16string ToU16String(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}
inline std::wstring Utf8ToWString(std::string_view text) {
    return ToWString(Utf8ToUtf16(text));
}
// A BSTR carries its length: it ends there, not at its first NUL; a null BSTR is empty text.
std::u16string BstrToWide(const wchar_t* bstr);
// A new BSTR holding `text`, NULs included, for the caller to free with SysFreeString.
wchar_t* WideToNewBstr(std::u16string_view text);
#endif
