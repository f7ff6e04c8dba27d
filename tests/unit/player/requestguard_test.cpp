#include "player/requestguard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kPrefix = "/0123456789abcdef0123456789abcdef/";

// Feeds the text as the HTTP library reads a head: one byte at a time; the first refusal.
int Feed(RequestGuard& guard, const std::string& text, std::int64_t now = 0) {
    for (char c : text) {
        if (int refusal = guard.Take(&c, 1, now)) return refusal;
    }
    return 0;
}

RequestGuard Ready(RequestLimits limits = RequestLimits()) {
    RequestGuard guard(limits, kPrefix);
    guard.Expect(0);
    return guard;
}

TEST(RequestGuard, OrdinaryRequestsPass) {
    RequestGuard guard = Ready();
    EXPECT_EQ(0, Feed(guard, "POST " + kPrefix + "!/call HTTP/1.1\r\nHost: 127.0.0.1:1\r\n"
                             "Content-Length: 5\r\nRange: bytes=0-1\r\n\r\n"));
    EXPECT_EQ(0, guard.Take("hello", 5, 0));
    EXPECT_TRUE(guard.FromPage());
    guard.Expect(10);
    EXPECT_EQ(0, Feed(guard, "GET /x HTTP/1.1\r\n\r\n"));
    EXPECT_FALSE(guard.FromPage());
}

TEST(RequestGuard, OversizeHeadsAreRefusedBeforeTheyAreRead) {
    RequestLimits limits;
    limits.requestLine = 64;
    limits.headerLine = 32;
    limits.headerCount = 3;
    {
        RequestGuard guard = Ready(limits);
        // Refused at the first byte past the limit, the line's end never awaited.
        EXPECT_EQ(0, Feed(guard, "GET /" + std::string(59, 'a')));
        EXPECT_EQ(414, Feed(guard, "a"));
    }
    {
        RequestGuard guard = Ready(limits);
        EXPECT_EQ(431, Feed(guard, "GET / HTTP/1.1\r\nX: " + std::string(100, 'v')));
    }
    {
        RequestGuard guard = Ready(limits);
        EXPECT_EQ(431, Feed(guard, "GET / HTTP/1.1\r\nA: 1\r\nB: 2\r\n\nC: 3\r\n"));
    }
    {
        RequestGuard guard = Ready();
        EXPECT_EQ(416, Feed(guard, "GET / HTTP/1.1\r\nrange: bytes=" +
                                       std::string(300, '1') + "\r\n"));
    }
}

TEST(RequestGuard, BodiesAreBoundedBeforeReading) {
    RequestLimits limits;
    limits.body = 100;
    auto head = [](const std::string& headers) {
        return "POST " + kPrefix + "!/call HTTP/1.1\r\n" + headers + "\r\n";
    };
    RequestGuard guard = Ready(limits);
    EXPECT_EQ(413, Feed(guard, head("Content-Length: 101\r\n")));
    guard = Ready(limits);
    EXPECT_EQ(413, Feed(guard, head("Content-Length: 99999999999999999\r\n")));
    guard = Ready(limits);
    EXPECT_EQ(400, Feed(guard, head("Content-Length: 1\r\nContent-Length: 2\r\n")));
    guard = Ready(limits);
    EXPECT_EQ(400, Feed(guard, head("Content-Length: -1\r\n")));
    guard = Ready(limits);
    EXPECT_EQ(501, Feed(guard, head("Transfer-Encoding: chunked\r\n")));
    guard = Ready(limits);
    EXPECT_EQ(411, Feed(guard, head("")));
    guard = Ready(limits);
    EXPECT_EQ(0, Feed(guard, head("content-length: 100\r\n")));
    EXPECT_EQ(0, guard.Take(std::string(60, 'x').data(), 60, 0));
    EXPECT_EQ(413, guard.Take(std::string(60, 'x').data(), 60, 0));
    // A GET needs no length.
    guard = Ready(limits);
    EXPECT_EQ(0, Feed(guard, "GET / HTTP/1.1\r\n\r\n"));
}

TEST(RequestGuard, DeadlinesOfEachPhase) {
    RequestLimits limits;
    RequestGuard guard(limits, kPrefix);
    guard.Expect(1000);
    EXPECT_EQ(1000 + limits.firstByteMs, guard.Deadline());
    EXPECT_EQ(0, guard.TimeoutStatus());  // between requests the connection just closes
    Feed(guard, "P", 1500);
    // A trickled head has its whole time from its first byte on, however it trickles.
    EXPECT_EQ(1500 + limits.headMs, guard.Deadline());
    EXPECT_EQ(408, guard.TimeoutStatus());
    Feed(guard, "OST " + kPrefix + "!/call HTTP/1.1\r\nContent-Length: 3\r\n", 3000);
    EXPECT_EQ(1500 + limits.headMs, guard.Deadline());
    Feed(guard, "\r\n", 4000);
    EXPECT_EQ(4000 + limits.bodyMs, guard.Deadline());
    guard.Take("abc", 3, 4100);
    // The page's connection is kept open long between requests; anyone else's is not.
    guard.Expect(5000);
    EXPECT_EQ(5000 + limits.pageIdleMs, guard.Deadline());
    Feed(guard, "GET /other HTTP/1.1\r\n\r\n", 5100);
    guard.Expect(6000);
    EXPECT_EQ(6000 + limits.idleMs, guard.Deadline());
}

TEST(RequestGuard, ResponseHeads) {
    ResponseHead head = ReadResponseHead("HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\n");
    EXPECT_TRUE(head.complete);
    EXPECT_TRUE(head.hasBody);
    EXPECT_FALSE(head.closes);
    head = ReadResponseHead("HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
    EXPECT_TRUE(head.closes);
    EXPECT_FALSE(head.hasBody);
    EXPECT_FALSE(ReadResponseHead("a body that ends in\r\n\r\n").complete);
    EXPECT_FALSE(ReadResponseHead("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n").complete);
}

}  // namespace
