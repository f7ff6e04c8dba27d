#include "dialogs/dialogwindow.h"

#include "platform/handles.h"

namespace {

HFONT Font() {
    return DialogFont();
}

}  // namespace

DialogUnits DialogWindow::FontUnits() {
    static DialogUnits units = [] {
        UniqueScreenDc dc(::GetDC(nullptr));
        UniqueSelection font = SelectInto(dc.get(), Font());
        SIZE size = {};
        const wchar_t alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        ::GetTextExtentPoint32W(dc.get(), alphabet, 52, &size);
        TEXTMETRICW tm = {};
        ::GetTextMetricsW(dc.get(), &tm);
        return DialogUnits{AverageCharWidth(size.cx), tm.tmHeight};
    }();
    return units;
}

SIZE DialogWindow::MeasureText(const std::wstring& text, int wrapWidth) {
    UniqueScreenDc dc(::GetDC(nullptr));
    UniqueSelection font = SelectInto(dc.get(), Font());
    RECT r = {0, 0, wrapWidth, 0};
    // An empty text still takes one line, as a label sized to its text does.
    std::wstring measured = text.empty() ? L" " : text;
    ::DrawTextW(
        dc.get(), measured.c_str(), static_cast<int>(measured.size()), &r,
        DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | DT_LEFT | (wrapWidth > 0 ? DT_WORDBREAK : 0));
    if (text.empty()) r.right = 0;
    return SIZE{r.right - r.left, r.bottom - r.top};
}

std::wstring DialogWindow::WindowText(HWND window) {
    int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, &text[0], length + 1)));
    return text;
}

void DialogWindow::CreateDialogFrame(const std::wstring& caption, DWORD extraStyle, DWORD exStyle) {
    // WS_CAPTION without WS_SYSMENU: a dialog border and no caption buttons.
    CreateWindowOf(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | exStyle, caption,
                   WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN | extraStyle, CW_USEDEFAULT,
                   CW_USEDEFAULT, 100, 100, nullptr);
}

HWND DialogWindow::AddControl(const wchar_t* className, const std::wstring& text, DWORD style,
                              const Rect& r, int id, DWORD exStyle) {
    return CreateChildControl(hwnd(), className, text, WS_VISIBLE | style, r.left, r.top, r.width,
                              r.height, id, exStyle);
}

HWND DialogWindow::AddButton(const std::wstring& text, const Rect& r, int id, bool isDefault) {
    return AddControl(L"BUTTON", text, WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                      r, id);
}

HWND DialogWindow::AddButton(const std::wstring& text, const Rect& r, int id,
                             std::function<void()> onClick) {
    HWND button = AddButton(text, r, id);
    clickHandlers_[id] = std::move(onClick);
    return button;
}

void DialogWindow::OnButton(int id) {
    auto handler = clickHandlers_.find(id);
    if (handler != clickHandlers_.end() && handler->second) handler->second();
}

HWND DialogWindow::AddLabel(const std::wstring& text, const Rect& r) {
    return AddControl(L"STATIC", text, SS_LEFTNOWORDWRAP | SS_NOPREFIX, r, -1);
}

bool DialogWindow::IsPushButton(HWND control) const {
    if (!control || ::GetParent(control) != hwnd()) return false;
    wchar_t name[16];
    if (!::GetClassNameW(control, name, 16) || lstrcmpiW(name, L"Button") != 0) return false;
    LONG type = ::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool DialogWindow::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
        HWND focus = ::GetFocus();
        // A combo box whose list is dropped down takes Enter and Esc to close the list.
        HWND combo = focus && ::GetParent(focus) != hwnd() ? ::GetParent(focus) : focus;
        if (combo && ::IsChild(hwnd(), combo) && ::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0))
            return false;
        if (msg.wParam == VK_ESCAPE) {
            if (cancelId_) OnButton(cancelId_);
        } else if (IsPushButton(focus)) {
            OnButton(::GetDlgCtrlID(focus));
        } else if (!OnEnterIn(focus) && defaultId_) {
            OnButton(defaultId_);
        }
        return true;
    }
    return Window::PreTranslateMessage(msg);
}

LRESULT DialogWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND: {
            int id = LOWORD(wParam), code = HIWORD(wParam);
            HWND control = reinterpret_cast<HWND>(lParam);
            if (control && code == BN_CLICKED && IsPushButton(control)) {
                OnButton(id);
            } else if (!control && code == 0 && (id == IDOK || id == IDCANCEL)) {
                // Enter and Esc that reached the window some other way.
                int target = id == IDOK ? defaultId_ : cancelId_;
                if (target) OnButton(target);
            } else {
                OnCommand(id, code, control);
            }
            return 0;
        }
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return result;
            return Window::OnMessage(msg, wParam, lParam);
        }
        case WM_ACTIVATE:
            // Focus goes back to where it was when the user left the dialog.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus && ::IsChild(hwnd(), focus)) lastFocus_ = focus;
            } else {
                HWND target = lastFocus_ && ::IsWindow(lastFocus_) ? lastFocus_ : initialFocus_;
                if (target) {
                    ::SetFocus(target);
                    return 0;
                }
            }
            return Window::OnMessage(msg, wParam, lParam);
        case DM_GETDEFID:
            return defaultId_ ? MAKELONG(defaultId_, DC_HASDEFID) : 0;
        default:
            return Window::OnMessage(msg, wParam, lParam);
    }
}
