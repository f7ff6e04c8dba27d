// The hand-over between the loopback server's threads and the GUI thread. A server thread puts
// each request of the page here and waits; the GUI thread takes the requests out when it is woken
// and answers each one, at once or later (a long poll is answered when there is something to
// send). No program logic runs on the server threads.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

struct PageRequest {
    std::string control;  // the name after "/!/"
    std::string body;
    // The parameters of the query and of a form body, decoded.
    std::map<std::string, std::string> params;
};

struct PageResponse {
    int status = 204;
    std::string contentType;
    std::string body;
};

class Exchange;

// One request on its way: the GUI thread answers it exactly once; later answers are ignored.
class PendingRequest {
  public:
    explicit PendingRequest(PageRequest request) : request_(std::move(request)) {}
    const PageRequest& request() const { return request_; }
    void Answer(PageResponse response);
    bool Answered() const;

  private:
    friend class Exchange;
    PageRequest request_;
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool answered_ = false;
    PageResponse response_;
};

class Exchange {
  public:
    // wake is called on the server thread after a request was queued; it must only post a note
    // to the GUI thread.
    explicit Exchange(std::function<void()> wake) : wake_(std::move(wake)) {}

    // Server thread: queues the request and waits for its answer. After Close() every request,
    // also one already waiting, gets 503 and an empty body.
    PageResponse Submit(PageRequest request);

    // GUI thread: the next queued request, or nullptr when there is none.
    std::shared_ptr<PendingRequest> Next();

    void Close();

  private:
    std::function<void()> wake_;
    std::mutex mutex_;
    std::deque<std::shared_ptr<PendingRequest>> queue_;
    std::deque<std::weak_ptr<PendingRequest>> open_;
    bool closed_ = false;
};
