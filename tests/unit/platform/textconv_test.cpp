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

TEST(TextConvTest, Utf8DetectionNeedsWellFormedNonAscii) {
    EXPECT_TRUE(IsUtf8WithNonAscii("\xE4\xB8\xAD"));
    EXPECT_FALSE(IsUtf8WithNonAscii("plain ascii"));
    EXPECT_FALSE(IsUtf8WithNonAscii("\xD6\xD0\xCE\xC4"));  // GBK text
    EXPECT_FALSE(IsUtf8WithNonAscii("\xE4\xB8"));           // cut short
    EXPECT_FALSE(IsUtf8WithNonAscii("\xC0\x80"));           // overlong
    EXPECT_FALSE(IsUtf8WithNonAscii("\xED\xA0\x80"));       // surrogate
}

}  // namespace
