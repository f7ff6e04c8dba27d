// A tab control whose pages are groups of sibling controls: switching tabs shows the active
// page's controls and hides the others'. The controls are children of the same window as the
// tab control, so their notifications reach that window directly.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class PageControl {
  public:
    void Create(HWND parent, int id, int x, int y, int width, int height,
                const std::vector<std::wstring>& captions);
    HWND hwnd() const { return hwnd_; }

    // The area inside the tab frame, in the parent's client coordinates.
    RECT PageArea() const;
    void AddToPage(int page, HWND control);
    int ActivePage() const;
    void SetActivePage(int page);

    // Offered the parent's WM_NOTIFY; true when it came from this control.
    bool OnNotify(const NMHDR& header, LRESULT& result);

  private:
    void ShowPage(int page);

    HWND hwnd_ = nullptr;
    std::vector<std::vector<HWND>> pages_;
};
