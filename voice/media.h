// The voice practice window "录音回放对比": owner of the one audio device and of the recording
// timer. It is created at start and never shown; the movie's commands call its operations, and
// its buttons call the same ones.
#pragma once

#include "platform/mcidevice.h"
#include "platform/window.h"
#include "voice/voicepractice.h"

#include <string>

class MovieFunctionCaller;

class TForm2 : public Window, private OneShotTimer {
  public:
    explicit TForm2(MovieFunctionCaller& movie);
    ~TForm2() override;

    // Builds the window and its components, then runs FormCreate (guarded).
    void Create();

    void PlayAudio(const std::string& path) { voice_.PlayAudio(path); }
    void CloseRecord() { voice_.CloseRecord(); }
    void BeginRecord();
    void StopAndPlayRecord() { voice_.StopAndPlayRecord(); }
    void PlaySrcSound() { voice_.PlaySrcSound(); }

    MciDevice MediaPlayer1;

  private:
    VoicePractice voice_;

  public:
    // The model sound's full path; the commands "recording" and "audio" set it.
    std::string& SrcSoundPath = voice_.SrcSoundPath;

    bool Timer1Enabled() const { return voice_.Timer1Enabled(); }

  private:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Start(unsigned intervalMs) override;
    void Stop() override;

    void FormCreate();
    void FormHide();
    void BtstartClick() { BeginRecord(); }
    void BtstopClick() { StopAndPlayRecord(); }
    void playsrcbtnClick() { PlaySrcSound(); }
    void CreateSettingGroup(HWND& group, HWND* choices, int count, const wchar_t* caption,
                            const wchar_t* const* texts, int top, int firstId);
    static int SelectedIndex(const HWND* choices, int count);

    HWND Btstart = nullptr;
    HWND Btstop = nullptr;
    HWND playsrcbtn = nullptr;
    HWND ssd = nullptr;
    HWND syz = nullptr;
    HWND spl = nullptr;
    HWND ssdChoices_[2] = {};
    HWND syzChoices_[2] = {};
    HWND splChoices_[3] = {};
};
