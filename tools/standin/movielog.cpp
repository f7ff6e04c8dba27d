#include "movielog.h"

#include "script.h"
#include "winutil.h"

namespace standin {
namespace {

LARGE_INTEGER g_start;
LARGE_INTEGER g_frequency;

// Every line of every instance also goes here when STANDIN_LOG names a file.
HANDLE GlobalLog() {
    static HANDLE file = [] {
        wchar_t path[MAX_PATH];
        DWORD n = GetEnvironmentVariableW(L"STANDIN_LOG", path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return INVALID_HANDLE_VALUE;
        return CreateFileW(path, FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }();
    return file;
}

// Appending with one WriteFile per line: the bytes are in the system's cache at once, so a
// process that is terminated without clean-up leaves a complete log.
void Append(HANDLE file, const std::string& text) {
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

void StartClock() {
    QueryPerformanceFrequency(&g_frequency);
    QueryPerformanceCounter(&g_start);
}

long long ElapsedMs() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (now.QuadPart - g_start.QuadPart) * 1000 / g_frequency.QuadPart;
}

long long ElapsedUs() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (now.QuadPart - g_start.QuadPart) * 1000000 / g_frequency.QuadPart;
}

bool TimeCalls() {
    static const bool on = GetEnvironmentVariableW(L"STANDIN_CALLTIME", nullptr, 0) > 0;
    return on;
}

void MovieLog::Attach(const std::wstring& moviePath) {
    Detach();
    std::wstring logPath = moviePath + L".log";
    file_ = CreateFileW(logPath.c_str(), FILE_APPEND_DATA,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return;
    for (const auto& line : pending_) Append(file_, line);
    pending_.clear();
}

void MovieLog::Detach() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}

void MovieLog::Line(const std::string& utf8) {
    std::string text = OneLine(utf8);
    std::string line = std::to_string(ElapsedMs()) + " " + text + "\n";
    Write(line);
    HANDLE global = GlobalLog();
    if (global != INVALID_HANDLE_VALUE)
        Append(global,
               std::to_string(ElapsedMs()) + " #" + std::to_string(instance_) + " " + text + "\n");
}

void MovieLog::Write(const std::string& line) {
    if (file_ != INVALID_HANDLE_VALUE)
        Append(file_, line);
    else if (pending_.size() < 10000)
        pending_.push_back(line);
}

}  // namespace standin
