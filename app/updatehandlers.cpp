// The update check and download, about a second after start: the main window's handlers hand
// their events to the update flow, which it builds over the window's own components.
#include "app/main.h"

#include "app/timers.h"
#include "platform/filesystem.h"
#include "platform/http.h"
#include "platform/paths.h"
#include "update/baseurl.h"
#include "update/installerfile_win.h"
#include "update/updatefiles.h"
#include "update/updateflow.h"
#include "update/updateseams_win.h"

namespace {

class MainWindowTimers : public UpdateTimers {
  public:
    explicit MainWindowTimers(HWND window) : window_(window) {}

    void StopCheckTimer() override { ::KillTimer(window_, kTimer2); }
    void SetProgressTimer(bool on) override {
        if (on)
            ::SetTimer(window_, kTimer3, kTimerInterval, nullptr);
        else
            ::KillTimer(window_, kTimer3);
    }

  private:
    HWND window_;
};

}  // namespace

// The flow and the pieces it works through, which live as long as the window.
struct TForm1::Update {
    explicit Update(TForm1& form)
        : screen(form.Message1, form.downurlDialog1, form.Memo1),
          timers(form.hwnd()),
          files(Win32FileSystem()),
          starter(*form.shell_),
          flow(UpdateBaseUrl(), ProgramDirectory(),
               UpdateSeams{IdHTTP1, IdHTTP2, files, installers, screen, form.ProgressDialog1,
                           timers, starter},
               UpdateStallMs()) {}

    HttpClientSeam IdHTTP1;  // the check
    HttpClientSeam IdHTTP2;  // the download; its progress drives ProgressDialog1
    SkinnedUpdateScreen screen;
    MainWindowTimers timers;
    SeamUpdateFiles files;
    TempFolderInstallers installers;
    ShellUpdateStarter starter;
    UpdateFlow flow;
};

void TForm1::CreateUpdate() {
    update_.reset(new Update(*this));
    AntiFreeze& freeze = HttpAntiFreeze();
    freeze.IdleTimeOut = 250;
    freeze.OnlyWhenIdle = true;

    HttpClient& download = update_->IdHTTP2.client;
    download.OnWorkBegin = [this](long long max) { IdHTTP1WorkBegin(max); };
    download.OnWork = [this](long long count) { IdHTTP1Work(count); };
    download.OnWorkEnd = [this] { IdHTTP1WorkEnd(); };
    ProgressDialog1.OnCancel = [this](ProgressDialogCore*) { ProgressDialog1Cancel(); };
}

void TForm1::Timer2Timer() {
    update_->flow.Check(ProductId, ProgramVersion, UpdateCheckDisabled);
}

void TForm1::Timer3Timer() {
    update_->flow.ProgressTick();
}

void TForm1::IdHTTP1WorkBegin(long long AWorkCountMax) {
    update_->flow.WorkBegin(AWorkCountMax);
}

void TForm1::IdHTTP1Work(long long AWorkCount) {
    update_->flow.Work(AWorkCount);
}

void TForm1::IdHTTP1WorkEnd() {
    update_->flow.WorkEnd();
}

void TForm1::ProgressDialog1Cancel() {
    update_->flow.Cancel();
}

void TForm1::UpdateDeleter::operator()(Update* update) const {
    delete update;
}
