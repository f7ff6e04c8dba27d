#include "dialogs/plain.h"

#include "dialogs/apptitle.h"
#include "dialogs/dialogwindow.h"
#include "platform/application.h"
#include "platform/paths.h"
#include "platform/textconv.h"
#include "platform/window.h"

#include <windows.h>

std::string ApplicationTitle() {
    return ApplicationTitleFromPath(ExecutablePath());
}

int PlatformMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    HWND previous = ::GetActiveWindow();
    int result;
    ModalFront front(nullptr);
    {
        // Owned by the application's window, with every window of the program disabled meanwhile
        // (an owner alone would only disable itself).
        ThreadWindowsDisabled others(nullptr);
        result = ::MessageBoxA(ApplicationMainWindow(), text.c_str(), caption.c_str(),
                               flags | ModalFront::MessageBoxFlags());
    }
    if (previous && ::IsWindow(previous)) ::SetActiveWindow(previous);
    return result;
}

void ShowErrorReport(const std::string& text) {
    PlatformMessageBox(ErrorReportText(text), ApplicationTitle(), MB_OK | MB_ICONERROR);
}

namespace {

// The framework's own message window: the text at the margins and one "OK" button below it that
// Enter and Esc both press.
class PlainMessageWindow : public DialogWindow {
  public:
    explicit PlainMessageWindow(const std::wstring& text) {
        CreateDialogFrame(AnsiToWString(ApplicationTitle()));
        // Long texts wrap at half the screen's width, as the framework's message does.
        SIZE extent = MeasureText(text, ::GetSystemMetrics(SM_CXSCREEN) / 2);
        PlainLayoutInput in;
        in.units = FontUnits();
        in.textWidth = extent.cx;
        in.textHeight = extent.cy;
        in.buttonTextWidth = MeasureText(L"OK").cx;
        PlainLayout layout = LayoutPlainMessage(in);
        SetClientSize(layout.clientWidth, layout.clientHeight);
        AddControl(L"STATIC", text, SS_LEFT | SS_NOPREFIX, layout.text, -1);
        initialFocus_ = AddButton(L"OK", layout.button, IDOK, true);
        defaultId_ = cancelId_ = IDOK;
        CenterOnScreen();
    }

  protected:
    void OnButton(int id) override {
        if (id == IDOK) EndModal(IDOK);
    }
};

}  // namespace

void ShowPlainMessage(const std::string& text) {
    PlainMessageWindow window(AnsiToWString(text));
    window.ShowModal();
}
