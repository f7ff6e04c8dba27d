#include "voicebench.h"

#include "platform/application.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

void Put(std::string& out, std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

std::uint32_t Get(const std::vector<unsigned char>& b, size_t at, int width) {
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | b[at + i];
    return v;
}

MessageBoxCatcher* g_catcher = nullptr;

BOOL CALLBACK CloseBox(HWND w, LPARAM) {
    wchar_t cls[32] = {};
    ::GetClassNameW(w, cls, 32);
    if (lstrcmpW(cls, L"#32770") != 0 || !::IsWindowVisible(w)) return TRUE;
    MessageBoxCatcher::Box box;
    wchar_t text[512] = {};
    ::GetWindowTextW(w, text, 512);
    box.caption = text;
    // The message text is the static control with id 0xFFFF; the icon a static with SS_ICON.
    text[0] = 0;
    ::GetDlgItemTextW(w, 0xFFFF, text, 512);
    box.text = text;
    box.hasIcon = false;
    for (HWND c = ::GetWindow(w, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        ::GetClassNameW(c, cls, 32);
        if (lstrcmpW(cls, L"Static") == 0 &&
            (::GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            box.hasIcon = true;
    }
    g_catcher->boxes.push_back(box);
    ::PostMessageW(w, WM_COMMAND, IDOK, 0);
    return TRUE;
}

}  // namespace

std::string VoiceTestFolder() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "voice_tests\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteToneWav(const std::string& path, double seconds, double frequency, int channels, int bits,
                  int rate) {
    const int bytesPerSample = bits / 8;
    const std::uint32_t frames = static_cast<std::uint32_t>(seconds * rate);
    const std::uint32_t dataBytes = frames * channels * bytesPerSample;
    std::string out = "RIFF";
    Put(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    Put(out, 16, 4);
    Put(out, 1, 2);
    Put(out, channels, 2);
    Put(out, rate, 4);
    Put(out, rate * channels * bytesPerSample, 4);
    Put(out, channels * bytesPerSample, 2);
    Put(out, bits, 2);
    out += "data";
    Put(out, dataBytes, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        double s = 0.5 * std::sin(2 * 3.14159265358979 * frequency * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 16)
                Put(out, static_cast<std::uint16_t>(static_cast<int16_t>(s * 32767)), 2);
            else
                Put(out, static_cast<std::uint8_t>(128 + s * 127), 1);
        }
    }
    std::ofstream(path, std::ios::binary).write(out.data(), out.size());
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        if (!PumpMessage(false)) return false;
        ::Sleep(2);
    }
    return true;
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

MessageBoxCatcher::MessageBoxCatcher() {
    g_catcher = this;
    // A thread timer: the message box's own loop dispatches it.
    timer_ = ::SetTimer(nullptr, 0, 100, &MessageBoxCatcher::Tick);
}

MessageBoxCatcher::~MessageBoxCatcher() {
    ::KillTimer(nullptr, timer_);
    g_catcher = nullptr;
}

void CALLBACK MessageBoxCatcher::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_catcher) ::EnumThreadWindows(::GetCurrentThreadId(), CloseBox, 0);
}

std::vector<std::string> MciTemporaryFiles() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((std::string(temp) + "MCI*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do files.push_back(std::string(temp) + found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return files;
}

WavContent ReadWav(const std::vector<unsigned char>& b) {
    WavContent w;
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
        return w;
    size_t at = 12;
    bool haveFormat = false;
    while (at + 8 <= b.size()) {
        std::string id(b.begin() + at, b.begin() + at + 4);
        std::uint32_t size = Get(b, at + 4, 4);
        size_t body = at + 8;
        if (id == "fmt " && body + 16 <= b.size()) {
            w.channels = Get(b, body + 2, 2);
            w.rate = Get(b, body + 4, 4);
            w.bits = Get(b, body + 14, 2);
            haveFormat = true;
        } else if (id == "data" && haveFormat) {
            w.dataBytes = static_cast<std::uint32_t>(std::min<size_t>(size, b.size() - body));
            if (w.bits == 16 && w.channels > 0) {
                for (size_t i = body; i + 1 < body + w.dataBytes; i += 2 * w.channels)
                    w.firstChannel.push_back(static_cast<int16_t>(Get(b, i, 2)));
            }
            w.valid = true;
            break;
        }
        at = body + size + (size & 1);
    }
    return w;
}

double WavContent::Seconds() const {
    return rate ? static_cast<double>(firstChannel.size()) / rate : 0;
}

double WavContent::Frequency() const {
    int crossings = 0;
    for (size_t i = 1; i < firstChannel.size(); ++i)
        if (firstChannel[i - 1] < 0 && firstChannel[i] >= 0) ++crossings;
    return Seconds() > 0 ? crossings / Seconds() : 0;
}

double WavContent::Rms() const {
    double sum = 0;
    for (int16_t s : firstChannel) sum += static_cast<double>(s) * s;
    return firstChannel.empty() ? 0 : std::sqrt(sum / firstChannel.size());
}
