// The one audio device of the voice practice window, as its logic sees it: open a file with the
// device chosen from the file, play, pause, record, save, and ask what the device is doing. The
// Windows implementation is the MCI wrapper (platform/mcidevice.h); tests use a recording fake.
#pragma once

#include <string>

enum class AudioMode {
    NotOpen,
    NotReady,
    Stopped,
    Playing,
    Recording,
    Seeking,
    Paused,
    Open,
    Other
};

// How the last command sent with notification ended; None until the first completion.
enum class NotifyResult { None, Successful, Superseded, Aborted, Failure };

class AudioDevice {
  public:
    virtual ~AudioDevice() = default;

    // The file the device was last opened on. It survives a close, so the caller can still tell
    // which clip the device was playing.
    virtual std::string FileName() const = 0;
    virtual bool IsOpen() const = 0;

    // Closes what is open, remembers the file name and opens the device that the platform picks
    // for the file. A failure throws with the platform's text and leaves the device closed.
    virtual void Open(const std::string& fileName) = 0;
    // Nothing happens when no device is open.
    virtual void Close() = 0;

    // The remaining operations throw "No MCI device open" when no device is open; the platform's
    // own result of the command is kept, never thrown. Play and Record notify on completion.
    virtual void Play() = 0;
    virtual void PlayFrom(unsigned position) = 0;
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual void Record() = 0;
    // Writes the recording into the file the device was opened on.
    virtual void Save() = 0;

    virtual AudioMode Mode() = 0;
    virtual NotifyResult LastNotifyResult() const = 0;
};
