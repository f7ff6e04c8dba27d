// The reference for the start-up benchmark: the least a Win32 program does to put a 1024 x 652
// window on the screen and run a message loop.
#include <windows.h>

static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = L"MinimalWindow";
    ::RegisterClassW(&wc);
    HWND hwnd = ::CreateWindowExW(0, L"MinimalWindow", L"MinimalWindow", WS_POPUP, 128, 74, 1024,
                                  652, nullptr, nullptr, instance, nullptr);
    ::ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
