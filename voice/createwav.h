// The header of the recording file: a PCM WAV with no samples, in the format the next recording
// is to be made in. The audio device is opened on this file and records in its format.
#pragma once

#include <array>
#include <cstdint>
#include <string>

constexpr std::size_t kWavHeaderSize = 44;

std::array<unsigned char, kWavHeaderSize> WavHeader(std::uint16_t channels,
                                                    std::uint16_t bitsPerSample,
                                                    std::uint32_t sampleRate);

// Creates or truncates `path` (ANSI) and writes the header as its whole content. Throws
// std::runtime_error when the file cannot be created or written.
void Createwav(std::uint16_t channels, std::uint16_t bitsPerSample, std::uint32_t sampleRate,
               const std::string& path);
