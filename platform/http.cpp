#include "platform/http.h"

#include "platform/application.h"
#include "platform/handles.h"
#include "platform/scopeexit.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <ctime>
#include <mutex>
#include <new>
#include <vector>

namespace {

// Socket waits are cut this short at most, so input and timers wait no longer than this even
// though the idle time-out would allow more.
constexpr long kLongestWaitMs = 50;
constexpr long kBlockSize = 32768;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK)
            throw HttpError("the HTTP library cannot be initialised");
    });
}

// Every option goes through here: one that libcurl refuses (a value out of its range, say) fails
// the request instead of leaving libcurl's default silently in place.
template <typename T>
void SetOption(CURL* easy, CURLoption option, T value) {
    CURLcode code = curl_easy_setopt(easy, option, value);
    if (code != CURLE_OK)
        throw HttpError(std::string("the HTTP client refused an option: ") +
                        curl_easy_strerror(code));
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using UniqueSlist = std::unique_ptr<curl_slist, SlistDeleter>;

}  // namespace

AntiFreeze& HttpAntiFreeze() {
    static AntiFreeze settings;
    return settings;
}

using UniqueEasy = UniqueResource<NullHandleTraits<CURL*, curl_easy_cleanup>>;
using UniqueMulti = UniqueResource<NullHandleTraits<CURLM*, curl_multi_cleanup>>;

struct HttpClient::Impl {
    // Declared in this order so the multi handle goes first, before the easy one it may hold.
    UniqueEasy easy;
    UniqueMulti multi;
    CookieJar cookies;

    // State of the running request.
    bool busy = false;
    bool cancelled = false;
    std::string host, cookiePath;
    ReplyHead head;
    bool headRefused = false;  // the reply's head showed it is no success
    bool outOfMemory = false;
    bool tooLarge = false;
    std::string sinkFailure;  // what the body's sink threw
    BodySink* body = nullptr;
    HttpLimits limits;
    long long received = 0;
    long long headerBytes = 0;
    std::vector<long long> pendingWork;  // body counts not yet reported
    long long blockStart = 0;            // body count where the last pending block begins
    bool begun = false;

    static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
        Impl& self = *static_cast<Impl*>(user);
        size_t n = size * count;
        self.headerBytes += static_cast<long long>(n);
        try {
            self.head.Line(std::string(data, n));
            if (!self.head.Complete()) return n;
            // An interim 1xx head is followed by the real one.
            if (self.head.Status() >= 100 && self.head.Status() <= 199) return n;
            for (const std::string& value : self.head.SetCookies())
                self.cookies.Receive(self.host, self.cookiePath, value, std::time(nullptr));
            if (!self.head.Success()) {
                // Nothing of a failed reply is wanted; stop before its body.
                self.headRefused = true;
                return 0;
            }
            if (self.limits.maxBody > 0 && self.head.ContentLength() > self.limits.maxBody) {
                self.tooLarge = true;
                return 0;
            }
            return n;
        } catch (const std::bad_alloc&) {
            self.outOfMemory = true;
            return 0;
        }
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* user) {
        Impl& self = *static_cast<Impl*>(user);
        size_t n = size * count;
        if (self.cancelled) return 0;
        if (self.limits.maxBody > 0 &&
            self.received + static_cast<long long>(n) > self.limits.maxBody) {
            self.tooLarge = true;
            return 0;
        }
        try {
            self.body->Append(data, n);
        } catch (const std::bad_alloc&) {
            self.outOfMemory = true;
            return 0;
        } catch (const std::exception& e) {
            self.sinkFailure = e.what();
            return 0;
        }
        // Pieces that arrived together are reported as one block while it stays within the
        // block size: the socket often hands over less than a block, and each report costs the
        // progress handlers a turn of the message queue.
        long long now = self.received + static_cast<long long>(n);
        if (!self.pendingWork.empty() && now - self.blockStart <= kBlockSize) {
            self.pendingWork.back() = now;
        } else {
            self.blockStart = self.received;
            self.pendingWork.push_back(now);
        }
        self.received = now;
        return n;
    }

    void Configure(const HttpAddress& address, const std::string& target, curl_slist* headers) {
        curl_easy_reset(easy.get());
        // The URL only selects the connection; the request line's target is given as is.
        std::string url = "http://" + address.host + ":" + std::to_string(address.port) + "/";
        SetOption(easy.get(), CURLOPT_URL, url.c_str());
        SetOption(easy.get(), CURLOPT_REQUEST_TARGET, target.c_str());
        SetOption(easy.get(), CURLOPT_PROTOCOLS_STR, "http");
        SetOption(easy.get(), CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        SetOption(easy.get(), CURLOPT_HTTPHEADER, headers);
        SetOption(easy.get(), CURLOPT_FOLLOWLOCATION, 0L);
        SetOption(easy.get(), CURLOPT_PROXY, "");
        SetOption(easy.get(), CURLOPT_NOSIGNAL, 1L);
        SetOption(easy.get(), CURLOPT_BUFFERSIZE, kBlockSize);
        // No time-outs of the client's own: a read may wait without end.
        SetOption(easy.get(), CURLOPT_TIMEOUT_MS, 0L);
        // Nor for connecting: the longest wait libcurl takes (its own default would be 300 s), so
        // the system's connect time-out decides.
        SetOption(easy.get(), CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(LONG_MAX));
        SetOption(easy.get(), CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
        SetOption(easy.get(), CURLOPT_HEADERDATA, this);
        SetOption(easy.get(), CURLOPT_WRITEFUNCTION, &Impl::OnBody);
        SetOption(easy.get(), CURLOPT_WRITEDATA, this);
    }
};

HttpClient::HttpClient() : impl_(std::make_unique<Impl>()) {}

// The library and the handles are made with the first request, not with the client: the clients
// are built at start and setting up libcurl's sockets would delay the main window.
void HttpClient::Prepare() {
    Impl& s = *impl_;
    if (s.easy && s.multi) return;
    InitCurlOnce();
    if (!s.easy) s.easy.reset(curl_easy_init());
    if (!s.multi) s.multi.reset(curl_multi_init());
    if (!s.easy || !s.multi) throw HttpError("the HTTP client cannot be created");
}

HttpClient::~HttpClient() = default;

bool HttpClient::Busy() const {
    return impl_->busy;
}

void HttpClient::Cancel() {
    if (impl_->busy) impl_->cancelled = true;
}

void HttpClient::Get(const std::string& url, BodySink& body, const HttpLimits& limits) {
    Impl& s = *impl_;
    if (s.busy) throw HttpError("a request of this client is still running");

    HttpAddress address = ParseHttpAddress(url);
    std::string target = RequestTarget(address.path);
    std::string cookiePath = address.path.empty() ? "/" : address.path;
    std::string cookie = s.cookies.CookieHeader(address.host, cookiePath, std::time(nullptr));

    UniqueSlist headers;
    std::vector<std::string> lines = RequestHeaderLines(address, cookie);
    // Nothing beyond these lines: an empty "Expect:" keeps libcurl from adding its own.
    lines.push_back("Expect:");
    for (const std::string& line : lines) {
        curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
        if (!grown) throw std::bad_alloc();
        headers.release();
        headers.reset(grown);
    }

    Prepare();
    s.Configure(address, target, headers.get());
    s.busy = true;
    s.cancelled = false;
    s.host = address.host;
    s.cookiePath = cookiePath;
    s.head = ReplyHead();
    s.headRefused = false;
    s.outOfMemory = false;
    s.tooLarge = false;
    s.sinkFailure.clear();
    s.body = &body;
    s.limits = limits;
    s.received = 0;
    s.headerBytes = 0;
    s.pendingWork.clear();
    s.blockStart = 0;
    s.begun = false;

    bool added = false;
    ScopeExit running([&] {
        if (added) curl_multi_remove_handle(s.multi.get(), s.easy.get());
        s.busy = false;
        s.body = nullptr;
    });
    if (curl_multi_add_handle(s.multi.get(), s.easy.get()) != CURLM_OK)
        throw HttpError("the request cannot be started");
    added = true;

    bool quitting = false;
    auto deliverWork = [&] {
        if (!s.begun && s.head.Complete() && s.head.Success() && !s.headRefused && !s.tooLarge) {
            s.begun = true;
            long long announced = std::max(0LL, s.head.ContentLength());
            if (OnWorkBegin) OnWorkBegin(announced);
        }
        if (!s.begun) return;
        // Reported one at a time; a handler may cancel in between.
        for (size_t i = 0; i < s.pendingWork.size() && !s.cancelled; ++i)
            if (OnWork) OnWork(s.pendingWork[i]);
        s.pendingWork.clear();
    };
    auto endWork = [&] {
        if (s.begun && OnWorkEnd) OnWorkEnd();
    };

    using Clock = std::chrono::steady_clock;
    Clock::time_point lastArrival = Clock::now();
    long long seenBytes = 0;
    bool stalled = false;

    CURLcode outcome = CURLE_OK;
    try {
        int stillRunning = 1;
        while (true) {
            CURLMcode mc = curl_multi_perform(s.multi.get(), &stillRunning);
            if (mc != CURLM_OK) throw HttpError(curl_multi_strerror(mc));
            // Silence is judged right after reading what the socket holds: time spent in the
            // handlers below (a dialog the movie opens, say) is not the server's.
            if (limits.stallMs > 0 && stillRunning) {
                Clock::time_point now = Clock::now();
                if (s.received + s.headerBytes != seenBytes) {
                    seenBytes = s.received + s.headerBytes;
                    lastArrival = now;
                } else if (now - lastArrival > std::chrono::milliseconds(limits.stallMs)) {
                    stalled = true;
                    break;
                }
            }
            deliverWork();
            if (s.cancelled || !stillRunning) break;

            long curlWait = -1;
            curl_multi_timeout(s.multi.get(), &curlWait);
            const AntiFreeze& freeze = HttpAntiFreeze();
            long waitMs = std::min<long>(kLongestWaitMs, static_cast<long>(freeze.IdleTimeOut));
            if (curlWait >= 0) waitMs = std::min(waitMs, curlWait);
            int ready = 0;
            mc = curl_multi_wait(s.multi.get(), nullptr, 0, static_cast<int>(waitMs), &ready);
            if (mc != CURLM_OK) throw HttpError(curl_multi_strerror(mc));
            if (!freeze.OnlyWhenIdle || ready == 0) {
                if (ProcessMessages()) {
                    // The application is ending; its loop must not wait on a server.
                    quitting = true;
                    s.cancelled = true;
                }
            }
            if (s.cancelled) break;
        }
        if (!s.cancelled && !stalled) {
            int left = 0;
            while (CURLMsg* msg = curl_multi_info_read(s.multi.get(), &left))
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == s.easy.get())
                    outcome = msg->data.result;
        }
    } catch (...) {
        endWork();
        throw;
    }
    endWork();

    if (s.cancelled)
        throw HttpCancelled(quitting ? "the application is quitting" : "the request was cancelled");
    if (stalled)
        throw HttpError("nothing arrived from the server for " +
                        std::to_string(limits.stallMs / 1000) + " s");
    if (s.outOfMemory) throw HttpError("out of memory for the reply");
    if (s.tooLarge)
        throw HttpError("the reply is larger than " + std::to_string(limits.maxBody) + " bytes");
    if (!s.sinkFailure.empty()) throw HttpError(s.sinkFailure);
    if (s.headRefused || (outcome == CURLE_OK && !s.head.Success())) {
        throw HttpError(s.head.HasLocation() ? "the reply redirects elsewhere"
                                             : "HTTP status " + std::to_string(s.head.Status()));
    }
    if (outcome != CURLE_OK) throw HttpError(curl_easy_strerror(outcome));
}
