#include "platform/application.h"

#include "platform/window.h"

namespace {

HWND g_mainWindow = nullptr;
MessageSource g_getMessage = &::GetMessageW;

bool Offer(MSG& msg) {
    // The top-level window of ours that holds the target gets the first look at the message.
    HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    Window* window = top ? Window::FromHandle(top) : nullptr;
    return window && window->PreTranslateMessage(msg);
}

}  // namespace

bool PumpMessage(bool wait, bool* quit) {
    MSG msg;
    if (quit) *quit = false;
    if (wait) {
        BOOL got = g_getMessage(&msg, nullptr, 0, 0);
        if (got == -1) {
            // A failed take fills in no message: leave this loop without dispatching anything.
            if (quit) *quit = true;
            return false;
        }
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            if (quit) *quit = true;
            return false;
        }
    } else if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return true;
    } else if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        if (quit) *quit = true;
        return false;
    }
    if (!Offer(msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return true;
}

void SetMessageSource(MessageSource source) { g_getMessage = source ? source : &::GetMessageW; }

int RunMessageLoop() {
    MSG msg;
    BOOL got;
    while ((got = g_getMessage(&msg, nullptr, 0, 0)) > 0) {
        if (!Offer(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    // -1 is a failure, not a message: the loop ends as after a quit without a code.
    return got == 0 ? static_cast<int>(msg.wParam) : 0;
}

bool ProcessMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        bool quit = false;
        PumpMessage(false, &quit);
        if (quit) return true;
    }
    return false;
}

void RequestQuit() { ::PostQuitMessage(0); }

void MinimizeApplication() {
    if (!g_mainWindow || ::IsIconic(g_mainWindow)) return;
    ::ShowWindow(g_mainWindow, SW_MINIMIZE);
}

void SetApplicationMainWindow(HWND hwnd) { g_mainWindow = hwnd; }
HWND ApplicationMainWindow() { return g_mainWindow; }
