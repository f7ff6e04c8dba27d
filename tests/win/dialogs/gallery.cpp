// Shows one dialog named on the command line and closes it after a few seconds, so that a
// screenshot of it can be taken and looked at: "gallery confirm", "gallery open", ...
#include "dialogs/inputdialog.h"
#include "dialogs/opendialog.h"
#include "dialogs/plain.h"
#include "dialogs/progressdialog.h"
#include "dialogs/skinmessage.h"
#include "platform/application.h"
#include "platform/textconv.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

void CALLBACK CloseAll(HWND, UINT, UINT_PTR, DWORD) {
    HWND w = ::GetActiveWindow();
    if (w) ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    RequestQuit();
}

std::string A(const wchar_t* text) {
    return WStringToAnsi(text);
}

}  // namespace

int main(int argc, char** argv) {
    std::string which = argc > 1 ? argv[1] : "confirm";
    int seconds = argc > 2 ? std::atoi(argv[2]) : 6;
    ::SetTimer(nullptr, 0, static_cast<UINT>(seconds * 1000), &CloseAll);
    TbsSkinMessage message;
    if (which == "confirm") {
        message.ShowSkinnedMessage(A(L"检查到软件有升级程序，是否升级？"),
                                   MessageKind::Confirmation, mbYes | mbNo, 0);
    } else if (which == "error") {
        message.ShowSkinnedMessage(A(L"对不起，本软件运行需要访问注册表信息！请不要阻止此权限"),
                                   MessageKind::Error, mbOK, 0);
    } else if (which == "warning") {
        message.ShowSkinnedMessage(A(L"第一行文字\n第二行 with Latin text"), MessageKind::Warning,
                                   mbAbort | mbRetry | mbIgnore | mbHelp, 0);
    } else if (which == "info") {
        message.ShowSkinnedMessage(A(L"信息"), MessageKind::Information, 0x3FF, 0);
    } else if (which == "custom") {
        message.ShowSkinnedMessage(A(L"创建文件夹失败"), MessageKind::Custom, mbOK | mbCancel, 0);
    } else if (which == "plain") {
        ShowPlainMessage(A(L"新建类别失败，请重试"));
    } else if (which == "input") {
        TbsSkinInputDialog().AskText(A(L"自动下载失败，请使用下列地址手动下载"),
                                     A(L"升级文件路径："),
                                     "http://update.example.com/soft/setup_1.1.exe");
    } else if (which == "progress" || which == "bytes") {
        TbsSkinProgressDialog progress;
        progress.Caption = A(L"进度");
        progress.SetLabelCaption(A(L"进度"));
        progress.SetMaxValue(which == "bytes" ? 0 : 1000);
        progress.SetIndeterminate(which == "bytes");
        progress.ShowProgressWindow();
        progress.SetValue(370);
        if (which == "bytes") progress.SetLabelCaption(A(L"已下载 370 KB"));
        bool quit = false;
        while (!quit) PumpMessage(true, &quit);
    } else if (which == "open" || which == "details") {
        TbsSkinOpenDialog open(Win32FileSystem());
        open.MultiSelection = true;
        open.InitialDir = "C:\\windows";
        if (which == "details") open.ViewStyle = FileListView::Details;
        open.ChooseFiles();
    }
    return 0;
}
