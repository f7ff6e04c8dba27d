#include "driver.h"

#include <gtest/gtest.h>

namespace {

DialogScript* g_running = nullptr;
constexpr DWORD kTimeoutMs = 15000;

}  // namespace

DialogScript::DialogScript() {
    started_ = ::GetTickCount();
    g_running = this;
    timer_ = ::SetTimer(nullptr, 0, 40, &DialogScript::Tick);
}

DialogScript::~DialogScript() {
    ::KillTimer(nullptr, timer_);
    if (g_running == this) g_running = nullptr;
    EXPECT_TRUE(Finished()) << "script stopped at step " << next_ + 1 << " of " << steps_.size();
    EXPECT_FALSE(timedOut_);
}

DialogScript& DialogScript::Then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

DialogScript& DialogScript::Do(std::function<void()> action) {
    return Then([action] {
        action();
        return true;
    });
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_running) g_running->RunStep();
}

void DialogScript::RunStep() {
    // A step may pump messages itself; the timer must not start the next step inside it.
    if (running_) return;
    if (::GetTickCount() - started_ > kTimeoutMs) {
        if (!timedOut_) {
            timedOut_ = true;
            ADD_FAILURE() << "dialog script timed out at step " << next_ + 1;
        }
        for (HWND w = FindDialog(); w; w = FindDialog()) {
            ::SendMessageW(w, WM_CLOSE, 0, 0);
            if (::IsWindowVisible(w)) ::ShowWindow(w, SW_HIDE);
        }
        return;
    }
    if (Finished()) return;
    running_ = true;
    if (steps_[next_]()) ++next_;
    running_ = false;
}

namespace {

struct DialogSearch {
    std::wstring caption;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<DialogSearch*>(p);
    wchar_t cls[64];
    ::GetClassNameW(w, cls, 64);
    if (lstrcmpW(cls, L"CourseShellWindow") != 0 || !::IsWindowVisible(w) || !::IsWindowEnabled(w))
        return TRUE;
    if (!s->caption.empty() && TextOf(w) != s->caption) return TRUE;
    s->found = w;
    return FALSE;
}

}  // namespace

HWND FindDialog(const std::wstring& caption) {
    DialogSearch search{caption, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), &MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> ChildrenOf(HWND parent, const wchar_t* className) {
    std::vector<HWND> found;
    for (HWND c = ::FindWindowExW(parent, nullptr, className, nullptr); c;
         c = ::FindWindowExW(parent, c, className, nullptr))
        found.push_back(c);
    return found;
}

HWND FindChild(HWND parent, const wchar_t* className, const std::wstring& text) {
    for (HWND c : ChildrenOf(parent, className))
        if (text.empty() || TextOf(c) == text) return c;
    return nullptr;
}

std::wstring TextOf(HWND window) {
    int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, &text[0], length + 1)));
    return text;
}

RECT ClientRectIn(HWND child, HWND parent) {
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void PressKey(HWND dialog, UINT vk) {
    HWND focus = ::GetFocus();
    HWND target = focus && (focus == dialog || ::IsChild(dialog, focus)) ? focus : dialog;
    ::PostMessageW(target, WM_KEYDOWN, vk, 1);
    ::PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
}

void TypeText(HWND control, const std::wstring& text) {
    for (wchar_t c : text) ::PostMessageW(control, WM_CHAR, c, 1);
}

void Click(HWND button) {
    ::PostMessageW(button, BM_CLICK, 0, 0);
}
