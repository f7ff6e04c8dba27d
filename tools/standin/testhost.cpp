// A minimal container for the stand-in player's own test: it hosts the control the way the
// program does (client site, in-place activation, Invoke by dispatch id, an IDispatch event
// sink) and obeys a few commands that the movie sends, logging everything it sees.
//
// Usage: standin_testhost.exe LOGFILE MOVIE [SECONDS]
// STANDIN_TESTHOST_AMBIENT makes the site a container of another kind: "none" (no ambient
// dispatch), "empty" (every ambient property answered S_OK without a value, as an event sink
// would), "fail" (DISP_E_MEMBERNOTFOUND for all).
// Movie commands (FSCommand): getvar NAME, callfn REQUEST, resize X Y W H, playing, play,
// unload, pump MS, focus, quit. FlashCall requests are answered with
// "<string>len=N</string>" (N = request length in UTF-16 units) unless the function is named
// "noreply".
#include "olesite.h"
#include "winutil.h"

#include <ocidl.h>
#include <olectl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace standin;

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;
HWND g_frame = nullptr;
int g_exitCode = 0;

void Log(const std::string& text) {
    std::string line;
    for (char c : text)
        line += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    line += "\n";
    DWORD written = 0;
    WriteFile(g_log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

std::wstring AmbientKind() {
    wchar_t value[16] = {};
    GetEnvironmentVariableW(L"STANDIN_TESTHOST_AMBIENT", value, 16);
    return value;
}

// Records the site's steps in the host's log.
class Site final : public InPlaceSite {
  public:
    explicit Site(HWND window)
        : InPlaceSite(window, RECT{10, 10, 410, 310}), kind_(AmbientKind()) {}

  protected:
    void Note(const char* step) override { Log(std::string("site ") + step); }
    bool AnswersAmbient() override { return kind_ != L"none"; }
    HRESULT Ambient(DISPID id, VARIANT* result) override {
        Log("site ambient " + std::to_string(id));
        if (kind_ == L"empty") return S_OK;
        if (kind_ == L"fail") return DISP_E_MEMBERNOTFOUND;
        return InPlaceSite::Ambient(id, result);
    }

  private:
    std::wstring kind_;
};

struct Host {
    ComPtr<IOleObject> object;
    ComPtr<IDispatch> dispatch;
    Site* site = nullptr;

    // Invoke by dispatch id; on failure `error` gets the control's description.
    HRESULT Call(DISPID id, WORD flags, const std::vector<std::wstring>& args, VARIANT* result,
                 std::string& error) {
        std::vector<VARIANT> v(args.size());
        for (size_t i = 0; i < args.size(); ++i) {
            VARIANT& x = v[args.size() - 1 - i];
            VariantInit(&x);
            x.vt = VT_BSTR;
            x.bstrVal = Bstr(args[i]).release();
        }
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{v.data(), nullptr, static_cast<UINT>(v.size()), 0};
        if (flags == DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &named;
            params.cNamedArgs = 1;
        }
        EXCEPINFO info{};
        UINT argError = 0;
        HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                      &info, &argError);
        if (FAILED(hr))
            error = Hex(hr) + (info.bstrDescription ? " " + ToUtf8(info.bstrDescription) : "");
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
        for (auto& x : v) VariantClear(&x);
        return hr;
    }

    std::string Text(DISPID id, const std::vector<std::wstring>& args, bool& ok) {
        Variant result;
        std::string error;
        ok = SUCCEEDED(Call(id, DISPATCH_METHOD, args, result.get(), error));
        if (!ok) return error;
        std::wstring text;
        VariantText(result.ref(), text);
        return ToUtf8(text);
    }

    void Command(const std::string& command, const std::string& args);
    void FlashCall(const std::wstring& request);
};

Host g_host;

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
        std::wstring a, b;
        if (id == kDispFsCommand && p->cArgs == 2 && VariantText(p->rgvarg[1], a) &&
            VariantText(p->rgvarg[0], b)) {
            g_host.Command(ToUtf8(a), ToUtf8(b));
            return S_OK;
        }
        if (id == kDispFlashCall && p->cArgs == 1 && VariantText(p->rgvarg[0], a)) {
            g_host.FlashCall(a);
            return S_OK;
        }
        Log("event-unexpected " + std::to_string(id) + " args " + std::to_string(p->cArgs));
        return S_OK;
    }

  private:
    ULONG refs_ = 1;
};

void Host::Command(const std::string& command, const std::string& args) {
    Log("fscommand " + command + "|" + args);
    bool ok = false;
    std::string error;
    if (command == "getvar") {
        std::string value = Text(kDispGetVariable, {FromUtf8(args)}, ok);
        Log(std::string("getvariable ") + (ok ? "ok " : "fail ") + value);
    } else if (command == "callfn") {
        std::string value = Text(kDispCallFunction, {FromUtf8(args)}, ok);
        Log(std::string("callfunction ") + (ok ? "ok " : "fail ") + value);
    } else if (command == "resize") {
        RECT r{};
        int x, y, w, h;
        if (std::sscanf(args.c_str(), "%d %d %d %d", &x, &y, &w, &h) == 4) {
            r = {x, y, x + w, y + h};
            site->pos = r;
            auto inplace = object.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
            HRESULT hr = inplace ? inplace->SetObjectRects(&r, &r) : E_NOINTERFACE;
            Log("resized " + Hex(hr));
        }
    } else if (command == "playing") {
        Variant v;
        HRESULT hr = Call(kDispPlaying, DISPATCH_PROPERTYGET, {}, v.get(), error);
        Log("playing " +
            (SUCCEEDED(hr) && v.ref().vt == VT_BOOL ? std::to_string(v.ref().boolVal) : error));
    } else if (command == "play") {
        Log("play " + Hex(Call(kDispPlay, DISPATCH_METHOD, {}, nullptr, error)));
    } else if (command == "unload") {
        Log("unload " + Hex(Call(kDispMovie, DISPATCH_PROPERTYPUT, {L""}, nullptr, error)));
    } else if (command == "pump") {
        // A nested loop inside the handler, as modal dialogs and progress pumping do.
        DWORD until = GetTickCount() + static_cast<DWORD>(std::atoi(args.c_str()));
        MSG msg;
        while (static_cast<LONG>(until - GetTickCount()) > 0) {
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            } else {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            }
        }
        Log("pumped");
    } else if (command == "focus") {
        HWND child = nullptr;
        auto inplace = object.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
        if (inplace) inplace->GetWindow(&child);
        SetFocus(child);
        Log("focused");
    } else if (command == "quit") {
        PostQuitMessage(0);
    }
}

void Host::FlashCall(const std::wstring& request) {
    std::string text = ToUtf8(request);
    Log(text.size() <= 4096 ? "flashcall " + text
                            : "flashcall-big " + std::to_string(request.size()));
    if (text.find("name=\"noreply\"") != std::string::npos) return;
    std::string error;
    std::wstring reply = L"<string>len=" + std::to_wstring(request.size()) + L"</string>";
    HRESULT hr = Call(kDispSetReturnValue, DISPATCH_METHOD, {reply}, nullptr, error);
    if (FAILED(hr)) Log("setreturnvalue failed " + error);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) {
        Log("timeout");
        g_exitCode = 2;
        PostQuitMessage(2);
        return 0;
    }
    if (msg == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 3) return 64;
    g_log = CreateFileW(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::wstring movie = argv[2];
    int seconds = argc > 3 ? _wtoi(argv[3]) : 30;

    OleInitialize(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"StandinTestHost";
    RegisterClassW(&wc);
    g_frame = CreateWindowExW(0, wc.lpszClassName, L"Stand-in test host",
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 640, 480, nullptr,
                              nullptr, instance, nullptr);
    ShowWindow(g_frame, SW_SHOW);
    SetTimer(g_frame, 1, static_cast<UINT>(seconds) * 1000, nullptr);

    Site site(g_frame);
    Sink sink;
    g_host.site = &site;
    HRESULT hr = CoCreateInstance(kClsidShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IOleObject, g_host.object.put_void());
    Log("create " + Hex(hr));
    if (FAILED(hr)) return 3;
    g_host.object->SetClientSite(&site);
    if (auto persist = g_host.object.As<IPersistStreamInit>(IID_IPersistStreamInit))
        persist->InitNew();
    RECT rc = site.pos;
    hr = g_host.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, g_frame, &rc);
    Log("doverb " + Hex(hr));
    g_host.dispatch = g_host.object.As<IDispatch>(IID_IDispatch);
    {
        auto flash = g_host.object.As<IDispatch>(kIidShockwaveFlash);
        Log(std::string("ishockwaveflash ") +
            (flash && flash.get() == g_host.dispatch.get() ? "same" : "missing"));
    }

    HWND child = nullptr;
    if (auto inplace = g_host.object.As<IOleInPlaceObject>(IID_IOleInPlaceObject))
        inplace->GetWindow(&child);
    RECT cr{};
    GetWindowRect(child, &cr);
    MapWindowPoints(HWND_DESKTOP, g_frame, reinterpret_cast<POINT*>(&cr), 2);
    Log("child " + std::string(child && GetParent(child) == g_frame ? "parented " : "orphan ") +
        std::to_string(cr.left) + " " + std::to_string(cr.top) + " " +
        std::to_string(cr.right - cr.left) + " " + std::to_string(cr.bottom - cr.top) +
        (IsWindowVisible(child) ? " visible" : " hidden"));

    // Stored settings go by name, as a container that keeps a property bag would set them.
    wchar_t quality[] = L"Quality2";
    LPOLESTR names[] = {quality};
    DISPID settingId = 0;
    g_host.dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &settingId);
    std::string error;
    g_host.Call(settingId, DISPATCH_PROPERTYPUT, {L"High"}, nullptr, error);
    Log("setting dispid " + std::to_string(settingId));

    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    if (auto container = g_host.object.As<IConnectionPointContainer>(IID_IConnectionPointContainer))
        container->FindConnectionPoint(kDiidShockwaveFlashEvents, point.put());
    hr = point ? point->Advise(&sink, &cookie) : E_NOINTERFACE;
    Log("advise " + Hex(hr));

    hr = g_host.Call(kDispMovie, DISPATCH_PROPERTYPUT, {movie}, nullptr, error);
    Log("movie " + Hex(hr));

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    if (point) point->Unadvise(cookie);
    point = {};
    g_host.dispatch = {};
    g_host.object->Close(OLECLOSE_NOSAVE);
    g_host.object->SetClientSite(nullptr);
    g_host.object = {};
    Log("host end");
    DestroyWindow(g_frame);
    OleUninitialize();
    LocalFree(argv);
    return g_exitCode;
}
