// Drives the program's modal dialogs from a thread timer, as a user would: each step runs on a
// tick of the nested message loop; a step that returns false is tried again on the next tick
// (the window it waits for may not be up yet). A script that does not finish in time closes
// every open dialog, so a broken test fails instead of hanging.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class DialogScript {
  public:
    using Step = std::function<bool()>;

    DialogScript();
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    DialogScript& Then(Step step);
    // A step that always succeeds.
    DialogScript& Do(std::function<void()> action);
    bool Finished() const { return next_ >= steps_.size(); }
    bool TimedOut() const { return timedOut_; }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void RunStep();

    std::vector<Step> steps_;
    size_t next_ = 0;
    UINT_PTR timer_ = 0;
    DWORD started_ = 0;
    bool timedOut_ = false;
    bool running_ = false;
};

// The visible, enabled top-level window of the program's window class with that caption (or
// any caption when empty), nullptr when none is up.
HWND FindDialog(const std::wstring& caption = L"");
// Children of a window by class and text.
HWND FindChild(HWND parent, const wchar_t* className, const std::wstring& text = L"");
std::vector<HWND> ChildrenOf(HWND parent, const wchar_t* className);
std::wstring TextOf(HWND window);
RECT ClientRectIn(HWND child, HWND parent);
// Key presses as the keyboard delivers them: to the focused control, else to the window.
void PressKey(HWND dialog, UINT vk);
void TypeText(HWND control, const std::wstring& text);
void Click(HWND button);
