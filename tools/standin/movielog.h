// The stand-in's event log: one file beside each loaded movie, one line per event.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace standin {

// Milliseconds since the DLL was loaded into the process.
long long ElapsedMs();
// Microseconds on the same clock, for timing single calls.
long long ElapsedUs();
// True when STANDIN_CALLTIME is set: every FlashCall is followed by a "calltime US" line.
bool TimeCalls();
void StartClock();

class MovieLog {
  public:
    explicit MovieLog(int instance) : instance_(instance) {}
    MovieLog(const MovieLog&) = delete;
    MovieLog& operator=(const MovieLog&) = delete;
    ~MovieLog() { Detach(); }

    // Lines written while no movie is attached wait here and go to the next movie's log.
    void Attach(const std::wstring& moviePath);
    void Detach();
    void Line(const std::string& utf8);

  private:
    void Write(const std::string& line);

    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::vector<std::string> pending_;
    int instance_;
};

}  // namespace standin
