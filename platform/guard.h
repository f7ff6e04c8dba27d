// Where failures of event handlers end up. Every handler the program installs runs inside
// Guarded(), so a failure is reported to the user and the message loop goes on; the reporter is
// installed once at start (the default error report of the dialogs).
#pragma once

#include <exception>
#include <functional>
#include <string>

using FailureReporter = std::function<void(const std::string& text)>;

void SetFailureReporter(FailureReporter reporter);
void ReportFailure(const std::string& text);

template <typename F>
void Guarded(F&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ReportFailure(e.what());
    }
}
