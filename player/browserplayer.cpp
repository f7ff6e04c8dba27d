#include "player/browserplayer.h"

#include "platform/application.h"
#include "platform/browser.h"
#include "platform/filesystem.h"
#include "platform/guard.h"
#include "platform/placement.h"
#include "platform/registry.h"
#include "platform/textconv.h"
#include "platform/window.h"
#include "player/browserline.h"
#include "player/exchange.h"
#include "player/moviechannel.h"
#include "player/page_html.h"
#include "player/pageaddress.h"
#include "player/pageseat.h"
#include "player/pageserver.h"
#include "player/webrules.h"

#include <ntsecapi.h>

#include <chrono>
#include <optional>
#include <vector>

namespace {

constexpr UINT kWakeMessage = WM_APP + 17;
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 250;
// A host-to-movie call the page has not answered by then fails, as one to a missing function.
constexpr std::int64_t kCallWaitMs = 10000;
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
                if (std::optional<PageAddress> address = ParsePageAddress(*stored)) return *address;
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

std::string Param(const PageRequest& request, const char* name) {
    auto it = request.params.find(name);
    return it == request.params.end() ? std::string() : it->second;
}

CallOutcome OutcomeOf(const std::string& body) {
    std::size_t nl = body.find('\n');
    std::string status = body.substr(0, nl);
    return CallOutcome{status == "ok", nl == std::string::npos ? "" : body.substr(nl + 1)};
}

}  // namespace

// The GUI thread's side: the conversation with the page (its control requests, the host's calls
// of the movie, whether the page is still there) and the browser it plays in.
class BrowserPlayer::Impl {
  public:
    Impl(PlayerEvents events, BrowserPlayerOptions options)
        : events_(std::move(events)),
          options_(std::move(options)),
          address_(KeptAddress(options_.programDirectory)),
          channel_(NowMs()),
          window_([this](UINT msg, WPARAM wParam, LPARAM) { return OnMessage(msg, wParam); }),
          exchange_([hwnd = window_.hwnd()] { ::PostMessageW(hwnd, kWakeMessage, 0, 0); }),
          server_(ServerOptions(options_, address_),
                  [this](PageRequest request) { return exchange_.Submit(std::move(request)); }) {
        ::SetTimer(window_.hwnd(), kTickTimer, kTickMs, nullptr);
        SetModalObserver([this](bool modal) { channel_.QueueInput(!modal); });
    }

    ~Impl() {
        SetModalObserver(nullptr);
        // Requests still waiting are answered 503; then the server lets its connections go.
        exchange_.Close();
        server_.Stop();
    }

    bool ShowPage() {
        std::string url =
            "http://127.0.0.1:" + std::to_string(server_.Port()) + "/" + address_.key + "/";
        if (!options_.urlFile.empty()) {
            try {
                Win32FileSystem().WriteNewFile(options_.urlFile, url);
            } catch (const IoError&) {
                // The test that asked for the file sees none.
            }
            return true;
        }
        // Never the default browser: it may be Internet Explorer 11, which cannot run the page,
        // and the program could neither reach its window nor see it end.
        std::u16string browser = ChromiumBrowser();
        if (browser.empty()) return false;
        // The program is not aware of display scaling: on the primary monitor its coordinates are
        // the browser's own (device-independent) ones.
        ScreenPoint at = CentredIn(WorkAreaOf(ApplicationMainWindow()), kPageWidth, kPageHeight);
        if (!browser_.Start(browser, BrowserCommandLine(browser, url, BrowserProfileFolder(), at)))
            return false;
        channel_.BrowserHeld();
        return true;
    }

    HWND BrowserWindow() const { return browser_.Window(); }

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
    using ControlHandler = void (Impl::*)(const std::shared_ptr<PendingRequest>&);
    struct Control {
        const char* name;
        ControlHandler handle;
    };
    // What the page may post, each to "/<key>/!/<name>".
    static const Control kControls[];

    static PageServerOptions ServerOptions(const BrowserPlayerOptions& options,
                                           const PageAddress& address);

    bool OnMessage(UINT msg, WPARAM wParam) {
        if (msg == kWakeMessage) {
            while (std::shared_ptr<PendingRequest> pending = exchange_.Next()) Handle(pending);
            return true;
        }
        if (msg == WM_TIMER && wParam == kTickTimer) {
            Tick();
            return true;
        }
        return false;
    }

    void Handle(const std::shared_ptr<PendingRequest>& pending);

    void Hello(const std::shared_ptr<PendingRequest>& pending) {
        const PageRequest& request = pending->request();
        if (!seat_.Claim(Param(request, "page"), Param(request, "follows"))) {
            pending->Answer({409, "", ""});
            return;
        }
        // A browser that handed the page on may have ended since the last tick: that must be
        // known before this hello counts as the page's in it.
        WatchBrowser();
        channel_.Hello(NowMs());
        pending->Answer({200, "application/json",
                         "{\"movie\":" + web::JsonQuote(channel_.Movie()) +
                             ",\"input\":" + (channel_.InputEnabled() ? "true" : "false") + "}"});
    }

    void Events(const std::shared_ptr<PendingRequest>& pending) {
        channel_.Poll(NowMs(), [pending](const std::string& json) {
            pending->Answer({200, "application/json", json});
        });
    }

    void Reply(const std::shared_ptr<PendingRequest>& pending) {
        const PageRequest& request = pending->request();
        channel_.Outcome(NowMs(), std::atoi(Param(request, "id").c_str()), OutcomeOf(request.body));
        pending->Answer({204, "", ""});
    }

    void Resume(const std::shared_ptr<PendingRequest>& pending) {
        const PageRequest& request = pending->request();
        channel_.Outcome(NowMs(), std::atoi(Param(request, "id").c_str()), OutcomeOf(request.body));
        // The page waits on in this request for the answer of the call it is inside.
        if (!waiting_.empty() && !waiting_.back())
            waiting_.back() = pending;
        else
            pending->Answer({204, "", ""});
    }

    void Bye(const std::shared_ptr<PendingRequest>& pending) {
        seat_.Leave(Param(pending->request(), "page"));
        channel_.Bye(NowMs());
        pending->Answer({204, "", ""});
    }

    void FsCommand(const std::shared_ptr<PendingRequest>& pending) {
        channel_.Heard(NowMs());
        // Taken, not yet carried out: the movie goes on while the command runs (a modal picker,
        // say), and its next request can only come after this answer.
        std::u16string command = Utf8ToUtf16(Param(pending->request(), "command"));
        std::u16string args = Utf8ToUtf16(Param(pending->request(), "args"));
        pending->Answer({204, "", ""});
        if (events_.fsCommand) Guarded([&] { events_.fsCommand(command, args); });
    }

    void MovieCall(const std::shared_ptr<PendingRequest>& pending) {
        // The movie waits in its call until the handler has returned, as with the control.
        channel_.BeginBusy(NowMs());
        waiting_.push_back(pending);
        replies_.emplace_back();
        if (events_.flashCall)
            Guarded([&] { events_.flashCall(Utf8ToUtf16(pending->request().body)); });
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
    }

    void WatchBrowser() {
        if (!browser_.Ended()) return;
        browser_.Release();
        channel_.BrowserEnded();
    }

    void Tick() {
        WatchBrowser();
        std::int64_t now = NowMs();
        // While connections wait for a thread the page may be among them: its silence then says
        // nothing.
        if (server_.Congested()) channel_.SilenceExcused(now);
        channel_.Tick(now);
        if (!quitting_ && channel_.PageGone(now)) {
            quitting_ = true;
            RequestQuit();
        }
    }

    PlayerEvents events_;
    BrowserPlayerOptions options_;
    PageAddress address_;  // kept for this user and program folder
    MovieChannel channel_;
    PageSeat seat_;
    MessageWindow window_;
    Exchange exchange_;
    PageServer server_;
    std::vector<std::optional<std::u16string>> replies_;
    // The page's calls of the movie whose answers are held, innermost last; empty where a
    // call's answer went out early to carry a call of the host.
    std::vector<std::shared_ptr<PendingRequest>> waiting_;
    BrowserProcess browser_;
    bool quitting_ = false;
};

const BrowserPlayer::Impl::Control BrowserPlayer::Impl::kControls[] = {
    {"hello", &Impl::Hello},    {"events", &Impl::Events}, {"reply", &Impl::Reply},
    {"resume", &Impl::Resume},  {"bye", &Impl::Bye},       {"fscommand", &Impl::FsCommand},
    {"call", &Impl::MovieCall},
};

PageServerOptions BrowserPlayer::Impl::ServerOptions(const BrowserPlayerOptions& options,
                                                     const PageAddress& address) {
    PageServerOptions server;
    server.key = address.key;
    server.keptPort = address.port;
    server.page = web::PageWithRequestNames(std::string_view(kPageHtml, sizeof kPageHtml - 1),
                                            options.requestNames);
    server.programDirectory = options.programDirectory;
    for (const Control& control : kControls) server.controls.emplace_back(control.name);
    return server;
}

void BrowserPlayer::Impl::Handle(const std::shared_ptr<PendingRequest>& pending) {
    const PageRequest& request = pending->request();
    // Only the page that holds the seat is heard; another tab of the page, or one that a
    // later page has replaced, is refused.
    if (request.control != "hello" && !seat_.Holds(Param(request, "page"))) {
        pending->Answer({409, "", ""});
        return;
    }
    for (const Control& control : kControls) {
        if (request.control == control.name) return (this->*control.handle)(pending);
    }
    pending->Answer({404, "", ""});
}

BrowserPlayer::BrowserPlayer(PlayerEvents events, BrowserPlayerOptions options)
    : impl_(std::make_unique<Impl>(std::move(events), std::move(options))) {}

BrowserPlayer::~BrowserPlayer() = default;

bool BrowserPlayer::ShowPage() {
    return impl_->ShowPage();
}

void BrowserPlayer::SetMovie(const std::u16string& path) {
    if (path.empty()) {
        impl_->QueueMovie("");
        return;
    }
    std::optional<std::string> url = web::MovieUrl(impl_->ProgramDirectory(), Utf16ToUtf8(path));
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
    // Without a window of the browser the program holds (the test's, or one that handed the page
    // to another process) there is nothing it can reach; the command then does nothing.
    if (HWND window = impl_->BrowserWindow()) {
        int show = state == WindowState::Minimized   ? SW_MINIMIZE
                   : state == WindowState::Maximized ? SW_MAXIMIZE
                                                     : SW_RESTORE;
        ::ShowWindow(window, show);
    }
    return true;
}
