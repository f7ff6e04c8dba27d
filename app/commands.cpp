// The movie's commands: a word and one text argument, nothing returned to the movie.
#include "app/commandrules.h"
#include "app/forms.h"
#include "app/main.h"
#include "dialogs/plain.h"
#include "library/resourcerules.h"
#include "library/resources.h"
#include "library/selectresource.h"
#include "platform/application.h"
#include "platform/handles.h"
#include "platform/paths.h"
#include "platform/textconv.h"
#include "voice/media.h"

namespace {

// Ends this process at once with the "still active" code, without closing windows or devices.
// The handle gets the terminate right only, so reading the code fails and leaves the variable as
// it was initialised: still active, which is what a running process would report anyway.
bool TerminateOwnProcess(HWND mainWindow) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(mainWindow, &processId);
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    if (!process) return false;
    DWORD exitCode = STILL_ACTIVE;
    ::GetExitCodeProcess(process.get(), &exitCode);
    return ::TerminateProcess(process.get(), exitCode) != FALSE;
}

}  // namespace

void TForm1::flash1FSCommand(const std::u16string& command, const std::u16string& args) {
    Forms& forms = AppForms();
    auto voice = [&forms]() -> TForm2& { return Built(forms.form2); };
    try {
        if (command == u"audio") {
            voice().SrcSoundPath.clear();
            voice().PlayAudio(ProgramDirectory() + WideToAnsi(args));
        } else if (command == u"exec") {
            voice().CloseRecord();
            // The argument ends the full path, so the manager's rule for movies decides alike.
            OpenRequest request =
                MakeOpenRequest(ProgramDirectory(), ProgramDirectory() + WideToAnsi(args));
            shell_->Open(request.file, request.parameters);
        } else if (command == u"recording") {
            voice().SrcSoundPath = ProgramDirectory() + WideToAnsi(args);
        } else if (command == u"beginrecord") {
            voice().BeginRecord();
        } else if (command == u"stopandplayrecord") {
            voice().StopAndPlayRecord();
        } else if (command == u"playsrcsound") {
            voice().PlaySrcSound();
        } else if (command == u"closerecord") {
            voice().CloseRecord();
        } else if (command == u"minimized") {
            if (!flash1->ShowWindowState(MoviePlayer::WindowState::Minimized))
                MinimizeApplication();
        } else if (command == u"normal") {
            // Straight to the default procedure; the resulting size change still reaches
            // FormResize through WM_SIZE.
            if (!flash1->ShowWindowState(MoviePlayer::WindowState::Normal))
                ::DefWindowProcW(hwnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
        } else if (command == u"maximized") {
            if (!flash1->ShowWindowState(MoviePlayer::WindowState::Maximized))
                ::DefWindowProcW(hwnd(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        } else if (command == u"exitprogram") {
            flash1->SetMovie(u"");
            for (int attempt = 0; attempt < 3; ++attempt) {
                if (TerminateOwnProcess(hwnd())) break;
            }
        } else if (command == u"resourceindex") {
            ProcessMessages();
        } else if (command == u"selectresource") {
            ResourcePick pick = ParseSelectResource(WideToAnsi(args), ProgramDirectory());
            TForm6& picker = Built(forms.form6);
            picker.CallbackName = pick.callbackName;
            picker.TeachRoot = pick.teachRoot;
            picker.ShowModal();
        } else if (command == u"otherresource") {
            ProcessMessages();
            TForm3& manager = Built(forms.form3);
            manager.IndexRoot = IndexRootFor(WideToAnsi(args), ProgramDirectory());
            manager.ShowModal();
        }
    } catch (const std::exception& e) {
        ShowPlainMessage(e.what());
    }
}
