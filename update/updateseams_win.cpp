#include "update/updateseams_win.h"

#include "dialogs/inputdialog.h"
#include "dialogs/skinmessage.h"
#include "platform/application.h"
#include "platform/handles.h"
#include "platform/shell.h"

#include <stdexcept>

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + " (error " + std::to_string(::GetLastError()) +
                             ")");
}

}  // namespace

void HttpClientSeam::Get(const std::string& url, ReplyBuffer& body) {
    client.Get(url, body);
}

void HttpClientSeam::Cancel() {
    client.Cancel();
}

void HttpClientSeam::ServeQueueAfterEveryWait() {
    HttpAntiFreeze().OnlyWhenIdle = false;
}

void Win32UpdateFiles::Write(const std::string& path, const ReplyBuffer& data) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail("cannot create", path);
    bool complete = true;
    data.ForEachPiece([&](const char* bytes, size_t size) {
        while (complete && size > 0) {
            DWORD written = 0;
            DWORD chunk = static_cast<DWORD>(size);
            if (!::WriteFile(file.get(), bytes, chunk, &written, nullptr) || written == 0) {
                complete = false;
                break;
            }
            bytes += written;
            size -= written;
        }
    });
    if (!complete) {
        DWORD error = ::GetLastError();
        file.reset();
        // Half an installer must not be mistaken for one later.
        ::DeleteFileA(path.c_str());
        ::SetLastError(error);
        Fail("cannot write", path);
    }
}

std::string Win32UpdateFiles::Read(const std::string& path) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail("cannot open", path);
    std::string content;
    char block[65536];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), block, sizeof block, &read, nullptr)) Fail("cannot read", path);
        if (read == 0) break;
        content.append(block, read);
    }
    return content;
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
    ShellOpen(owner_, path, "");
}

void ShellUpdateStarter::Quit() {
    RequestQuit();
}
