// The window base under the real platform: modal showing, and failures of handlers reaching the
// reporter instead of the system.
#include "platform/application.h"
#include "platform/guard.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

class ProbeWindow : public Window {
public:
    void Create() {
        CreateWindowOf(0, L"probe", WS_POPUP | WS_CAPTION, 10, 10, 200, 100, nullptr);
    }
    int closeAfterTicks = -1;
    bool failOnTimer = false;
    int ticks = 0;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER) {
            ++ticks;
            if (failOnTimer) throw std::runtime_error("handler failed");
            if (ticks == closeAfterTicks) ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            return 0;
        }
        return Window::OnMessage(msg, wParam, lParam);
    }
};

TEST(WindowTest, ModalLoopEndsOnCloseWithCancelAndRefusesSecondShowing) {
    ProbeWindow w;
    w.Create();
    w.closeAfterTicks = 2;
    ::SetTimer(w.hwnd(), 1, 10, nullptr);
    EXPECT_EQ(IDCANCEL, w.ShowModal());
    EXPECT_FALSE(w.IsVisible());
    ::KillTimer(w.hwnd(), 1);

    ::ShowWindow(w.hwnd(), SW_SHOWNOACTIVATE);
    try {
        w.ShowModal();
        FAIL() << "a visible window was shown modally";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("Cannot make a visible window modal", e.what());
    }
    ::ShowWindow(w.hwnd(), SW_HIDE);
}

TEST(WindowTest, FailingHandlerIsReportedAndTheLoopGoesOn) {
    std::string reported;
    SetFailureReporter([&](const std::string& text) { reported = text; });
    ProbeWindow w;
    w.Create();
    w.failOnTimer = true;
    ::SetTimer(w.hwnd(), 1, 10, nullptr);
    DWORD start = ::GetTickCount();
    while (w.ticks < 2 && ::GetTickCount() - start < 3000) PumpMessage(true);
    ::KillTimer(w.hwnd(), 1);
    EXPECT_EQ(2, w.ticks);
    EXPECT_EQ("handler failed", reported);
    SetFailureReporter(nullptr);
}

// A visible top-level window of another process: Notepad, ended with the object.
class OtherProcessWindow {
  public:
    OtherProcessWindow() {
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        wchar_t line[] = L"notepad.exe";
        if (!::CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &process_))
            return;
        ::WaitForInputIdle(process_.hProcess, 10000);
        for (int i = 0; i < 100 && !hwnd; ++i) {
            ::EnumWindows(&OtherProcessWindow::Match, reinterpret_cast<LPARAM>(this));
            if (!hwnd) ::Sleep(50);
        }
    }
    ~OtherProcessWindow() {
        if (!process_.hProcess) return;
        ::TerminateProcess(process_.hProcess, 0);
        ::WaitForSingleObject(process_.hProcess, 5000);
        ::CloseHandle(process_.hProcess);
        ::CloseHandle(process_.hThread);
    }
    HWND hwnd = nullptr;

  private:
    static BOOL CALLBACK Match(HWND w, LPARAM self) {
        auto* other = reinterpret_cast<OtherProcessWindow*>(self);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        if (pid != other->process_.dwProcessId || !::IsWindowVisible(w)) return TRUE;
        other->hwnd = w;
        return FALSE;
    }
    PROCESS_INFORMATION process_ = {};
};

bool IsTopmost(HWND w) { return (::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// What a modal window sees of itself while it is open.
class FrontProbe : public ProbeWindow {
  public:
    bool topmostWhileShown = false;
    HWND foregroundWhileShown = nullptr;

    // Shows the probe modally until its second timer tick.
    void ShowBriefly() {
        Create();
        closeAfterTicks = 2;
        ::SetTimer(hwnd(), 1, 10, nullptr);
        ShowModal();
        ::KillTimer(hwnd(), 1);
    }

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER) {
            topmostWhileShown = IsTopmost(hwnd());
            foregroundWhileShown = ::GetForegroundWindow();
        }
        return ProbeWindow::OnMessage(msg, wParam, lParam);
    }
};

// The browser player's browser is another process in the foreground; Wine lets anyone take the
// foreground, so what can be seen here is the stacking and the hand-back, not the system's refusal.
TEST(ModalFrontTest, WithTheMovieInAnotherProcessModalWindowsComeInFrontAndHandTheForegroundBack) {
    OtherProcessWindow browser;
    ASSERT_NE(nullptr, browser.hwnd);
    ::SetForegroundWindow(browser.hwnd);
    SetMovieInAnotherProcess(true);
    FrontProbe w;
    w.ShowBriefly();
    SetMovieInAnotherProcess(false);
    EXPECT_TRUE(w.topmostWhileShown);
    EXPECT_EQ(w.hwnd(), w.foregroundWhileShown);
    EXPECT_FALSE(IsTopmost(w.hwnd()));
    EXPECT_EQ(browser.hwnd, ::GetForegroundWindow());
}

TEST(ModalFrontTest, WithTheMovieInOurOwnWindowModalWindowsStayOrdinary) {
    FrontProbe w;
    w.ShowBriefly();
    EXPECT_FALSE(w.topmostWhileShown);
    EXPECT_EQ(w.hwnd(), w.foregroundWhileShown);
}

TEST(MessageWindowTest, PostedMessagesReachTheHandlerAndItsFailuresTheReporter) {
    std::string reported;
    SetFailureReporter([&](const std::string& text) { reported = text; });
    std::vector<UINT> seen;
    MessageWindow w([&](UINT msg, WPARAM wParam, LPARAM) {
        if (msg < WM_APP) return false;
        seen.push_back(msg);
        if (wParam == 1) throw std::runtime_error("notice failed");
        return true;
    });
    bool messageOnly = false;
    for (HWND m = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); m;
         m = ::FindWindowExW(HWND_MESSAGE, m, nullptr, nullptr))
        messageOnly = messageOnly || m == w.hwnd();
    EXPECT_TRUE(messageOnly);
    ::PostMessageW(w.hwnd(), WM_APP + 1, 0, 0);
    ::PostMessageW(w.hwnd(), WM_APP + 2, 1, 0);
    ::PostMessageW(w.hwnd(), WM_APP + 3, 0, 0);
    DWORD start = ::GetTickCount();
    while (seen.size() < 3 && ::GetTickCount() - start < 3000) PumpMessage(false);
    SetFailureReporter(nullptr);
    EXPECT_EQ((std::vector<UINT>{WM_APP + 1, WM_APP + 2, WM_APP + 3}), seen);
    EXPECT_EQ("notice failed", reported);
}

int g_failedTakes = 0;

// Fills the message with garbage and fails, as the system may on an invalid request.
BOOL WINAPI FailingTake(LPMSG msg, HWND, UINT, UINT) {
    ++g_failedTakes;
    msg->hwnd = reinterpret_cast<HWND>(0x1234);
    msg->message = WM_USER + 7;
    msg->wParam = 99;
    return -1;
}

TEST(MessageLoopTest, AFailingTakeEndsTheLoopsWithoutDispatching) {
    int& calls = g_failedTakes;
    calls = 0;
    SetMessageSource(FailingTake);
    bool quit = false;
    EXPECT_FALSE(PumpMessage(true, &quit));
    EXPECT_TRUE(quit);
    EXPECT_EQ(0, RunMessageLoop());
    SetMessageSource(nullptr);
    EXPECT_EQ(2, calls);
    // No quit was posted on the way: the queue holds no WM_QUIT.
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
