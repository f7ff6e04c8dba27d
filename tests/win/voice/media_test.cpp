// The voice practice window under Wine with the real MCI device, the real timer and the platform
// message box: what the movie is told and what lands in Temp.wav beside the executable.
#include "voice/media.h"

#include "platform/paths.h"
#include "platform/textconv.h"
#include "tests/unit/voice/fakes.h"
#include "voice/createwav.h"
#include "voice/mediaextensions.h"
#include "voicebench.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::string Recording() {
    return ProgramDirectory() + "Temp.wav";
}

std::string ProfileValue(const char* file, const char* section, const char* key) {
    char value[256] = {};
    ::GetPrivateProfileStringA(section, key, "(missing)", value, sizeof value, file);
    return value;
}

class VoiceWindowTest : public ::testing::Test {
  protected:
    VoiceWindowTest() {
        ::DeleteFileA(Recording().c_str());
        form.Create();
    }
    ~VoiceWindowTest() override {
        form.CloseRecord();
        ::DeleteFileA(Recording().c_str());
    }
    int Count(const std::string& notice) const {
        int n = 0;
        for (const std::string& call : movie.calls) n += call == FakeMovie::Notice(notice);
        return n;
    }

    FakeMovie movie;
    TForm2 form{movie};
};

TEST(VoiceWindowCreateTest, CreationWritesTheSevenProfileEntriesOverOthers) {
    // Relies on the platform keeping win.ini and system.ini as files of the Windows folder.
    ::WritePrivateProfileStringA("mci extensions", "mpg", "SomeOtherDevice", "win.ini");
    ::WritePrivateProfileStringA("mci extensions", "zzz", "Untouched", "win.ini");
    ::WritePrivateProfileStringA("mci", "MPEGVideo", nullptr, "system.ini");
    FakeMovie movie;
    TForm2 form(movie);
    form.Create();

    for (const ProfileEntry& e : MediaExtensionEntries())
        EXPECT_EQ(e.value, ProfileValue(e.file.c_str(), e.section.c_str(), e.key.c_str())) << e.key;
    EXPECT_EQ("Untouched", ProfileValue("win.ini", "mci extensions", "zzz"));

    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    std::vector<unsigned char> ini = ReadBytes(std::string(windows) + "\\system.ini");
    std::string text(ini.begin(), ini.end());
    EXPECT_NE(std::string::npos, text.find("MPEGVideo=mciqtz.drv")) << text;

    EXPECT_FALSE(form.IsVisible());
    RECT client;
    ::GetClientRect(form.hwnd(), &client);
    EXPECT_EQ(197, client.right);
    EXPECT_EQ(323, client.bottom);
    wchar_t title[64] = {};
    ::GetWindowTextW(form.hwnd(), title, 64);
    EXPECT_STREQ(L"录音回放对比", title);
    EXPECT_TRUE(form.SrcSoundPath.empty());
}

TEST_F(VoiceWindowTest, SameClipThreeTimesPlaysPausesAndResumesThenFinishes) {
    const std::string clip = VoiceTestFolder() + "clip.wav";
    WriteToneWav(clip, 1.0, 440);
    form.PlayAudio(clip);
    EXPECT_EQ(AudioMode::Playing, form.MediaPlayer1.Mode());
    PumpFor(200);
    form.PlayAudio(clip);
    EXPECT_EQ(AudioMode::Paused, form.MediaPlayer1.Mode());
    PumpFor(300);
    form.PlayAudio(clip);
    EXPECT_EQ(AudioMode::Playing, form.MediaPlayer1.Mode());
    ASSERT_TRUE(PumpUntil([&] { return form.MediaPlayer1.Mode() == AudioMode::Stopped; }, 5000));
    PumpFor(100);
    EXPECT_EQ(NotifyResult::Successful, form.MediaPlayer1.LastNotifyResult());
    EXPECT_TRUE(movie.calls.empty());  // a clip is not the recording
}

TEST_F(VoiceWindowTest, AnotherClipReplacesThePlayingOne) {
    const std::string first = VoiceTestFolder() + "first.wav";
    const std::string second = VoiceTestFolder() + "second.wav";
    WriteToneWav(first, 1.0, 440);
    WriteToneWav(second, 0.5, 660);
    form.PlayAudio(first);
    PumpFor(200);
    form.PlayAudio(second);
    EXPECT_EQ(second, form.MediaPlayer1.FileName());
    EXPECT_EQ(AudioMode::Playing, form.MediaPlayer1.Mode());
    ASSERT_TRUE(PumpUntil(
        [&] { return form.MediaPlayer1.LastNotifyResult() == NotifyResult::Successful; }, 5000));
}

TEST_F(VoiceWindowTest, EndOfTheRecordingsPlaybackReachesTheMovieOnlyWithAModelSound) {
    // A finished recording stands in for one the device saved: Wine's device cannot save onto
    // the file it recorded from (see the recording test).
    WriteToneWav(Recording(), 1.0, 440, 2, 16, 22050);
    form.SrcSoundPath = ProgramDirectory() + "model.mp3";
    form.PlayAudio(Recording());
    ASSERT_TRUE(PumpUntil([&] { return Count("playrecordover") == 1; }, 5000));
    EXPECT_EQ(NotifyResult::Successful, form.MediaPlayer1.LastNotifyResult());

    form.SrcSoundPath.clear();  // what "audio" does
    form.PlayAudio(Recording());
    ASSERT_TRUE(PumpUntil([&] { return form.MediaPlayer1.Mode() == AudioMode::Stopped; }, 5000));
    PumpFor(200);
    EXPECT_EQ(1, Count("playrecordover"));
}

TEST_F(VoiceWindowTest, MissingModelSoundRaisesThePlatformText) {
    form.SrcSoundPath = ProgramDirectory() + "missing-model.wav";
    try {
        form.PlaySrcSound();
        FAIL() << "played a missing file";
    } catch (const std::exception& e) {
        EXPECT_EQ(MciErrorText(MCIERR_FILE_NOT_FOUND), e.what());
    }
    EXPECT_FALSE(form.MediaPlayer1.IsOpen());
}

TEST_F(VoiceWindowTest, RecordingThatCannotBeSetUpShowsTheErrorBoxAndNoCanspeak) {
    ::CreateDirectoryA(Recording().c_str(), nullptr);  // Temp.wav cannot be created
    MessageBoxCatcher boxes;
    form.BeginRecord();
    ::RemoveDirectoryA(Recording().c_str());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(L"媒体设备初始化失败！", boxes.boxes[0].text);
    EXPECT_EQ(L"错误", boxes.boxes[0].caption);
    EXPECT_TRUE(boxes.boxes[0].hasIcon);
    EXPECT_FALSE(form.Timer1Enabled());
    PumpFor(1000);
    EXPECT_EQ(0, Count("canspeak"));
}

// The one recording of this process: under Wine the device keeps Temp.wav open against writing
// once it has recorded from it, so a second header could not be written until the process ends.
TEST_F(VoiceWindowTest, RecordingWritesTheHeaderRecordsAndSaysCanspeakOnce) {
    MessageBoxCatcher boxes;
    DWORD start = ::GetTickCount();
    form.BeginRecord();
    auto header = WavHeader(2, 16, 22050);
    EXPECT_EQ(std::vector<unsigned char>(header.begin(), header.end()), ReadBytes(Recording()));
    EXPECT_TRUE(form.MediaPlayer1.IsOpen());
    EXPECT_EQ(Recording(), form.MediaPlayer1.FileName());
    EXPECT_TRUE(form.Timer1Enabled());
    PumpFor(200);
    EXPECT_EQ(AudioMode::Recording, form.MediaPlayer1.Mode());

    ASSERT_TRUE(PumpUntil([&] { return Count("canspeak") == 1; }, 3000));
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_GE(elapsed, 740u);
    EXPECT_LT(elapsed, 1250u);
    EXPECT_FALSE(form.Timer1Enabled());
    PumpFor(1000);
    EXPECT_EQ(1, Count("canspeak"));

    // Stopping aborts the notified recording; the save and the play from 750 ms report nothing.
    // Relies on Wine answering the save with 0 and the play of the unsaved file with a refusal
    // (Windows plays the saved recording instead and then says "playrecordover").
    form.StopAndPlayRecord();
    PumpFor(300);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_NE(NotifyResult::Successful, form.MediaPlayer1.LastNotifyResult());
    EXPECT_TRUE(form.MediaPlayer1.IsOpen());
    EXPECT_EQ(Recording(), form.MediaPlayer1.FileName());
    std::vector<unsigned char> saved = ReadBytes(Recording());
    ASSERT_GE(saved.size(), kWavHeaderSize);
    // Whatever the save made of it, the format is the one the header named.
    EXPECT_EQ(std::vector<unsigned char>(header.begin() + 8, header.begin() + 36),
              std::vector<unsigned char>(saved.begin() + 8, saved.begin() + 36));
    std::printf("Temp.wav after the save: %zu bytes\n", saved.size());
}

}  // namespace
