// Small Win32/COM helpers shared by the stand-in player and its test container.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace standin {

// {D27CDB6E-AE6D-11CF-96B8-444553540000} ShockwaveFlash control
inline constexpr CLSID kClsidShockwaveFlash = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6C-AE6D-11CF-96B8-444553540000} IShockwaveFlash
inline constexpr IID kIidShockwaveFlash = {
    0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6D-AE6D-11CF-96B8-444553540000} _IShockwaveFlashEvents
inline constexpr IID kDiidShockwaveFlashEvents = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// {D27CDB6B-AE6D-11CF-96B8-444553540000} ShockwaveFlashObjects, version 1.0
inline constexpr GUID kLibidShockwaveFlash = {
    0xD27CDB6B, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

inline constexpr DISPID kDispMovie = 0x66;
inline constexpr DISPID kDispPlay = 0x70;
inline constexpr DISPID kDispPlaying = 0x7D;
inline constexpr DISPID kDispSetVariable = 0x97;
inline constexpr DISPID kDispGetVariable = 0x98;
inline constexpr DISPID kDispCallFunction = 0xC6;
inline constexpr DISPID kDispSetReturnValue = 0xC7;
inline constexpr DISPID kDispReadyState = -525;
inline constexpr DISPID kDispFsCommand = 0x96;
inline constexpr DISPID kDispFlashCall = 0xC5;

template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() {
        if (p_) p_->Release();
    }
    // Takes a new reference of its own.
    static ComPtr Share(T* p) {
        ComPtr r;
        r.p_ = p;
        if (p) p->AddRef();
        return r;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** put() {
        *this = ComPtr();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    template <class U>
    ComPtr<U> As(const IID& iid) const {
        ComPtr<U> r;
        if (p_) p_->QueryInterface(iid, r.put_void());
        return r;
    }

  private:
    T* p_ = nullptr;
};

class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(const std::wstring& s)
        : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }
    BSTR get() const { return b_; }
    BSTR release() { return std::exchange(b_, nullptr); }

  private:
    BSTR b_ = nullptr;
};

class Variant {
  public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }
    VARIANT* get() { return &v_; }
    const VARIANT& ref() const { return v_; }

  private:
    VARIANT v_;
};

inline std::string ToUtf8(const wchar_t* s, size_t n) {
    if (n == 0) return {};
    int len = WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(len), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(n), out.data(), len, nullptr, nullptr);
    return out;
}

inline std::string ToUtf8(const std::wstring& s) {
    return ToUtf8(s.data(), s.size());
}

inline std::string ToUtf8(BSTR b) {
    return b ? ToUtf8(b, SysStringLen(b)) : std::string();
}

inline std::wstring FromUtf8(const std::string& s) {
    if (s.empty()) return {};
    int len = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(len), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), len);
    return out;
}

// Any variant (also by reference) as text; false if it cannot be converted.
inline bool VariantText(const VARIANT& in, std::wstring& out) {
    Variant direct, text;
    if (FAILED(VariantCopyInd(direct.get(), const_cast<VARIANT*>(&in)))) return false;
    if (FAILED(VariantChangeType(text.get(), direct.get(), 0, VT_BSTR))) return false;
    BSTR b = text.ref().bstrVal;
    out.assign(b ? b : L"", b ? SysStringLen(b) : 0);
    return true;
}

}  // namespace standin
