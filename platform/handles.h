// Owning wrappers for Win32 and COM resources: one movable, non-copyable type per kind of handle,
// all built from the same template so every release path looks the same.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <oleauto.h>

#include <stdexcept>
#include <utility>

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type value) : value_(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }
    Type release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(Type value = Traits::Invalid()) {
        Type old = std::exchange(value_, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }
    // For out-parameters of creating functions: releases what is held first.
    Type* put() {
        reset();
        return &value_;
    }

private:
    Type value_ = Traits::Invalid();
};

// Most kinds: null is "none", and one function of the handle closes it.
template <typename T, auto CloseFn>
struct NullHandleTraits {
    using Type = T;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { CloseFn(h); }
};
// Kinds for which INVALID_HANDLE_VALUE is "none".
template <auto CloseFn>
struct InvalidHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseFn(h); }
};
// A device context of the whole screen, from GetDC(nullptr).
struct ScreenDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { ::ReleaseDC(nullptr, h); }
};
// An object selected into a device context; closing selects back what was there before.
struct Selection {
    HDC dc;
    HGDIOBJ previous;
    bool operator==(const Selection& o) const { return dc == o.dc && previous == o.previous; }
    bool operator!=(const Selection& o) const { return !(*this == o); }
};
struct SelectionTraits {
    using Type = Selection;
    static Type Invalid() { return {nullptr, nullptr}; }
    static void Close(Type s) { ::SelectObject(s.dc, s.previous); }
};

using UniqueHandle = UniqueResource<NullHandleTraits<HANDLE, ::CloseHandle>>;
using UniqueRegKey = UniqueResource<NullHandleTraits<HKEY, ::RegCloseKey>>;
using UniqueHook = UniqueResource<NullHandleTraits<HHOOK, ::UnhookWindowsHookEx>>;
using UniqueBstr = UniqueResource<NullHandleTraits<BSTR, ::SysFreeString>>;
using UniqueFile = UniqueResource<InvalidHandleTraits<::CloseHandle>>;
using UniqueFind = UniqueResource<InvalidHandleTraits<::FindClose>>;
using UniqueScreenDc = UniqueResource<ScreenDcTraits>;
using UniqueSelection = UniqueResource<SelectionTraits>;

inline UniqueSelection SelectInto(HDC dc, HGDIOBJ object) {
    return UniqueSelection(Selection{dc, ::SelectObject(dc, object)});
}

// A COM interface pointer that releases what it holds.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    // Adopts a reference the caller already holds.
    explicit ComPtr(I* p) : p_(p) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }

    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    I** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    // Hands the reference over to the caller.
    I* detach() { return std::exchange(p_, nullptr); }

    template <typename J>
    ComPtr<J> query(REFIID iid) const {
        ComPtr<J> result;
        if (p_) p_->QueryInterface(iid, result.put_void());
        return result;
    }

private:
    I* p_ = nullptr;
};

// A VARIANT that is cleared when it goes out of scope.
class UniqueVariant {
public:
    UniqueVariant() { ::VariantInit(&v_); }
    ~UniqueVariant() { ::VariantClear(&v_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    VARIANT* get() { return &v_; }
    const VARIANT& operator*() const { return v_; }

private:
    VARIANT v_;
};

// The single-threaded apartment on the GUI thread that the player controls need, for the life of
// the object. Failing to enter it is a failure of the start-up like any other.
class OleApartment {
public:
    OleApartment() {
        HRESULT hr = ::OleInitialize(nullptr);
        if (FAILED(hr)) throw std::runtime_error("OleInitialize failed");
    }
    ~OleApartment() { ::OleUninitialize(); }
    OleApartment(const OleApartment&) = delete;
    OleApartment& operator=(const OleApartment&) = delete;
};

// A sink advised on a connection point; closing unadvises it and lets the point go.
struct Advice {
    IConnectionPoint* point;
    DWORD cookie;
    bool operator==(const Advice& o) const { return point == o.point && cookie == o.cookie; }
    bool operator!=(const Advice& o) const { return !(*this == o); }
};
struct AdviceTraits {
    using Type = Advice;
    static Type Invalid() { return {nullptr, 0}; }
    static void Close(Type a) {
        a.point->Unadvise(a.cookie);
        a.point->Release();
    }
};
using UniqueAdvice = UniqueResource<AdviceTraits>;

// Leaves early from a function returning HRESULT when a call fails.
#define RETURN_IF_FAILED(expr)                 \
    do {                                       \
        HRESULT hr_ = (expr);                  \
        if (FAILED(hr_)) return hr_;           \
    } while (0)
