// The MCI wrapper against the platform's wave audio device. Relies on the platform playing wave
// files through its output device (under the bench: PulseAudio's null sink) and posting the
// completion message of a notified play.
#include "platform/mcidevice.h"

#include "voice/createwav.h"
#include "voicebench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

class MciDeviceTest : public ::testing::Test {
  protected:
    MciDeviceTest() {
        tone = VoiceTestFolder() + "tone_1s.wav";
        WriteToneWav(tone, 1.0, 440);
        device.SetNotifyHandler([this] { ++notifications; });
    }
    bool WaitForNotification(DWORD timeoutMs) {
        int before = notifications;
        return PumpUntil([&] { return notifications > before; }, timeoutMs);
    }

    std::string tone;
    MciDevice device;
    int notifications = 0;
};

TEST_F(MciDeviceTest, OneSecondClipPlaysToItsEndAndNotifiesSuccess) {
    device.Open(tone);
    EXPECT_TRUE(device.IsOpen());
    EXPECT_EQ(AudioMode::Stopped, device.Mode());
    DWORD start = ::GetTickCount();
    device.Play();
    EXPECT_EQ(0u, device.LastResult());
    EXPECT_EQ(AudioMode::Playing, device.Mode());

    ASSERT_TRUE(WaitForNotification(5000));
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_EQ(NotifyResult::Successful, device.LastNotifyResult());
    EXPECT_GE(elapsed, 900u);
    EXPECT_EQ(AudioMode::Stopped, device.Mode());
    // The device stays open on the finished clip until it is closed.
    EXPECT_TRUE(device.IsOpen());
    device.Close();
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(tone, device.FileName());
}

// Wine answers the resuming play at once (the first play "superseded", the resume "successful")
// and then plays to the end without another notification; Windows notifies at the end. So the
// end is found by the mode here.
TEST_F(MciDeviceTest, PausedClipWaitsAndResumesWhereItWas) {
    device.Open(tone);
    DWORD start = ::GetTickCount();
    device.Play();
    PumpFor(600);
    device.Pause();
    EXPECT_EQ(AudioMode::Paused, device.Mode());
    PumpFor(1000);
    EXPECT_EQ(AudioMode::Paused, device.Mode()) << "a paused clip went on";
    device.Play();
    EXPECT_EQ(AudioMode::Playing, device.Mode());
    ASSERT_TRUE(PumpUntil([&] { return device.Mode() == AudioMode::Stopped; }, 5000));
    DWORD elapsed = ::GetTickCount() - start;
    // Going on from 0.6 s ends near 2.0 s; starting over would end near 2.6 s.
    EXPECT_GE(elapsed, 1900u);
    EXPECT_LT(elapsed, 2350u);
    PumpFor(100);
    EXPECT_EQ(NotifyResult::Successful, device.LastNotifyResult());
    std::printf("paused clip ended after %lu ms\n", elapsed);
}

TEST_F(MciDeviceTest, PlayFromAPositionSkipsTheStart) {
    device.Open(tone);
    DWORD start = ::GetTickCount();
    device.PlayFrom(750);
    EXPECT_EQ(0u, device.LastResult());
    ASSERT_TRUE(WaitForNotification(5000));
    EXPECT_EQ(NotifyResult::Successful, device.LastNotifyResult());
    EXPECT_LT(::GetTickCount() - start, 900u);
    // Past the end the platform refuses, and only the result code tells.
    device.PlayFrom(5000);
    EXPECT_NE(0u, device.LastResult());
}

TEST_F(MciDeviceTest, MissingFileRaisesThePlatformTextAndLeavesTheDeviceClosed) {
    device.Open(tone);
    const std::string missing = VoiceTestFolder() + "no such clip.wav";
    try {
        device.Open(missing);
        FAIL() << "opened a missing file";
    } catch (const MciError& e) {
        // The text is in the platform's language (Chinese under the bench's locale).
        EXPECT_EQ(MciErrorText(MCIERR_FILE_NOT_FOUND), e.what());
        EXPECT_NE("Unknown error code", std::string(e.what()));
    }
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(missing, device.FileName());
    EXPECT_EQ(AudioMode::NotOpen, device.Mode());
}

TEST_F(MciDeviceTest, CommandsWithoutAnOpenDeviceRaiseAndCloseDoesNothing) {
    for (auto command : {&MciDevice::Play, &MciDevice::Stop, &MciDevice::Pause, &MciDevice::Record,
                         &MciDevice::Save}) {
        try {
            (device.*command)();
            FAIL() << "no failure";
        } catch (const MciError& e) {
            EXPECT_STREQ("No MCI device open", e.what());
        }
    }
    EXPECT_THROW(device.PlayFrom(0), MciError);
    EXPECT_NO_THROW(device.Close());
}

// Relies on the bench's input (PulseAudio's 440 Hz sine source as default) and on Wine's wave
// device recording into a temporary file of its own, which its save closes but cannot move onto
// the opened file; the tone is measured there.
TEST_F(MciDeviceTest, RecordingTakesTheInputInTheFormatOfTheHeaderOnlyFile) {
    const std::string file = VoiceTestFolder() + "header_only.wav";
    Createwav(2, 16, 22050, file);
    std::vector<std::string> before = MciTemporaryFiles();
    device.Open(file);
    device.Record();
    EXPECT_EQ(0u, device.LastResult());
    PumpFor(200);
    EXPECT_EQ(AudioMode::Recording, device.Mode());
    PumpFor(1300);
    DWORD stopping = ::GetTickCount();
    device.Stop();
    std::printf("stopping the recording took %lu ms\n", ::GetTickCount() - stopping);
    ASSERT_TRUE(PumpUntil([&] { return device.LastNotifyResult() != NotifyResult::None; }, 2000));
    EXPECT_EQ(NotifyResult::Aborted, device.LastNotifyResult());

    device.Save();
    std::printf("save onto the opened file answered %lu; it holds %zu bytes\n",
                static_cast<unsigned long>(device.LastResult()), ReadBytes(file).size());

    std::vector<std::string> recorded;
    for (const std::string& f : MciTemporaryFiles())
        if (std::find(before.begin(), before.end(), f) == before.end()) recorded.push_back(f);
    ASSERT_EQ(1u, recorded.size());
    WavContent wav = ReadWav(ReadBytes(recorded[0]));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(2, wav.channels);
    EXPECT_EQ(16, wav.bits);
    EXPECT_EQ(22050, wav.rate);
    EXPECT_GT(wav.Seconds(), 0.2);
    EXPECT_NEAR(440.0, wav.Frequency(), 15.0);
    EXPECT_GT(wav.Rms(), 3000.0);
    std::printf("recorded %.2f s at %.1f Hz, RMS %.0f\n", wav.Seconds(), wav.Frequency(),
                wav.Rms());

    device.Close();
    ::DeleteFileA(recorded[0].c_str());
}

TEST(MciErrorTextTest, CodeThePlatformDoesNotKnowGivesUnknownErrorCode) {
    EXPECT_EQ("Unknown error code", MciErrorText(0x7FFF));
    EXPECT_NE("Unknown error code", MciErrorText(MCIERR_FILE_NOT_FOUND));
}

}  // namespace
