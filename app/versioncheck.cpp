// The player version check, once per start: the probe movie reports the installed player's
// version in two variables.
#include "app/commandrules.h"
#include "app/main.h"
#include "app/timers.h"
#include "platform/application.h"
#include "platform/textconv.h"

#include <stdexcept>

namespace {

int ReadVersionPart(MoviePlayer& probe, const char16_t* variable) {
    int value = 0;
    std::string text = WideToAnsi(probe.GetVariable(variable));
    if (!ParseWholeNumber(text, value))
        throw std::runtime_error("'" + text + "' is not a valid integer value");
    return value;
}

}  // namespace

void TForm1::Timer1Timer() {
    ::KillTimer(hwnd(), kTimer1);
    // There is no Flash Player to check when the browser plays the movie.
    if (!flashversion) return;
    try {
        int major = ReadVersionPart(*flashversion, u"mainver");
        int minor = ReadVersionPart(*flashversion, u"submainver");
        if (IsPlayerTooOld(major, minor)) {
            Message1.ShowSkinnedMessage(
                WStringToAnsi(
                    L"您目前使用的flashplayer版本不能支持本程序的正常运行，请运行文件：Adobe "
                    L"Flash Player11.4.exe进行升级。"),
                MessageKind::Error, mbOK, 0);
            RequestQuit();
        }
    } catch (const std::exception&) {
        // Whatever went wrong, the player cannot be trusted to run the courseware.
        Message1.ShowSkinnedMessage(
            WStringToAnsi(L"您未安装或安装flashplayer有问题，请运行文件：Adobe Flash "
                          L"Player11.4.exe进行重新安装。"),
            MessageKind::Error, mbOK, 0);
        RequestQuit();
    }
}
