// The reference for the start-up and call benchmarks: the least an ActiveX container does to
// show the player as CourseShell does. A 1024 x 652 popup window holds a visible player playing
// main.swf and a hidden 192 x 192 probe player playing version.swf (both from the current
// folder); the visible player's "loadfile" calls are answered with the first line of the named
// file, every other call with <null/>.
#include "../standin/olesite.h"
#include "../standin/winutil.h"

#include <ocidl.h>

#include <string>
#include <vector>

using namespace standin;

namespace {

struct Player {
    ComPtr<IOleObject> object;
    ComPtr<IDispatch> dispatch;

    bool Create(InPlaceSite& site, HWND parent, RECT pos) {
        if (FAILED(CoCreateInstance(kClsidShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IOleObject, object.put_void())))
            return false;
        object->SetClientSite(&site);
        if (auto persist = object.As<IPersistStreamInit>(IID_IPersistStreamInit))
            persist->InitNew();
        object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, parent, &pos);
        dispatch = object.As<IDispatch>(IID_IDispatch);
        return static_cast<bool>(dispatch);
    }

    void Put(DISPID id, const std::wstring& text) { Invoke(id, DISPATCH_PROPERTYPUT, text); }
    void Method(DISPID id, const std::wstring& text) { Invoke(id, DISPATCH_METHOD, text); }

    void Invoke(DISPID id, WORD flags, const std::wstring& text) {
        VARIANT arg;
        VariantInit(&arg);
        arg.vt = VT_BSTR;
        arg.bstrVal = Bstr(text).release();
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&arg, nullptr, 1, 0};
        if (flags == DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &named;
            params.cNamedArgs = 1;
        }
        dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, nullptr,
                         nullptr);
        VariantClear(&arg);
    }
};

Player g_main;

std::wstring Unescape(const std::wstring& s) {
    static const std::pair<const wchar_t*, wchar_t> kEntities[] = {
        {L"&amp;", L'&'}, {L"&lt;", L'<'}, {L"&gt;", L'>'}, {L"&quot;", L'"'}, {L"&apos;", L'\''}};
    std::wstring out;
    for (size_t i = 0; i < s.size();) {
        bool done = false;
        for (const auto& [name, c] : kEntities) {
            size_t n = wcslen(name);
            if (s.compare(i, n, name) == 0) {
                out += c;
                i += n;
                done = true;
                break;
            }
        }
        if (!done) out += s[i++];
    }
    return out;
}

std::wstring Escape(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s) {
        switch (c) {
            case L'&':
                out += L"&amp;";
                break;
            case L'<':
                out += L"&lt;";
                break;
            case L'>':
                out += L"&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The first line of a file beside the movies, read as ANSI text.
std::wstring FirstLine(const std::wstring& relative) {
    std::wstring path = relative;
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
        if (bytes.find('\n') != std::string::npos) break;
    }
    CloseHandle(file);
    size_t end = bytes.find_first_of("\r\n");
    if (end != std::string::npos) bytes.resize(end);
    if (bytes.empty()) return {};
    int n =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

std::wstring Answer(const std::wstring& request) {
    if (request.find(L"name=\"loadfile\"") == std::wstring::npos) return L"<null/>";
    size_t start = request.find(L"<string>");
    size_t end = request.find(L"</string>");
    if (start == std::wstring::npos || end == std::wstring::npos || end < start) return L"<null/>";
    start += 8;
    return L"<string>" + Escape(FirstLine(Unescape(request.substr(start, end - start)))) +
           L"</string>";
}

class Sink final : public IDispatch {
  public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kDiidShockwaveFlashEvents) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        std::wstring request;
        if (id == kDispFlashCall && p->cArgs == 1 && VariantText(p->rgvarg[0], request))
            g_main.Method(kDispSetReturnValue, Answer(request));
        return S_OK;
    }

  private:
    ULONG refs_ = 1;
};

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

std::wstring CurrentFolder() {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, buffer);
    std::wstring folder(buffer, n);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    OleInitialize(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"MinimalContainer";
    RegisterClassW(&wc);
    HWND frame =
        CreateWindowExW(0, wc.lpszClassName, L"MinimalContainer", WS_POPUP | WS_CLIPCHILDREN, 128,
                        74, 1024, 652, nullptr, nullptr, instance, nullptr);
    HWND probeHolder = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 192,
                                       192, frame, nullptr, instance, nullptr);

    InPlaceSite mainSite(frame, RECT{0, 0, 1024, 652});
    InPlaceSite probeSite(probeHolder, RECT{0, 0, 192, 192});
    Player probe;
    Sink sink;
    if (!g_main.Create(mainSite, frame, RECT{0, 0, 1024, 652}) ||
        !probe.Create(probeSite, probeHolder, RECT{0, 0, 192, 192}))
        return 3;
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    if (auto container = g_main.object.As<IConnectionPointContainer>(IID_IConnectionPointContainer))
        container->FindConnectionPoint(kDiidShockwaveFlashEvents, point.put());
    if (point) point->Advise(&sink, &cookie);

    std::wstring folder = CurrentFolder();
    probe.Put(kDispMovie, folder + L"version.swf");
    g_main.Put(kDispMovie, folder + L"main.swf");
    ShowWindow(frame, SW_SHOW);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (point) point->Unadvise(cookie);
    return 0;
}
