// The audio device over Windows MCI (mciSendCommandA): at most one device open at a time, always
// with the device type chosen by the platform from the file. Completion notifications come to a
// message-only window of its own; the result is kept and the owner's handler called.
#pragma once

#include "platform/audiodevice.h"
#include "platform/window.h"

#include <windows.h>
#include <mmsystem.h>

#include <functional>
#include <stdexcept>
#include <string>

class MciError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The platform's text for an MCI error code, or "Unknown error code" when it has none.
std::string MciErrorText(MCIERROR code);

class MciDevice : public AudioDevice {
  public:
    MciDevice();
    ~MciDevice() override;
    MciDevice(const MciDevice&) = delete;
    MciDevice& operator=(const MciDevice&) = delete;

    std::string FileName() const override { return fileName_; }
    bool IsOpen() const override { return deviceId_ != 0; }
    void Open(const std::string& fileName) override;
    void Close() override;
    void Play() override;
    void PlayFrom(unsigned position) override;
    void Stop() override;
    void Pause() override;
    void Record() override;
    void Save() override;
    AudioMode Mode() override;
    NotifyResult LastNotifyResult() const override { return lastNotify_; }

    // Runs inside the guarded notification handler after the result has been stored.
    void SetNotifyHandler(std::function<void()> handler) { onNotify_ = std::move(handler); }
    // The platform's result of the last command sent, kept for inspection.
    MCIERROR LastResult() const { return lastResult_; }
    MCIDEVICEID DeviceId() const { return deviceId_; }
    HWND NotifyWindow() const { return window_.hwnd(); }

  private:
    void RequireOpen() const;
    MCIERROR Send(UINT command, DWORD flags, void* parameters);
    void OnNotify(WPARAM flags);

    MessageWindow window_;
    MCIDEVICEID deviceId_ = 0;
    std::string fileName_;
    NotifyResult lastNotify_ = NotifyResult::None;
    MCIERROR lastResult_ = 0;
    std::function<void()> onNotify_;
};
