// The program's Win32 pieces behind the update flow's seams; the main window adds its timers.
#pragma once

#include "platform/http.h"
#include "platform/shell.h"
#include "update/updateflow.h"

#include <windows.h>

class TbsSkinInputDialog;
class TbsSkinMessage;

// One of the program's HTTP clients; whoever wants its progress events sets them on `client`.
class HttpClientSeam : public UpdateHttp {
  public:
    HttpClient client;

    void Get(const std::string& url, BodySink& body, const HttpLimits& limits) override;
    void Cancel() override;
    void ServeQueueAfterEveryWait() override;
};

// The main window's question and failure dialogs, and its memo.
class SkinnedUpdateScreen : public UpdateScreen {
  public:
    SkinnedUpdateScreen(TbsSkinMessage& message, TbsSkinInputDialog& input, HWND memo);

    int ShowMessage(const std::string& text, MessageKind kind, unsigned buttons) override;
    void AskText(const std::string& caption, const std::string& prompt,
                 const std::string& text) override;
    void SetReplyText(const std::string& text) override;
    void ProcessMessages() override;

  private:
    TbsSkinMessage& message_;
    TbsSkinInputDialog& input_;
    HWND memo_;
};

// The shell opens the installer for the main window (an ".msi" through the system's msiexec);
// the application then quits.
class ShellUpdateStarter : public UpdateStarter {
  public:
    explicit ShellUpdateStarter(Shell& shell) : shell_(shell) {}

    void OpenInstaller(const std::string& path) override;
    void Quit() override;

  private:
    Shell& shell_;
};
