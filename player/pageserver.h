// The browser player's loopback server, on 127.0.0.1 only: the page, the files of the program
// directory and the page's control requests, every path behind the page's key. The page and the
// files are served on the server's own threads, the files in pieces as the socket takes them;
// each control request is handed to the GUI thread and its answer written back. Any process or
// web page on the PC can reach the port, so requests are bounded as they are read, strangers'
// connections are not kept, and the server's end lets every connection go at once.
#pragma once

#include "player/exchange.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct PageServerOptions {
    std::string key;                    // the first segment of every path
    int keptPort = 0;                   // the port to listen on where it is free
    std::string page;                   // the page's HTML
    std::string programDirectory;       // UTF-8, with a trailing backslash
    std::vector<std::string> controls;  // the names the page may post to "/<key>/!/<name>"
};

class PageServer {
  public:
    // Server thread: a control request, answered when the GUI thread has answered it.
    using ControlHandler = std::function<PageResponse(PageRequest)>;

    // Listens on the kept port, or on one of a few after it, else on any port for this start.
    // Throws PlayerError when it cannot listen at all.
    PageServer(PageServerOptions options, ControlHandler onControl);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    int Port() const;
    // Connections are waiting for a thread: the page may be among them, unheard.
    bool Congested() const;
    // Lets every connection go and waits for the server's threads; the handler is not called
    // after this returns.
    void Stop();

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};
