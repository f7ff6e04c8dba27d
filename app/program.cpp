// Program entry: the apartment, the five windows in their order, the message loop.
#include "app/exitui.h"
#include "app/forms.h"
#include "app/main.h"
#include "dialogs/plain.h"
#include "library/resources.h"
#include "library/selectresource.h"
#include "platform/application.h"
#include "platform/filesystem.h"
#include "platform/guard.h"
#include "platform/handles.h"
#include "platform/scopeexit.h"
#include "platform/textconv.h"
#include "voice/media.h"

#include <commctrl.h>
#include <memory>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);
    SetFailureReporter(ShowErrorReport);

    int exitCode = 0;
    try {
        OleApartment apartment;
        auto form1 = std::make_unique<TForm1>();
        auto form2 = std::make_unique<TForm2>(*form1);
        auto form3 = std::make_unique<TForm3>(Win32FileSystem());
        auto form5 = std::make_unique<TForm5>();
        auto form6 = std::make_unique<TForm6>(*form1, Win32FileSystem());
        // Nothing finds the windows any more once they start to go, also on a failure.
        ScopeExit unpublish([] { AppForms() = Forms{}; });
        Forms& forms = AppForms();
        CreateForm(forms.form1, *form1);
        CreateForm(forms.form2, *form2);
        CreateForm(forms.form3, *form3);
        CreateForm(forms.form5, *form5);
        CreateForm(forms.form6, *form6);
        form1->Show();
        exitCode = RunMessageLoop();
    } catch (const std::exception&) {
        ShowPlainMessage(WStringToAnsi(
            L"您未安装flashplayer，请运行文件：Adobe Flash Player11.4.exe进行安装。"));
        exitCode = 0;
    }
    return exitCode;
}
