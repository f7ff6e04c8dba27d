// What the program's dialogs share on top of Window: child controls in the dialog font, text
// measurement in that font, and the keys of a dialog. Enter presses the focused push button or
// else the default button, Esc the cancel button; a dialog may have neither.
#pragma once

#include "dialogs/layout.h"
#include "platform/window.h"

#include <functional>
#include <map>
#include <string>

class DialogWindow : public Window {
  public:
    bool PreTranslateMessage(MSG& msg) override;

    // The dialog font's dialog units and line height, measured once.
    static DialogUnits FontUnits();
    // The extent of a text in the dialog font, one line per line of the text; with a wrap width,
    // lines longer than that are broken between words.
    static SIZE MeasureText(const std::wstring& text, int wrapWidth = 0);
    static std::wstring WindowText(HWND window);

  protected:
    DialogWindow() { dialogKeys_ = true; }

    // Creates a hidden top-level dialog frame without caption buttons.
    void CreateDialogFrame(const std::wstring& caption, DWORD extraStyle = 0, DWORD exStyle = 0);
    HWND AddControl(const wchar_t* className, const std::wstring& text, DWORD style, const Rect& r,
                    int id, DWORD exStyle = 0);
    HWND AddButton(const std::wstring& text, const Rect& r, int id, bool isDefault = false);
    // A push button whose clicks, and the key that presses it, run `onClick`.
    HWND AddButton(const std::wstring& text, const Rect& r, int id, std::function<void()> onClick);
    HWND AddLabel(const std::wstring& text, const Rect& r);
    HWND Item(int id) const { return ::GetDlgItem(hwnd(), id); }

    // The buttons Enter and Esc press; 0 for none.
    int defaultId_ = 0;
    int cancelId_ = 0;
    // The control that gets the focus when the dialog is first activated.
    HWND initialFocus_ = nullptr;

    // A button was clicked (or pressed by its key). By default its own handler runs, if it has
    // one.
    virtual void OnButton(int id);
    // Enter while a control that is not a push button has the focus; true when handled. By
    // default Enter then presses the default button.
    virtual bool OnEnterIn(HWND focus) {
        (void)focus;
        return false;
    }
    // Any other command of a child control.
    virtual void OnCommand(int id, int code, HWND control) { (void)id, (void)code, (void)control; }
    // A notification of a child control; true when handled, with the answer in `result`.
    virtual bool OnNotify(const NMHDR& header, LRESULT& result) {
        (void)header, (void)result;
        return false;
    }

    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    bool IsPushButton(HWND control) const;

    HWND lastFocus_ = nullptr;
    std::map<int, std::function<void()>> clickHandlers_;
};
