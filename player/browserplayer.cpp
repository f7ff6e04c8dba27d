// The loopback server is cpp-httplib: one header that builds with MinGW for Windows 7 as it is,
// with a thread pool, routes and content providers. Its connections are read and written here,
// though (LoopbackServer): the library reads lines and bodies without bound and waits on every
// socket without regard to the server's end.
#include <httplib.h>

#include "player/browserplayer.h"

#include "platform/application.h"
#include "platform/filesystem.h"
#include "platform/guard.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/textconv.h"
#include "platform/window.h"
#include "player/browserline.h"
#include "player/exchange.h"
#include "player/moviechannel.h"
#include "player/page_html.h"
#include "player/pageaddress.h"
#include "player/pageseat.h"
#include "player/requestguard.h"
#include "player/webrules.h"

#include <ntsecapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr UINT kWakeMessage = WM_APP + 17;
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 250;
// A host-to-movie call the page has not answered by then fails, as one to a missing function.
constexpr std::int64_t kCallWaitMs = 10000;
// Enough threads that the page's few kept connections and strangers never use them all up.
constexpr std::size_t kServerThreads = 32;
// A wait on a socket looks this often whether the server is ending.
constexpr long kWaitSliceUs = 100 * 1000;
// A reader that takes nothing for this long is let go.
constexpr std::int64_t kWriteStallMs = 10000;
constexpr std::size_t kFilePiece = 64 * 1024;
const char kAddressKey[] = "\\software\\tallowbrook\\CourseShell\\Browser";

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void RandomBytes(void* bytes, ULONG count) {
    if (!::SystemFunction036(bytes, count))
        throw PlayerError("The system's random source is not available");
}

PageAddress NewAddress() {
    unsigned char bytes[16] = {};
    RandomBytes(bytes, sizeof bytes);
    std::uint32_t port = 0;
    RandomBytes(&port, sizeof port);
    return PageAddress{PortFrom(port), web::HexOf(bytes, sizeof bytes)};
}

// The address kept for this program folder and user, or a new one that is kept from now on.
PageAddress KeptAddress(const std::string& programDirectory) {
    std::string name = PageAddressName(programDirectory);
    std::unique_ptr<Registry> registry = UserRegistry();
    try {
        if (std::unique_ptr<RegistryKey> key = registry->OpenKey(kAddressKey, false)) {
            if (std::optional<std::string> stored = key->ReadString(name)) {
                if (std::optional<PageAddress> address = ParsePageAddress(*stored))
                    return *address;
            }
        }
    } catch (const RegistryError&) {
        // A value of another type is replaced below.
    }
    PageAddress address = NewAddress();
    try {
        if (std::unique_ptr<RegistryKey> key = registry->OpenKey(kAddressKey, true))
            key->WriteString(name, FormatPageAddress(address));
    } catch (const RegistryError&) {
        // Not kept: the page plays all the same, and its saved data lasts for this start.
    }
    return address;
}

// The browser's program from the registry's App Paths, per user first, then for the machine.
std::wstring AppPath(const wchar_t* exe) {
    std::wstring key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    key += exe;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        UniqueRegKey k;
        if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) continue;
        wchar_t value[MAX_PATH * 2] = {};
        DWORD size = sizeof value - sizeof(wchar_t), type = 0;
        if (::RegQueryValueExW(k.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value),
                               &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            continue;
        std::wstring path(value);
        path.erase(std::remove(path.begin(), path.end(), L'"'), path.end());
        if (!path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            return path;
    }
    return L"";
}

// The browser profile of the program, kept from one start to the next: the movie's saved data
// lives in it.
std::wstring ProfileFolder() {
    wchar_t base[MAX_PATH] = {};
    if (FAILED(
            ::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, base)))
        return L"";
    std::wstring folder = std::wstring(base) + L"\\CourseShell";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\Browser";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->processId && ::IsWindowVisible(hwnd) && !::GetWindow(hwnd, GW_OWNER)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::string Param(const PageRequest& request, const char* name) {
    auto it = request.params.find(name);
    return it == request.params.end() ? std::string() : it->second;
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

class BrowserPlayer::Impl {
  public:
    Impl(PlayerEvents events, BrowserPlayerOptions options)
        : events_(std::move(events)),
          options_(std::move(options)),
          address_(KeptAddress(options_.programDirectory)),
          channel_(NowMs()),
          exchange_([this] { ::PostMessageW(window_, kWakeMessage, 0, 0); }),
          server_("/" + address_.key + "/") {
        CreateMessageWindow();
        // Everything is judged before the library routes: the page and the files are served
        // here, on the server's thread; what is left are the page's control requests, each on
        // a fixed path.
        server_.set_pre_routing_handler(
            [this](const httplib::Request& req, httplib::Response& res) { return Route(req, res); });
        for (const char* name : {"hello", "events", "reply", "bye", "fscommand", "call", "resume"}) {
            std::string control = name;
            server_.Post("/" + address_.key + "/!/" + control,
                         [this, control](const httplib::Request& req, httplib::Response& res) {
                             Submit(control, req, res);
                         });
        }
        server_.set_tcp_nodelay(true);
        for (int port : PortsToTry(address_.port)) {
            if (server_.bind_to_port("127.0.0.1", port)) {
                port_ = port;
                break;
            }
        }
        // Every port near the kept one is taken: any port, for this start only.
        if (port_ <= 0) port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0) {
            ::DestroyWindow(window_);
            throw PlayerError("The player's loopback server cannot listen");
        }
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        ::SetTimer(window_, kTickTimer, kTickMs, nullptr);
        SetModalObserver([this](bool modal) { channel_.QueueInput(!modal); });
    }

    ~Impl() {
        SetModalObserver(nullptr);
        stopping_ = true;
        exchange_.Close();
        server_.Stop();
        if (thread_.joinable()) thread_.join();
        if (window_) ::DestroyWindow(window_);
    }

    std::string Url() const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + address_.key + "/";
    }

    void ShowPage() {
        std::string url = Url();
        if (!options_.urlFile.empty()) {
            UniqueFile file(::CreateFileW(Utf8ToWString(options_.urlFile).c_str(), GENERIC_WRITE,
                                          0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                          nullptr));
            DWORD written = 0;
            if (file)
                ::WriteFile(file.get(), url.data(), static_cast<DWORD>(url.size()), &written,
                            nullptr);
            return;
        }
        std::wstring browser = AppPath(L"msedge.exe");
        if (browser.empty()) browser = AppPath(L"chrome.exe");
        if (!browser.empty()) {
            std::wstring profile = ProfileFolder();
            std::wstring line = ToWString(BrowserCommandLine(
                std::u16string(browser.begin(), browser.end()), url,
                std::u16string(profile.begin(), profile.end())));
            STARTUPINFOW si = {};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi = {};
            if (::CreateProcessW(browser.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &si, &pi)) {
                ::CloseHandle(pi.hThread);
                browser_.reset(pi.hProcess);
                browserId_ = pi.dwProcessId;
                return;
            }
        }
        ::ShellExecuteW(nullptr, L"open", Utf8ToWString(url).c_str(), nullptr, nullptr,
                        SW_SHOWNORMAL);
    }

    HWND BrowserWindow() const {
        if (!browser_) return nullptr;
        WindowSearch search = {browserId_, nullptr};
        ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    void QueueMovie(const std::string& url) { channel_.QueueMovie(url); }
    void QueuePlaying(bool on) { channel_.QueuePlaying(on); }

    std::u16string Call(const std::u16string& request) {
        int id;
        if (!waiting_.empty() && waiting_.back()) {
            // The page waits in a call of the movie and cannot take its poll: the call goes in
            // the answer it waits for, and the page answers with "resume", waiting on.
            id = channel_.NewCallId();
            std::shared_ptr<PendingRequest> held = std::move(waiting_.back());
            waiting_.back() = nullptr;
            held->Answer({202, "application/json",
                          "{\"id\":" + std::to_string(id) +
                              ",\"xml\":" + web::JsonQuote(Utf16ToUtf8(request)) + "}"});
        } else {
            id = channel_.QueueCall(Utf16ToUtf8(request));
        }
        std::int64_t deadline = NowMs() + kCallWaitMs;
        while (true) {
            if (std::optional<CallOutcome> outcome = channel_.TakeOutcome(id)) {
                if (!outcome->ok) throw PlayerError(outcome->text);
                return Utf8ToUtf16(outcome->text);
            }
            std::int64_t left = deadline - NowMs();
            if (left <= 0) throw PlayerError("The movie did not answer the call");
            // Serves the page and every window while the movie works on the call.
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                        static_cast<DWORD>(std::min<std::int64_t>(left, 100)),
                                        QS_ALLINPUT);
            if (ProcessMessages()) throw PlayerError("The program is ending");
        }
    }

    void SetReturnValue(const std::u16string& value) {
        if (replies_.empty()) throw PlayerError("No call of the movie is waiting for a reply");
        replies_.back() = value;
    }

    const std::string& ProgramDirectory() const { return options_.programDirectory; }

  private:
    void CreateMessageWindow() {
        static const wchar_t kClass[] = L"CourseShellBrowserPlayer";
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &Impl::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kClass;
        ::RegisterClassW(&wc);  // a second player finds the class already there
        window_ = ::CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    wc.hInstance, this);
        if (!window_) throw PlayerError("The player's message window cannot be created");
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        }
        auto* self = reinterpret_cast<Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg == kWakeMessage) {
            self->ServeQueued();
            return 0;
        }
        if (self && msg == WM_TIMER && wParam == kTickTimer) {
            self->Tick();
            return 0;
        }
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }

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
        web::Target target = web::Classify(req.target, address_.key);
        switch (target.route) {
            case web::Route::Page:
                if (req.method != "GET") break;
                res.set_content(kPageHtml, sizeof kPageHtml - 1, "text/html; charset=utf-8");
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
            file = Win32FileSystem().OpenForReading(
                Utf8ToUtf16(options_.programDirectory + relative));
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
        auto at = std::make_shared<std::uint64_t>(first);
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
        PageResponse response = exchange_.Submit(std::move(request));
        res.status = response.status;
        if (!response.contentType.empty())
            res.set_content(response.body, response.contentType.c_str());
    }

    void ServeQueued() {
        while (std::shared_ptr<PendingRequest> pending = exchange_.Next()) Handle(pending);
    }

    void Handle(const std::shared_ptr<PendingRequest>& pending) {
        const PageRequest& request = pending->request();
        const std::string& name = request.control;
        std::string page = Param(request, "page");
        std::int64_t now = NowMs();
        if (name == "hello") {
            if (!seat_.Claim(page, Param(request, "follows"))) {
                pending->Answer({409, "", ""});
                return;
            }
            channel_.Hello(now);
            pending->Answer({200, "application/json",
                             "{\"movie\":" + web::JsonQuote(channel_.Movie()) + ",\"input\":" +
                                 (channel_.InputEnabled() ? "true" : "false") + "}"});
            return;
        }
        // Another tab of the page, or one that a later page has replaced.
        if (!seat_.Holds(page)) {
            pending->Answer({409, "", ""});
            return;
        }
        if (name == "events") {
            channel_.Poll(now, [pending](const std::string& json) {
                pending->Answer({200, "application/json", json});
            });
        } else if (name == "reply") {
            int id = std::atoi(Param(request, "id").c_str());
            channel_.Outcome(now, id, OutcomeOf(request.body));
            pending->Answer({204, "", ""});
        } else if (name == "resume") {
            int id = std::atoi(Param(request, "id").c_str());
            channel_.Outcome(now, id, OutcomeOf(request.body));
            // The page waits on in this request for the answer of the call it is inside.
            if (!waiting_.empty() && !waiting_.back())
                waiting_.back() = pending;
            else
                pending->Answer({204, "", ""});
        } else if (name == "bye") {
            seat_.Leave(page);
            channel_.Bye(now);
            pending->Answer({204, "", ""});
        } else if (name == "fscommand") {
            channel_.Heard(now);
            // Taken, not yet carried out: the movie goes on while the command runs (a modal
            // picker, say), and its next request can only come after this answer.
            std::size_t amp = request.body.find('&');
            std::string command =
                web::PercentDecode(request.body.substr(0, amp), false).value_or("");
            std::string args =
                amp == std::string::npos
                    ? ""
                    : web::PercentDecode(request.body.substr(amp + 1), false).value_or("");
            pending->Answer({204, "", ""});
            if (events_.fsCommand)
                Guarded([&] { events_.fsCommand(Utf8ToUtf16(command), Utf8ToUtf16(args)); });
        } else if (name == "call") {
            // The movie waits in its call until the handler has returned, as with the control.
            channel_.BeginBusy(now);
            waiting_.push_back(pending);
            replies_.emplace_back();
            if (events_.flashCall) Guarded([&] { events_.flashCall(Utf8ToUtf16(request.body)); });
            std::optional<std::u16string> reply = std::move(replies_.back());
            replies_.pop_back();
            std::shared_ptr<PendingRequest> answer = std::move(waiting_.back());
            waiting_.pop_back();
            channel_.EndBusy(NowMs());
            if (!answer) return;  // the page never resumed
            if (reply)
                answer->Answer({200, "text/plain; charset=utf-8", Utf16ToUtf8(*reply)});
            else
                answer->Answer({204, "", ""});
        } else {
            pending->Answer({404, "", ""});
        }
    }

    static CallOutcome OutcomeOf(const std::string& body) {
        std::size_t nl = body.find('\n');
        std::string status = body.substr(0, nl);
        return CallOutcome{status == "ok", nl == std::string::npos ? "" : body.substr(nl + 1)};
    }

    void Tick() {
        std::int64_t now = NowMs();
        // While connections wait for a thread the page may be among them: its silence then says
        // nothing.
        if (server_.Congested()) channel_.Heard(now);
        channel_.Tick(now);
        if (!quitting_ && channel_.PageGone(now)) {
            quitting_ = true;
            RequestQuit();
        }
    }

    PlayerEvents events_;
    BrowserPlayerOptions options_;
    PageAddress address_;
    MovieChannel channel_;
    PageSeat seat_;
    Exchange exchange_;
    HWND window_ = nullptr;
    std::atomic<bool> stopping_{false};
    LoopbackServer server_;
    int port_ = 0;
    std::thread thread_;
    std::vector<std::optional<std::u16string>> replies_;
    // The page's calls of the movie whose answers are held, innermost last; empty where a
    // call's answer went out early to carry a call of the host.
    std::vector<std::shared_ptr<PendingRequest>> waiting_;
    UniqueHandle browser_;
    DWORD browserId_ = 0;
    bool quitting_ = false;
};

BrowserPlayer::BrowserPlayer(PlayerEvents events, BrowserPlayerOptions options)
    : impl_(std::make_unique<Impl>(std::move(events), std::move(options))) {}

BrowserPlayer::~BrowserPlayer() = default;

void BrowserPlayer::ShowPage() {
    impl_->ShowPage();
}

std::string BrowserPlayer::PageUrl() const {
    return impl_->Url();
}

void BrowserPlayer::SetMovie(const std::u16string& path) {
    if (path.empty()) {
        impl_->QueueMovie("");
        return;
    }
    std::optional<std::string> url =
        web::MovieUrl(impl_->ProgramDirectory(), Utf16ToUtf8(path));
    // The page can only reach the program directory; a movie elsewhere cannot be played.
    if (!url) throw PlayerError("The movie is outside the program directory");
    impl_->QueueMovie(*url);
}

void BrowserPlayer::SetPlaying(bool playing) {
    playing_ = playing;
    impl_->QueuePlaying(playing);
}

std::u16string BrowserPlayer::GetVariable(const std::u16string&) {
    throw PlayerError("This player cannot read the movie's variables");
}

std::u16string BrowserPlayer::CallFunction(const std::u16string& request) {
    return impl_->Call(request);
}

void BrowserPlayer::SetReturnValue(const std::u16string& value) {
    impl_->SetReturnValue(value);
}

bool BrowserPlayer::ShowWindowState(WindowState state) {
    // Without a window of our own browser (default browser, or the test's) there is nothing the
    // program can reach; the command then does nothing.
    if (HWND window = impl_->BrowserWindow()) {
        int show = state == WindowState::Minimized   ? SW_MINIMIZE
                   : state == WindowState::Maximized ? SW_MAXIMIZE
                                                     : SW_RESTORE;
        ::ShowWindow(window, show);
    }
    return true;
}
