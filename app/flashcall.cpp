// The main window's side of the external-call channel: the dispatcher with the Win32 file system,
// the machine-wide registry (or the user's copy of its key where the machine refuses), and this
// window as its host.
#include "app/main.h"

#include "bridge/dispatcher.h"
#include "bridge/privatecopyregistry.h"
#include "platform/paths.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/textconv.h"

#include <windows.h>

namespace {

// SC_MOVE combined with the caption hit-test code: the window manager moves the window with the
// mouse, as if its caption had been grabbed.
constexpr WPARAM kMoveWithMouse = 0xF012;

class MainWindowHost : public CallHost {
  public:
    explicit MainWindowHost(TForm1& form) : form_(form) {}

    void SetReturnValue(const std::string& reply) override {
        form_.flash1->SetReturnValue(AnsiToWide(reply));
    }
    bool DragFlag() const override { return form_.DragFlag; }
    void SetDragFlag(bool value) override { form_.DragFlag = value; }

    void DragWindow() override {
        // With the browser player the main window stays hidden: the browser drags its own.
        if (!::IsWindowVisible(form_.hwnd())) return;
        ::ReleaseCapture();
        // Sent, not posted: the movie's call returns only when the move has ended.
        ::SendMessageW(form_.hwnd(), WM_SYSCOMMAND, kMoveWithMouse, 0);
    }

    void ShowFolderFailure() override {
        form_.Message1.ShowSkinnedMessage(WStringToAnsi(L"创建文件夹失败"), MessageKind::Error,
                                          mbOK, 0);
    }

    // The program cannot work without its settings: after the message the main window closes.
    void RegistryFailure() {
        form_.Message1.ShowSkinnedMessage(
            WStringToAnsi(L"对不起，本软件运行需要访问注册表信息！请不要阻止此权限"),
            MessageKind::Error, mbOK, 0);
        form_.Close();
    }

  private:
    TForm1& form_;
};

// Everything the dispatcher works with, built before it.
struct BridgeParts {
    explicit BridgeParts(TForm1& form)
        : host(form),
          registry(std::make_unique<PrivateCopyRegistry>(MachineRegistry(), UserRegistry())),
          random(ClockRandom()),
          files(Win32FileSystem(), [] { return ProgramDirectory(); }),
          settings(*registry, *random, [this] { host.RegistryFailure(); }) {}

    MainWindowHost host;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<RandomSource> random;
    FileServices files;
    SettingsStore settings;
};

class MainWindowCalls : private BridgeParts, public ExternalCallDispatcher {
  public:
    explicit MainWindowCalls(TForm1& form)
        : BridgeParts(form), ExternalCallDispatcher(host, files, settings) {}
};

}  // namespace

void TForm1::CreateBridge() {
    calls_ = std::make_unique<MainWindowCalls>(*this);
}

// Catches nothing: a failing request reaches the player event's guard, which shows the default
// error report, and the movie gets no reply.
void TForm1::flash1FlashCall(const std::u16string& request) {
    calls_->Handle(request);
}
