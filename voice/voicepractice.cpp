#include "voice/voicepractice.h"

#include "bridge/invoke.h"
#include "voice/createwav.h"

#include <exception>
#include <utility>

RecordFormat RecordFormatFor(int channelsIndex, int sizeIndex, int rateIndex) {
    RecordFormat f;
    f.channels = channelsIndex == 0 ? 1 : 2;
    f.bitsPerSample = sizeIndex == 0 ? 8 : 16;
    f.sampleRate = rateIndex == 1 ? 22050 : rateIndex == 2 ? 44100 : 11025;
    return f;
}

VoicePractice::VoicePractice(AudioDevice& device, OneShotTimer& timer, MovieFunctionCaller& movie,
                             std::function<std::string()> programDirectory,
                             std::function<void()> showSetupFailure)
    : device_(device),
      timer_(timer),
      movie_(movie),
      programDirectory_(std::move(programDirectory)),
      showSetupFailure_(std::move(showSetupFailure)) {}

void VoicePractice::Initialize() {
    SrcSoundPath.clear();
    PlayStartPos = 750;
    Timer1Interval = 750;
}

std::string VoicePractice::RecordingFile() const {
    return programDirectory_() + "Temp.wav";
}

void VoicePractice::PlayAudio(const std::string& path) {
    // The same clip again toggles between pause and resume; anything else starts afresh.
    if (device_.FileName() == path && device_.Mode() == AudioMode::Playing) {
        device_.Pause();
        return;
    }
    if (device_.FileName() == path && device_.Mode() == AudioMode::Paused) {
        device_.Play();
        return;
    }
    CloseRecord();
    device_.Open(path);
    device_.Play();
}

void VoicePractice::CloseRecord() {
    // With nothing open the stop throws, which is as good as done.
    try {
        device_.Stop();
        device_.Close();
    } catch (const std::exception&) {
    }
}

void VoicePractice::BeginRecord(const RecordFormat& format) {
    try {
        CloseRecord();
        const std::string file = RecordingFile();
        Createwav(format.channels, format.bitsPerSample, format.sampleRate, file);
        device_.Open(file);
        device_.Record();
        StartTimer1();
    } catch (const std::exception&) {
        showSetupFailure_();
    }
}

void VoicePractice::StopAndPlayRecord() {
    try {
        device_.Stop();
        device_.Save();
        // The first 750 ms are the span the learner waited for "canspeak".
        device_.PlayFrom(PlayStartPos);
    } catch (const std::exception&) {
    }
}

void VoicePractice::PlaySrcSound() {
    PlayAudio(SrcSoundPath);
}

void VoicePractice::StartTimer1() {
    // A timer that is already counting keeps its count: two quick recordings give one "canspeak".
    if (timer1Enabled_) return;
    timer1Enabled_ = true;
    timer_.Start(Timer1Interval);
}

void VoicePractice::Timer1Timer() {
    timer1Enabled_ = false;
    timer_.Stop();
    NotifyMovie(movie_, "canspeak", "");
}

void VoicePractice::MediaPlayer1Notify() {
    // Completions arrive late, possibly after other commands; judge by what is open now.
    if (device_.LastNotifyResult() != NotifyResult::Successful) return;
    if (SrcSoundPath.empty()) return;
    if (device_.FileName() != RecordingFile()) return;
    NotifyMovie(movie_, "playrecordover", "");
}
