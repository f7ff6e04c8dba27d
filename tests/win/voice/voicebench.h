// Helpers for the voice tests under Wine: a generated tone file, the message loop run until
// something happened, the platform message boxes read and closed, and a tone measured in a WAV.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A folder of its own under the platform's temporary folder, with a trailing backslash.
std::string VoiceTestFolder();

// Writes a PCM WAV with a sine tone.
void WriteToneWav(const std::string& path, double seconds, double frequency, int channels = 1,
                  int bits = 16, int rate = 22050);

std::vector<unsigned char> ReadBytes(const std::string& path);

// Runs the message loop until `done` holds or the time is up; true when it held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// Reads and closes every platform message box the thread shows while it lives.
class MessageBoxCatcher {
  public:
    struct Box {
        std::wstring caption;
        std::wstring text;
        bool hasIcon;
    };
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    std::vector<Box> boxes;

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR timer_;
};

// The files the platform's wave device records into before a save: MCI*.tmp in the temporary
// folder, with their full paths.
std::vector<std::string> MciTemporaryFiles();

// What a PCM WAV holds: its format and, for 16-bit data, the first channel's samples.
struct WavContent {
    bool valid = false;
    int channels = 0, bits = 0, rate = 0;
    std::uint32_t dataBytes = 0;
    std::vector<int16_t> firstChannel;
    double Seconds() const;
    // Upward zero crossings per second of the first channel.
    double Frequency() const;
    double Rms() const;
};
WavContent ReadWav(const std::vector<unsigned char>& bytes);
