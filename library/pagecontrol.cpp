#include "library/pagecontrol.h"

#include "platform/window.h"

#include <commctrl.h>

void PageControl::Create(HWND parent, int id, int x, int y, int width, int height,
                         const std::vector<std::wstring>& captions) {
    // Clipping siblings keeps the tab frame from painting over the pages' controls.
    hwnd_ = CreateChildControl(parent, WC_TABCONTROLW, L"",
                               WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, x, y, width, height, id);
    for (size_t i = 0; i < captions.size(); ++i) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(captions[i].c_str());
        ::SendMessageW(hwnd_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    pages_.assign(captions.size(), {});
    ::SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

RECT PageControl::PageArea() const {
    RECT r;
    ::GetClientRect(hwnd_, &r);
    ::SendMessageW(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    ::MapWindowPoints(hwnd_, ::GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void PageControl::AddToPage(int page, HWND control) {
    pages_.at(static_cast<size_t>(page)).push_back(control);
    // The frame stays beneath every page's controls, however late they were made.
    ::SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::ShowWindow(control, page == ActivePage() ? SW_SHOWNA : SW_HIDE);
}

int PageControl::ActivePage() const {
    return static_cast<int>(::SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0));
}

void PageControl::SetActivePage(int page) {
    ::SendMessageW(hwnd_, TCM_SETCURSEL, page, 0);
    ShowPage(page);
}

void PageControl::ShowPage(int page) {
    for (size_t i = 0; i < pages_.size(); ++i) {
        for (HWND control : pages_[i])
            ::ShowWindow(control, static_cast<int>(i) == page ? SW_SHOWNA : SW_HIDE);
    }
}

bool PageControl::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != hwnd_) return false;
    if (header.code == TCN_SELCHANGE) ShowPage(ActivePage());
    result = 0;
    return true;
}
