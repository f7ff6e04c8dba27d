// The logic of the voice practice window: plays clips, records the learner into Temp.wav in the
// program directory, plays the recording back from 750 ms on, and tells the movie when the learner
// may speak ("canspeak") and when the playback has ended ("playrecordover"). It works through
// narrow seams (audio device, one-shot timer, movie, message box) so that it builds natively and
// is tested with fakes; TForm2 wires it to the platform.
#pragma once

#include "platform/audiodevice.h"

#include <cstdint>
#include <functional>
#include <string>

class MovieFunctionCaller;

struct RecordFormat {
    std::uint16_t channels;
    std::uint16_t bitsPerSample;
    std::uint32_t sampleRate;
};

// The recording format chosen by the three settings groups (selected index, -1 for none):
// channels "单声道"/"立体声", sample size "8位"/"16位", rate 11025/22050/44100 Hz.
RecordFormat RecordFormatFor(int channelsIndex, int sizeIndex, int rateIndex);

// The default choice of each of the three groups.
constexpr int kDefaultSettingIndex = 1;

class OneShotTimer {
  public:
    virtual ~OneShotTimer() = default;
    virtual void Start(unsigned intervalMs) = 0;
    virtual void Stop() = 0;
};

class VoicePractice {
  public:
    VoicePractice(AudioDevice& device, OneShotTimer& timer, MovieFunctionCaller& movie,
                  std::function<std::string()> programDirectory,
                  std::function<void()> showSetupFailure);

    // Creation state: no model sound, playback from 750 ms, a 750 ms timer.
    void Initialize();

    void PlayAudio(const std::string& path);
    void CloseRecord();
    void BeginRecord(const RecordFormat& format);
    void StopAndPlayRecord();
    void PlaySrcSound();

    // Event handlers, called by the window for the timer tick and the device's completion.
    void Timer1Timer();
    void MediaPlayer1Notify();

    bool Timer1Enabled() const { return timer1Enabled_; }
    std::string RecordingFile() const;

    std::string SrcSoundPath;
    unsigned PlayStartPos = 750;
    unsigned Timer1Interval = 750;

  private:
    void StartTimer1();

    AudioDevice& device_;
    OneShotTimer& timer_;
    MovieFunctionCaller& movie_;
    std::function<std::string()> programDirectory_;
    std::function<void()> showSetupFailure_;
    bool timer1Enabled_ = false;
};
