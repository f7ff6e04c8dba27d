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

struct TForm1::Command {
    std::u16string_view word;
    void (*run)(TForm1& form, const std::u16string& args);
};

namespace {

TForm2& Voice() {
    return Built(AppForms().form2);
}

}  // namespace

const TForm1::Command TForm1::kCommands[] = {
    {u"audio",
     [](TForm1&, const std::u16string& args) {
         Voice().SrcSoundPath.clear();
         Voice().PlayAudio(ProgramDirectory() + WideToAnsi(args));
     }},
    {u"exec",
     [](TForm1& form, const std::u16string& args) {
         Voice().CloseRecord();
         // The argument ends the full path, so the manager's rule for movies decides alike.
         OpenRequest request =
             MakeOpenRequest(ProgramDirectory(), ProgramDirectory() + WideToAnsi(args));
         form.shell_->Open(request.file, request.parameters);
     }},
    {u"recording",
     [](TForm1&, const std::u16string& args) {
         Voice().SrcSoundPath = ProgramDirectory() + WideToAnsi(args);
     }},
    {u"beginrecord", [](TForm1&, const std::u16string&) { Voice().BeginRecord(); }},
    {u"stopandplayrecord", [](TForm1&, const std::u16string&) { Voice().StopAndPlayRecord(); }},
    {u"playsrcsound", [](TForm1&, const std::u16string&) { Voice().PlaySrcSound(); }},
    {u"closerecord", [](TForm1&, const std::u16string&) { Voice().CloseRecord(); }},
    {u"minimized",
     [](TForm1& form, const std::u16string&) {
         if (!form.flash1->ShowWindowState(MoviePlayer::WindowState::Minimized))
             MinimizeApplication();
     }},
    {u"normal",
     [](TForm1& form, const std::u16string&) {
         // Straight to the default procedure; the resulting size change still reaches
         // FormResize through WM_SIZE.
         if (!form.flash1->ShowWindowState(MoviePlayer::WindowState::Normal))
             ::DefWindowProcW(form.hwnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
     }},
    {u"maximized",
     [](TForm1& form, const std::u16string&) {
         if (!form.flash1->ShowWindowState(MoviePlayer::WindowState::Maximized))
             ::DefWindowProcW(form.hwnd(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
     }},
    {u"exitprogram",
     [](TForm1& form, const std::u16string&) {
         form.flash1->SetMovie(u"");
         for (int attempt = 0; attempt < 3; ++attempt) {
             if (TerminateOwnProcess(form.hwnd())) break;
         }
     }},
    {u"resourceindex", [](TForm1&, const std::u16string&) { ProcessMessages(); }},
    {u"selectresource",
     [](TForm1&, const std::u16string& args) {
         ResourcePick pick = ParseSelectResource(WideToAnsi(args), ProgramDirectory());
         TForm6& picker = Built(AppForms().form6);
         picker.CallbackName = pick.callbackName;
         picker.TeachRoot = pick.teachRoot;
         picker.ShowModal();
     }},
    {u"otherresource",
     [](TForm1&, const std::u16string& args) {
         ProcessMessages();
         TForm3& manager = Built(AppForms().form3);
         manager.IndexRoot = IndexRootFor(WideToAnsi(args), ProgramDirectory());
         manager.ShowModal();
     }},
};

// Words are compared exactly; other words do nothing. A failure is shown in the plain message.
void TForm1::flash1FSCommand(const std::u16string& command, const std::u16string& args) {
    try {
        for (const Command& c : kCommands) {
            if (c.word == command) return c.run(*this, args);
        }
    } catch (const std::exception& e) {
        ShowPlainMessage(e.what());
    }
}
