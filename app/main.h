// The main window: a borderless 1024 x 652 window whose whole client area is the courseware
// player. It owns the hidden probe player, the timers of the version and update checks, the
// dialogs, and the handlers of both channels of the movie.
#pragma once

#include "bridge/invoke.h"
#include "dialogs/inputdialog.h"
#include "dialogs/progressdialog.h"
#include "dialogs/skinmessage.h"
#include "player/player.h"
#include "platform/shell.h"
#include "platform/window.h"

#include <memory>
#include <string>

class BrowserPlayer;
class ExternalCallDispatcher;

class TForm1 : public Window, public MovieFunctionCaller {
  public:
    TForm1();
    ~TForm1() override;

    // Builds the window and its components, then runs FormCreate. Throws when the player control
    // cannot be created; a failure inside FormCreate goes to the default error report instead.
    void Create();
    void Show();

    // Host-to-movie calls through the courseware player.
    std::u16string CallFunction(const std::u16string& request) override;
    std::string CallMovieFunction(const std::string& function, const std::string& first,
                                  const std::string& second);
    std::string NotifyMovie(const std::string& name, const std::string& data);

    // Closing the main window ends the message loop.
    void Close();

    // The courseware player: the Flash control, or the browser player where there is none (or
    // with /ruffle). The probe exists only beside the Flash control.
    std::unique_ptr<MoviePlayer> flash1;
    std::unique_ptr<MoviePlayer> flashversion;

    // Dialog components of the main window.
    TbsSkinMessage Message1;
    TbsSkinProgressDialog ProgressDialog1;
    TbsSkinInputDialog downurlDialog1;

    std::string ProductId;
    std::string ProgramVersion;
    // The PC's administrator has turned the update check off (kUpdatePolicyKey in main.cpp).
    bool UpdateCheckDisabled = false;
    bool DragFlag = false;

  private:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

    void FormCreate();
    void FormShow();
    void FormResize();
    void FormClose();
    // The movie's commands (app/commands.cpp), one handler per command word.
    void flash1FSCommand(const std::u16string& command, const std::u16string& args);
    struct Command;
    static const Command kCommands[];
    // The movie's external calls (app/flashcall.cpp).
    void CreateBridge();
    void flash1FlashCall(const std::u16string& request);
    // The player version check (app/versioncheck.cpp): Timer1 starts it, the probe timer looks
    // again until the probe movie has loaded.
    void Timer1Timer();
    void ProbeTimerTimer();
    void CheckPlayerVersion();
    // The update check and download (app/updatehandlers.cpp).
    void CreateUpdate();
    void Timer2Timer();
    void Timer3Timer();
    void IdHTTP1WorkBegin(long long AWorkCountMax);
    void IdHTTP1Work(long long AWorkCount);
    void IdHTTP1WorkEnd();
    void ProgressDialog1Cancel();

    void InstallMessageFilter();
    void LayoutPanel();

    HWND Panel1 = nullptr;
    HWND versionHolder_ = nullptr;  // hidden parent of the probe player
    HWND Memo1 = nullptr;
    bool created_ = false;
    BrowserPlayer* browser_ = nullptr;  // flash1, when it is the browser player
    // When the version check stops waiting for the probe movie (GetTickCount64).
    unsigned long long probeWaitEnds_ = 0;
    std::unique_ptr<ExternalCallDispatcher> calls_;
    // Documents, movies and the installer open on this window's behalf.
    std::unique_ptr<Shell> shell_;
    // The update flow with its seams (app/updatehandlers.cpp).
    struct Update;
    struct UpdateDeleter {
        void operator()(Update* update) const;
    };
    std::unique_ptr<Update, UpdateDeleter> update_;
};
