#include "app/main.h"

#include "app/messagefilter.h"
#include "app/timers.h"
#include "bridge/dispatcher.h"
#include "dialogs/plain.h"
#include "platform/application.h"
#include "platform/guard.h"
#include "platform/handles.h"
#include "platform/machinepolicy.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/textconv.h"
#include "player/browserplayer.h"
#include "player/playerfactory.h"

#include <shellapi.h>

#include <utility>

namespace {

constexpr int kClientWidth = 1024;
constexpr int kClientHeight = 652;

// Fixed for this product; the update server knows it by this identifier.
const char kProductId[] = "6F1C2A94-3B7E-4D85-9E0A-C4B8D2F5A713";
const char kProgramVersion[] = "1.0";
// DisableUpdateCheck = 1 (a DWORD) here turns the update check off: school labs with restore
// cards or central deployment update the program their own way.
const char kUpdatePolicyKey[] = "Software\\Policies\\tallowbrook\\CourseShell";

// The player's window, as seen by the message filter.
HWND g_playerWindow = nullptr;
UniqueHook g_filterHook;

// A thread hook sees every message taken from the queue, whichever loop takes it: the main loop,
// the program's modal windows and dialogs, and the system's own message boxes.
LRESULT CALLBACK FilterHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (ShouldDropMessage(msg->message, msg->hwnd, g_playerWindow)) msg->message = WM_NULL;
    }
    return ::CallNextHookEx(g_filterHook.get(), code, wParam, lParam);
}

RECT ClientRectOf(HWND hwnd) {
    RECT r = {};
    ::GetClientRect(hwnd, &r);
    return r;
}

}  // namespace

TForm1::TForm1() : shell_(Win32Shell([this] { return hwnd(); })) {}

TForm1::~TForm1() {
    g_filterHook.reset();
    g_playerWindow = nullptr;
    flash1.reset();
    flashversion.reset();
}

void TForm1::Create() {
    // The window and its components, as its description gives them.
    CreateWindowOf(0, AnsiToWString(ApplicationTitle()),
                   WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX, 0, 0, kClientWidth, kClientHeight,
                   nullptr);
    SetClientSize(kClientWidth, kClientHeight);
    // Centred in what the taskbar leaves free: on a small laptop screen with display scaling the
    // screen's middle puts the window's bottom (often the movie's navigation bar) under it.
    CenterInWorkArea();
    SetApplicationMainWindow(hwnd());

    Panel1 = CreateChildControl(hwnd(), L"STATIC", L"", WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                kClientWidth, kClientHeight);
    versionHolder_ = CreateChildControl(hwnd(), L"STATIC", L"", WS_CLIPCHILDREN, 0, 0, 192, 192);
    Memo1 = CreateChildControl(hwnd(), L"EDIT", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0,
                               0, 185, 89);

    PlayerEvents events;
    events.fsCommand = [this](const std::u16string& c, const std::u16string& a) {
        flash1FSCommand(c, a);
    };
    events.flashCall = [this](const std::u16string& r) { flash1FlashCall(r); };
    const wchar_t* line = ::GetCommandLineW();
    Players players = CreatePlayers(
        {Panel1, versionHolder_, ProgramDirectory(), std::u16string(line, line + ::wcslen(line)),
         ExternalCallDispatcher::RequestNames()},
        std::move(events));
    flash1 = std::move(players.courseware);
    flashversion = std::move(players.probe);
    browser_ = players.browser;

    ProgressDialog1.ShowType = stStayOnTop;
    ProgressDialog1.Caption = WStringToAnsi(L"进度");
    ProgressDialog1.SetLabelCaption(WStringToAnsi(L"进度"));
    ProgressDialog1.ShowPercent = true;
    ProgressDialog1.SetMinValue(0);
    ProgressDialog1.SetMaxValue(100);
    ProgressDialog1.SetValue(0);

    // The timers count from the moment the window is built; their first tick comes once the
    // message loop runs.
    ::SetTimer(hwnd(), kTimer1, kTimerInterval, nullptr);
    ::SetTimer(hwnd(), kTimer2, kTimerInterval, nullptr);
    ::SetTimer(hwnd(), kTimer3, kTimerInterval, nullptr);

    CreateBridge();
    CreateUpdate();

    created_ = true;
    Guarded([this] { FormCreate(); });
}

void TForm1::FormCreate() {
    ProductId = kProductId;
    ProgramVersion = kProgramVersion;
    UpdateCheckDisabled = MachinePolicyOn(kUpdatePolicyKey, "DisableUpdateCheck");

    // Registers the player's control file at every start. The whole command is the "file" of the
    // request, unquoted; whether the shell can run it is outside the program.
    std::string registration = "regsvr32 " + ProgramDirectory() + "Flash10h.ocx";
    Win32Shell(nullptr)->Open(registration, "");

    DragFlag = true;
    InstallMessageFilter();
    // Painting through the panel without flicker: the player is never drawn over by its parent.
    ::SetWindowLongW(Panel1, GWL_STYLE, ::GetWindowLongW(Panel1, GWL_STYLE) | WS_CLIPCHILDREN);

    if (flashversion) flashversion->SetMovie(AnsiToWide(ProgramDirectory() + "version.swf"));
    flash1->SetMovie(AnsiToWide(ProgramDirectory() + "main.swf"));
}

void TForm1::InstallMessageFilter() {
    g_playerWindow = flash1->ControlWindow();
    if (!g_filterHook)
        g_filterHook.reset(
            ::SetWindowsHookExW(WH_GETMESSAGE, FilterHook, nullptr, ::GetCurrentThreadId()));
}

void TForm1::Show() {
    // With the browser player the page is the program's face; the main window stays hidden and
    // owns the dialogs.
    if (browser_) {
        if (!browser_->ShowPage()) {
            // Only Edge and Chrome can run the page (the default browser may be Internet Explorer
            // 11): without either the learner is told what to install, and the program ends.
            ShowPlainMessage(
                WStringToAnsi(L"播放本课程需要 Microsoft Edge 或 Google Chrome "
                              L"浏览器，本机上没有找到。请先安装其中一个（例如 "
                              L"Microsoft Edge），再运行本程序。"));
            RequestQuit();
        }
        return;
    }
    ::ShowWindow(hwnd(), SW_SHOW);
}

void TForm1::LayoutPanel() {
    RECT client = ClientRectOf(hwnd());
    ::MoveWindow(Panel1, 0, 0, client.right, client.bottom, TRUE);
    flash1->SetBounds(ClientRectOf(Panel1));
    g_playerWindow = flash1->ControlWindow();
}

void TForm1::FormShow() {
    LayoutPanel();
}

void TForm1::FormResize() {
    bool wasPlaying = flash1->Playing();
    flash1->Play();
    ::SetFocus(Panel1);
    if (HWND player = flash1->ControlWindow()) ::SetFocus(player);
    flash1->SetPlaying(wasPlaying);
}

void TForm1::FormClose() {}

void TForm1::Close() {
    FormClose();
    RequestQuit();
}

LRESULT TForm1::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SHOWWINDOW:
            if (wParam && created_) FormShow();
            break;
        case WM_SIZE:
            if (created_) {
                // The panel is anchored to all four sides; the resize handler follows it.
                LayoutPanel();
                FormResize();
            }
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_TIMER:
            switch (wParam) {
                case kTimer1:
                    Timer1Timer();
                    return 0;
                case kTimer2:
                    Timer2Timer();
                    return 0;
                case kTimer3:
                    Timer3Timer();
                    return 0;
                case kProbeTimer:
                    ProbeTimerTimer();
                    return 0;
            }
            break;
    }
    return Window::OnMessage(msg, wParam, lParam);
}

std::u16string TForm1::CallFunction(const std::u16string& request) {
    return flash1->CallFunction(request);
}

std::string TForm1::CallMovieFunction(const std::string& function, const std::string& first,
                                      const std::string& second) {
    return ::CallMovieFunction(*this, function, first, second);
}

std::string TForm1::NotifyMovie(const std::string& name, const std::string& data) {
    return ::NotifyMovie(*this, name, data);
}
