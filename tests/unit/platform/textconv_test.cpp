#include "platform/textconv.h"

#include <gtest/gtest.h>

namespace {

TEST(TextConvTest, GbkRoundTripsThroughUtf16AndUtf8) {
    const std::string gbk = "\xD6\xD0\xCE\xC4 abc";  // "中文 abc"
    EXPECT_EQ(u"中文 abc", AnsiToWide(gbk));
    EXPECT_EQ(gbk, WideToAnsi(u"中文 abc"));
    EXPECT_EQ("\xE4\xB8\xAD\xE6\x96\x87 abc", AnsiToUtf8(gbk));
    EXPECT_EQ(gbk, Utf8ToAnsi("\xE4\xB8\xAD\xE6\x96\x87 abc"));
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
