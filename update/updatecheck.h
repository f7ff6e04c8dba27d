// The state of the update check and download that the main window keeps for the whole run: the
// two HTTP clients (each with its own cookie store), the reply buffer of a running check, and
// the progress count the download last reported.
#pragma once

#include "platform/http.h"
#include "platform/replybuffer.h"

#include <memory>
#include <string>

// The update server: "http://" + host, with ":" + port when not 80, no path. Fixed when the
// program is built.
const char* UpdateBaseUrl();

class UpdateCheck {
  public:
    HttpClient IdHTTP1;  // the check
    HttpClient IdHTTP2;  // the download; its progress drives ProgressDialog1

    // Exists while a check runs.
    std::unique_ptr<ReplyBuffer> buffer;
    int lastProgressCount = 0;
    // Timer3 ticks from creation until a download has ended.
    bool timer3Enabled = true;
};

// Replaces the file at `path` (ANSI) with the buffer's bytes. A file left incomplete by a failed
// write is removed. Throws std::runtime_error on failure.
void WriteWholeFile(const std::string& path, const ReplyBuffer& data);

// The whole content of the file at `path`. Throws std::runtime_error on failure.
std::string ReadWholeFile(const std::string& path);
