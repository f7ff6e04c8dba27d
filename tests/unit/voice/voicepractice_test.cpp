// The clip player and voice recorder against a recording fake of the audio device: which
// requests reach the device, when the timer runs, and which notices reach the movie.
#include "voice/voicepractice.h"

#include "fakes.h"
#include "voice/createwav.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

using Log = std::vector<std::string>;

const RecordFormat kDefaultFormat = RecordFormatFor(1, 1, 1);

class VoicePracticeTest : public ::testing::Test {
  protected:
    VoicePracticeTest() { voice.Initialize(); }
    ~VoicePracticeTest() override { std::remove(Recording().c_str()); }

    std::string Recording() const { return programDir + "Temp.wav"; }
    std::vector<unsigned char> RecordingBytes() const {
        std::ifstream in(Recording(), std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
    }
    // A recording that has been made and is being played back from 750 ms.
    void RecordAndPlayBack() {
        voice.SrcSoundPath = "C:\\course\\model.mp3";
        voice.BeginRecord(kDefaultFormat);
        voice.Timer1Timer();
        voice.StopAndPlayRecord();
        movie.calls.clear();
    }

    FakeAudioDevice device;
    FakeTimer timer;
    FakeMovie movie;
    std::string programDir = ::testing::TempDir();
    int failuresShown = 0;
    VoicePractice voice{device, timer, movie, [this] { return programDir; },
                        [this] { ++failuresShown; }};
};

TEST_F(VoicePracticeTest, SamePathPlaysPausesResumesAndPlaysAgainOnceFinished) {
    voice.PlayAudio("a.mp3");
    EXPECT_EQ((Log{"open a.mp3", "play"}), device.log);
    voice.PlayAudio("a.mp3");
    voice.PlayAudio("a.mp3");
    // Resuming is a play without a start position, so it goes on where it was paused.
    EXPECT_EQ((Log{"open a.mp3", "play", "pause", "play"}), device.log);

    device.mode = AudioMode::Stopped;  // the clip has played to its end
    device.log.clear();
    voice.PlayAudio("a.mp3");
    EXPECT_EQ((Log{"stop", "close", "open a.mp3", "play"}), device.log);
}

TEST_F(VoicePracticeTest, AnotherPathStopsAndClosesTheFirst) {
    voice.PlayAudio("a.mp3");
    voice.PlayAudio("b.mp3");
    EXPECT_EQ((Log{"open a.mp3", "play", "stop", "close", "open b.mp3", "play"}), device.log);
    EXPECT_EQ("b.mp3", device.FileName());
}

TEST_F(VoicePracticeTest, SamePathAfterCloseOpensAgain) {
    voice.PlayAudio("a.mp3");
    voice.CloseRecord();
    device.log.clear();
    voice.PlayAudio("a.mp3");
    EXPECT_EQ((Log{"open a.mp3", "play"}), device.log);
}

TEST_F(VoicePracticeTest, ClipThatCannotBeOpenedFailsToTheCallerWithTheDeviceText) {
    voice.SrcSoundPath = "model.mp3";
    device.unopenable = {"missing.mp3"};
    voice.PlayAudio("a.mp3");
    try {
        voice.PlayAudio("missing.mp3");
        FAIL() << "no failure";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(device.openError, e.what());
    }
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ("model.mp3", voice.SrcSoundPath);
}

TEST_F(VoicePracticeTest, PlaySrcSoundPlaysTheModelSoundAndFailsOnAnEmptyPath) {
    voice.SrcSoundPath = "model.mp3";
    voice.PlaySrcSound();
    EXPECT_EQ((Log{"open model.mp3", "play"}), device.log);

    voice.SrcSoundPath.clear();
    device.unopenable = {""};
    EXPECT_THROW(voice.PlaySrcSound(), std::runtime_error);
}

TEST_F(VoicePracticeTest, CloseRecordAndStopAndPlayRecordDoNothingWithNoDeviceOpen) {
    voice.CloseRecord();
    voice.StopAndPlayRecord();
    EXPECT_TRUE(device.log.empty());
    EXPECT_EQ(0, failuresShown);
}

TEST_F(VoicePracticeTest, BeginRecordWritesTheHeaderOpensRecordsAndStartsTheTimer) {
    voice.PlayAudio("a.mp3");
    device.log.clear();
    {
        std::ofstream old(Recording(), std::ios::binary);
        old << std::string(10000, 'r');  // the previous recording
    }
    voice.BeginRecord(kDefaultFormat);

    EXPECT_EQ((Log{"stop", "close", "open " + Recording(), "record"}), device.log);
    auto header = WavHeader(2, 16, 22050);
    EXPECT_EQ(std::vector<unsigned char>(header.begin(), header.end()), RecordingBytes());
    EXPECT_EQ((Log{"start 750"}), timer.log);
    EXPECT_TRUE(voice.Timer1Enabled());
    EXPECT_TRUE(movie.calls.empty());
}

TEST_F(VoicePracticeTest, TwoRecordingsWithinTheIntervalGiveOneCanspeak) {
    voice.BeginRecord(kDefaultFormat);
    voice.BeginRecord(kDefaultFormat);
    EXPECT_EQ((Log{"start 750"}), timer.log);  // the running count is not restarted

    voice.Timer1Timer();
    EXPECT_EQ((Log{"start 750", "stop"}), timer.log);
    EXPECT_EQ((Log{FakeMovie::Notice("canspeak")}), movie.calls);
    EXPECT_FALSE(voice.Timer1Enabled());

    // Once it has fired, the next recording starts it again.
    voice.BeginRecord(kDefaultFormat);
    EXPECT_EQ((Log{"start 750", "stop", "start 750"}), timer.log);
}

TEST_F(VoicePracticeTest, RecordingThatCannotBeSetUpShowsTheFailureAndStartsNoTimer) {
    programDir = ::testing::TempDir() + "no-such-folder/";
    voice.PlayAudio("a.mp3");
    voice.BeginRecord(kDefaultFormat);
    EXPECT_EQ(1, failuresShown);
    EXPECT_TRUE(timer.log.empty());
    EXPECT_FALSE(device.IsOpen());

    // The header is written, but the device refuses the file.
    programDir = ::testing::TempDir();
    device.unopenable = {Recording()};
    voice.BeginRecord(kDefaultFormat);
    EXPECT_EQ(2, failuresShown);
    EXPECT_TRUE(timer.log.empty());
    EXPECT_EQ(kWavHeaderSize, RecordingBytes().size());
}

TEST_F(VoicePracticeTest, StopAndPlayRecordSavesAndPlaysFromSevenHundredFifty) {
    voice.BeginRecord(kDefaultFormat);
    device.log.clear();
    voice.StopAndPlayRecord();
    EXPECT_EQ((Log{"stop", "save", "play from 750"}), device.log);
}

TEST_F(VoicePracticeTest, PlaybackOfTheRecordingEndingSuccessfullyGivesPlayrecordover) {
    RecordAndPlayBack();
    device.notifyResult = NotifyResult::Successful;
    voice.MediaPlayer1Notify();
    EXPECT_EQ((Log{FakeMovie::Notice("playrecordover")}), movie.calls);
}

TEST_F(VoicePracticeTest, NotifyIgnoresUnsuccessfulEndsAnEmptyModelSoundAndOtherFiles) {
    RecordAndPlayBack();
    for (NotifyResult r : {NotifyResult::Superseded, NotifyResult::Aborted, NotifyResult::Failure,
                           NotifyResult::None}) {
        device.notifyResult = r;
        voice.MediaPlayer1Notify();
    }
    EXPECT_TRUE(movie.calls.empty());

    // "audio" empties the model sound: the recording's end is then not reported.
    device.notifyResult = NotifyResult::Successful;
    voice.SrcSoundPath.clear();
    voice.MediaPlayer1Notify();
    EXPECT_TRUE(movie.calls.empty());

    // The model sound finishing is not the recording finishing.
    voice.SrcSoundPath = "C:\\course\\model.mp3";
    voice.PlaySrcSound();
    voice.MediaPlayer1Notify();
    EXPECT_TRUE(movie.calls.empty());
}

TEST_F(VoicePracticeTest, NotifyJudgesByTheProgramDirectoryAtTheTimeItRuns) {
    RecordAndPlayBack();
    device.notifyResult = NotifyResult::Successful;
    programDir = "D:\\elsewhere\\";
    voice.MediaPlayer1Notify();
    EXPECT_TRUE(movie.calls.empty());
}

TEST_F(VoicePracticeTest, FailingMovieCallReachesTheCallerWithTheTimerAlreadyStopped) {
    voice.BeginRecord(kDefaultFormat);
    movie.fail = true;
    EXPECT_THROW(voice.Timer1Timer(), std::runtime_error);
    EXPECT_FALSE(voice.Timer1Enabled());
    EXPECT_EQ((Log{"start 750", "stop"}), timer.log);
}

}  // namespace
