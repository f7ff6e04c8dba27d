// A small base for the program's windows: one window class, the object found again through the
// window's user data, every message handler guarded so that a failure goes to the default error
// report instead of unwinding through the system, and modal showing the way the program's
// framework does it (other windows disabled, a nested message loop).
#pragma once

#include <windows.h>

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

// Fixed-size dialog font used by the program's dialogs ("宋体", 14 pixels high).
HFONT DialogFont();

// Every child control of the program's windows is made here: a child (WS_CHILD is implied;
// WS_VISIBLE is the caller's to give) with its id, in the dialog font. Throws "Error creating
// window" when the system refuses it.
HWND CreateChildControl(HWND parent, const wchar_t* className, const std::wstring& text,
                        DWORD style, int x, int y, int width, int height, int id = 0,
                        DWORD exStyle = 0);
