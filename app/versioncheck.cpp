// The player version check, once per start: the probe movie reports the installed player's
// version in two variables. On a slow start the probe may still be loading at Timer1's tick; the
// check then looks again until it has loaded, for a while, before it judges.
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

// A player that cannot say how far it is has nothing more to wait for.
bool StillLoading(MoviePlayer& probe) {
    try {
        return probe.ReadyState() < 4;
    } catch (const PlayerError&) {
        return false;
    }
}

}  // namespace

void TForm1::Timer1Timer() {
    ::KillTimer(hwnd(), kTimer1);
    // There is no Flash Player to check when the browser plays the movie.
    if (!flashversion) return;
    probeWaitEnds_ = ::GetTickCount64() + kProbeLoadLimit;
    CheckPlayerVersion();
}

void TForm1::ProbeTimerTimer() {
    CheckPlayerVersion();
}

void TForm1::CheckPlayerVersion() {
    if (StillLoading(*flashversion) && ::GetTickCount64() < probeWaitEnds_) {
        // Setting it again while it runs only restarts its count.
        ::SetTimer(hwnd(), kProbeTimer, kProbeRetryInterval, nullptr);
        return;
    }
    // Judged once: the message boxes below run their own loops, in which no tick may come back.
    ::KillTimer(hwnd(), kProbeTimer);
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
