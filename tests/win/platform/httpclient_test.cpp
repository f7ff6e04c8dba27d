// The HTTP client against a scripted server on a thread of the test: the exact request bytes,
// each client's own cookies, failures, progress per block, cancelling from a handler, and the
// bounds on a body and on a silence.
#include "platform/http.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Accepts connections one after another; for each request it records the raw bytes and sends
// the next scripted reply, then closes the connection.
class ScriptedServer {
  public:
    // Each reply waits `delayMs` before its first byte and, when `pauseAt` is given, `pauseMs`
    // more after that many bytes.
    explicit ScriptedServer(std::vector<std::string> replies, DWORD delayMs = 0,
                            size_t pauseAt = std::string::npos, DWORD pauseMs = 0)
        : replies_(std::move(replies)), delayMs_(delayMs), pauseAt_(pauseAt), pauseMs_(pauseMs) {
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        int len = sizeof addr;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        ::listen(listener_, 4);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedServer() {
        ::closesocket(listener_);
        thread_.join();
        ::WSACleanup();
    }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int Port() const { return port_; }
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

  private:
    void Serve() {
        for (const std::string& reply : replies_) {
            SOCKET conn = ::accept(listener_, nullptr, nullptr);
            if (conn == INVALID_SOCKET) return;
            std::string request;
            char buf[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                int n = ::recv(conn, buf, sizeof buf, 0);
                if (n <= 0) break;
                request.append(buf, n);
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            ::Sleep(delayMs_);
            size_t sent = 0;
            bool paused = false;
            while (sent < reply.size()) {
                size_t end = paused || pauseAt_ > reply.size() ? reply.size() : pauseAt_;
                int n = ::send(conn, reply.data() + sent, static_cast<int>(end - sent), 0);
                if (n <= 0) break;
                sent += n;
                if (!paused && sent == pauseAt_) {
                    paused = true;
                    ::Sleep(pauseMs_);
                }
            }
            // Closed at once: the client may keep its end open for another request.
            ::shutdown(conn, SD_SEND);
            ::closesocket(conn);
        }
    }

    std::vector<std::string> replies_;
    DWORD delayMs_ = 0;
    size_t pauseAt_ = std::string::npos;
    DWORD pauseMs_ = 0;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
};

std::string ToHex(size_t n) {
    char text[32];
    std::snprintf(text, sizeof text, "%zx", n);
    return text;
}

std::string Ok(const std::string& body, const std::string& extra = "") {
    return "HTTP/1.1 200 OK\r\n" + extra + "Content-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

std::string Expected(int port, const std::string& target, const std::string& cookie = "") {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n" +
           (cookie.empty() ? "" : "Cookie: " + cookie + "\r\n") + "\r\n";
}

TEST(HttpClientTest, CookiesGoBackOnlyFromTheClientsOwnStore) {
    ScriptedServer server({Ok("one", "Set-Cookie: sid=42; Path=/\r\nSet-Cookie: lang=zh\r\n"),
                           Ok("two"), Ok("three")});
    HttpClient check, download;
    ReplyBuffer body;
    check.Get(server.Url("/a/first"), body);
    check.Get(server.Url("/a/second x"), body);
    download.Get(server.Url("/a/third"), body);
    EXPECT_EQ("onetwothree", body.ToString());
    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ(Expected(server.Port(), "/a/first"), requests[0]);
    EXPECT_EQ(Expected(server.Port(), "/a/second%20x", "lang=zh; sid=42"), requests[1]);
    EXPECT_EQ(Expected(server.Port(), "/a/third"), requests[2]);
}

TEST(HttpClientTest, OnlyA2xxWithoutLocationSucceeds) {
    ScriptedServer server({"HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n",
                           "HTTP/1.1 200 OK\r\nLocation: /x\r\nContent-Length: 2\r\n\r\nhi",
                           "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno",
                           "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort",
                           "HTTP/1.1 204 No Content\r\n\r\n"});
    HttpClient client;
    int begun = 0;
    client.OnWorkBegin = [&](long long) { ++begun; };
    for (int i = 0; i < 4; ++i) {
        ReplyBuffer body;
        try {
            client.Get(server.Url("/"), body);
            ADD_FAILURE() << "reply " << i << " taken as a success";
        } catch (const HttpCancelled&) {
            ADD_FAILURE() << "reply " << i << " taken as cancelled";
        } catch (const HttpError&) {
        }
    }
    // Only the truncated 200 began a body.
    EXPECT_EQ(1, begun);
    ReplyBuffer empty;
    client.Get(server.Url("/"), empty);
    EXPECT_EQ(0u, empty.Size());
}

TEST(HttpClientTest, ReportsEachBlockOfAtMost32KiB) {
    std::string big(300000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
    std::string chunked =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
        "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n";
    std::string closed = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nuntil the end";
    ScriptedServer server({Ok(big), chunked, closed});
    HttpClient client;
    long long announced = -1, last = 0;
    std::vector<long long> counts;
    int ended = 0;
    client.OnWorkBegin = [&](long long max) {
        announced = max;
        counts.clear();
        last = 0;
    };
    client.OnWork = [&](long long count) {
        EXPECT_GT(count, last);
        EXPECT_LE(count - last, 32768);
        last = count;
        counts.push_back(count);
    };
    client.OnWorkEnd = [&] { ++ended; };

    ReplyBuffer body;
    client.Get(server.Url("/big"), body);
    EXPECT_EQ(big, body.ToString());
    EXPECT_EQ(static_cast<long long>(big.size()), announced);
    ASSERT_FALSE(counts.empty());
    EXPECT_EQ(static_cast<long long>(big.size()), counts.back());
    EXPECT_GE(counts.size(), big.size() / 32768);

    ReplyBuffer text;
    client.Get(server.Url("/chunked"), text);
    EXPECT_EQ("hello world", text.ToString());
    EXPECT_EQ(0, announced);
    client.Get(server.Url("/closed"), text);
    EXPECT_EQ("hello worlduntil the end", text.ToString());
    EXPECT_EQ(0, announced);
    EXPECT_EQ(3, ended);
}

TEST(HttpClientTest, AHandlerCanCancelAndAnotherGetMeanwhileIsRefused) {
    std::string big(1 << 20, 'z');
    ScriptedServer server({Ok(big)});
    HttpClient client;
    bool refused = false;
    int ended = 0, reports = 0;
    client.OnWork = [&](long long) {
        ++reports;
        ReplyBuffer other;
        try {
            client.Get(server.Url("/again"), other);
        } catch (const HttpError&) {
            refused = true;
        }
        client.Cancel();
    };
    client.OnWorkEnd = [&] { ++ended; };
    ReplyBuffer body;
    EXPECT_THROW(client.Get(server.Url("/big"), body), HttpCancelled);
    EXPECT_TRUE(refused);
    EXPECT_EQ(1, ended);
    EXPECT_FALSE(client.Busy());
    // No report follows the cancel, even for blocks that had already arrived.
    EXPECT_EQ(1, reports);
}

std::atomic<int> g_ticks{0};
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
    ++g_ticks;
}

TEST(HttpClientTest, TimersRunWhileTheReplyIsAwaited) {
    // A server that answers only after 600 ms; a thread timer must keep ticking meanwhile.
    ScriptedServer server({Ok("late")}, 600);
    g_ticks = 0;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, CountTick);
    HttpAntiFreeze().OnlyWhenIdle = false;
    HttpClient client;
    ReplyBuffer body;
    client.Get(server.Url("/"), body);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ("late", body.ToString());
    EXPECT_GE(g_ticks.load(), 10);
}

TEST(HttpClientTest, AddressesThatNameNoServerFailBeforeSending) {
    HttpClient client;
    ReplyBuffer body;
    EXPECT_THROW(client.Get("http://127.0.0.1:8080cdef", body), HttpError);
    EXPECT_THROW(client.Get("http://127.0.0.1:1/a\r\nX: y", body), HttpError);
    EXPECT_THROW(client.Get("ftp://127.0.0.1/", body), HttpError);
}

HttpLimits Limits(long long maxBody, unsigned stallMs) {
    HttpLimits limits;
    limits.maxBody = maxBody;
    limits.stallMs = stallMs;
    return limits;
}

std::string Chunked(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + ToHex(body.size()) + "\r\n" +
           body + "\r\n0\r\n\r\n";
}

TEST(HttpClientTest, ABodyBeyondItsLimitIsRefusedAndOneAtTheLimitTaken) {
    const std::string body(100000, 'b');
    ScriptedServer server({Ok(body), Chunked(body), "HTTP/1.1 200 OK\r\n\r\n" + body,
                           Ok(body.substr(0, 65536)), Chunked(body.substr(0, 65536))});
    HttpClient client;
    int begun = 0;
    client.OnWorkBegin = [&](long long) { ++begun; };
    // Announced too long: refused before any byte of the body is taken or reported.
    ReplyBuffer announced;
    EXPECT_THROW(client.Get(server.Url("/"), announced, Limits(65536, 0)), HttpError);
    EXPECT_EQ(0u, announced.Size());
    EXPECT_EQ(0, begun);
    // Without a length, chunked or up to the close: cut off at the limit.
    for (int i = 0; i < 2; ++i) {
        ReplyBuffer unannounced;
        EXPECT_THROW(client.Get(server.Url("/"), unannounced, Limits(65536, 0)), HttpError) << i;
        EXPECT_LE(unannounced.Size(), 65536u) << i;
    }
    for (int i = 0; i < 2; ++i) {
        ReplyBuffer exact;
        client.Get(server.Url("/"), exact, Limits(65536, 0));
        EXPECT_EQ(65536u, exact.Size()) << i;
    }
}

TEST(HttpClientTest, NoByteForTheStallTimeIsAFailureAShorterPauseIsNot) {
    const std::string body(50000, 's');
    {
        // Silent before the head.
        ScriptedServer server({Ok(body)}, 2000);
        HttpClient client;
        ReplyBuffer received;
        DWORD start = ::GetTickCount();
        EXPECT_THROW(client.Get(server.Url("/"), received, Limits(0, 600)), HttpError);
        DWORD took = ::GetTickCount() - start;
        EXPECT_GE(took, 550u);
        EXPECT_LT(took, 1800u);
    }
    {
        // Silent in the middle of the body: the partial body is no success.
        ScriptedServer server({Ok(body)}, 0, 20000, 2000);
        HttpClient client;
        ReplyBuffer received;
        int ended = 0;
        client.OnWorkEnd = [&] { ++ended; };
        try {
            client.Get(server.Url("/"), received, Limits(0, 600));
            ADD_FAILURE() << "a stalled body taken as a success";
        } catch (const HttpCancelled&) {
            ADD_FAILURE() << "a stalled body taken as cancelled";
        } catch (const HttpError& e) {
            EXPECT_NE(std::string(e.what()).find("nothing arrived"), std::string::npos) << e.what();
        }
        EXPECT_LT(received.Size(), body.size());
        EXPECT_EQ(1, ended);
    }
    {
        // Pauses shorter than the bound, and no bound at all, wait as long as it takes.
        ScriptedServer server({Ok(body), Ok(body)}, 300, 20000, 400);
        HttpClient client;
        ReplyBuffer first, second;
        client.Get(server.Url("/"), first, Limits(0, 1500));
        client.Get(server.Url("/"), second, Limits(0, 0));
        EXPECT_EQ(body, first.ToString());
        EXPECT_EQ(body, second.ToString());
    }
}

std::atomic<int> g_sleepyTicks{0};
void CALLBACK SleepyTick(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    ++g_sleepyTicks;
    ::Sleep(900);
}

TEST(HttpClientTest, TimeTheProgramSpendsInItsHandlersIsNoSilenceOfTheServer) {
    // The server pauses 300 ms; meanwhile a handler the client serves keeps it away for 900 ms,
    // as a dialog opened from the queue would. What arrived meanwhile is there: no stall.
    const std::string body(50000, 'h');
    ScriptedServer server({Ok(body)}, 0, 20000, 300);
    HttpAntiFreeze().OnlyWhenIdle = false;
    HttpClient client;
    bool armed = false;
    client.OnWork = [&](long long) {
        if (!armed) ::SetTimer(nullptr, 0, 120, SleepyTick);
        armed = true;
    };
    g_sleepyTicks = 0;
    ReplyBuffer received;
    EXPECT_NO_THROW(client.Get(server.Url("/"), received, Limits(0, 600)));
    EXPECT_EQ(1, g_sleepyTicks.load());
    EXPECT_EQ(body, received.ToString());
}

// A sink that fails after some bytes, as a full disk does.
class FailingSink : public BodySink {
  public:
    std::string taken;
    void Append(const char* data, size_t size) override {
        if (taken.size() + size > 40000) throw std::runtime_error("cannot write: disk full");
        taken.append(data, size);
    }
};

TEST(HttpClientTest, ASinkThatFailsFailsTheRequestWithItsText) {
    ScriptedServer server({Ok(std::string(100000, 'f'))});
    HttpClient client;
    FailingSink sink;
    try {
        client.Get(server.Url("/"), sink);
        ADD_FAILURE() << "a failing sink taken as a success";
    } catch (const HttpError& e) {
        EXPECT_EQ(std::string("cannot write: disk full"), e.what());
    }
    EXPECT_LE(sink.taken.size(), 40000u);
    EXPECT_FALSE(client.Busy());
}

}  // namespace
