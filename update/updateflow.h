// The update check and download, once per run: check, question, download with progress, save,
// check, start. Everything runs on the GUI thread inside the main window's timer and progress
// events; the platform is reached through the narrow seams below, which the program fills with
// its Win32 pieces (update/updateseams_win.h, app/updatehandlers.cpp) and the tests with fakes.
//
// Whoever stands between the PC and the update server can rewrite its replies, so the reply
// decides nothing on its own: the installer comes from the update server's own origin, has the
// name of an installer, goes into a folder of its own under the user's temporary folder (never
// beside the program, where Windows and the program load code from), and a signed program starts
// it only when it carries the signature of the same publisher.
#pragma once

#include "dialogs/messagerules.h"
#include "platform/bodysink.h"
#include "platform/replybuffer.h"
#include "platform/signature.h"

#include <memory>
#include <string>

class ProgressDialogCore;

// The check's reply is one short line; the installer may be large, but not without end.
constexpr long long kCheckReplyLimit = 64 * 1024;
constexpr long long kInstallerLimit = 1024LL * 1024 * 1024;
// A download from which nothing arrives for this long has failed.
constexpr unsigned kDownloadStallMs = 60 * 1000;

// One HTTP client with a cookie store of its own.
class UpdateHttp {
  public:
    virtual ~UpdateHttp() = default;
    // Hands the body of a successful reply to `body` as it arrives. Throws HttpError for any
    // other outcome (a body or a silence beyond `limits` among them), HttpCancelled
    // (platform/http.h) when Cancel() or the end of the program stopped it.
    virtual void Get(const std::string& url, BodySink& body, const HttpLimits& limits) = 0;
    virtual void Cancel() = 0;
    // From now on a waiting request serves the message queue after every wait, not only after
    // idle ones. The setting is the whole process's and is never set back.
    virtual void ServeQueueAfterEveryWait() = 0;
};

// The files beside the program: the check's reply. Paths are ANSI.
class UpdateFiles {
  public:
    virtual ~UpdateFiles() = default;
    // Replaces the file with the buffer's bytes; a write that fails leaves no partial file.
    // Throws std::runtime_error.
    virtual void Write(const std::string& path, const ReplyBuffer& data) = 0;
    // Throws std::runtime_error.
    virtual std::string Read(const std::string& path) = 0;
};

// The installer on its way to disk, written as its body arrives. Paths are ANSI.
class InstallerFile : public BodySink {
  public:
    // Unless kept, nothing of it stays: the file under either name, and its folder.
    ~InstallerFile() override = default;
    // The whole body has arrived: the file takes its name and is marked as downloaded from the
    // Internet, so that the system treats it as it treats any download. Before that it is not
    // there under its name at all. Throws std::runtime_error.
    virtual void Complete() = 0;
    // The full path of the completed file.
    virtual const std::string& Path() const = 0;
    // Opens the completed file so that nobody can change, replace or delete it while this object
    // lives, and checks its signature through that very handle. Throws std::runtime_error.
    virtual SignatureCheck CheckSignature() = 0;
    // It has been handed over: it stays on disk.
    virtual void Keep() = 0;
};

class UpdateInstallers {
  public:
    virtual ~UpdateInstallers() = default;
    // A new folder of its own under the user's temporary folder, with the installer `name` begun
    // in it. Throws std::runtime_error.
    virtual std::unique_ptr<InstallerFile> NewInstaller(const std::string& name) = 0;
    // The running program's own signature.
    virtual SignatureCheck ProgramSignature() = 0;
};

// What the user sees of the check apart from the progress dialog. Texts are ANSI.
class UpdateScreen {
  public:
    virtual ~UpdateScreen() = default;
    // The skinned message without help; the pressed button's ModalResult.
    virtual int ShowMessage(const std::string& text, MessageKind kind, unsigned buttons) = 0;
    // The input dialog with `text` selected in its field; returns once the user has closed it.
    virtual void AskText(const std::string& caption, const std::string& prompt,
                         const std::string& text) = 0;
    // The memo that holds the update reply.
    virtual void SetReplyText(const std::string& text) = 0;
    // Handles every message already waiting.
    virtual void ProcessMessages() = 0;
};

// The main window's timers of the check: Timer2 starts it, Timer3 refreshes the progress.
class UpdateTimers {
  public:
    virtual ~UpdateTimers() = default;
    virtual void StopCheckTimer() = 0;
    // Switching on restarts the interval; the flow only asks for real changes.
    virtual void SetProgressTimer(bool on) = 0;
};

// Hands over to a saved installer.
class UpdateStarter {
  public:
    virtual ~UpdateStarter() = default;
    // Through the shell with the verb "open" (an ".msi" through msiexec, InstallerLaunchOf); the
    // result is not looked at and nothing waits.
    virtual void OpenInstaller(const std::string& path) = 0;
    // Asks the application to quit once the running handler has returned.
    virtual void Quit() = 0;
};

struct UpdateSeams {
    UpdateHttp& check;
    UpdateHttp& download;  // the only client whose progress the flow is told
    UpdateFiles& files;
    UpdateInstallers& installers;
    UpdateScreen& screen;
    ProgressDialogCore& progress;
    UpdateTimers& timers;
    UpdateStarter& starter;
};

class UpdateFlow {
  public:
    // `baseUrl` is "http://" + host [+ ":" + port], without a path; `programDirectory` ends in
    // its separator; a download fails after `stallMs` without a byte.
    UpdateFlow(std::string baseUrl, std::string programDirectory, const UpdateSeams& seams,
               unsigned stallMs = kDownloadStallMs);

    // Timer2: the check and, when the offer is accepted, the download. Nothing leaves it. With
    // `turnedOff` (the machine's policy) the timer is switched off and nothing else happens.
    void Check(const std::string& productId, const std::string& version, bool turnedOff = false);

    // The download client's progress: the announced body length (0 for none), the body bytes
    // received so far, the end of the body transfer.
    void WorkBegin(long long announced);
    void Work(long long received);
    void WorkEnd();
    // Timer3.
    void ProgressTick();
    // OnCancel of the progress dialog.
    void Cancel();

    // True while a check runs; its reply buffer exists only then.
    bool Checking() const { return buffer_ != nullptr; }
    int LastProgressCount() const { return lastProgressCount_; }

  private:
    void Download(const std::string& url, const std::string& installerName);
    void Refuse();
    void SetProgressTimer(bool on);

    const std::string baseUrl_;
    const std::string programDirectory_;
    UpdateSeams seams_;
    const unsigned stallMs_;
    std::unique_ptr<ReplyBuffer> buffer_;
    // The installer handed over, held open until the program ends so that it stays what was
    // checked until msiexec has read it.
    std::unique_ptr<InstallerFile> started_;
    int lastProgressCount_ = 0;
    // Timer3 ticks from the window's creation until a download has ended.
    bool progressTimerOn_ = true;
};
