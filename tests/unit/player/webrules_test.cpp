#include "player/webrules.h"

#include <gtest/gtest.h>

namespace {

const std::string kSecret = "0123456789abcdef0123456789abcdef";

web::Target Classify(const std::string& rest) {
    return web::Classify("/" + kSecret + "/" + rest, kSecret);
}

TEST(WebRules, SecretSelectsPageFilesAndControls) {
    EXPECT_EQ(web::Route::Page, Classify("").route);
    EXPECT_EQ(web::Route::Page, Classify("?x=1").route);
    web::Target file = Classify("lesson1/a.swf?v=2");
    EXPECT_EQ(web::Route::File, file.route);
    EXPECT_EQ("lesson1\\a.swf", file.rest);
    web::Target control = Classify("!/call");
    EXPECT_EQ(web::Route::Control, control.route);
    EXPECT_EQ("call", control.rest);
    EXPECT_EQ(web::Route::Refused, Classify("!/Call").route);
    EXPECT_EQ(web::Route::Refused, Classify("!/").route);
}

TEST(WebRules, RequestsWithoutTheRightSecretGetNothing) {
    EXPECT_EQ(web::Route::Refused, web::Classify("/main.swf", kSecret).route);
    EXPECT_EQ(web::Route::Refused, web::Classify("/", kSecret).route);
    EXPECT_EQ(web::Route::Refused, web::Classify("/" + kSecret, kSecret).route);
    EXPECT_EQ(web::Route::Refused, web::Classify("/" + kSecret + "x/main.swf", kSecret).route);
    std::string other = kSecret;
    other[5] = 'f';
    EXPECT_EQ(web::Route::Refused, web::Classify("/" + other + "/main.swf", kSecret).route);
    // The secret is compared exactly: an upper-case spelling is another secret.
    std::string upper = "0123456789ABCDEF0123456789ABCDEF";
    EXPECT_EQ(web::Route::Refused, web::Classify("/" + upper + "/main.swf", kSecret).route);
    EXPECT_EQ(web::Route::Refused, web::Classify("/x/main.swf", "").route);
}

TEST(WebRules, TraversalFormsAreRefused) {
    const char* refused[] = {
        "../secret.txt",
        "a/../../secret.txt",
        "./main.swf",
        "a//b.swf",
        "a/",
        "..\\secret.txt",
        "a\\b.swf",
        "C:/Windows/win.ini",
        "C:secret.txt",
        "main.swf:stream",
        "%2e%2e/secret.txt",
        "%2E%2E/secret.txt",
        "..%2fsecret.txt",
        "..%2Fsecret.txt",
        "%5csecret.txt",
        "a%5C..%5Csecret.txt",
        "C%3a/x.txt",
        "%252e%252e/x.txt",
        "a%00.swf",
        "%",
        "%zz",
        "%2",
        "a./b.swf",
        "a /b.swf",
        "...",
        ".. /x",
        "con",
        "NUL.txt",
        "lpt1",
        "com9.swf",
        "a|b",
        "a*b",
        "a%0ab",
    };
    for (const char* rest : refused) EXPECT_EQ(web::Route::Refused, Classify(rest).route) << rest;
}

TEST(WebRules, OrdinaryNamesPass) {
    EXPECT_EQ("ruffle\\ruffle.js", Classify("ruffle/ruffle.js").rest);
    // Non-ASCII names arrive percent-encoded as UTF-8 and are decoded.
    EXPECT_EQ("\xE8\xAF\xBE/a b.swf", *web::PercentDecode("%E8%AF%BE/a%20b.swf", true));
    EXPECT_EQ("\xE8\xAF\xBE\\a b.swf", Classify("%E8%AF%BE/a%20b.swf").rest);
    EXPECT_EQ("a..b\\.hidden\\x.tar.gz", Classify("a..b/.hidden/x.tar.gz").rest);
    EXPECT_EQ("console.swf", Classify("console.swf").rest);
    EXPECT_EQ("com10", Classify("com10").rest);
}

TEST(WebRules, EveryDeviceNameIsRefused) {
    const char* devices[] = {
        "CONIN$",      "conout$",         "CONIN$.txt",  "a/ConOut$.swf",
        "nul .txt",    "con  ",           "COM\xC2\xB9", "com\xC2\xB2.swf",
        "LPT\xC2\xB3", "lpt\xC2\xB9.txt", "COM%C2%B9",   "a/lpt%C2%B2.log",
    };
    for (const char* rest : devices) EXPECT_EQ(web::Route::Refused, Classify(rest).route) << rest;
    // Names that only look alike are files.
    EXPECT_EQ(web::Route::File, Classify("conin.txt").route);
    EXPECT_EQ(web::Route::File, Classify("com%C2%B4").route);
    EXPECT_EQ(web::Route::File, Classify("lpt%C2%B9x").route);
    EXPECT_EQ(web::Route::File, Classify("conout$x").route);
}

TEST(WebRules, ScriptTypesOfTheProgramDirectoryAreDownloads) {
    for (const char* path : {"resources\\a.html", "b.HTM", "x\\y.js", "doc.svg", "data.xml",
                             "a.xhtml", "s.mjs", "t.xsl"})
        EXPECT_TRUE(web::ServedAsDownload(path)) << path;
    // Ruffle's own scripts are the page's.
    EXPECT_FALSE(web::ServedAsDownload("ruffle\\ruffle.js"));
    EXPECT_FALSE(web::ServedAsDownload("RUFFLE\\core.ruffle.1.js"));
    EXPECT_TRUE(web::ServedAsDownload("ruffle\\page.html"));
    EXPECT_TRUE(web::ServedAsDownload("resources\\ruffle\\x.js"));
    for (const char* path : {"main.swf", "a.txt", "ruffle\\x.wasm", "p.png", "s.mp3", "html"})
        EXPECT_FALSE(web::ServedAsDownload(path)) << path;
}

TEST(WebRules, ByteRanges) {
    using Kind = web::ByteRange::Kind;
    auto part = [](const char* header, std::uint64_t size) {
        web::ByteRange r = web::ParseRange(header, size);
        return r.kind == Kind::Part    ? std::to_string(r.first) + "-" + std::to_string(r.last)
               : r.kind == Kind::Whole ? std::string("whole")
                                       : std::string("unsatisfiable");
    };
    EXPECT_EQ("100-199", part("bytes=100-199", 1000));
    EXPECT_EQ("990-999", part("bytes=990-", 1000));
    EXPECT_EQ("990-999", part("bytes=990-5000", 1000));
    EXPECT_EQ("990-999", part("bytes=-10", 1000));
    EXPECT_EQ("0-999", part("bytes=-5000", 1000));
    EXPECT_EQ("0-0", part("BYTES=0-0", 1000));
    EXPECT_EQ("unsatisfiable", part("bytes=1000-", 1000));
    EXPECT_EQ("unsatisfiable", part("bytes=5000-6000", 1000));
    EXPECT_EQ("unsatisfiable", part("bytes=-0", 1000));
    EXPECT_EQ("unsatisfiable", part("bytes=0-", 0));
    // What the server does not take is answered whole.
    for (const char* header : {"", "bytes=0-1,5-6", "items=0-1", "bytes=5-1", "bytes=a-b",
                               "bytes=-", "bytes=1", "bytes=99999999999999999999-"})
        EXPECT_EQ("whole", part(header, 1000)) << header;
}

TEST(WebRules, PercentCoding) {
    EXPECT_EQ("a&b=c d", *web::PercentDecode("a%26b%3dc%20d", false));
    EXPECT_EQ("../", *web::PercentDecode("%2e%2E%2f", false));
    EXPECT_FALSE(web::PercentDecode("%2e", true));
    EXPECT_FALSE(web::PercentDecode("abc%4", false));
    EXPECT_EQ("lesson%201/%E8%AF%BE.swf", web::PercentEncode("lesson 1/\xE8\xAF\xBE.swf", true));
    EXPECT_EQ("a%2Fb", web::PercentEncode("a/b", false));
}

TEST(WebRules, OnlyTheServersOwnHostAndOrigin) {
    EXPECT_TRUE(web::HostAllowed("127.0.0.1:4321", 4321));
    EXPECT_FALSE(web::HostAllowed("127.0.0.1:4322", 4321));
    EXPECT_FALSE(web::HostAllowed("localhost:4321", 4321));
    EXPECT_FALSE(web::HostAllowed("evil.example:4321", 4321));
    EXPECT_FALSE(web::HostAllowed("127.0.0.1", 4321));
    EXPECT_FALSE(web::HostAllowed("", 4321));
    EXPECT_TRUE(web::OriginAllowed("", 4321));
    EXPECT_TRUE(web::OriginAllowed("http://127.0.0.1:4321", 4321));
    EXPECT_FALSE(web::OriginAllowed("null", 4321));
    EXPECT_FALSE(web::OriginAllowed("http://127.0.0.1:4322", 4321));
    EXPECT_FALSE(web::OriginAllowed("http://evil.example", 4321));
    EXPECT_FALSE(web::OriginAllowed("https://127.0.0.1:4321", 4321));
}

TEST(WebRules, ContentTypes) {
    EXPECT_EQ("application/wasm", web::ContentTypeFor("ruffle\\x.WASM"));
    EXPECT_EQ("text/javascript", web::ContentTypeFor("ruffle\\ruffle.js"));
    EXPECT_EQ("application/x-shockwave-flash", web::ContentTypeFor("main.swf"));
    EXPECT_EQ("application/octet-stream", web::ContentTypeFor("README"));
}

TEST(WebRules, HexAndJson) {
    const unsigned char bytes[] = {0x00, 0x0f, 0xa0, 0xff};
    EXPECT_EQ("000fa0ff", web::HexOf(bytes, 4));
    EXPECT_EQ("\"a\\\"b\\\\c\\n\\r\\t\\u0001\xE4\xB8\xAD\"",
              web::JsonQuote("a\"b\\c\n\r\t\x01\xE4\xB8\xAD"));
}

TEST(WebRules, MovieUrlsInsideTheProgramDirectoryOnly) {
    const std::string dir = "Z:\\courses\\app\\";
    EXPECT_EQ("main.swf", *web::MovieUrl(dir, "Z:\\courses\\app\\main.swf"));
    EXPECT_EQ("lesson%201/a.swf", *web::MovieUrl(dir, "z:\\COURSES\\App\\lesson 1\\a.swf"));
    EXPECT_FALSE(web::MovieUrl(dir, "Z:\\courses\\other\\main.swf"));
    EXPECT_FALSE(web::MovieUrl(dir, "Z:\\courses\\app\\..\\x.swf"));
    EXPECT_FALSE(web::MovieUrl(dir, dir));
    EXPECT_FALSE(web::MovieUrl("", "main.swf"));
}

}  // namespace

TEST(WebRules, ThePageIsServedWithTheHostsRequestNames) {
    EXPECT_EQ("const requests = [\"loadfile\", \"a\\\"b\"];\nrest",
              web::PageWithRequestNames("const requests = /* request names */ [];\nrest",
                                        {"loadfile", "a\"b"}));
    EXPECT_EQ("x = [];", web::PageWithRequestNames("x = /* request names */ [];", {}));
}
