#include "dialogs/skinmessage.h"

#include "dialogs/dialogwindow.h"
#include "dialogs/plain.h"
#include "platform/textconv.h"

#include <windows.h>

#include <vector>

// A closed window ends its modal loop with IDCANCEL; the button results share the system's codes.
static_assert(mrOk == IDOK && mrCancel == IDCANCEL && mrAbort == IDABORT && mrRetry == IDRETRY &&
                  mrIgnore == IDIGNORE && mrYes == IDYES && mrNo == IDNO,
              "the dialogs' result codes are the system's");

namespace {

// Control ids of the buttons: kFirstButtonId + position in the fixed table, kept clear of
// IDOK/IDCANCEL so that a stray Enter or Esc command is not taken for a button.
constexpr int kFirstButtonId = 100;
constexpr int kIconId = 90;
constexpr int kLabelId = 91;

LPCWSTR KindIcon(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return reinterpret_cast<LPCWSTR>(IDI_EXCLAMATION);
        case MessageKind::Error:
            return reinterpret_cast<LPCWSTR>(IDI_HAND);
        case MessageKind::Information:
            return reinterpret_cast<LPCWSTR>(IDI_ASTERISK);
        case MessageKind::Confirmation:
            return reinterpret_cast<LPCWSTR>(IDI_QUESTION);
        case MessageKind::Custom:
            break;
    }
    return nullptr;
}

int ButtonId(unsigned bit) {
    const auto& table = MessageButtonTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].bit == bit) return kFirstButtonId + static_cast<int>(i);
    return 0;
}

class MessageDialogWindow : public DialogWindow {
  public:
    MessageDialogWindow(const std::wstring& text, MessageKind kind, unsigned buttons,
                        const std::string& helpFile, int helpContext)
        : helpFile_(helpFile), helpContext_(helpContext) {
        std::wstring caption = kind == MessageKind::Custom ? AnsiToWString(ApplicationTitle())
                                                           : ToWString(KindCaption(kind));
        CreateDialogFrame(caption);

        SIZE extent = MeasureText(text);
        std::vector<MessageButtonInfo> set = ButtonsOfSet(buttons);
        LPCWSTR icon = KindIcon(kind);
        MessageLayoutInput in;
        in.labelWidth = extent.cx;
        in.labelHeight = extent.cy;
        in.hasIcon = icon != nullptr;
        in.buttonCount = static_cast<int>(set.size());
        MessageLayout layout = LayoutMessageDialog(in);

        SetClientSize(layout.clientWidth, layout.clientHeight);
        AddControl(L"STATIC", text, SS_LEFTNOWORDWRAP | SS_NOPREFIX, layout.label, kLabelId);
        if (icon) {
            HWND iconControl = AddControl(L"STATIC", L"", SS_ICON, layout.icon, kIconId);
            ::SendMessageW(iconControl, STM_SETICON,
                           reinterpret_cast<WPARAM>(::LoadIconW(nullptr, icon)), 0);
            // SS_ICON sizes itself to the icon; keep the position and size of the layout.
            ::SetWindowPos(iconControl, nullptr, layout.icon.left, layout.icon.top,
                           layout.icon.width, layout.icon.height, SWP_NOZORDER | SWP_NOACTIVATE);
        }

        defaultId_ = ButtonId(DefaultButtonOf(buttons));
        cancelId_ = ButtonId(CancelButtonOf(buttons));
        for (size_t i = 0; i < set.size(); ++i) {
            int id = ButtonId(set[i].bit);
            HWND button = AddButton(ToWString(set[i].label), layout.buttons[i], id, id == defaultId_);
            if (i == 0 || id == defaultId_) initialFocus_ = button;
        }
        CenterOnScreen();
    }

  protected:
    void OnButton(int id) override {
        const auto& table = MessageButtonTable();
        size_t index = static_cast<size_t>(id - kFirstButtonId);
        if (index >= table.size()) return;
        if (table[index].result != kNoResult) {
            EndModal(table[index].result);
        } else if (!helpFile_.empty()) {
            ::WinHelpA(hwnd(), helpFile_.c_str(), HELP_CONTEXT,
                       static_cast<ULONG_PTR>(helpContext_));
        }
    }

  private:
    std::string helpFile_;
    int helpContext_;
};

}  // namespace

int TbsSkinMessage::ShowSkinnedMessage(const std::string& text, MessageKind kind, unsigned buttons,
                                       int helpContext) {
    MessageDialogWindow dialog(AnsiToWString(text), kind, buttons, HelpFile, helpContext);
    return dialog.ShowModal();
}
