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

}  // namespace
