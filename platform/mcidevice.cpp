#include "platform/mcidevice.h"

namespace {

AudioMode ModeOf(DWORD_PTR mode) {
    switch (mode) {
        case MCI_MODE_NOT_READY:
            return AudioMode::NotReady;
        case MCI_MODE_STOP:
            return AudioMode::Stopped;
        case MCI_MODE_PLAY:
            return AudioMode::Playing;
        case MCI_MODE_RECORD:
            return AudioMode::Recording;
        case MCI_MODE_SEEK:
            return AudioMode::Seeking;
        case MCI_MODE_PAUSE:
            return AudioMode::Paused;
        case MCI_MODE_OPEN:
            return AudioMode::Open;
    }
    return AudioMode::Other;
}

}  // namespace

std::string MciErrorText(MCIERROR code) {
    char text[MAXERRORLENGTH] = {};
    if (!::mciGetErrorStringA(code, text, sizeof text)) return "Unknown error code";
    return text;
}

MciDevice::MciDevice()
    : window_([this](UINT msg, WPARAM wParam, LPARAM) {
          if (msg != MM_MCINOTIFY) return false;
          OnNotify(wParam);
          return true;
      }) {
    // The wave audio driver stays loaded for the life of the process. Wine unloads it at the last
    // close while its recording thread may still call back into it, which ends the process;
    // Windows keeps a loaded driver resident anyway, so pinning it costs nothing there.
    static const HMODULE waveDriver = ::LoadLibraryA("mciwave.dll");
    (void)waveDriver;
}

MciDevice::~MciDevice() {
    Close();
}

void MciDevice::OnNotify(WPARAM flags) {
    switch (flags) {
        case MCI_NOTIFY_SUCCESSFUL:
            lastNotify_ = NotifyResult::Successful;
            break;
        case MCI_NOTIFY_SUPERSEDED:
            lastNotify_ = NotifyResult::Superseded;
            break;
        case MCI_NOTIFY_ABORTED:
            lastNotify_ = NotifyResult::Aborted;
            break;
        default:
            lastNotify_ = NotifyResult::Failure;
            break;
    }
    if (onNotify_) onNotify_();
}

MCIERROR MciDevice::Send(UINT command, DWORD flags, void* parameters) {
    lastResult_ =
        ::mciSendCommandA(deviceId_, command, flags, reinterpret_cast<DWORD_PTR>(parameters));
    return lastResult_;
}

void MciDevice::RequireOpen() const {
    if (!IsOpen()) throw MciError("No MCI device open");
}

void MciDevice::Open(const std::string& fileName) {
    // One device at a time: a second open would leave the first one unreachable.
    Close();
    fileName_ = fileName;
    MCI_OPEN_PARMSA parms = {};
    parms.dwCallback = reinterpret_cast<DWORD_PTR>(window_.hwnd());
    parms.lpstrElementName = fileName_.c_str();
    lastResult_ = ::mciSendCommandA(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT,
                                    reinterpret_cast<DWORD_PTR>(&parms));
    if (lastResult_ != 0) throw MciError(MciErrorText(lastResult_));
    deviceId_ = parms.wDeviceID;
}

void MciDevice::Close() {
    if (!IsOpen()) return;
    MCI_GENERIC_PARMS parms = {};
    parms.dwCallback = reinterpret_cast<DWORD_PTR>(window_.hwnd());
    Send(MCI_CLOSE, MCI_WAIT, &parms);
    deviceId_ = 0;
}

void MciDevice::Play() {
    RequireOpen();
    MCI_PLAY_PARMS parms = {};
    parms.dwCallback = reinterpret_cast<DWORD_PTR>(window_.hwnd());
    Send(MCI_PLAY, MCI_NOTIFY, &parms);
}

void MciDevice::PlayFrom(unsigned position) {
    RequireOpen();
    MCI_PLAY_PARMS parms = {};
    parms.dwCallback = reinterpret_cast<DWORD_PTR>(window_.hwnd());
    parms.dwFrom = position;
    Send(MCI_PLAY, MCI_NOTIFY | MCI_FROM, &parms);
}

void MciDevice::Stop() {
    RequireOpen();
    MCI_GENERIC_PARMS parms = {};
    parms.dwCallback = reinterpret_cast<DWORD_PTR>(window_.hwnd());
    Send(MCI_STOP, MCI_WAIT, &parms);
}

void MciDevice::Pause() {
    RequireOpen();
    MCI_GENERIC_PARMS parms = {};
    parms.dwCallback = reinterpret_cast<DWORD_PTR>(window_.hwnd());
    Send(MCI_PAUSE, MCI_WAIT, &parms);
}

void MciDevice::Record() {
    RequireOpen();
    MCI_RECORD_PARMS parms = {};
    parms.dwCallback = reinterpret_cast<DWORD_PTR>(window_.hwnd());
    Send(MCI_RECORD, MCI_NOTIFY, &parms);
}

void MciDevice::Save() {
    RequireOpen();
    MCI_SAVE_PARMSA parms = {};
    parms.dwCallback = reinterpret_cast<DWORD_PTR>(window_.hwnd());
    parms.lpfilename = fileName_.c_str();
    Send(MCI_SAVE, MCI_WAIT | MCI_SAVE_FILE, &parms);
}

AudioMode MciDevice::Mode() {
    // Asking device 0 would only produce an error code; a closed device is simply not open.
    if (!IsOpen()) return AudioMode::NotOpen;
    MCI_STATUS_PARMS parms = {};
    parms.dwCallback = reinterpret_cast<DWORD_PTR>(window_.hwnd());
    parms.dwItem = MCI_STATUS_MODE;
    if (Send(MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, &parms) != 0) return AudioMode::Other;
    return ModeOf(parms.dwReturn);
}
