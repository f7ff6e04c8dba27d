// The program's HTTP/1.1 client: a blocking GET that hands the body to a sink (memory or a file)
// as it arrives and keeps the window message queue served while it waits, with progress events
// per received block, bounds on the body and the silence, and a cookie store per client.
//
// The work stays on the GUI thread: libcurl's multi interface drives the transfer in short socket
// waits, and between them the queue is pumped. Every handler (timers, the movie's commands and
// calls, the progress events, the progress dialog's buttons) therefore runs on this one thread,
// as everything else in the program does, and no locks are needed. The progress events are raised
// between libcurl calls, never from inside its callbacks, so a handler may cancel the request.
#pragma once

#include "platform/bodysink.h"
#include "platform/httpmessage.h"
#include "platform/replybuffer.h"

#include <functional>
#include <memory>
#include <string>

// How waiting requests serve the message queue; one setting for the whole process.
struct AntiFreeze {
    // True: the queue is served only after socket waits in which nothing arrived.
    bool OnlyWhenIdle = true;
    // Longest time in ms the queue goes unserved while nothing arrives.
    unsigned IdleTimeOut = 250;
};
AntiFreeze& HttpAntiFreeze();

// The request was ended before its reply was complete: by Cancel() or because the application
// was asked to quit while it waited.
class HttpCancelled : public HttpError {
  public:
    using HttpError::HttpError;
};

class HttpClient {
  public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // The body of a successful reply begins; `announced` is its Content-Length, 0 without one.
    std::function<void(long long announced)> OnWorkBegin;
    // After each received block: the body bytes received so far.
    std::function<void(long long received)> OnWork;
    // The body transfer has ended, completely or not.
    std::function<void()> OnWorkEnd;

    // GETs `url` and hands the body of a successful reply (200-299 without Location) to `body`.
    // Throws HttpError for every other outcome (a body beyond `limits`, a silence longer than
    // they allow, a sink that failed among them), HttpCancelled when cancelled. Not re-entrant:
    // a Get while this client's request runs throws HttpError.
    void Get(const std::string& url, BodySink& body, const HttpLimits& limits = HttpLimits());

    // Ends the running request, if any, once control comes back to it.
    void Cancel();
    bool Busy() const;

  private:
    void Prepare();

    struct Impl;
    std::unique_ptr<Impl> impl_;
};
