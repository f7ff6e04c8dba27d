#include "platform/window.h"

#include "platform/application.h"
#include "platform/guard.h"

#include <stdexcept>
#include <vector>

namespace {

const wchar_t kClassName[] = L"CourseShellWindow";

void RegisterWindowClass(WNDPROC proc) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc);
    registered = true;
}

// The system hides the windows a minimised window owns and shows them again when it is restored;
// Wine without a window manager does neither, so the main window does it itself (on Windows the
// second hiding or showing changes nothing).
void FollowMainWindowSize(HWND main, WPARAM sizeType) {
    static bool minimized = false;
    if (sizeType == SIZE_MINIMIZED) {
        if (!minimized) ::ShowOwnedPopups(main, FALSE);
        minimized = true;
    } else if (minimized && (sizeType == SIZE_RESTORED || sizeType == SIZE_MAXIMIZED)) {
        minimized = false;
        ::ShowOwnedPopups(main, TRUE);
    }
}

bool g_movieInAnotherProcess = false;
int g_modalDepth = 0;

std::function<void(bool)>& ModalObserver() {
    static std::function<void(bool)> observer;
    return observer;
}

}  // namespace

MessageWindow::MessageWindow(Handler onMessage) : onMessage_(std::move(onMessage)) {
    static const wchar_t kClass[] = L"CourseShellMessageWindow";
    static const bool registered = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &MessageWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kClass;
        return ::RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    hwnd_ = ::CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              ::GetModuleHandleW(nullptr), this);
    if (!hwnd_) throw std::runtime_error("Error creating window");
}

MessageWindow::~MessageWindow() {
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK MessageWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MessageWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    bool handled = false;
    if (self && self->onMessage_) Guarded([&] { handled = self->onMessage_(msg, wParam, lParam); });
    return handled ? 0 : ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void SetMovieInAnotherProcess(bool another) {
    g_movieInAnotherProcess = another;
}

void SetModalObserver(std::function<void(bool modal)> observer) {
    ModalObserver() = std::move(observer);
}

ModalFront::ModalFront(HWND window) : window_(window) {
    if (g_modalDepth++ == 0 && ModalObserver()) ModalObserver()(true);
    if (!g_movieInAnotherProcess) return;
    HWND foreground = ::GetForegroundWindow();
    DWORD owner = 0;
    if (foreground) ::GetWindowThreadProcessId(foreground, &owner);
    if (owner && owner != ::GetCurrentProcessId()) handBack_ = foreground;
    if (window_)
        ::SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

ModalFront::~ModalFront() {
    if (window_ && g_movieInAnotherProcess && ::IsWindow(window_))
        ::SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Ours was in the foreground last, so handing it on is allowed.
    if (handBack_ && ::IsWindow(handBack_)) ::SetForegroundWindow(handBack_);
    if (--g_modalDepth == 0 && ModalObserver()) ModalObserver()(false);
}

unsigned ModalFront::MessageBoxFlags() {
    return g_movieInAnotherProcess ? MB_TOPMOST | MB_SETFOREGROUND : 0;
}

ThreadWindowsDisabled::ThreadWindowsDisabled(HWND except) : except_(except) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &ThreadWindowsDisabled::Collect,
                        reinterpret_cast<LPARAM>(this));
    for (HWND w : disabled_) ::EnableWindow(w, FALSE);
}

BOOL CALLBACK ThreadWindowsDisabled::Collect(HWND w, LPARAM self) {
    auto* disabler = reinterpret_cast<ThreadWindowsDisabled*>(self);
    if (w != disabler->except_ && ::IsWindowVisible(w) && ::IsWindowEnabled(w))
        disabler->disabled_.push_back(w);
    return TRUE;
}

ThreadWindowsDisabled::~ThreadWindowsDisabled() {
    for (HWND w : disabled_) ::EnableWindow(w, TRUE);
}

Window::~Window() {
    if (hwnd_) {
        if (hwnd_ == ApplicationMainWindow()) SetApplicationMainWindow(nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

Window* Window::FromHandle(HWND hwnd) {
    wchar_t name[64];
    if (!::GetClassNameW(hwnd, name, 64) || lstrcmpW(name, kClassName) != 0) return nullptr;
    return reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Window::CreateWindowOf(DWORD exStyle, const std::wstring& title, DWORD style, int x, int y,
                            int width, int height, HWND parent) {
    RegisterWindowClass(&Window::Proc);
    if (!parent && !(style & WS_CHILD)) parent = ApplicationMainWindow();
    HWND hwnd = ::CreateWindowExW(exStyle, kClassName, title.c_str(), style, x, y, width, height,
                                  parent, nullptr, ::GetModuleHandleW(nullptr), this);
    if (!hwnd) throw std::runtime_error("Error creating window");
}

void Window::SetClientSize(int width, int height) {
    RECT r = {0, 0, width, height};
    ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_EXSTYLE)));
    ::SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::CenterOnScreen() {
    RECT r;
    ::GetWindowRect(hwnd_, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    int y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::CenterInWorkArea() {
    RECT r;
    ::GetWindowRect(hwnd_, &r);
    ScreenPoint at = CentredIn(WorkAreaOf(hwnd_), r.right - r.left, r.bottom - r.top);
    ::SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::CenterOver(HWND other) {
    RECT r, o;
    ::GetWindowRect(hwnd_, &r);
    if (!other || !::GetWindowRect(other, &o)) return CenterOnScreen();
    int x = o.left + ((o.right - o.left) - (r.right - r.left)) / 2;
    int y = o.top + ((o.bottom - o.top) - (r.bottom - r.top)) / 2;
    ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT Window::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE && inModalLoop_) {
        EndModal(IDCANCEL);
        return 0;
    }
    return Default(msg, wParam, lParam);
}

bool Window::PreTranslateMessage(MSG& msg) {
    return dialogKeys_ && ::IsDialogMessageW(hwnd_, &msg);
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        // The object arrives with the first message; keep it where later messages find it.
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* creating = static_cast<Window*>(create->lpCreateParams);
        creating->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating));
    }
    Window* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    LRESULT result = 0;
    bool failed = true;
    Guarded([&] {
        result = self->OnMessage(msg, wParam, lParam);
        failed = false;
    });
    if (failed && msg == WM_NCCREATE) return FALSE;
    if (msg == WM_SIZE && hwnd == ApplicationMainWindow()) FollowMainWindowSize(hwnd, wParam);
    if (msg == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        // Windows made after this one (a start-up failure's message) have no owner to join.
        if (hwnd == ApplicationMainWindow()) SetApplicationMainWindow(nullptr);
    }
    return result;
}

int Window::ShowModal() {
    if (IsVisible() || inModalLoop_ || (hwnd_ && !::IsWindowEnabled(hwnd_)))
        throw std::runtime_error("Cannot make a visible window modal");
    HWND previous = ::GetActiveWindow();
    {
        ModalFront front(hwnd_);
        {
            ThreadWindowsDisabled others(hwnd_);
            modalResult_ = 0;
            inModalLoop_ = true;
            ::ShowWindow(hwnd_, SW_SHOW);
            ::SetForegroundWindow(hwnd_);
            ::SetActiveWindow(hwnd_);
            bool quit = false;
            while (modalResult_ == 0 && !quit && hwnd_) PumpMessage(true, &quit);
            inModalLoop_ = false;
        }
        if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
        if (previous && ::IsWindow(previous)) ::SetActiveWindow(previous);
    }
    return modalResult_ ? modalResult_ : IDCANCEL;
}

void Window::EndModal(int result) {
    modalResult_ = result ? result : IDCANCEL;
}

HFONT DialogFont() {
    static HFONT font = ::CreateFontW(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, L"宋体");
    return font;
}

HWND CreateChildControl(HWND parent, const wchar_t* className, const std::wstring& text,
                        DWORD style, int x, int y, int width, int height, int id, DWORD exStyle) {
    HWND control = ::CreateWindowExW(
        exStyle, className, text.c_str(), WS_CHILD | style, x, y, width, height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    if (!control) throw std::runtime_error("Error creating window");
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
    return control;
}

ScreenArea WorkAreaOf(HWND window) {
    HMONITOR monitor = window ? ::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY)
                              : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(monitor, &info))
        return ScreenArea{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    return ScreenArea{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}
