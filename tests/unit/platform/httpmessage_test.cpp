#include "platform/httpmessage.h"
#include "platform/replybuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

TEST(HttpAddressTest, SplitsHostPortAndPath) {
    HttpAddress a = ParseHttpAddress("http://127.0.0.1:8080/index.php/x/");
    EXPECT_EQ("127.0.0.1", a.host);
    EXPECT_EQ(8080, a.port);
    EXPECT_EQ("/index.php/x/", a.path);

    HttpAddress b = ParseHttpAddress("HTTP://update.example.test");
    EXPECT_EQ("update.example.test", b.host);
    EXPECT_EQ(80, b.port);
    EXPECT_EQ("", b.path);

    HttpAddress c = ParseHttpAddress("http://[::1]:81/a b/../c?d#e");
    EXPECT_EQ("[::1]", c.host);
    EXPECT_EQ(81, c.port);
    EXPECT_EQ("/a b/../c?d#e", c.path);
}

TEST(HttpAddressTest, RefusesWhatNamesNoHttpServer) {
    for (const char* url :
         {"https://h/", "ftp://h/", "http://", "http:///x", "http://h:/x", "http://h:0/",
          "http://h:65536/", "http://h:8080cdef", "http://h:-1/", "http://user@h/", "http://h?x",
          "http://[::1/", "http://[zz]/", "http://[::1]x/", "h/x", ""})
        EXPECT_THROW(ParseHttpAddress(url), HttpError) << url;
}

TEST(RequestTargetTest, SpacesBecomePercent20AndAllElseStays) {
    EXPECT_EQ("/", RequestTarget(""));
    EXPECT_EQ("/files/my%20setup.exe", RequestTarget("/files/my setup.exe"));
    EXPECT_EQ("/a/../b/./%25%2F?x=1#f", RequestTarget("/a/../b/./%25%2F?x=1#f"));
    EXPECT_EQ("/\xC9\xFD\xBC\xB6\"<>", RequestTarget("/\xC9\xFD\xBC\xB6\"<>"));
    EXPECT_EQ("%20%20", RequestTarget("  "));
}

TEST(RequestTargetTest, ControlCharactersCannotBeSent) {
    for (std::string path : {std::string("/a\r\nHost: x"), std::string("/a\n"), std::string("/\t"),
                             std::string("/\x7f"), std::string("/a\0b", 4)})
        EXPECT_THROW(RequestTarget(path), HttpError);
}

TEST(RequestHeadersTest, HostCarriesThePortUnlessItIs80) {
    HttpAddress a = ParseHttpAddress("http://h.test:8080/x");
    EXPECT_EQ((Lines{"Host: h.test:8080", "Accept: text/html, */*",
                     "User-Agent: Mozilla/3.0 (compatible; Indy Library)"}),
              RequestHeaderLines(a, ""));
    HttpAddress b = ParseHttpAddress("http://h.test:80/x");
    EXPECT_EQ((Lines{"Host: h.test", "Accept: text/html, */*",
                     "User-Agent: Mozilla/3.0 (compatible; Indy Library)", "Cookie: a=1; b=2"}),
              RequestHeaderLines(b, "a=1; b=2"));
}

TEST(ReplyHeadTest, SuccessIs2xxWithoutLocation) {
    auto head = [](Lines lines) {
        ReplyHead h;
        for (const auto& l : lines) h.Line(l + "\r\n");
        return h;
    };
    EXPECT_TRUE(head({"HTTP/1.1 200 OK", "Content-Length: 5", ""}).Success());
    EXPECT_TRUE(head({"HTTP/1.0 204 No Content", ""}).Success());
    EXPECT_TRUE(head({"HTTP/1.1 299 Whatever", ""}).Success());
    EXPECT_FALSE(head({"HTTP/1.1 200 OK", "location: /elsewhere", ""}).Success());
    EXPECT_FALSE(head({"HTTP/1.1 302 Found", "Location: /x", ""}).Success());
    EXPECT_FALSE(head({"HTTP/1.1 404 Not Found", ""}).Success());
    EXPECT_FALSE(head({"HTTP/1.1 199 Odd", ""}).Success());
    EXPECT_FALSE(head({"HTTP/1.1 300 Multiple", ""}).Success());
    EXPECT_FALSE(head({"garbage", ""}).Success());
}

TEST(ReplyHeadTest, InterimReplyIsForgotten) {
    ReplyHead h;
    for (const char* l : {"HTTP/1.1 100 Continue\r\n", "Location: /x\r\n", "\r\n",
                          "HTTP/1.1 200 OK\r\n", "Set-Cookie: a=1\r\n", "Content-Length: 12\r\n"})
        h.Line(l);
    EXPECT_FALSE(h.Complete());
    h.Line("\r\n");
    EXPECT_TRUE(h.Complete());
    EXPECT_TRUE(h.Success());
    EXPECT_EQ(12, h.ContentLength());
    EXPECT_EQ((Lines{"a=1"}), h.SetCookies());
}

TEST(ReplyHeadTest, LengthOnlyWhenAnnouncedAsANumber) {
    ReplyHead h;
    h.Line("HTTP/1.1 200 OK");
    EXPECT_EQ(-1, h.ContentLength());
    h.Line("Content-Length: abc");
    EXPECT_EQ(-1, h.ContentLength());
    h.Line("Content-Length:  104857600 ");
    EXPECT_EQ(104857600, h.ContentLength());
}

TEST(CookieJarTest, SendsCookiesBackToTheirHostAndPath) {
    CookieJar jar;
    jar.Receive("h.test", "/index.php/check/", "sid=abc; Path=/; HttpOnly", 1000);
    jar.Receive("h.test", "/index.php/check/", "deep=1", 1000);
    jar.Receive("h.test", "/", "other=2; path=/files", 1000);
    EXPECT_EQ("deep=1; sid=abc", jar.CookieHeader("h.test", "/index.php/check/again", 1000));
    EXPECT_EQ("other=2; sid=abc", jar.CookieHeader("H.TEST", "/files/setup.exe", 1000));
    EXPECT_EQ("sid=abc", jar.CookieHeader("h.test", "/filesx", 1000));
    EXPECT_EQ("", jar.CookieHeader("other.test", "/", 1000));
    EXPECT_EQ("", jar.CookieHeader("sub.h.test", "/", 1000));
}

TEST(CookieJarTest, DomainCookiesReachSubdomainsOnlyWhenTheServerOwnsTheDomain) {
    CookieJar jar;
    jar.Receive("www.h.test", "/", "d=1; Domain=.h.test", 0);
    jar.Receive("www.h.test", "/", "evil=1; Domain=other.test", 0);
    jar.Receive("127.0.0.1", "/", "ip=1; Domain=0.0.1", 0);
    EXPECT_EQ("d=1", jar.CookieHeader("dl.h.test", "/", 0));
    EXPECT_EQ("d=1", jar.CookieHeader("h.test", "/", 0));
    EXPECT_EQ("", jar.CookieHeader("other.test", "/", 0));
    EXPECT_EQ(1u, jar.Size());
}

TEST(CookieJarTest, ADomainOfOnlyADotKeepsTheCookieForItsHost) {
    // Nothing is left of ".", so the cookie is the host's own, not one for every name ending in
    // a dot.
    CookieJar jar;
    jar.Receive("a.h.test.", "/", "x=1; Domain=.", 0);
    EXPECT_EQ("x=1", jar.CookieHeader("a.h.test.", "/", 0));
    EXPECT_EQ("", jar.CookieHeader("other.test.", "/", 0));
    EXPECT_EQ("", jar.CookieHeader("b.a.h.test.", "/", 0));
}

TEST(CookieJarTest, IgnoresCookiesHoldingControlCharacters) {
    // Such a value would end or cut the Cookie line of the next request.
    CookieJar jar;
    jar.Receive("h.test", "/", "a=1\rX-Injected: yes", 0);
    jar.Receive("h.test", "/", std::string("b=1\0;c", 7), 0);
    jar.Receive("h.test", "/", "c=1; Path=/\x01", 0);
    jar.Receive("h.test", "/", "d=1\x7f", 0);
    jar.Receive("h.test", "/", "tab=1\t2", 0);
    EXPECT_EQ("tab=1\t2", jar.CookieHeader("h.test", "/", 0));
    EXPECT_EQ(1u, jar.Size());
}

TEST(CookieJarTest, ExpiryReplacesAndRemoves) {
    CookieJar jar;
    jar.Receive("h", "/", "a=1", 100);
    jar.Receive("h", "/", "b=1; Max-Age=10", 100);
    jar.Receive("h", "/", "c=1; Expires=Wed, 09 Jun 2021 10:18:14 GMT", 100);
    jar.Receive("h", "/", "s=1; Secure", 100);
    EXPECT_EQ("a=1; b=1; c=1", jar.CookieHeader("h", "/", 100));
    EXPECT_EQ("a=1; c=1", jar.CookieHeader("h", "/", 110));
    jar.Receive("h", "/", "a=2", 120);
    jar.Receive("h", "/", "c=0; Max-Age=0", 120);
    EXPECT_EQ("a=2", jar.CookieHeader("h", "/", 120));
    jar.Receive("h", "/", "e=1; Expires=Wed, 09 Jun 2021 10:18:14 GMT", 120);
    EXPECT_EQ("a=2; e=1", jar.CookieHeader("h", "/", 1623233894 - 1));
    EXPECT_EQ("a=2", jar.CookieHeader("h", "/", 1623233894));
}

TEST(CookieJarTest, ParsesTheUsualDateForms) {
    std::time_t t = 0;
    ASSERT_TRUE(ParseCookieDate("Wed, 09 Jun 2021 10:18:14 GMT", t));
    EXPECT_EQ(1623233894, t);
    ASSERT_TRUE(ParseCookieDate("Wednesday, 09-Jun-21 10:18:14 GMT", t));
    EXPECT_EQ(1623233894, t);
    ASSERT_TRUE(ParseCookieDate("Wed Jun  9 10:18:14 2021", t));
    EXPECT_EQ(1623233894, t);
    EXPECT_FALSE(ParseCookieDate("tomorrow", t));
    EXPECT_FALSE(ParseCookieDate("Wed, 09 Jun 2021 25:00:00 GMT", t));
}

TEST(ReplyBufferTest, KeepsBytesInOrderAcrossBlocks) {
    ReplyBuffer buffer;
    std::string big(ReplyBuffer::kBlockSize + 10, 'x');
    big[ReplyBuffer::kBlockSize - 1] = '\0';
    big[ReplyBuffer::kBlockSize] = 'y';
    buffer.Append("ab", 2);
    buffer.Append(big.data(), big.size());
    buffer.Append("", 0);
    EXPECT_EQ(big.size() + 2, buffer.Size());
    EXPECT_EQ("ab" + big, buffer.ToString());
    size_t pieces = 0, total = 0;
    buffer.ForEachPiece([&](const char*, size_t n) {
        ++pieces;
        total += n;
        EXPECT_LE(n, ReplyBuffer::kBlockSize);
    });
    EXPECT_EQ(2u, pieces);
    EXPECT_EQ(buffer.Size(), total);
    buffer.Clear();
    EXPECT_EQ(0u, buffer.Size());
    EXPECT_EQ("", buffer.ToString());
}

}  // namespace
