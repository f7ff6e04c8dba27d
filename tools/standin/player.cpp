#include "player.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdio>

namespace standin {

HINSTANCE g_module = nullptr;
LONG g_objects = 0;

namespace {

constexpr wchar_t kViewClass[] = L"StandinPlayerView";
constexpr wchar_t kClockClass[] = L"StandinPlayerClock";
constexpr UINT kContinue = WM_APP + 1;
constexpr UINT_PTR kWaitTimer = 1;
constexpr UINT_PTR kCallTimer = 2;
constexpr UINT_PTR kLoadTimer = 3;
constexpr UINT_PTR kLoopTimerBase = 100;
constexpr DISPID kFirstNamedDispid = 0x1000;
constexpr int kFirstWidgetId = 1000;

// Layout of an interactive movie: a heading band, a grid of widgets, the text area below.
constexpr int kMargin = 16;
constexpr int kHeading = 76;
constexpr int kWidgetWidth = 184;
constexpr int kWidgetHeight = 34;
constexpr int kGap = 8;
constexpr size_t kMaxShownLine = 400;
constexpr size_t kMaxShownText = 60000;

int g_nextInstance = 1;

#ifdef STANDIN_KILLED
// A build of the 32 line after 32.0.0.371: it refuses all content since 12 January 2021.
constexpr bool kKilledBuild = true;
#else
constexpr bool kKilledBuild = false;
#endif

// The unregistered control file whose dispatch needs its type library in the registry, as a
// control built on the type library (ATL's IDispatchImpl) looks it up there.
bool TypeLibraryRequired() {
    return GetEnvironmentVariableW(L"STANDIN_REQUIRE_TYPELIB", nullptr, 0) > 0;
}

std::vector<std::wstring>& NamedSettings() {
    static std::vector<std::wstring> names;
    return names;
}

// Settings stored by name get one dispatch id per name for the life of the process; the
// player's own members keep their real ids so a container that looks them up still works.
DISPID NamedDispid(const std::wstring& name) {
    static const std::pair<const wchar_t*, DISPID> known[] = {
        {L"Movie", kDispMovie},
        {L"Playing", kDispPlaying},
        {L"Play", kDispPlay},
        {L"GetVariable", kDispGetVariable},
        {L"SetVariable", kDispSetVariable},
        {L"CallFunction", kDispCallFunction},
        {L"SetReturnValue", kDispSetReturnValue}};
    for (const auto& [text, id] : known)
        if (lstrcmpiW(text, name.c_str()) == 0) return id;
    auto& names = NamedSettings();
    for (size_t i = 0; i < names.size(); ++i)
        if (lstrcmpiW(names[i].c_str(), name.c_str()) == 0)
            return kFirstNamedDispid + static_cast<DISPID>(i);
    names.push_back(name);
    return kFirstNamedDispid + static_cast<DISPID>(names.size() - 1);
}

// Empty for an id that GetIDsOfNames never handed out.
std::wstring NameOfDispid(DISPID id) {
    auto& names = NamedSettings();
    size_t index = static_cast<size_t>(id - kFirstNamedDispid);
    return id >= kFirstNamedDispid && index < names.size() ? names[index] : std::wstring();
}

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

const char* MouseName(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            return "WM_LBUTTONDOWN";
        case WM_LBUTTONUP:
            return "WM_LBUTTONUP";
        case WM_LBUTTONDBLCLK:
            return "WM_LBUTTONDBLCLK";
        case WM_RBUTTONDOWN:
            return "WM_RBUTTONDOWN";
        case WM_RBUTTONUP:
            return "WM_RBUTTONUP";
        case WM_RBUTTONDBLCLK:
            return "WM_RBUTTONDBLCLK";
        case WM_MBUTTONDOWN:
            return "WM_MBUTTONDOWN";
        case WM_MBUTTONUP:
            return "WM_MBUTTONUP";
        case WM_MBUTTONDBLCLK:
            return "WM_MBUTTONDBLCLK";
        default:
            return nullptr;
    }
}

bool ReadWholeFile(const std::wstring& path, std::string& out) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    out.clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
    CloseHandle(file);
    return true;
}

// A font that has the Chinese glyphs: the Chinese character set makes the font mapper pick one
// even where the named face is missing.
HFONT CreateUiFont(int height, int weight) {
    return CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"Microsoft YaHei");
}

// Cuts a UTF-8 text to about `limit` bytes without splitting a character.
std::string Shorten(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut) + "\xE2\x80\xA6 (" + std::to_string(text.size()) + " bytes)";
}

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = Player::ViewProc;
    wc.hInstance = g_module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kViewClass;
    RegisterClassExW(&wc);
    wc.style = 0;
    wc.lpszClassName = kClockClass;
    RegisterClassExW(&wc);
    done = true;
}

}  // namespace

Player::Player() : instance_(g_nextInstance++), log_(instance_) {
    InterlockedIncrement(&g_objects);
    RegisterClasses();
    // The clock window carries the script's timers and posted steps; it exists before and
    // independently of in-place activation, so a hidden player still runs its movie.
    clock_ = CreateWindowExW(0, kClockClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_module,
                             nullptr);
    SetWindowLongPtrW(clock_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(clock_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Player::ClockProc));
    uiFont_ = CreateUiFont(15, FW_NORMAL);
    titleFont_ = CreateUiFont(22, FW_BOLD);
    Log("create instance " + std::to_string(instance_));
    // Which file the container took this instance from: the registered one or another copy.
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(g_module, module, MAX_PATH);
    Log("module " + ToUtf8(std::wstring(module)));
}

Player::~Player() {
    StopScript();
    DestroyWidgetWindows();
    if (view_) DestroyWindow(view_);
    if (clock_) DestroyWindow(clock_);
    if (uiFont_) DeleteObject(uiFont_);
    if (titleFont_) DeleteObject(titleFont_);
    Log("destroyed");
    InterlockedDecrement(&g_objects);
}

// ---------------------------------------------------------------- IUnknown

STDMETHODIMP Player::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleObject)
        *out = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow)
        *out = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IDispatch || iid == kIidShockwaveFlash)
        *out = static_cast<IDispatch*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *out = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IPersistStreamInit || iid == IID_IPersist)
        *out = static_cast<IPersistStreamInit*>(this);
    else if (iid == IID_IOleControl)
        *out = static_cast<IOleControl*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) Player::AddRef() {
    return InterlockedIncrement(&refs_);
}

STDMETHODIMP_(ULONG) Player::Release() {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
}

// ---------------------------------------------------------------- IOleObject

STDMETHODIMP Player::SetClientSite(IOleClientSite* site) {
    Log(site ? "clientsite set" : "clientsite null");
    site_ = ComPtr<IOleClientSite>::Share(site);
    if (!site) inPlaceSite_ = {};
    return S_OK;
}

STDMETHODIMP Player::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = site_.get();
    if (*site) (*site)->AddRef();
    return S_OK;
}

STDMETHODIMP Player::Close(DWORD) {
    Log("close");
    // A closed control must not call into a container that is shutting down.
    StopScript();
    InPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP Player::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                            LPCRECT pos) {
    Log("doverb " + std::to_string(verb));
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_OPEN:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:
            return Activate(site ? site : site_.get(), parent, pos);
        case OLEIVERB_HIDE:
            if (view_) ShowWindow(view_, SW_HIDE);
            return S_OK;
        default:
            return OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT Player::Activate(IOleClientSite* site, HWND parent, LPCRECT posIn) {
    if (view_) {
        ShowWindow(view_, SW_SHOWNA);
        return S_OK;
    }
    RECT pos = posIn ? *posIn : RECT{0, 0, 320, 240};
    ComPtr<IOleInPlaceSite> ips;
    if (site) site->QueryInterface(IID_IOleInPlaceSite, ips.put_void());
    if (ips) {
        HRESULT can = ips->CanInPlaceActivate();
        if (can != S_OK) {
            Log("activate refused " + Hex(can));
            return E_FAIL;
        }
        ips->OnInPlaceActivate();
        HWND siteWindow = nullptr;
        if (SUCCEEDED(ips->GetWindow(&siteWindow)) && siteWindow) parent = siteWindow;
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> doc;
        RECT sitePos{}, clip{};
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof info;
        if (SUCCEEDED(ips->GetWindowContext(frame.put(), doc.put(), &sitePos, &clip, &info)))
            pos = sitePos;
        else
            Log("getwindowcontext failed");
    } else {
        Log("no inplace site");
    }
    if (!parent) {
        Log("activate failed: no parent window");
        if (ips) ips->OnInPlaceDeactivate();
        return E_UNEXPECTED;
    }
    designMode_ = !AskUserMode(site);
    if (designMode_) {
        Log("designmode no script runs");
        StopScript();
    }
    inPlaceSite_ = ips;
    view_ = CreateWindowExW(
        0, kViewClass, L"Stand-in player", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, pos.left,
        pos.top, pos.right - pos.left, pos.bottom - pos.top, parent, nullptr, g_module, this);
    if (!view_) {
        Log("window-create failed " + std::to_string(GetLastError()));
        return E_FAIL;
    }
    Log("window-create " + std::to_string(pos.left) + " " + std::to_string(pos.top) + " " +
        std::to_string(pos.right - pos.left) + " " + std::to_string(pos.bottom - pos.top));
    CreateWidgetWindows();
    ShowWindow(view_, SW_SHOWNA);
    return S_OK;
}

bool Player::AskUserMode(IOleClientSite* site) {
    ComPtr<IDispatch> ambient;
    if (!site || FAILED(site->QueryInterface(IID_IDispatch, ambient.put_void())) || !ambient) {
        Log("usermode no-ambient-dispatch");
        return true;
    }
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Variant answer;
    HRESULT hr = ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                                 DISPATCH_PROPERTYGET, &none, answer.get(), nullptr, nullptr);
    // MFC's rule: a container that cannot answer is taken to be running the control.
    if (FAILED(hr)) {
        Log("usermode fail " + Hex(hr));
        return true;
    }
    const VARTYPE vt = answer.ref().vt;
    Variant flag;
    if (FAILED(VariantChangeType(flag.get(), answer.get(), 0, VT_BOOL))) {
        Log("usermode unreadable vt " + std::to_string(vt));
        return true;
    }
    // An empty answer converts to FALSE: design mode, as a real control reads it.
    const bool user = flag.ref().boolVal != VARIANT_FALSE;
    Log(std::string("usermode ") + (user ? "-1" : "0") + " vt " + std::to_string(vt));
    return user;
}

STDMETHODIMP Player::OnAmbientPropertyChange(DISPID id) {
    if ((id == DISPID_AMBIENT_USERMODE || id == DISPID_UNKNOWN) && view_) {
        designMode_ = !AskUserMode(site_.get());
        if (designMode_) StopScript();
    }
    return S_OK;
}

STDMETHODIMP Player::GetUserClassID(CLSID* clsid) {
    return GetClassID(clsid);
}

STDMETHODIMP Player::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT || !size) return E_INVALIDARG;
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP Player::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT || !size) return E_INVALIDARG;
    *size = extent_;
    return S_OK;
}

STDMETHODIMP Player::Advise(IAdviseSink*, DWORD* cookie) {
    if (cookie) *cookie = 1;
    return S_OK;
}

STDMETHODIMP Player::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
}

// ---------------------------------------------------------------- IOleInPlaceObject

STDMETHODIMP Player::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = view_;
    return view_ ? S_OK : E_FAIL;
}

STDMETHODIMP Player::InPlaceDeactivate() {
    if (!view_) return S_OK;
    Log("deactivate");
    DestroyWidgetWindows();
    HWND view = view_;
    view_ = nullptr;
    DestroyWindow(view);
    ComPtr<IOleInPlaceSite> ips = inPlaceSite_;
    inPlaceSite_ = {};
    if (ips) ips->OnInPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP Player::SetObjectRects(LPCRECT pos, LPCRECT) {
    if (!pos) return E_POINTER;
    Log("setobjectrects " + std::to_string(pos->left) + " " + std::to_string(pos->top) + " " +
        std::to_string(pos->right - pos->left) + " " + std::to_string(pos->bottom - pos->top));
    if (view_)
        SetWindowPos(view_, nullptr, pos->left, pos->top, pos->right - pos->left,
                     pos->bottom - pos->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

// ---------------------------------------------------------------- windows

LRESULT CALLBACK Player::ViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // Attached at WM_NCCREATE so that the first WM_SIZE, sent during creation, is logged too.
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<Player*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self) return self->OnViewMessage(hwnd, msg, wp, lp);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Player::ClockProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Player*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && (msg == WM_TIMER || msg == kContinue)) return self->OnClockMessage(msg, wp, lp);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT Player::OnViewMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (const char* name = MouseName(msg)) {
        Log(std::string("mouse ") + name + " " + std::to_string(GET_X_LPARAM(lp)) + " " +
            std::to_string(GET_Y_LPARAM(lp)));
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) SetFocus(hwnd);
        if (msg == WM_LBUTTONDOWN) {
            POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            for (size_t i = 0; i < widgets_.size(); ++i)
                if (widgets_[i].grip && PtInRect(&widgets_[i].place, at)) {
                    OnWidget(i);
                    break;
                }
        }
        return 0;
    }
    switch (msg) {
        case WM_SIZE: {
            RECT r{};
            GetWindowRect(hwnd, &r);
            MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
            Log("size " + std::to_string(LOWORD(lp)) + " " + std::to_string(HIWORD(lp)) + " at " +
                std::to_string(r.left) + " " + std::to_string(r.top));
            LayoutWidgets();
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        }
        case WM_MOVE:
            Log("move " + std::to_string(static_cast<short>(LOWORD(lp))) + " " +
                std::to_string(static_cast<short>(HIWORD(lp))));
            return 0;
        case WM_SETFOCUS:
            Log("focus");
            return 0;
        case WM_KILLFOCUS:
            Log("unfocus");
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            Log(std::string(msg == WM_KEYDOWN ? "key WM_KEYDOWN " : "key WM_KEYUP ") +
                std::to_string(wp));
            return 0;
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) >= kFirstWidgetId) {
                size_t index = LOWORD(wp) - kFirstWidgetId;
                if (index < widgets_.size()) OnWidget(index);
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
            // The read-only text area reads as a page, not as a disabled field.
            if (reinterpret_cast<HWND>(lp) == textArea_) {
                SetBkColor(reinterpret_cast<HDC>(wp), RGB(0xFF, 0xFF, 0xFF));
                SetTextColor(reinterpret_cast<HDC>(wp), RGB(0x10, 0x10, 0x10));
                return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
            }
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            Log("window-destroy");
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Player::Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    if (kKilledBuild) {
        PaintBlocked(dc, r);
        EndPaint(hwnd, &ps);
        return;
    }
    HBRUSH background = CreateSolidBrush(RGB(0xE8, 0xEE, 0xF4));
    FillRect(dc, &r, background);
    DeleteObject(background);
    std::wstring name =
        moviePath_.empty() ? L"(no movie)" : moviePath_.substr(moviePath_.find_last_of(L"\\/") + 1);
    if (designMode_)
        name += L" (design mode: not playing)";
    else if (loading_)
        name += L" (loading)";
    else if (!moviePath_.empty() && !loaded_)
        name += L" (missing)";
    std::wstring text = L"Stand-in player (test tool) \x2014 not a Flash Player\n" + name;
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0x20, 0x20, 0x40));
    if (interactive_) {
        // The notice stays in the heading band, so no screenshot can pass for a Flash movie.
        RECT band{r.left, r.top, r.right, r.top + kHeading};
        HBRUSH bandBrush = CreateSolidBrush(RGB(0x2B, 0x3A, 0x55));
        FillRect(dc, &band, bandBrush);
        DeleteObject(bandBrush);
        SetTextColor(dc, RGB(0xFF, 0xD8, 0x66));
        SelectObject(dc, uiFont_);
        std::wstring notice =
            L"Stand-in player (test tool) \x2014 not a Flash Player \x00B7 " + name;
        RECT line1{band.left + kMargin, band.top + 8, band.right - kMargin, band.top + 30};
        DrawTextW(dc, notice.c_str(), -1, &line1, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS);
        SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
        SelectObject(dc, titleFont_);
        RECT line2{band.left + kMargin, band.top + 34, band.right - kMargin, band.bottom - 6};
        DrawTextW(dc, title_.c_str(), -1, &line2, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS);
        SelectObject(dc, uiFont_);
        for (const auto& widget : widgets_)
            if (widget.grip) PaintGrip(dc, widget);
        SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return;
    }
    RECT measure = r;
    DrawTextW(dc, text.c_str(), -1, &measure, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    int height = measure.bottom - measure.top;
    RECT place = r;
    place.top = r.top + (r.bottom - r.top - height) / 2;
    DrawTextW(dc, text.c_str(), -1, &place, DT_CENTER | DT_WORDBREAK);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
}

// What a killed Flash build shows instead of any movie: a dark panel with a "blocked" sign.
void Player::PaintBlocked(HDC dc, const RECT& r) {
    HBRUSH background = CreateSolidBrush(RGB(0x3A, 0x3A, 0x3A));
    FillRect(dc, &r, background);
    DeleteObject(background);
    const int cx = (r.left + r.right) / 2;
    const int cy = (r.top + r.bottom) / 2 - 30;
    const int radius = std::max(8, std::min<int>(40, (r.bottom - r.top) / 6));
    HPEN pen = CreatePen(PS_SOLID, std::max(3, radius / 5), RGB(0xE0, 0x40, 0x30));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, cx - radius, cy - radius, cx + radius, cy + radius);
    const int d = radius * 7 / 10;
    MoveToEx(dc, cx - d, cy - d, nullptr);
    LineTo(dc, cx + d, cy + d);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    std::wstring text =
        L"Flash content blocked\nStand-in player (test tool) \x2014 a killed Flash build, "
        L"32.0.0.465";
    HGDIOBJ oldFont = SelectObject(dc, uiFont_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0xF0, 0xF0, 0xF0));
    RECT place{r.left + 8, cy + radius + 12, r.right - 8, r.bottom};
    DrawTextW(dc, text.c_str(), -1, &place, DT_CENTER | DT_WORDBREAK);
    SelectObject(dc, oldFont);
}

LRESULT Player::OnClockMessage(UINT msg, WPARAM wp, LPARAM) {
    // Keep the player alive while a step calls into the container, which may release us.
    ComPtr<Player> hold = ComPtr<Player>::Share(this);
    if (msg == kContinue) {
        if (wp == generation_ && state_ == MainState::Ready) RunMain(false);
        return 0;
    }
    KillTimer(clock_, wp);
    if (wp == kWaitTimer) {
        if (state_ == MainState::Waiting) {
            state_ = MainState::Ready;
            RunMain(false);
        }
    } else if (wp == kLoadTimer) {
        if (loading_) FinishLoad();
    } else if (wp == kCallTimer) {
        if (state_ == MainState::WaitingCall) {
            Log("waitcall-timeout " + waitFunction_);
            ShowText("\xE2\x80\xA6 no call of " + waitFunction_ + " came");
            state_ = MainState::Ready;
            RunMain(false);
        }
    } else if (wp >= kLoopTimerBase) {
        LoopTick(static_cast<int>(wp - kLoopTimerBase));
    }
    return 0;
}

// ---------------------------------------------------------------- IDispatch

STDMETHODIMP Player::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT Player::RequireTypeLibrary() {
    if (!TypeLibraryRequired() || typeLibrary_) return S_OK;
    HRESULT hr = LoadRegTypeLib(kLibidShockwaveFlash, 1, 0, LOCALE_NEUTRAL, typeLibrary_.put());
    if (FAILED(hr)) {
        Log("typelib-unregistered " + Hex(hr));
        return hr;
    }
    Log("typelib-registered");
    return S_OK;
}

STDMETHODIMP Player::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    if (HRESULT hr = RequireTypeLibrary(); FAILED(hr)) return hr;
    for (UINT i = 0; i < count; ++i) ids[i] = NamedDispid(names[i] ? names[i] : L"");
    return S_OK;
}

HRESULT Player::Fail(EXCEPINFO* error, const std::string& text) {
    if (error) {
        *error = EXCEPINFO{};
        error->scode = E_FAIL;
        error->bstrSource = SysAllocString(L"ShockwaveFlash.ShockwaveFlash");
        error->bstrDescription = Bstr(FromUtf8(text)).release();
    }
    return DISP_E_EXCEPTION;
}

STDMETHODIMP Player::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                            VARIANT* result, EXCEPINFO* error, UINT* argError) {
    ComPtr<Player> hold = ComPtr<Player>::Share(this);
    if (HRESULT hr = RequireTypeLibrary(); FAILED(hr)) return hr;
    UINT argc = params ? params->cArgs : 0;
    // Arguments arrive last first; position i counts from the first argument.
    auto arg = [&](UINT i, std::wstring& out) -> HRESULT {
        if (i >= argc) return DISP_E_BADPARAMCOUNT;
        if (!VariantText(params->rgvarg[argc - 1 - i], out)) {
            if (argError) *argError = argc - 1 - i;
            return DISP_E_TYPEMISMATCH;
        }
        return S_OK;
    };
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    auto setText = [&](const std::wstring& text) {
        if (result) {
            VariantInit(result);
            result->vt = VT_BSTR;
            result->bstrVal = Bstr(text).release();
        }
    };
    std::wstring a;
    HRESULT hr = S_OK;
    switch (id) {
        case kDispMovie:
            if (put) {
                if (FAILED(hr = arg(0, a))) return hr;
                return PutMovie(a);
            }
            Log("movie-get " + ToUtf8(moviePath_));
            setText(moviePath_);
            return S_OK;
        case kDispPlaying:
            if (put) {
                Variant v;
                if (argc < 1) return DISP_E_BADPARAMCOUNT;
                if (FAILED(VariantChangeType(v.get(), &params->rgvarg[0], 0, VT_BOOL)))
                    return DISP_E_TYPEMISMATCH;
                playing_ = v.ref().boolVal != VARIANT_FALSE;
                Log(std::string("playing-put ") +
                    std::to_string(static_cast<int>(v.ref().boolVal)));
                return S_OK;
            }
            Log(std::string("playing-get ") + (playing_ ? "-1" : "0"));
            if (result) {
                VariantInit(result);
                result->vt = VT_BOOL;
                result->boolVal = playing_ ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        case kDispReadyState:
            // 0 while a movie with a load time loads, else complete.
            Log("readystate-get " + std::to_string(loading_ ? 0 : 4));
            if (result) {
                VariantInit(result);
                result->vt = VT_I4;
                result->lVal = loading_ ? 0 : 4;
            }
            return S_OK;
        case kDispPlay:
            Log("play");
            playing_ = true;
            return S_OK;
        case kDispGetVariable:
            if (FAILED(hr = arg(0, a))) return hr;
            return GetVariable(a, result, error);
        case kDispSetVariable: {
            std::wstring value;
            if (FAILED(hr = arg(0, a)) || FAILED(hr = arg(1, value))) return hr;
            Log("setvariable " + ToUtf8(a) + " " + ToUtf8(value));
            vars_[ToUtf8(a)] = ToUtf8(value);
            return S_OK;
        }
        case kDispCallFunction:
            if (FAILED(hr = arg(0, a))) return hr;
            return CallFunction(a, result, error);
        case kDispSetReturnValue:
            if (FAILED(hr = arg(0, a))) return hr;
            return SetReturnValue(a);
        default:
            break;
    }
    std::wstring setting = NameOfDispid(id);
    if (!setting.empty()) {
        if (put) {
            if (FAILED(hr = arg(0, a))) return hr;
            Log("prop " + ToUtf8(setting) + " " + ToUtf8(a));
            settings_[id] = a;
            return S_OK;
        }
        auto stored = settings_.find(id);
        if (stored != settings_.end())
            setText(stored->second);
        else if (result)
            VariantInit(result);
        return S_OK;
    }
    Log("invoke-unknown " + Hex(id));
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT Player::GetVariable(const std::wstring& name, VARIANT* result, EXCEPINFO* error) {
    std::string key = ToUtf8(name);
    auto it = loaded_ ? vars_.find(key) : vars_.end();
    if (it == vars_.end()) {
        Log("getvariable-fail " + key);
        return Fail(error, "Variable not found: " + key);
    }
    Log("getvariable " + key + " = " + it->second);
    if (result) {
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = Bstr(FromUtf8(it->second)).release();
    }
    return S_OK;
}

HRESULT Player::CallFunction(const std::wstring& requestText, VARIANT* result, EXCEPINFO* error) {
    std::string request = ToUtf8(requestText);
    std::string name = InvokeName(request);
    auto it = loaded_ ? functions_.find(name) : functions_.end();
    bool ok = it != functions_.end();
    Log(std::string(ok ? "callfunction ok " : "callfunction fail ") + request);
    ShowText("\xE2\x87\x90 program calls " + DescribeInvoke(request) +
             (ok ? "" : "  (not registered by the movie)"));
    if (loaded_) {
        if (state_ == MainState::WaitingCall && waitFunction_ == name) {
            KillTimer(clock_, kCallTimer);
            Log("waitcall-ok " + name);
            state_ = MainState::Ready;
            PostContinue();
        } else {
            ++arrivals_[name];
        }
    }
    if (!ok) return Fail(error, "Error calling method on NPObject.");
    if (result) {
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = Bstr(FromUtf8(it->second)).release();
    }
    return S_OK;
}

HRESULT Player::SetReturnValue(const std::wstring& value) {
    if (calls_.empty()) {
        Log("setreturnvalue-outside " + ToUtf8(value));
        return S_OK;
    }
    Log("setreturnvalue " + ToUtf8(value));
    calls_.back().replied = true;
    calls_.back().reply = value;
    return S_OK;
}

// ---------------------------------------------------------------- IConnectionPointContainer

STDMETHODIMP Player::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != kDiidShockwaveFlashEvents) return CONNECT_E_NOCONNECTION;
    *point = &events_;
    events_.AddRef();
    return S_OK;
}

STDMETHODIMP Player::EventPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP Player::EventPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = kDiidShockwaveFlashEvents;
    return S_OK;
}

STDMETHODIMP Player::EventPoint::GetConnectionPointContainer(
    IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = static_cast<IConnectionPointContainer*>(&owner_);
    owner_.AddRef();
    return S_OK;
}

STDMETHODIMP Player::EventPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    // A control whose events cannot be connected, for the container's start-up test.
    if (GetEnvironmentVariableW(L"STANDIN_REFUSE_ADVISE", nullptr, 0) > 0) {
        owner_.Log("advise refused");
        return CONNECT_E_ADVISELIMIT;
    }
    ComPtr<IDispatch> dispatch;
    // Sinks often answer only the event interface's own id, which is an IDispatch.
    if (FAILED(sink->QueryInterface(kDiidShockwaveFlashEvents, dispatch.put_void())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, dispatch.put_void())))
        return CONNECT_E_CANNOTCONNECT;
    *cookie = owner_.nextCookie_++;
    owner_.sinks_.emplace_back(*cookie, dispatch);
    owner_.Log("advise " + std::to_string(*cookie));
    return S_OK;
}

STDMETHODIMP Player::EventPoint::Unadvise(DWORD cookie) {
    auto& sinks = owner_.sinks_;
    auto it =
        std::find_if(sinks.begin(), sinks.end(), [&](const auto& s) { return s.first == cookie; });
    if (it == sinks.end()) return CONNECT_E_NOCONNECTION;
    ComPtr<IDispatch> gone = it->second;
    sinks.erase(it);
    owner_.Log("unadvise " + std::to_string(cookie));
    return S_OK;
}

// ---------------------------------------------------------------- IPersistStreamInit

STDMETHODIMP Player::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = kClsidShockwaveFlash;
    return S_OK;
}

STDMETHODIMP Player::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

STDMETHODIMP Player::InitNew() {
    Log("initnew");
    return S_OK;
}

// ---------------------------------------------------------------- movie and script

HRESULT Player::PutMovie(const std::wstring& path) {
    if (!moviePath_.empty())
        Log("unload " + ToUtf8(moviePath_));
    else if (path.empty())
        Log("unload");
    StopScript();
    log_.Detach();
    moviePath_ = path;
    loaded_ = false;
    loading_ = false;
    playing_ = false;
    frames_.clear();
    script_ = Script();
    vars_.clear();
    functions_.clear();
    arrivals_.clear();
    DestroyWidgetWindows();
    interactive_ = false;
    title_.clear();
    widgets_.clear();
    blocks_.clear();
    clicks_.clear();
    text_.clear();
    if (view_) InvalidateRect(view_, nullptr, TRUE);
    if (path.empty()) return S_OK;
    log_.Attach(path);
    if (kKilledBuild) {
        Log("blocked " + ToUtf8(path));
        return S_OK;
    }
    if (designMode_) {
        Log("designmode-refused " + ToUtf8(path));
        return S_OK;
    }
    std::string text;
    if (!ReadWholeFile(path, text)) {
        Log("load-missing " + ToUtf8(path));
        return S_OK;
    }
    Log("load " + ToUtf8(path));
    script_ = ParseScript(text);
    long long loadTime = 0;
    for (const auto& step : script_.steps)
        if (step.kind == StepKind::LoadTime) loadTime = step.a;
    if (loadTime > 0) {
        // Nothing of the movie holds yet: no variables, no functions, no script.
        Log("loading " + std::to_string(loadTime));
        loading_ = true;
        SetTimer(clock_, kLoadTimer, static_cast<UINT>(loadTime), nullptr);
        if (view_) InvalidateRect(view_, nullptr, TRUE);
        return S_OK;
    }
    FinishLoad();
    return S_OK;
}

void Player::FinishLoad() {
    if (loading_) {
        KillTimer(clock_, kLoadTimer);
        loading_ = false;
        Log("loaded");
    }
    loaded_ = true;
    playing_ = true;
    for (const auto& e : script_.errors)
        Log("script-error " + std::to_string(e.line) + " " + e.message);
    // Blocks hold from the load on, wherever they stand in the script.
    for (const auto& step : script_.steps) {
        if (IsInteractive(step.kind)) interactive_ = true;
        if (step.kind == StepKind::On) blocks_[step.name] = &step.inner;
    }
    CreateWidgetWindows();
    frames_.push_back({&script_.steps, 0, std::string()});
    state_ = MainState::Ready;
    // The movie's own settings (variables, callable functions) hold as soon as it is loaded;
    // everything that talks to the container waits for the message loop.
    RunMain(true);
    if (state_ == MainState::Ready) PostContinue();
}

void Player::StopScript() {
    ++generation_;
    state_ = MainState::Ended;
    if (clock_) {
        KillTimer(clock_, kWaitTimer);
        KillTimer(clock_, kCallTimer);
        KillTimer(clock_, kLoadTimer);
        for (const auto& loop : loops_) KillTimer(clock_, kLoopTimerBase + loop.id);
    }
    loops_.clear();
}

void Player::PostContinue() {
    PostMessageW(clock_, kContinue, generation_, 0);
}

void Player::RunMain(bool quietOnly) {
    if (state_ != MainState::Ready) return;
    const unsigned generation = generation_;
    state_ = MainState::Busy;
    while (!frames_.empty()) {
        Frame& frame = frames_.back();
        if (frame.pc >= frame.steps->size()) {
            std::string block = frame.block;
            frames_.pop_back();
            Log(block.empty() ? std::string("script-end") : "on-end " + block);
            continue;
        }
        if (quietOnly && !IsQuiet((*frame.steps)[frame.pc].kind)) {
            state_ = MainState::Ready;
            return;
        }
        // A copy: the container may load another movie while the step runs.
        const Step step = (*frame.steps)[frame.pc++];
        if (IsQuiet(step.kind)) {
            RunQuiet(step);
            continue;
        }
        switch (step.kind) {
            case StepKind::Wait:
                state_ = MainState::Waiting;
                SetTimer(clock_, kWaitTimer,
                         static_cast<UINT>(std::max<long long>(step.a, USER_TIMER_MINIMUM)),
                         nullptr);
                return;
            case StepKind::WaitCall:
                if (arrivals_[step.name] > 0) {
                    --arrivals_[step.name];
                    Log("waitcall-ok " + step.name);
                    continue;
                }
                waitFunction_ = step.name;
                state_ = MainState::WaitingCall;
                SetTimer(clock_, kCallTimer,
                         static_cast<UINT>(std::max<long long>(step.a, USER_TIMER_MINIMUM)),
                         nullptr);
                return;
            case StepKind::Every:
                StartLoop(step);
                continue;
            case StepKind::Join:
                if (!loops_.empty()) {
                    state_ = MainState::Joining;
                    return;
                }
                continue;
            case StepKind::Stop:
                for (auto& f : frames_) f.pc = f.steps->size();
                continue;
            case StepKind::Press: {
                auto block = blocks_.find(step.name);
                if (block == blocks_.end()) {
                    Log("press-unknown " + step.name);
                    continue;
                }
                Log("press " + step.name);
                frames_.push_back({block->second, 0, step.name});
                continue;
            }
            default:
                RunEvent(step);
                if (generation != generation_) return;
                // One event per turn of the message loop, as a player does one per frame.
                state_ = MainState::Ready;
                PostContinue();
                return;
        }
    }
    state_ = MainState::Ended;
    StartPendingClick();
}

void Player::RunQuiet(const Step& step) {
    switch (step.kind) {
        case StepKind::Var:
            vars_[step.name] = step.text;
            break;
        case StepKind::Unset:
            vars_.erase(step.name);
            break;
        case StepKind::Playing:
            playing_ = step.a != 0;
            Log(std::string("playing-self ") + (playing_ ? "-1" : "0"));
            break;
        case StepKind::Register:
            functions_[step.name] = step.text;
            break;
        case StepKind::Unregister:
            functions_.erase(step.name);
            break;
        case StepKind::Log:
            Log("log " + step.text);
            break;
        case StepKind::Title:
            title_ = FromUtf8(step.text);
            Log("title " + step.text);
            if (view_) InvalidateRect(view_, nullptr, TRUE);
            break;
        case StepKind::Button:
        case StepKind::Grip:
            widgets_.push_back({step.name, FromUtf8(step.text), step.kind == StepKind::Grip});
            Log(std::string(step.kind == StepKind::Grip ? "grip " : "button ") + step.name + " " +
                step.text);
            CreateWidgetWindows();
            break;
        case StepKind::Text:
            Log("text " + step.text);
            ShowText(step.text);
            break;
        case StepKind::Clear:
            Log("clear");
            text_.clear();
            if (textArea_) SetWindowTextW(textArea_, L"");
            break;
        default:
            break;
    }
}

void Player::RunEvent(const Step& step) {
    switch (step.kind) {
        case StepKind::FsCommand:
            FireFsCommand(step.name, step.text);
            break;
        case StepKind::Call:
            FireFlashCall(BuildInvoke(step.name, step.args));
            break;
        case StepKind::RawCall:
            FireFlashCall(step.text);
            break;
        case StepKind::BigCall: {
            std::string big;
            big.reserve(static_cast<size_t>(step.a) * step.text.size());
            for (long long i = 0; i < step.a; ++i) big += step.text;
            FireFlashCall(BuildInvoke(step.name, {big}));
            break;
        }
        case StepKind::Click: {
            LPARAM where = MAKELPARAM(step.a, step.b);
            if (step.name == "left")
                PostInput(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, where, "click left");
            else if (step.name == "right")
                PostInput(WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, where, "click right");
            else
                PostInput(WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON, where, "click middle");
            break;
        }
        case StepKind::Key:
            PostInput(WM_KEYDOWN, WM_KEYUP, static_cast<WPARAM>(step.a), 1, "key");
            break;
        case StepKind::Log:
            RunQuiet(step);
            break;
        default:
            break;
    }
}

void Player::PostInput(UINT down, UINT up, WPARAM keys, LPARAM where, const std::string& what) {
    std::string detail = down == WM_KEYDOWN
                             ? std::to_string(keys)
                             : std::to_string(LOWORD(where)) + " " + std::to_string(HIWORD(where));
    if (!view_) {
        Log(what + "-nowindow " + detail);
        return;
    }
    Log(what + " " + detail);
    // Posted, not sent: the container's message loop and filter see them as real input.
    PostMessageW(view_, down, keys, where);
    PostMessageW(view_, up, down == WM_KEYDOWN ? keys : 0,
                 down == WM_KEYDOWN ? (where | 0xC0000000) : where);
}

void Player::StartLoop(const Step& step) {
    Loop loop{nextLoop_++, step.inner.front(), step.a, step.b, 0, ElapsedMs()};
    Log("every-start " + std::to_string(loop.id) + " " + std::to_string(loop.interval) + " " +
        std::to_string(loop.remaining));
    if (loop.remaining == 0) {
        Log("every-end " + std::to_string(loop.id));
        return;
    }
    loops_.push_back(loop);
    ScheduleLoop(loop);
}

void Player::ScheduleLoop(const Loop& loop) {
    // Ticks aim at start + n * interval, so a late tick does not shift the ones after it.
    long long due = loop.start + (loop.ticks + 1) * loop.interval;
    long long delay = std::max<long long>(due - ElapsedMs(), USER_TIMER_MINIMUM);
    SetTimer(clock_, kLoopTimerBase + loop.id, static_cast<UINT>(delay), nullptr);
}

void Player::LoopTick(int id) {
    auto find = [&] {
        return std::find_if(loops_.begin(), loops_.end(),
                            [&](const Loop& l) { return l.id == id; });
    };
    auto it = find();
    if (it == loops_.end()) return;
    const unsigned generation = generation_;
    const Step step = it->step;
    RunEvent(step);
    if (generation != generation_) return;
    it = find();
    if (it == loops_.end()) return;
    ++it->ticks;
    if (--it->remaining > 0) {
        ScheduleLoop(*it);
        return;
    }
    Log("every-end " + std::to_string(id));
    loops_.erase(it);
    if (loops_.empty() && state_ == MainState::Joining) {
        state_ = MainState::Ready;
        PostContinue();
    }
}

void Player::FireFsCommand(const std::string& command, const std::string& args) {
    Log("fscommand " + command + " " + args);
    ShowText("\xE2\x86\x92 fscommand " + command + (args.empty() ? "" : " \"" + args + "\""));
    if (FireEvent(kDispFsCommand, {FromUtf8(command), FromUtf8(args)}))
        Log("fscommand-done " + command);
}

void Player::FireFlashCall(const std::string& request) {
    Log("flashcall " + request);
    ShowText("\xE2\x86\x92 " + DescribeInvoke(request));
    calls_.emplace_back();
    const size_t depth = calls_.size();
    const long long started = ElapsedUs();
    FireEvent(kDispFlashCall, {FromUtf8(request)});
    const long long took = ElapsedUs() - started;
    // Nested calls finish first, so our frame is at the same depth again here.
    CallFrame frame = calls_.size() >= depth ? calls_[depth - 1] : CallFrame{};
    calls_.resize(depth - 1);
    Log(frame.replied ? "reply " + ToUtf8(frame.reply) : std::string("noreply"));
    if (TimeCalls()) Log("calltime " + std::to_string(took));
    ShowText(frame.replied ? "\xE2\x86\x90 " + ToUtf8(frame.reply)
                           : std::string("\xE2\x86\x90 (no reply)"));
}

bool Player::FireEvent(DISPID id, const std::vector<std::wstring>& argsInOrder) {
    if (sinks_.empty()) {
        Log("nosink");
        return false;
    }
    // Copy: a handler may unadvise while we walk the list.
    auto sinks = sinks_;
    std::vector<VARIANT> args(argsInOrder.size());
    for (size_t i = 0; i < argsInOrder.size(); ++i) {
        VARIANT& v = args[argsInOrder.size() - 1 - i];
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = Bstr(argsInOrder[i]).release();
    }
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    bool ok = true;
    for (auto& [cookie, sink] : sinks) {
        Variant result;
        EXCEPINFO error{};
        UINT argError = 0;
        HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  result.get(), &error, &argError);
        if (FAILED(hr)) {
            ok = false;
            Log("event-error " + Hex(hr) +
                (error.bstrDescription ? " " + ToUtf8(error.bstrDescription) : ""));
            ShowText("! the program's event handler failed: " + Hex(hr));
        }
        SysFreeString(error.bstrSource);
        SysFreeString(error.bstrDescription);
        SysFreeString(error.bstrHelpFile);
    }
    for (auto& v : args) VariantClear(&v);
    return ok;
}

// ---------------------------------------------------------------- interactive movies

void Player::CreateWidgetWindows() {
    if (!view_ || !interactive_) return;
    if (!textArea_) {
        textArea_ = CreateWindowExW(
            WS_EX_CLIENTEDGE, L"EDIT", text_.c_str(),
            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0,
            0, 0, view_, nullptr, g_module, nullptr);
        SendMessageW(textArea_, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), FALSE);
        SendMessageW(textArea_, EM_SETLIMITTEXT, 0, 0);
    }
    for (size_t i = 0; i < widgets_.size(); ++i) {
        Widget& widget = widgets_[i];
        if (widget.grip || widget.window) continue;
        widget.window = CreateWindowExW(
            0, L"BUTTON", widget.label.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0,
            view_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstWidgetId + i)), g_module,
            nullptr);
        SendMessageW(widget.window, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_), FALSE);
    }
    LayoutWidgets();
    InvalidateRect(view_, nullptr, TRUE);
}

void Player::DestroyWidgetWindows() {
    for (auto& widget : widgets_) {
        if (widget.window) DestroyWindow(widget.window);
        widget.window = nullptr;
        widget.place = RECT{};
    }
    if (textArea_) DestroyWindow(textArea_);
    textArea_ = nullptr;
}

void Player::LayoutWidgets() {
    if (!view_ || !interactive_) return;
    RECT client;
    GetClientRect(view_, &client);
    const int width = client.right - client.left;
    const int columns = std::max(1, (width - 2 * kMargin + kGap) / (kWidgetWidth + kGap));
    int bottom = kHeading + kMargin / 2;
    for (size_t i = 0; i < widgets_.size(); ++i) {
        Widget& widget = widgets_[i];
        const int column = static_cast<int>(i) % columns;
        const int row = static_cast<int>(i) / columns;
        RECT place{kMargin + column * (kWidgetWidth + kGap),
                   kHeading + kMargin / 2 + row * (kWidgetHeight + kGap), 0, 0};
        place.right = place.left + kWidgetWidth;
        place.bottom = place.top + kWidgetHeight;
        bottom = place.bottom;
        if (!EqualRect(&place, &widget.place)) {
            widget.place = place;
            // Where each widget is, so that a driver outside can press it like a person.
            Log("layout " + widget.id + " " + std::to_string(place.left) + " " +
                std::to_string(place.top) + " " + std::to_string(kWidgetWidth) + " " +
                std::to_string(kWidgetHeight));
        }
        // No copied bits: a moved button is drawn afresh, never shown with another's picture.
        if (widget.window)
            SetWindowPos(widget.window, nullptr, place.left, place.top, kWidgetWidth, kWidgetHeight,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    }
    if (textArea_) {
        const int top = bottom + kGap + (widgets_.empty() ? 0 : kGap);
        SetWindowPos(textArea_, nullptr, kMargin, top, std::max(0, width - 2 * kMargin),
                     std::max(0, static_cast<int>(client.bottom) - kMargin - top),
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
        // A new size scrolls the text back to its top; the latest answers belong in view.
        ScrollTextToEnd();
    }
    RedrawWindow(view_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Player::PaintGrip(HDC dc, const Widget& widget) {
    RECT r = widget.place;
    HBRUSH fill = CreateSolidBrush(RGB(0xC9, 0xD6, 0xEA));
    FillRect(dc, &r, fill);
    DeleteObject(fill);
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    SetTextColor(dc, RGB(0x20, 0x30, 0x50));
    std::wstring label = L"\x2194 " + widget.label;
    DrawTextW(dc, label.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void Player::OnWidget(size_t index) {
    const Widget widget = widgets_[index];
    Log("clicked " + widget.id);
    ShowText("\xE2\x96\xB6 " + ToUtf8(widget.label));
    if (blocks_.find(widget.id) == blocks_.end()) {
        Log("click-noblock " + widget.id);
        return;
    }
    // A click waits for whatever the movie is running; blocks run one after another.
    clicks_.push_back(widget.id);
    StartPendingClick();
}

void Player::StartPendingClick() {
    if (!loaded_ || state_ != MainState::Ended || !frames_.empty() || clicks_.empty()) return;
    std::string id = clicks_.front();
    clicks_.pop_front();
    Log("on-start " + id);
    frames_.push_back({blocks_[id], 0, id});
    state_ = MainState::Ready;
    PostContinue();
}

void Player::ShowText(const std::string& utf8) {
    if (!interactive_) return;
    const std::string shown = Shorten(utf8, kMaxShownLine);
    Log("shown " + shown);
    std::wstring line = FromUtf8(shown);
    std::wstring add;
    for (wchar_t c : line) {
        if (c == L'\n') add += L'\r';
        if (c != L'\r') add += c;
    }
    add += L"\r\n";
    text_ += add;
    bool trimmed = false;
    if (text_.size() > kMaxShownText) {
        size_t cut = text_.find(L'\n', text_.size() - kMaxShownText);
        text_.erase(0, cut == std::wstring::npos ? text_.size() - kMaxShownText : cut + 1);
        trimmed = true;
    }
    if (!textArea_) return;
    if (trimmed) {
        SetWindowTextW(textArea_, text_.c_str());
    } else {
        int length = GetWindowTextLengthW(textArea_);
        SendMessageW(textArea_, EM_SETSEL, length, length);
        SendMessageW(textArea_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add.c_str()));
    }
    ScrollTextToEnd();
}

void Player::ScrollTextToEnd() {
    if (!textArea_) return;
    int length = GetWindowTextLengthW(textArea_);
    SendMessageW(textArea_, EM_SETSEL, length, length);
    SendMessageW(textArea_, EM_SCROLLCARET, 0, 0);
    // The caret alone does not scroll an edit control that has no focus.
    SendMessageW(textArea_, WM_VSCROLL, SB_BOTTOM, 0);
}

}  // namespace standin
