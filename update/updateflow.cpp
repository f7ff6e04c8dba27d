#include "update/updateflow.h"

#include "dialogs/modalresult.h"
#include "dialogs/progresscore.h"
#include "platform/http.h"
#include "platform/scopeexit.h"
#include "platform/textconv.h"
#include "update/updaterules.h"

#include <climits>
#include <stdexcept>
#include <utility>

namespace {

int ProgressValue(long long count) {
    return count > INT_MAX ? INT_MAX : static_cast<int>(count < 0 ? 0 : count);
}

}  // namespace

UpdateFlow::UpdateFlow(std::string baseUrl, std::string programDirectory, const UpdateSeams& seams)
    : baseUrl_(std::move(baseUrl)), programDirectory_(std::move(programDirectory)), seams_(seams) {}

void UpdateFlow::Check(const std::string& productId, const std::string& version) {
    // Once per run: the timer cannot come back while the requests below serve the queue.
    seams_.timers.StopCheckTimer();
    seams_.check.ServeQueueAfterEveryWait();

    buffer_ = std::make_unique<ReplyBuffer>();
    ScopeExit release([this] { buffer_.reset(); });

    std::string downloadUrl, installerName;
    // Until the user has agreed, every failure ends the check without a word.
    try {
        seams_.check.Get(CheckUrl(baseUrl_, productId, version), *buffer_);
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
    std::string installer;
    SetProgressTimer(true);
    try {
        buffer_->Clear();
        if (!IsOnUpdateServer(url, baseUrl_))
            throw std::runtime_error("not on the update server: " + url);
        seams_.download.Get(url, *buffer_);
        // Only a plain name keeps the installer in the program directory as one real file.
        if (!IsPlainFileName(installerName))
            throw std::runtime_error("not a plain file name: " + installerName);
        installer = programDirectory_ + installerName;
        seams_.files.Write(installer, *buffer_);
        SetProgressTimer(false);
    } catch (const HttpCancelled&) {
        // The user cancelled, or the program is ending: nothing is saved or started.
        SetProgressTimer(false);
        return;
    } catch (const std::exception&) {
        SetProgressTimer(false);
        // The answer is not used, and nothing of the check may escape the timer.
        try {
            seams_.screen.AskText(WideToAnsi(u"自动下载失败，请使用下列地址手动下载"),
                                  WideToAnsi(u"升级文件路径："), url);
        } catch (const std::exception&) {
        }
        return;
    }
    seams_.starter.OpenInstaller(installer);
    seams_.starter.Quit();
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
