// The update check, about a second after start, and the download of a new installer.
#include "app/main.h"

#include "platform/paths.h"
#include "platform/application.h"
#include "platform/http.h"
#include "platform/textconv.h"
#include "update/updatecheck.h"
#include "update/updaterules.h"

#include <shellapi.h>

#include <climits>
#include <stdexcept>

namespace {

constexpr UINT_PTR kTimer2 = 2, kTimer3 = 3;
constexpr UINT kTimer3Interval = 1000;

int ProgressValue(long long count) {
    return count > INT_MAX ? INT_MAX : static_cast<int>(count < 0 ? 0 : count);
}

// Timer3 keeps its phase when switched on while already running.
void EnableTimer3(HWND window, UpdateCheck& update, bool on) {
    if (on == update.timer3Enabled) return;
    update.timer3Enabled = on;
    if (on)
        ::SetTimer(window, kTimer3, kTimer3Interval, nullptr);
    else
        ::KillTimer(window, kTimer3);
}

}  // namespace

void TForm1::CreateUpdate() {
    update_ = std::make_unique<UpdateCheck>();
    AntiFreeze& freeze = HttpAntiFreeze();
    freeze.IdleTimeOut = 250;
    freeze.OnlyWhenIdle = true;

    HttpClient& download = update_->IdHTTP2;
    download.OnWorkBegin = [this](long long max) { IdHTTP1WorkBegin(max); };
    download.OnWork = [this](long long count) { IdHTTP1Work(count); };
    download.OnWorkEnd = [this] { IdHTTP1WorkEnd(); };
    ProgressDialog1.OnCancel = [this](ProgressDialogCore*) { ProgressDialog1Cancel(); };
}

void TForm1::Timer2Timer() {
    ::KillTimer(hwnd(), kTimer2);
    HttpAntiFreeze().OnlyWhenIdle = false;
    UpdateCheck& update = *update_;
    auto setTimer3 = [&](bool on) { EnableTimer3(hwnd(), update, on); };

    update.buffer = std::make_unique<ReplyBuffer>();
    struct ReleaseBuffer {
        UpdateCheck& update;
        ~ReleaseBuffer() { update.buffer.reset(); }
    } release{update};

    const std::string base = UpdateBaseUrl();
    std::string downloadUrl, installerName;
    // Until the user has agreed, every failure ends the check without a word.
    try {
        update.IdHTTP1.Get(CheckUrl(base, ProductId, ProgramVersion), *update.buffer);
        const std::string resultFile = ProgramDirectory() + "result.txt";
        WriteWholeFile(resultFile, *update.buffer);
        ::SetWindowTextA(Memo1, "");
        const std::string reply = MemoText(ReadWholeFile(resultFile));
        ::SetWindowTextA(Memo1, reply.c_str());
        if (!OffersUpdate(reply)) return;

        int answer = Message1.ShowSkinnedMessage(WStringToAnsi(L"检查到软件有升级程序，是否升级？"),
                                                 MessageKind::Confirmation, mbYes | mbNo, 0);
        if (answer != 6) return;
        downloadUrl = DownloadUrl(base, DownloadPath(reply));
        installerName = InstallerFileName(downloadUrl);
    } catch (const std::exception&) {
        return;
    }

    std::string installer;
    setTimer3(true);
    try {
        update.buffer->Clear();
        update.IdHTTP2.Get(downloadUrl, *update.buffer);
        // Only a plain name keeps the installer in the program directory as one real file.
        if (!IsPlainFileName(installerName))
            throw std::runtime_error("not a plain file name: " + installerName);
        installer = ProgramDirectory() + installerName;
        WriteWholeFile(installer, *update.buffer);
        setTimer3(false);
    } catch (const HttpCancelled&) {
        // The user cancelled, or the program is ending: nothing is saved or started.
        setTimer3(false);
        return;
    } catch (const std::exception&) {
        setTimer3(false);
        // The answer is not used, and nothing of the check may escape the timer.
        try {
            downurlDialog1.AskText(WStringToAnsi(L"自动下载失败，请使用下列地址手动下载"),
                                   WStringToAnsi(L"升级文件路径："), downloadUrl);
        } catch (const std::exception&) {
        }
        return;
    }

    ::ShellExecuteA(hwnd(), "open", installer.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    RequestQuit();
}

void TForm1::Timer3Timer() {
    ProcessMessages();
    ProgressDialog1.SetValue(update_->lastProgressCount);
}

void TForm1::IdHTTP1WorkBegin(long long AWorkCountMax) {
    ProgressDialog1.SetMinValue(0);
    ProgressDialog1.SetMaxValue(ProgressValue(AWorkCountMax));
    ProgressDialog1.SetValue(0);
    // Without an announced length the range would be 0 to 0, which the first block would fill,
    // closing the dialog as if cancelled; the bar just moves instead.
    ProgressDialog1.SetIndeterminate(AWorkCountMax <= 0);
    ProgressDialog1.ShowProgressWindow();
}

void TForm1::IdHTTP1Work(long long AWorkCount) {
    ProcessMessages();
    update_->lastProgressCount = ProgressValue(AWorkCount);
    ProgressDialog1.SetValue(update_->lastProgressCount);
}

void TForm1::IdHTTP1WorkEnd() {
    ProgressDialog1.SetValue(ProgressDialog1.MaxValue());
    // A moving bar does not close at its maximum; with Value at MaxValue closing is no cancel.
    if (ProgressDialog1.Shown() && ProgressDialog1.GaugeIndeterminate())
        if (HWND window = ProgressDialog1.WindowHandle()) ::SendMessageW(window, WM_CLOSE, 0, 0);
}

void TForm1::ProgressDialog1Cancel() {
    update_->IdHTTP2.Cancel();
    EnableTimer3(hwnd(), *update_, false);
}
