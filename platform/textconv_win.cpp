#include "platform/textconv.h"

#include <windows.h>
#include <oleauto.h>

namespace {

std::u16string ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<wchar_t*>(&out[0]), n);
    return out;
}

std::string FromWide(UINT codePage, std::u16string_view text) {
    if (text.empty()) return {};
    auto src = reinterpret_cast<const wchar_t*>(text.data());
    int n = WideCharToMultiByte(codePage, 0, src, static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, src, static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

}  // namespace

bool IsLeadByte(char c) { return ::IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE; }

std::string WideToAnsi(std::u16string_view text) { return FromWide(CP_ACP, text); }
std::u16string AnsiToWide(std::string_view text) { return ToWide(CP_ACP, text); }
std::string AnsiToUtf8(std::string_view text) { return FromWide(CP_UTF8, ToWide(CP_ACP, text)); }
std::string Utf8ToAnsi(std::string_view text) { return FromWide(CP_ACP, ToWide(CP_UTF8, text)); }

std::u16string BstrToWide(const wchar_t* bstr) {
    if (!bstr) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(bstr),
                          ::SysStringLen(const_cast<BSTR>(bstr)));
}

wchar_t* WideToNewBstr(std::u16string_view text) {
    return ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                               static_cast<UINT>(text.size()));
}
