// The loopback server is cpp-httplib: one header that builds with MinGW for Windows 7 as it is,
// with a thread pool, and routes that let every request go through one function.
// (civetweb would do as well, but it is a C library with its own build and options to cut down.)
#define CPPHTTPLIB_THREAD_POOL_COUNT 12
#include <httplib.h>

#include "player/browserplayer.h"

#include "platform/application.h"
#include "platform/guard.h"
#include "platform/handles.h"
#include "platform/textconv.h"
#include "player/exchange.h"
#include "player/moviechannel.h"
#include "player/page_html.h"
#include "player/webrules.h"

#include <ntsecapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

namespace {

constexpr UINT kWakeMessage = WM_APP + 17;
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 250;
// A host-to-movie call the page has not answered by then fails, as one to a missing function.
constexpr std::int64_t kCallWaitMs = 10000;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string NewSecret() {
    unsigned char bytes[16] = {};
    if (!::SystemFunction036(bytes, sizeof bytes))
        throw PlayerError("The system's random source is not available");
    return web::HexOf(bytes, sizeof bytes);
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 512ll * 1024 * 1024)
        return std::nullopt;
    std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD done = 0, total = 0;
    while (total < data.size()) {
        if (!::ReadFile(file.get(), &data[total], static_cast<DWORD>(data.size() - total), &done,
                        nullptr) ||
            done == 0)
            break;
        total += done;
    }
    data.resize(total);
    return data;
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

std::string QueryValue(const std::string& query, const std::string& name) {
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        std::string pair = query.substr(start, end - start);
        if (pair.compare(0, name.size() + 1, name + "=") == 0)
            return web::PercentDecode(pair.substr(name.size() + 1), false).value_or("");
        start = end + 1;
    }
    return "";
}

}  // namespace

class BrowserPlayer::Impl {
  public:
    Impl(PlayerEvents events, BrowserPlayerOptions options)
        : events_(std::move(events)),
          options_(std::move(options)),
          secret_(NewSecret()),
          channel_(NowMs()),
          exchange_([this] { ::PostMessageW(window_, kWakeMessage, 0, 0); }) {
        CreateMessageWindow();
        // Every path goes through Serve; other methods get the library's refusal.
        auto serve = [this](const httplib::Request& req, httplib::Response& res) {
            Serve(req, res);
        };
        server_.Get(".*", serve);
        server_.Post(".*", serve);
        server_.set_keep_alive_max_count(100);
        // Small replies must not wait for the peer's delayed acknowledgement.
        server_.set_tcp_nodelay(true);
        port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0) {
            ::DestroyWindow(window_);
            throw PlayerError("The player's loopback server cannot listen");
        }
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        ::SetTimer(window_, kTickTimer, kTickMs, nullptr);
    }

    ~Impl() {
        exchange_.Close();
        server_.stop();
        if (thread_.joinable()) thread_.join();
        if (window_) ::DestroyWindow(window_);
    }

    std::string Url() const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + secret_ + "/";
    }

    void ShowPage() {
        std::string url = Url();
        if (!options_.urlFile.empty()) {
            UniqueFile file(::CreateFileW(Utf8ToWString(options_.urlFile).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            DWORD written = 0;
            if (file)
                ::WriteFile(file.get(), url.data(), static_cast<DWORD>(url.size()), &written,
                            nullptr);
            return;
        }
        std::wstring browser = AppPath(L"msedge.exe");
        if (browser.empty()) browser = AppPath(L"chrome.exe");
        if (!browser.empty()) {
            std::wstring line = L"\"" + browser + L"\" --app=" + Utf8ToWString(url) +
                                L" --window-size=1024,652 --no-first-run "
                                L"--no-default-browser-check";
            std::wstring profile = ProfileFolder();
            if (!profile.empty()) line += L" \"--user-data-dir=" + profile + L"\"";
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
        ::ShellExecuteW(nullptr, L"open", Utf8ToWString(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
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
        int id = channel_.QueueCall(Utf16ToUtf8(request));
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

    // Server thread: only the checks that need no state of the program, then the hand-over.
    void Serve(const httplib::Request& req, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        if (!web::HostAllowed(req.get_header_value("Host"), port_) ||
            !web::OriginAllowed(req.get_header_value("Origin"), port_)) {
            res.status = 404;
            return;
        }
        web::Target target = web::Classify(req.target, secret_);
        bool control = target.route == web::Route::Control;
        if (target.route == web::Route::Refused || req.method != (control ? "POST" : "GET")) {
            res.status = 404;
            return;
        }
        PageRequest request;
        if (control) request.control = target.rest;
        if (target.route == web::Route::File) request.path = target.rest;
        std::size_t q = req.target.find('?');
        if (q != std::string::npos) request.query = req.target.substr(q + 1);
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
        std::int64_t now = NowMs();
        if (request.control.empty()) {
            if (request.path.empty()) {
                pending->Answer({200, "text/html; charset=utf-8", kPageHtml});
                return;
            }
            std::optional<std::string> data =
                ReadWholeFile(Utf8ToWString(options_.programDirectory + request.path));
            if (!data) {
                pending->Answer({404, "", ""});
                return;
            }
            pending->Answer({200, web::ContentTypeFor(request.path), std::move(*data)});
            return;
        }
        const std::string& name = request.control;
        if (name == "hello") {
            channel_.Hello(now);
            pending->Answer(
                {200, "application/json", "{\"movie\":" + web::JsonQuote(channel_.Movie()) + "}"});
        } else if (name == "events") {
            channel_.Poll(now, [pending](const std::string& json) {
                pending->Answer({200, "application/json", json});
            });
        } else if (name == "reply") {
            int id = std::atoi(QueryValue(request.query, "id").c_str());
            std::size_t nl = request.body.find('\n');
            std::string status = request.body.substr(0, nl);
            std::string text = nl == std::string::npos ? "" : request.body.substr(nl + 1);
            channel_.Outcome(now, id, CallOutcome{status == "ok", text});
            pending->Answer({204, "", ""});
        } else if (name == "bye") {
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
                Guarded(
                    [&] { events_.fsCommand(Utf8ToUtf16(command), Utf8ToUtf16(args)); });
        } else if (name == "call") {
            // The movie waits in its call until the handler has returned, as with the control.
            channel_.BeginBusy(now);
            replies_.emplace_back();
            if (events_.flashCall)
                Guarded([&] { events_.flashCall(Utf8ToUtf16(request.body)); });
            std::optional<std::u16string> reply = std::move(replies_.back());
            replies_.pop_back();
            channel_.EndBusy(NowMs());
            if (reply)
                pending->Answer({200, "text/plain; charset=utf-8", Utf16ToUtf8(*reply)});
            else
                pending->Answer({204, "", ""});
        } else {
            pending->Answer({404, "", ""});
        }
    }

    void Tick() {
        std::int64_t now = NowMs();
        channel_.Tick(now);
        if (!quitting_ && channel_.PageGone(now)) {
            quitting_ = true;
            RequestQuit();
        }
    }

    PlayerEvents events_;
    BrowserPlayerOptions options_;
    std::string secret_;
    MovieChannel channel_;
    Exchange exchange_;
    HWND window_ = nullptr;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::vector<std::optional<std::u16string>> replies_;
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
