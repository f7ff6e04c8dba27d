#include "dialogs/inputdialog.h"

#include "dialogs/dialogwindow.h"
#include "platform/textconv.h"

#include <windows.h>

namespace {

constexpr int kEditId = 10;
constexpr int kMaxTyped = 255;

class InputDialogWindow : public DialogWindow {
  public:
    InputDialogWindow(const std::wstring& caption, const std::wstring& prompt,
                      const std::wstring& value) {
        CreateDialogFrame(caption);
        DialogUnits units = FontUnits();
        SIZE extent = MeasureText(prompt);
        InputLayoutInput in;
        in.units = units;
        in.labelWidth = extent.cx;
        in.labelHeight = units.charHeight;
        // The field's height as an auto-sized edit gets it: the font plus its sunken border.
        in.editHeight = units.charHeight + 8;
        InputLayout layout = LayoutInputDialog(in);

        SetClientSize(layout.clientWidth, layout.clientHeight);
        AddLabel(prompt, layout.label);
        edit_ = AddControl(L"EDIT", value, WS_TABSTOP | ES_AUTOHSCROLL, layout.edit, kEditId,
                           WS_EX_CLIENTEDGE);
        // The limit applies to typing only; a longer value is shown in full.
        ::SendMessageW(edit_, EM_LIMITTEXT, kMaxTyped, 0);
        ::SendMessageW(edit_, EM_SETSEL, 0, -1);
        AddButton(L"确定", layout.ok, IDOK, true);
        AddButton(L"取消", layout.cancel, IDCANCEL);
        defaultId_ = IDOK;
        cancelId_ = IDCANCEL;
        initialFocus_ = edit_;
        CenterOnScreen();
    }

    // The field's text at the moment the user confirmed.
    const std::wstring& ConfirmedText() const { return confirmedText_; }

  protected:
    void OnButton(int id) override {
        if (id == IDOK || id == IDCANCEL) {
            // Read while the field still exists: the window goes before the caller looks.
            if (id == IDOK) confirmedText_ = WindowText(edit_);
            EndModal(id);
        }
    }

  private:
    std::wstring confirmedText_;
    HWND edit_ = nullptr;
};

}  // namespace

bool TbsSkinInputDialog::QueryText(const std::string& caption, const std::string& prompt,
                                   std::string& value) {
    InputDialogWindow dialog(AnsiToWString(caption), AnsiToWString(prompt), AnsiToWString(value));
    if (dialog.ShowModal() != IDOK) return false;
    value = WStringToAnsi(dialog.ConfirmedText());
    return true;
}

std::string TbsSkinInputDialog::AskText(const std::string& caption, const std::string& prompt,
                                        const std::string& defaultText) {
    std::string value = defaultText;
    QueryText(caption, prompt, value);
    return value;
}
