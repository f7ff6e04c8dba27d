#include "update/updateseams_win.h"

#include "dialogs/inputdialog.h"
#include "dialogs/skinmessage.h"
#include "platform/application.h"
#include "update/updaterules.h"

void HttpClientSeam::Get(const std::string& url, BodySink& body, const HttpLimits& limits) {
    client.Get(url, body, limits);
}

void HttpClientSeam::Cancel() {
    client.Cancel();
}

void HttpClientSeam::ServeQueueAfterEveryWait() {
    HttpAntiFreeze().OnlyWhenIdle = false;
}

SkinnedUpdateScreen::SkinnedUpdateScreen(TbsSkinMessage& message, TbsSkinInputDialog& input,
                                         HWND memo)
    : message_(message), input_(input), memo_(memo) {}

int SkinnedUpdateScreen::ShowMessage(const std::string& text, MessageKind kind, unsigned buttons) {
    return message_.ShowSkinnedMessage(text, kind, buttons, 0);
}

void SkinnedUpdateScreen::AskText(const std::string& caption, const std::string& prompt,
                                  const std::string& text) {
    input_.AskText(caption, prompt, text);
}

void SkinnedUpdateScreen::SetReplyText(const std::string& text) {
    ::SetWindowTextA(memo_, text.c_str());
}

void SkinnedUpdateScreen::ProcessMessages() {
    ::ProcessMessages();
}

void ShellUpdateStarter::OpenInstaller(const std::string& path) {
    char system[MAX_PATH + 1] = {};
    UINT length = ::GetSystemDirectoryA(system, sizeof system);
    InstallerLaunch launch =
        InstallerLaunchOf(path, length > 0 && length <= MAX_PATH ? system : "");
    if (!launch.file.empty()) shell_.Open(launch.file, launch.parameters);
}

void ShellUpdateStarter::Quit() {
    RequestQuit();
}
