#include "platform/textconv.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
#endif

namespace {

// Every conversion of the program, the same cases on both backends: the system's converters in
// the program and the native stand-in must give the same bytes, or the portable tests would
// pass on text the program reads differently.
struct ConversionCase {
    const char* name;
    std::string ansi;     // GBK
    std::u16string wide;  // UTF-16
    std::string utf8;
};

std::string Bytes(const char* text, size_t size) {
    return std::string(text, size);
}

const ConversionCase kRoundTrips[] = {
    {"empty", "", u"", ""},
    {"ascii", "abc", u"abc", "abc"},
    {"embedded NUL", Bytes("a\0b", 3), std::u16string(u"a\0b", 3), Bytes("a\0b", 3)},
    {"trail byte 0x5C", "\x95\x5C\\\xB1\x5C", u"\u661E\\\u76F6", "\xE6\x98\x9E\\\xE7\x9B\xB6"},
    {"euro sign at 0x80", "\x80", u"\u20AC", "\xE2\x82\xAC"},
    {"Chinese punctuation", "\xA1\xA2\xA3\xAC", u"\u3001\uFF0C", "\xE3\x80\x81\xEF\xBC\x8C"},
};

TEST(TextConvTest, ConversionsRoundTripTheSameOnEveryBackend) {
    for (const ConversionCase& c : kRoundTrips) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.wide, AnsiToWide(c.ansi));
        EXPECT_EQ(c.ansi, WideToAnsi(c.wide));
        EXPECT_EQ(c.utf8, AnsiToUtf8(c.ansi));
        EXPECT_EQ(c.ansi, Utf8ToAnsi(c.utf8));
        EXPECT_EQ(c.utf8, Utf16ToUtf8(c.wide));
        EXPECT_EQ(c.wide, Utf8ToUtf16(c.utf8));
    }
}

// Text that has no exact counterpart: what each conversion makes of it.
TEST(TextConvTest, TextWithoutCounterpartTheSameOnEveryBackend) {
    const struct {
        const char* name;
        std::u16string wide;
        std::string ansi;
    } toAnsi[] = {
        {"lone high surrogate", u"a\xD800z", "a?z"},
        {"lone low surrogate", u"a\xDC00z", "a?z"},
        {"Thai", u"a\u0E01z", "a?z"},
        {"Hangul", u"\uD55C", "?"},
        {"outside the BMP", u"a\U0001F600z", "a??z"},  // one mark per UTF-16 unit
    };
    for (const auto& c : toAnsi) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.ansi, WideToAnsi(c.wide));
    }

    const struct {
        const char* name;
        std::string utf8;
        std::string ansi;
    } utf8ToAnsi[] = {
        // Not here: encoded surrogates and values past U+10FFFF, where Wine's converter counts
        // its marks differently from the browsers' rule that Utf8ToUtf16 follows.
        {"outside the BMP", "a\xF0\x9F\x98\x80z", "a??z"},
        {"Hangul", "\xED\x95\x9C", "?"},
        {"invalid UTF-8", "\xC0\xAFz", "??z"},
        {"cut short", "a\xE4\xB8", "a?"},
        {"cut short before ASCII", "\xF0\x9F\x98z", "?z"},
    };
    for (const auto& c : utf8ToAnsi) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.ansi, Utf8ToAnsi(c.utf8));
    }

    const struct {
        const char* name;
        std::string utf8;
        std::u16string wide;
    } invalidUtf8[] = {
        {"overlong slash", "\xC0\xAFz", u"\xFFFD\xFFFDz"},
        {"cut short", "\xE4\xB8", u"\xFFFD"},  // one for the start of a character
        {"cut short before ASCII", "\xF0\x9F\x98z", u"\xFFFDz"},
        {"encoded surrogate", "\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},
        {"stray continuation", "a\x80z", u"a\xFFFDz"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
    };
    for (const auto& c : invalidUtf8) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.wide, Utf8ToUtf16(c.utf8));
    }
    EXPECT_EQ("\xEF\xBF\xBDz", Utf16ToUtf8(u"\xD800z"));
}

#ifdef _WIN32
TEST(TextConvTest, BstrsKeepTheirLengthAndEmbeddedNuls) {
    for (const ConversionCase& c : kRoundTrips) {
        SCOPED_TRACE(c.name);
        wchar_t* bstr = WideToNewBstr(c.wide);
        ASSERT_NE(nullptr, bstr);
        EXPECT_EQ(c.wide, BstrToWide(bstr));
        ::SysFreeString(bstr);
    }
    EXPECT_EQ(u"", BstrToWide(nullptr));
}
#endif

TEST(TextConvTest, GbkRoundTripsThroughUtf16AndUtf8) {
    const std::string gbk = "\xD6\xD0\xCE\xC4 abc";  // "中文 abc"
    EXPECT_EQ(u"中文 abc", AnsiToWide(gbk));
    EXPECT_EQ(gbk, WideToAnsi(u"中文 abc"));
    EXPECT_EQ("\xE4\xB8\xAD\xE6\x96\x87 abc", AnsiToUtf8(gbk));
    EXPECT_EQ(gbk, Utf8ToAnsi("\xE4\xB8\xAD\xE6\x96\x87 abc"));
}

TEST(TextConvTest, Utf8AndUtf16Directly) {
    std::u16string text = u"a\u4E2D\u6587\U0001F600";
    std::string utf8 = Utf16ToUtf8(text);
    EXPECT_EQ("a\xE4\xB8\xAD\xE6\x96\x87\xF0\x9F\x98\x80", utf8);
    EXPECT_EQ(text, Utf8ToUtf16(utf8));
    // A lone surrogate and malformed UTF-8 become U+FFFD.
    EXPECT_EQ("\xEF\xBF\xBDx", Utf16ToUtf8(std::u16string(u"\xD800x")));
    EXPECT_EQ(u"\xFFFD\xFFFDz", Utf8ToUtf16("\xC0\xAFz"));
    EXPECT_EQ(u"\xFFFD", Utf8ToUtf16("\xE4\xB8"));  // one for the start of a character
    EXPECT_EQ(u"\xFFFD\xFFFD\xFFFD", Utf8ToUtf16("\xED\xA0\x80"));
}

TEST(TextConvTest, UnrepresentableCharactersBecomeQuestionMarks) {
    EXPECT_EQ("a?b", WideToAnsi(u"a\u0e01b"));
    EXPECT_EQ("a??b", WideToAnsi(u"a\U0001F600b"));  // one mark per UTF-16 unit
}

TEST(TextConvTest, LeadBytesOfTheCodePageHideTheByteAfterThem) {
    EXPECT_TRUE(IsLeadByte('\xB1'));
    EXPECT_FALSE(IsLeadByte('\\'));
    EXPECT_FALSE(IsLeadByte('a'));
    // "\xB1\x5C" is one character; the separator before it is the last one.
    EXPECT_EQ(2u, LastDelimiter("C:\\\xB1\x5C", "\\"));
    EXPECT_EQ(std::string::npos, LastDelimiter("\xB1\x5C", "\\"));
    // A lead byte at the very end has no trail byte to hide.
    EXPECT_EQ(1u, LastDelimiter("a\\\xB1", "\\"));
}

TEST(TextRulesTest, MovieFilesByTheirLastThreeBytesInAnyCase) {
    EXPECT_TRUE(EndsInSwf("clip/intro.SWF"));
    EXPECT_TRUE(EndsInSwf("swf"));
    EXPECT_TRUE(EndsInSwf("movieswf"));  // no dot needed
    EXPECT_FALSE(EndsInSwf("doc/a.doc"));
    EXPECT_FALSE(EndsInSwf("sw"));
    EXPECT_FALSE(EndsInSwf("a.swf "));
    EXPECT_FALSE(EndsInSwf("a.swf.doc"));
    EXPECT_FALSE(EndsInSwf(""));
    // Bytes, not characters: a double-byte character before "wf" whose second byte is "S".
    EXPECT_TRUE(EndsInSwf("x\x81Swf"));
}

TEST(TextRulesTest, ProtocolWordsCompareByteForByteIgnoringAsciiCase) {
    EXPECT_TRUE(EqualsIgnoringAsciiCase("Content-LENGTH", "content-length"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("Content-Length", "Content-Length "));
    // Only ASCII letters fold, and byte by byte: these words know no double-byte characters
    // (LowerAnsi does).
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC4", "\xE4"));
    EXPECT_EQ("host.\xC4\x61", AsciiLowered("HoSt.\xC4\x41"));
    EXPECT_TRUE(StartsWithIgnoringAsciiCase(u"/RUFFLE /urlfile", u"/ruffle"));
    EXPECT_FALSE(StartsWithIgnoringAsciiCase(u"/ruf", u"/ruffle"));
    EXPECT_FALSE(StartsWithIgnoringAsciiCase(u"\u00C4", u"\u00E4"));
}

TEST(TextRulesTest, TextsAreCutAtTheirFirstMarker) {
    auto split = [](const char* text, size_t limit = 999) {
        MarkerSplit s = SplitAtMarker(text, limit);
        return s.before + "|" + s.after;
    };
    EXPECT_EQ("lesson1/|onPicked", split("lesson1/@@@onPicked"));
    EXPECT_EQ("|onPicked", split("@@@onPicked"));
    EXPECT_EQ("a|b@@@c", split("a@@@b@@@c"));  // a second marker belongs to the second part
    EXPECT_EQ("a|", split("a@@@"));
    EXPECT_EQ("|cdef", split("abcdef"));  // without a marker: from the third byte on
    EXPECT_EQ("|", split("ab"));
    EXPECT_EQ("x|12", split("x@@@12345", 2));
}

TEST(TextRulesTest, RootComparisonIgnoresCaseOfSingleByteLettersOnly) {
    EXPECT_TRUE(SameTextIgnoringCase("Z:\\App\\Resources", "z:\\app\\RESOURCES"));
    EXPECT_FALSE(SameTextIgnoringCase("Z:\\app\\resources", "Z:\\app\\resource"));
    // 0x81 0x41 and 0x81 0x61 are two different double-byte characters whose second bytes look
    // like "A" and "a".
    EXPECT_FALSE(SameTextIgnoringCase("x\x81\x41", "x\x81\x61"));
    EXPECT_EQ("x\x81\x41y", LowerAnsi("X\x81\x41Y"));
    EXPECT_TRUE(SameTextIgnoringCase("", ""));
}

}  // namespace
