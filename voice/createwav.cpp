#include "voice/createwav.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

class HeaderWriter {
  public:
    explicit HeaderWriter(std::array<unsigned char, kWavHeaderSize>& bytes) : bytes_(bytes) {}
    void Tag(const char (&tag)[5]) {
        for (int i = 0; i < 4; ++i) bytes_[at_++] = static_cast<unsigned char>(tag[i]);
    }
    void U16(std::uint16_t v) { Little(v, 2); }
    void U32(std::uint32_t v) { Little(v, 4); }

  private:
    void Little(std::uint32_t v, int width) {
        for (int i = 0; i < width; ++i) bytes_[at_++] = static_cast<unsigned char>(v >> (8 * i));
    }
    std::array<unsigned char, kWavHeaderSize>& bytes_;
    std::size_t at_ = 0;
};

}  // namespace

std::array<unsigned char, kWavHeaderSize> WavHeader(std::uint16_t channels,
                                                    std::uint16_t bitsPerSample,
                                                    std::uint32_t sampleRate) {
    const std::uint32_t bytesPerSample = bitsPerSample / 8;
    std::array<unsigned char, kWavHeaderSize> bytes{};
    HeaderWriter w(bytes);
    // The sizes describe a file without samples; the device's save writes the real ones.
    w.Tag("RIFF");
    w.U32(36);
    w.Tag("WAVE");
    w.Tag("fmt ");
    w.U32(16);
    w.U16(1);
    w.U16(channels);
    w.U32(sampleRate);
    w.U32(channels * sampleRate * bytesPerSample);
    w.U16(static_cast<std::uint16_t>(bytesPerSample * channels));
    w.U16(bitsPerSample);
    w.Tag("data");
    w.U32(0);
    return bytes;
}

void Createwav(std::uint16_t channels, std::uint16_t bitsPerSample, std::uint32_t sampleRate,
               const std::string& path) {
    auto header = WavHeader(channels, bitsPerSample, sampleRate);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) throw std::runtime_error("Cannot create file \"" + path + "\"");
    bool written = std::fwrite(header.data(), header.size(), 1, file.get()) == 1;
    // A full disk may only show when the buffer is flushed.
    bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) throw std::runtime_error("Cannot write file \"" + path + "\"");
}
