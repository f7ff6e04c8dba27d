// The 44-byte header of the recording file, and the settings that choose its format.
#include "voice/createwav.h"
#include "voice/voicepractice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::uint32_t U32At(const std::array<unsigned char, kWavHeaderSize>& b, int at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
unsigned U16At(const std::array<unsigned char, kWavHeaderSize>& b, int at) {
    return b[at] | b[at + 1] << 8;
}
std::string TagAt(const std::array<unsigned char, kWavHeaderSize>& b, int at) {
    return std::string(b.begin() + at, b.begin() + at + 4);
}

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + name;
}

TEST(WavHeaderTest, DefaultFormatGivesTheseExactBytes) {
    const unsigned char expected[kWavHeaderSize] = {
        'R',  'I',  'F',  'F', 36,  0,   0,   0,   'W', 'A', 'V',  'E',  'f', 'm',
        't',  ' ',  16,   0,   0,   0,   1,   0,   2,   0,   0x22, 0x56, 0,   0,  // 22050
        0x88, 0x58, 0x01, 0,                                                      // 88200
        4,    0,    16,   0,   'd', 'a', 't', 'a', 0,   0,   0,    0};
    auto header = WavHeader(2, 16, 22050);
    EXPECT_EQ(std::vector<unsigned char>(expected, expected + kWavHeaderSize),
              std::vector<unsigned char>(header.begin(), header.end()));
}

struct FormatCase {
    std::uint16_t channels, bits;
    std::uint32_t rate, bytesPerSecond;
    unsigned blockAlign;
};

TEST(WavHeaderTest, EveryRateSizeAndChannelCountFillsTheFormatFields) {
    const FormatCase cases[] = {
        {1, 8, 11025, 11025, 1},  {1, 16, 11025, 22050, 2}, {2, 8, 11025, 22050, 2},
        {2, 16, 11025, 44100, 4}, {1, 8, 22050, 22050, 1},  {1, 16, 22050, 44100, 2},
        {2, 8, 22050, 44100, 2},  {2, 16, 22050, 88200, 4}, {1, 8, 44100, 44100, 1},
        {1, 16, 44100, 88200, 2}, {2, 8, 44100, 88200, 2},  {2, 16, 44100, 176400, 4},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + "ch " + std::to_string(c.bits) + "bit " +
                     std::to_string(c.rate));
        auto h = WavHeader(c.channels, c.bits, c.rate);
        EXPECT_EQ("RIFF", TagAt(h, 0));
        EXPECT_EQ(36u, U32At(h, 4));
        EXPECT_EQ("WAVE", TagAt(h, 8));
        EXPECT_EQ("fmt ", TagAt(h, 12));
        EXPECT_EQ(16u, U32At(h, 16));
        EXPECT_EQ(1u, U16At(h, 20));
        EXPECT_EQ(c.channels, U16At(h, 22));
        EXPECT_EQ(c.rate, U32At(h, 24));
        EXPECT_EQ(c.bytesPerSecond, U32At(h, 28));
        EXPECT_EQ(c.blockAlign, U16At(h, 32));
        EXPECT_EQ(c.bits, U16At(h, 34));
        EXPECT_EQ("data", TagAt(h, 36));
        EXPECT_EQ(0u, U32At(h, 40));
    }
}

TEST(CreatewavTest, ReplacesAnExistingFileWithTheHeaderAlone) {
    const std::string path = TempPath("createwav_test.wav");
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(5000, 'x');
    }
    Createwav(1, 8, 44100, path);
    auto header = WavHeader(1, 8, 44100);
    EXPECT_EQ(std::vector<unsigned char>(header.begin(), header.end()), ReadFile(path));
    std::remove(path.c_str());
}

TEST(CreatewavTest, UnwritablePlaceThrows) {
    EXPECT_THROW(Createwav(2, 16, 22050, TempPath("no-such-folder-here/Temp.wav")),
                 std::runtime_error);
}

TEST(RecordFormatTest, DefaultsAndEveryChoiceMapToTheirValues) {
    RecordFormat d =
        RecordFormatFor(kDefaultSettingIndex, kDefaultSettingIndex, kDefaultSettingIndex);
    EXPECT_EQ(2, d.channels);
    EXPECT_EQ(16, d.bitsPerSample);
    EXPECT_EQ(22050u, d.sampleRate);

    RecordFormat low = RecordFormatFor(0, 0, 0);
    EXPECT_EQ(1, low.channels);
    EXPECT_EQ(8, low.bitsPerSample);
    EXPECT_EQ(11025u, low.sampleRate);

    EXPECT_EQ(44100u, RecordFormatFor(1, 1, 2).sampleRate);
    // No selection: channels and size fall to "otherwise", the rate to the broadcast rate.
    RecordFormat none = RecordFormatFor(-1, -1, -1);
    EXPECT_EQ(2, none.channels);
    EXPECT_EQ(16, none.bitsPerSample);
    EXPECT_EQ(11025u, none.sampleRate);
    EXPECT_EQ(11025u, RecordFormatFor(1, 1, 7).sampleRate);
}

}  // namespace
