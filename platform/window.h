// A small base for the program's windows: one window class, the object found again through the
// window's user data, every message handler guarded so that a failure goes to the default error
// report instead of unwinding through the system, and modal showing the way the program's
// framework does it (other windows disabled, a nested message loop).
#pragma once

#include "platform/placement.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class Window {
  public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }
    bool IsVisible() const { return hwnd_ && ::IsWindowVisible(hwnd_); }

    // Shows the window modally and returns its modal result once it has closed. A window that is
    // already visible cannot be shown modally again.
    int ShowModal();
    // Ends a modal showing with the given result (2, cancel, when closed by the user).
    void EndModal(int result);
    bool InModalLoop() const { return inModalLoop_; }

    // Offered each queued message aimed at this window or its children before it is translated;
    // true means it was handled. The default gives dialog keys (Tab, Enter, Esc) to the window.
    virtual bool PreTranslateMessage(MSG& msg);

    // The Window object behind a top-level window of ours, or nullptr.
    static Window* FromHandle(HWND hwnd);

  protected:
    // A top-level window without a parent is owned by the application's main window once that
    // exists: no taskbar button of its own, and it leaves the screen when the application is
    // minimised and comes back with it.
    void CreateWindowOf(DWORD exStyle, const std::wstring& title, DWORD style, int x, int y,
                        int width, int height, HWND parent);
    // Resizes the window so that its client area gets the given size.
    void SetClientSize(int width, int height);
    void CenterOnScreen();
    // In the middle of the work area of the monitor the window is on (the primary one when it is
    // on none).
    void CenterInWorkArea();
    void CenterOver(HWND other);

    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
    }
    // Dialog keys are wanted by windows laid out as dialogs.
    bool dialogKeys_ = false;

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    bool inModalLoop_ = false;
    int modalResult_ = 0;
};

// While it lives, every other visible and enabled top-level window of this thread is disabled, as
// the program's modal windows and message boxes need; they are enabled again at the end.
class ThreadWindowsDisabled {
  public:
    explicit ThreadWindowsDisabled(HWND except);
    ~ThreadWindowsDisabled();
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

  private:
    static BOOL CALLBACK Collect(HWND w, LPARAM self);

    HWND except_;
    std::vector<HWND> disabled_;
};

// A window that never shows and only receives what is posted or sent to it: MCI's notices, a
// server thread's wake-ups, timers. Each message goes to `onMessage` first, guarded like every
// handler of the program; it returns true when it has handled the message.
class MessageWindow {
  public:
    using Handler = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam)>;
    // Throws "Error creating window" when the system refuses it.
    explicit MessageWindow(Handler onMessage);
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND hwnd() const { return hwnd_; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    Handler onMessage_;
    HWND hwnd_ = nullptr;
};

// Whether the movie plays in another process's window (the browser player's browser). That
// process then holds the foreground, and Windows lets no other process take it away
// (SetForegroundWindow's rules): a window of ours would open behind the browser with a flashing
// taskbar button while the movie waits for it.
void SetMovieInAnotherProcess(bool another);

// While it lives, a modal window or message box of ours stands in front of the movie's window. The
// Flash control plays in our own main window, which is in the foreground: nothing to do then.
// With the browser player our window is topmost while it is shown, above the browser, and takes the
// foreground where the system allows it (a click on it always does); when it closes, the window of
// the other process that had the foreground gets it back.
class ModalFront {
  public:
    // `window` is made topmost; nullptr for a message box, which takes MessageBoxFlags() instead.
    explicit ModalFront(HWND window);
    ~ModalFront();
    ModalFront(const ModalFront&) = delete;
    ModalFront& operator=(const ModalFront&) = delete;

    // MB_TOPMOST | MB_SETFOREGROUND while the movie plays in another process, else 0.
    static unsigned MessageBoxFlags();

  private:
    HWND window_;
    HWND handBack_ = nullptr;
};

// Told with true when the first of the program's modal windows or message boxes opens (every
// one stands in front through ModalFront) and with false when the last has closed; a player that
// plays in another process keeps the learner from reaching the movie meanwhile. One observer;
// an empty function removes it.
void SetModalObserver(std::function<void(bool modal)> observer);

// The work area (the monitor less the taskbar and docked bars) of the monitor the window is on;
// the primary monitor's for a null window or one on no monitor.
ScreenArea WorkAreaOf(HWND window);

// Fixed-size dialog font used by the program's dialogs ("宋体", 14 pixels high).
HFONT DialogFont();

// Every child control of the program's windows is made here: a child (WS_CHILD is implied;
// WS_VISIBLE is the caller's to give) with its id, in the dialog font. Throws "Error creating
// window" when the system refuses it.
HWND CreateChildControl(HWND parent, const wchar_t* className, const std::wstring& text,
                        DWORD style, int x, int y, int width, int height, int id = 0,
                        DWORD exStyle = 0);
