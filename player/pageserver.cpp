// The library is cpp-httplib: one header that builds with MinGW for Windows 7 as it is, with a
// thread pool, routes, parameters, form bodies and content providers. Its connections are read
// and written here, though (LoopbackServer): the library reads lines and bodies without bound and
// waits on every socket without regard to the server's end.

// Form bodies (the page's commands) may be as large as any body the request guard lets through.
#define CPPHTTPLIB_FORM_URL_ENCODED_PAYLOAD_MAX_LENGTH (4u << 20)
#include <httplib.h>

#include "player/pageserver.h"

#include "platform/filesystem.h"
#include "platform/textconv.h"
#include "player/pageaddress.h"
#include "player/player.h"
#include "player/requestguard.h"
#include "player/webrules.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

static_assert(RequestLimits().body == CPPHTTPLIB_FORM_URL_ENCODED_PAYLOAD_MAX_LENGTH,
              "a form body is bounded as any other");

namespace {

// Enough threads that the page's few kept connections and strangers never use them all up.
constexpr std::size_t kServerThreads = 32;
// A wait on a socket looks this often whether the server is ending.
constexpr long kWaitSliceUs = 100 * 1000;
// A reader that takes nothing for this long is let go.
constexpr std::int64_t kWriteStallMs = 10000;
constexpr std::size_t kFilePiece = 64 * 1024;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One connection of the loopback server, read and written by the thread that took it. Every byte
// the library reads passes the request guard first; every wait looks at the guard's deadline and
// at the end of the server. The response head is held until the first piece of its body, so that
// both go out in one send.
class Connection : public httplib::Stream {
  public:
    Connection(SOCKET socket, RequestGuard guard, const std::atomic<bool>& stopping)
        : socket_(socket), guard_(std::move(guard)), stopping_(stopping) {
        httplib::detail::get_remote_ip_and_port(socket_, remoteIp_, remotePort_);
        httplib::detail::get_local_ip_and_port(socket_, localIp_, localPort_);
    }

    // Waits for the next request's first byte; false when the connection is to end instead.
    bool AwaitRequest() {
        guard_.Expect(NowMs());
        if (used_ < have_) return true;
        return WaitFor(false);
    }

    bool Ended() const { return ended_ || closeAfter_; }

    void Flush() {
        if (held_.empty()) return;
        std::string head;
        head.swap(held_);
        if (!Send(head.data(), head.size(), nullptr, 0)) ended_ = true;
    }

    bool is_readable() const override { return !ended_; }
    bool is_writable() const override { return !ended_; }

    ssize_t read(char* ptr, size_t size) override {
        if (ended_) return -1;
        if (used_ == have_ && !Fill()) return -1;
        size_t n = std::min(size, have_ - used_);
        std::memcpy(ptr, buffer_ + used_, n);
        used_ += n;
        // The bytes count from when they came: a clock read per byte would cost more than the rest.
        if (int refusal = guard_.Take(ptr, n, arrived_)) {
            Refuse(refusal);
            return -1;
        }
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (ended_) return -1;
        if (held_.empty()) {
            ResponseHead head = ReadResponseHead(std::string_view(ptr, size));
            if (head.complete) {
                closeAfter_ = closeAfter_ || head.closes;
                if (head.hasBody) {
                    held_.assign(ptr, size);
                    return static_cast<ssize_t>(size);
                }
            }
            return Send(ptr, size, nullptr, 0) ? static_cast<ssize_t>(size) : -1;
        }
        std::string head;
        head.swap(held_);
        return Send(head.data(), head.size(), ptr, size) ? static_cast<ssize_t>(size) : -1;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        ip = remoteIp_;
        port = remotePort_;
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        ip = localIp_;
        port = localPort_;
    }
    socket_t socket() const override { return socket_; }

  private:
    // Waits until the socket can be read (or written); false at the deadline, at the server's
    // end, or when the connection failed.
    bool WaitFor(bool writing, std::int64_t deadline = 0) {
        for (;;) {
            if (stopping_) return Stop();
            std::int64_t left = (writing ? deadline : guard_.Deadline()) - NowMs();
            if (left <= 0) {
                int status = writing ? 0 : guard_.TimeoutStatus();
                return status ? Refuse(status) : Stop();
            }
            long us = static_cast<long>(std::min<std::int64_t>(left * 1000, kWaitSliceUs));
            ssize_t ready = writing ? httplib::detail::select_write(socket_, 0, us)
                                    : httplib::detail::select_read(socket_, 0, us);
            if (ready > 0) return true;
            if (ready < 0) return Stop();
        }
    }

    bool Fill() {
        for (;;) {
            int got = ::recv(socket_, buffer_, sizeof buffer_, 0);
            if (got > 0) {
                have_ = static_cast<size_t>(got);
                used_ = 0;
                arrived_ = NowMs();
                return true;
            }
            if (got == 0 || ::WSAGetLastError() != WSAEWOULDBLOCK) return Stop();
            if (!WaitFor(false)) return false;
        }
    }

    // Sends both pieces (the second may be empty) with one call where the socket takes them.
    bool Send(const char* first, size_t firstSize, const char* second, size_t secondSize) {
        WSABUF pieces[2] = {{static_cast<ULONG>(firstSize), const_cast<char*>(first)},
                            {static_cast<ULONG>(secondSize), const_cast<char*>(second)}};
        DWORD count = secondSize ? 2 : 1;
        WSABUF* next = pieces;
        std::int64_t deadline = NowMs() + kWriteStallMs;
        while (count > 0) {
            DWORD sent = 0;
            if (::WSASend(socket_, next, count, &sent, 0, nullptr, nullptr) != 0) {
                if (::WSAGetLastError() != WSAEWOULDBLOCK) return Stop();
                if (!WaitFor(true, deadline)) return false;
                continue;
            }
            deadline = NowMs() + kWriteStallMs;
            while (count > 0 && sent >= next->len) {
                sent -= next->len;
                ++next;
                --count;
            }
            if (count > 0) {
                next->buf += sent;
                next->len -= sent;
            }
        }
        return true;
    }

    bool Refuse(int status) {
        std::string answer = "HTTP/1.1 " + std::to_string(status) + " " +
                             httplib::detail::status_message(status) +
                             "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        ::send(socket_, answer.data(), static_cast<int>(answer.size()), 0);
        return Stop();
    }

    bool Stop() {
        ended_ = true;
        return false;
    }

    SOCKET socket_;
    RequestGuard guard_;
    const std::atomic<bool>& stopping_;
    std::string remoteIp_, localIp_;
    int remotePort_ = 0, localPort_ = 0;
    char buffer_[16 * 1024];
    size_t have_ = 0, used_ = 0;
    std::int64_t arrived_ = 0;
    std::string held_;
    bool ended_ = false;
    bool closeAfter_ = false;
};

// The library's thread pool, counting the connections that wait for a thread.
class CountingPool : public httplib::TaskQueue {
  public:
    CountingPool(size_t threads, std::atomic<int>& waiting) : pool_(threads), waiting_(waiting) {}
    void enqueue(std::function<void()> fn) override {
        ++waiting_;
        pool_.enqueue([this, fn = std::move(fn)] {
            --waiting_;
            fn();
        });
    }
    void shutdown() override { pool_.shutdown(); }

  private:
    httplib::ThreadPool pool_;
    std::atomic<int>& waiting_;
};

class LoopbackServer : public httplib::Server {
  public:
    explicit LoopbackServer(std::string pagePrefix) : pagePrefix_(std::move(pagePrefix)) {
        new_task_queue = [this] { return new CountingPool(kServerThreads, waiting_); };
        // Never SO_REUSEADDR, with which Windows lets a second server take a port in use.
        set_socket_options([](socket_t socket) {
            int on = 1;
            ::setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                         reinterpret_cast<const char*>(&on), sizeof on);
        });
        set_keep_alive_max_count(1000000);
        set_keep_alive_timeout(RequestLimits().pageIdleMs / 1000);
    }

    // Connections are let go within a wait slice once this is set; then the library's stop.
    void Stop() {
        stopping_ = true;
        stop();
    }

    // Connections are waiting for a thread: the page may be among them, unheard.
    bool Congested() const { return waiting_ > 0; }

  protected:
    bool process_and_close_socket(socket_t socket) override {
        if (!stopping_) {
            u_long nonBlocking = 1;
            ::ioctlsocket(socket, FIONBIO, &nonBlocking);
            Connection connection(socket, RequestGuard(RequestLimits(), pagePrefix_), stopping_);
            while (!stopping_ && connection.AwaitRequest()) {
                bool closed = false;
                bool ok = process_request(connection, false, closed, nullptr);
                connection.Flush();
                if (!ok || closed || connection.Ended()) break;
            }
        }
        httplib::detail::shutdown_socket(socket);
        httplib::detail::close_socket(socket);
        return true;
    }

  private:
    std::string pagePrefix_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> waiting_{0};
};

}  // namespace

class PageServer::Impl {
  public:
    Impl(PageServerOptions options, ControlHandler onControl)
        : options_(std::move(options)),
          onControl_(std::move(onControl)),
          server_("/" + options_.key + "/") {
        // Everything is judged before the library routes: the page and the files are served
        // here, on the server's thread; what is left are the page's control requests, each on
        // a fixed path.
        server_.set_pre_routing_handler([this](const httplib::Request& req,
                                               httplib::Response& res) { return Route(req, res); });
        for (const std::string& control : options_.controls) {
            server_.Post("/" + options_.key + "/!/" + control,
                         [this, control](const httplib::Request& req, httplib::Response& res) {
                             Submit(control, req, res);
                         });
        }
        server_.set_tcp_nodelay(true);
        for (int port : PortsToTry(options_.keptPort)) {
            if (server_.bind_to_port("127.0.0.1", port)) {
                port_ = port;
                break;
            }
        }
        // Every port near the kept one is taken: any port, for this start only.
        if (port_ <= 0) port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0) throw PlayerError("The player's loopback server cannot listen");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }

    ~Impl() { Stop(); }

    void Stop() {
        stopping_ = true;
        server_.Stop();
        if (thread_.joinable()) thread_.join();
    }

    int Port() const { return port_; }
    bool Congested() const { return server_.Congested(); }

  private:
    static httplib::Server::HandlerResponse Answered(httplib::Response& res, int status,
                                                     bool close = false) {
        res.status = status;
        if (close) res.set_header("Connection", "close");
        return httplib::Server::HandlerResponse::Handled;
    }

    // Server thread: only what needs no state of the program.
    httplib::Server::HandlerResponse Route(const httplib::Request& req, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_header("X-Content-Type-Options", "nosniff");
        // A stranger's connection is not kept.
        if (!web::HostAllowed(req.get_header_value("Host"), port_) ||
            !web::OriginAllowed(req.get_header_value("Origin"), port_))
            return Answered(res, 404, true);
        web::Target target = web::Classify(req.target, options_.key);
        switch (target.route) {
            case web::Route::Page:
                if (req.method != "GET") break;
                res.set_content(options_.page, "text/html; charset=utf-8");
                return Answered(res, 200);
            case web::Route::File:
                if (req.method != "GET") break;
                ServeFile(target.rest, req, res);
                return httplib::Server::HandlerResponse::Handled;
            case web::Route::Control:
                if (req.method != "POST") break;
                // Multipart bodies would be parsed by the library, with regular expressions.
                if (req.get_header_value("Content-Type").find("multipart/") != std::string::npos)
                    return Answered(res, 415, true);
                // The control paths are fixed routes; an unknown name finds none.
                return httplib::Server::HandlerResponse::Unhandled;
            case web::Route::Refused:
                break;
        }
        return Answered(res, 404, true);
    }

    // Server thread: a file of the program directory, read in pieces through the file system
    // as the socket takes them, or the part a Range header asks for.
    void ServeFile(const std::string& relative, const httplib::Request& req,
                   httplib::Response& res) {
        std::shared_ptr<InputFile> file;
        std::uint64_t size = 0;
        try {
            file =
                Win32FileSystem().OpenForReading(Utf8ToUtf16(options_.programDirectory + relative));
            size = file->Size();
        } catch (const IoError&) {
            res.status = 404;
            return;
        }
        if (size >= SIZE_MAX) {
            res.status = 404;
            return;
        }
        // Answered here whole: the library would apply the ranges again, unchecked.
        const_cast<httplib::Request&>(req).ranges.clear();
        res.set_header("Accept-Ranges", "bytes");
        std::string type = web::ContentTypeFor(relative);
        if (web::ServedAsDownload(relative)) {
            type = "application/octet-stream";
            res.set_header("Content-Disposition", "attachment");
        }
        web::ByteRange range = web::ParseRange(req.get_header_value("Range"), size);
        if (range.kind == web::ByteRange::Kind::Unsatisfiable) {
            res.status = 416;
            res.set_header("Content-Range", "bytes */" + std::to_string(size));
            return;
        }
        std::uint64_t first = 0, length = size;
        res.status = 200;
        if (range.kind == web::ByteRange::Kind::Part) {
            first = range.first;
            length = range.last - range.first + 1;
            res.status = 206;
            res.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                                std::to_string(range.last) + "/" +
                                                std::to_string(size));
        }
        if (length == 0) {
            res.set_content("", type);
            return;
        }
        // Where the next Read takes from: a new file is read from its start.
        auto at = std::make_shared<std::uint64_t>(0);
        const std::atomic<bool>* stopping = &stopping_;
        res.set_content_provider(
            static_cast<size_t>(length), type,
            [file, first, at, stopping](size_t offset, size_t want, httplib::DataSink& sink) {
                if (*stopping) return false;
                try {
                    if (*at != first + offset) {
                        file->Seek(first + offset);
                        *at = first + offset;
                    }
                    std::vector<char> piece(std::min(want, kFilePiece));
                    size_t got = file->Read(piece.data(), piece.size());
                    // A file that shrank meanwhile ends the answer early.
                    if (got == 0) return false;
                    *at += got;
                    return sink.write(piece.data(), got);
                } catch (const IoError&) {
                    return false;
                }
            });
    }

    // Server thread: a control request of the page goes to the GUI thread and its answer back.
    void Submit(const std::string& control, const httplib::Request& req, httplib::Response& res) {
        PageRequest request;
        request.control = control;
        for (const auto& param : req.params) request.params.insert(param);
        request.body = req.body;
        PageResponse response = onControl_(std::move(request));
        res.status = response.status;
        if (!response.contentType.empty())
            res.set_content(response.body, response.contentType.c_str());
    }

    PageServerOptions options_;
    ControlHandler onControl_;
    std::atomic<bool> stopping_{false};
    LoopbackServer server_;
    int port_ = 0;
    std::thread thread_;
};

PageServer::PageServer(PageServerOptions options, ControlHandler onControl)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(onControl))) {}

PageServer::~PageServer() = default;

int PageServer::Port() const {
    return impl_->Port();
}

bool PageServer::Congested() const {
    return impl_->Congested();
}

void PageServer::Stop() {
    impl_->Stop();
}
