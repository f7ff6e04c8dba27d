#include "update/updateflow.h"

#include "dialogs/modalresult.h"
#include "dialogs/progresscore.h"
#include "platform/http.h"
#include "platform/scopeexit.h"
#include "platform/textconv.h"
#include "update/installertrust.h"
#include "update/updaterules.h"

#include <climits>
#include <stdexcept>
#include <utility>

namespace {

int ProgressValue(long long count) {
    return count > INT_MAX ? INT_MAX : static_cast<int>(count < 0 ? 0 : count);
}

}  // namespace

UpdateFlow::UpdateFlow(std::string baseUrl, std::string programDirectory, const UpdateSeams& seams,
                       unsigned stallMs)
    : baseUrl_(std::move(baseUrl)),
      programDirectory_(std::move(programDirectory)),
      seams_(seams),
      stallMs_(stallMs) {}

void UpdateFlow::Check(const std::string& productId, const std::string& version, bool turnedOff) {
    // Once per run: the timer cannot come back while the requests below serve the queue.
    seams_.timers.StopCheckTimer();
    if (turnedOff) return;
    seams_.check.ServeQueueAfterEveryWait();

    buffer_ = std::make_unique<ReplyBuffer>();
    ScopeExit release([this] { buffer_.reset(); });

    std::string downloadUrl, installerName;
    // Until the user has agreed, every failure ends the check without a word.
    try {
        HttpLimits limits;
        limits.maxBody = kCheckReplyLimit;
        seams_.check.Get(CheckUrl(baseUrl_, productId, version), *buffer_, limits);
        const std::string resultFile = programDirectory_ + "result.txt";
        seams_.files.Write(resultFile, *buffer_);
        seams_.screen.SetReplyText("");
        const std::string reply = MemoText(seams_.files.Read(resultFile));
        seams_.screen.SetReplyText(reply);
        if (!OffersUpdate(reply)) return;

        int answer = seams_.screen.ShowMessage(WideToAnsi(u"检查到软件有升级程序，是否升级？"),
                                               MessageKind::Confirmation, mbYes | mbNo);
        if (answer != mrYes) return;
        downloadUrl = DownloadUrl(baseUrl_, DownloadPath(reply));
        installerName = InstallerFileName(downloadUrl);
    } catch (const std::exception&) {
        return;
    }
    Download(downloadUrl, installerName);
}

void UpdateFlow::Download(const std::string& url, const std::string& installerName) {
    // An address off the update server is no failed download that the user could repeat by hand.
    if (!IsOnUpdateServer(url, baseUrl_)) {
        Refuse();
        return;
    }
    std::unique_ptr<InstallerFile> installer;
    SetProgressTimer(true);
    try {
        if (!IsInstallerName(installerName))
            throw std::runtime_error("not the name of an installer: " + installerName);
        installer = seams_.installers.NewInstaller(installerName);
        HttpLimits limits;
        limits.maxBody = kInstallerLimit;
        limits.stallMs = stallMs_;
        seams_.download.Get(url, *installer, limits);
        installer->Complete();
        SetProgressTimer(false);
    } catch (const HttpCancelled&) {
        // The user cancelled, or the program is ending: nothing is kept or started.
        installer.reset();
        SetProgressTimer(false);
        return;
    } catch (const std::exception&) {
        installer.reset();
        SetProgressTimer(false);
        // The answer is not used, and nothing of the check may escape the timer.
        try {
            seams_.screen.AskText(WideToAnsi(u"自动下载失败，请使用下列地址手动下载"),
                                  WideToAnsi(u"升级文件路径："), url);
        } catch (const std::exception&) {
        }
        return;
    }

    SignatureCheck program = seams_.installers.ProgramSignature();
    if (program.signer) {
        InstallerVerdict verdict = InstallerVerdict::Refuse;
        try {
            verdict = DecideInstallerStart(program, installer->CheckSignature());
        } catch (const std::exception&) {
        }
        if (verdict != InstallerVerdict::Start) {
            installer.reset();
            Refuse();
            return;
        }
    }
    installer->Keep();
    seams_.starter.OpenInstaller(installer->Path());
    started_ = std::move(installer);
    seams_.starter.Quit();
}

void UpdateFlow::Refuse() {
    // No address: there is nothing the user should fetch by hand.
    try {
        seams_.screen.ShowMessage(WideToAnsi(u"升级程序未通过正版验证，已取消升级。"),
                                  MessageKind::Warning, mbOK);
    } catch (const std::exception&) {
    }
}

void UpdateFlow::SetProgressTimer(bool on) {
    // Switched on while already running, Timer3 keeps its phase.
    if (on == progressTimerOn_) return;
    progressTimerOn_ = on;
    seams_.timers.SetProgressTimer(on);
}

void UpdateFlow::WorkBegin(long long announced) {
    ProgressDialogCore& progress = seams_.progress;
    progress.SetMinValue(0);
    progress.SetMaxValue(ProgressValue(announced));
    progress.SetValue(0);
    // Without an announced length the range would be 0 to 0, which the first block would fill,
    // closing the dialog as if cancelled; the bar just moves instead.
    progress.SetIndeterminate(announced <= 0);
    progress.ShowProgressWindow();
}

void UpdateFlow::Work(long long received) {
    seams_.screen.ProcessMessages();
    lastProgressCount_ = ProgressValue(received);
    seams_.progress.SetValue(lastProgressCount_);
}

void UpdateFlow::WorkEnd() {
    ProgressDialogCore& progress = seams_.progress;
    progress.SetValue(progress.MaxValue());
    // A moving bar does not close at its maximum; with Value at MaxValue closing is no cancel.
    if (progress.Shown() && progress.GaugeIndeterminate()) progress.CloseProgressWindow();
}

void UpdateFlow::ProgressTick() {
    seams_.screen.ProcessMessages();
    seams_.progress.SetValue(lastProgressCount_);
}

void UpdateFlow::Cancel() {
    seams_.download.Cancel();
    SetProgressTimer(false);
}
