// Decoding of the movie's invoke requests and building of replies and calls into the movie.
#include "bridge/invoke.h"
#include "platform/textconv.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

InvokeRequest Parse(const std::string& text) { return InvokeRequest::FromAnsi(text); }

std::string Arg(const std::string& text, int i) { return Parse(text).Argument(i); }

std::string OneString(const std::string& inner) {
    return "<invoke name=\"f\" returntype=\"xml\"><arguments><string>" + inner +
           "</string></arguments></invoke>";
}

TEST(InvokeRequestTest, NameIsTheFirstAttributeWhateverItIsCalled) {
    EXPECT_EQ("loadfile", Parse("<invoke name=\"loadfile\" returntype=\"xml\"/>").Name());
    EXPECT_EQ("xml", Parse("<invoke returntype=\"xml\" name=\"loadfile\"/>").Name());
    EXPECT_EQ("a&b", Parse("<invoke name=\"a&amp;b\"/>").Name());
}

TEST(InvokeRequestTest, ArgumentsFoundInAnyLetterCaseAndTakenByPosition) {
    const std::string text =
        "<invoke name=\"f\"><Arguments><string>zero</string><number>12</number><true/>"
        "</Arguments><arguments><string>other</string></arguments></invoke>";
    EXPECT_EQ("zero", Arg(text, 0));
    EXPECT_EQ("12", Arg(text, 1));
    EXPECT_EQ("", Arg(text, 2));
}

TEST(InvokeRequestTest, TextIsTrimmedOfControlBytesBeforeReferencesAreDecoded) {
    EXPECT_EQ("a b", Arg(OneString(" \t\r\n a b \n\t "), 0));
    EXPECT_EQ("", Arg(OneString("    "), 0));
    EXPECT_EQ(" x ", Arg(OneString("&#32;x&#x20;"), 0));
    EXPECT_EQ("Tom & Jerry <3> \"'", Arg(OneString("Tom &amp; Jerry &lt;3&gt; &quot;&apos;"), 0));
    // Unknown entities and a lone ampersand are left as they stand.
    EXPECT_EQ("&nbsp; & x", Arg(OneString("&nbsp; & x"), 0));
}

TEST(InvokeRequestTest, LineBreaksArriveAsCrLf) {
    EXPECT_EQ("one\r\ntwo", Arg(OneString("one\ntwo"), 0));
    EXPECT_EQ("one\r\ntwo", Arg(OneString("one\r\ntwo"), 0));
    EXPECT_EQ("one\r\ntwo", Arg(OneString("one\rtwo"), 0));
    EXPECT_EQ("a\r\n\r\nb", Arg(OneString("a\n\nb"), 0));
}

TEST(InvokeRequestTest, CdataContentIsNotDecoded) {
    EXPECT_EQ("a&amp;b", Arg(OneString("<![CDATA[a&amp;b]]>"), 0));
}

TEST(InvokeRequestTest, TextOfElementsNestedFarDeeperThanTheStack) {
    const int depth = 1000000;
    std::string inner;
    for (int i = 0; i < depth; ++i) inner += "<a>";
    inner += "x<![CDATA[&]]>";
    for (int i = 0; i < depth; ++i) inner += i == depth / 2 ? "</a>y" : "</a>";
    EXPECT_EQ("x&y", Arg(OneString(inner), 0));
}

TEST(InvokeRequestTest, FailuresAreErrorsOfTheRequest) {
    EXPECT_THROW(Parse("not xml at all"), RequestError);
    EXPECT_THROW(Parse(""), RequestError);
    EXPECT_THROW(Parse("<invoke name=\"f\"><arguments>"), RequestError);
    EXPECT_THROW(Parse("<invoke/>").Name(), RequestError);
    EXPECT_THROW(Parse("<invoke name=\"f\"/>").Argument(0), RequestError);
    EXPECT_THROW(Parse("<invoke name=\"f\"><arguments/></invoke>").Argument(0), RequestError);
    EXPECT_THROW(Arg(OneString("x"), 1), RequestError);
    // The name alone can still be read from a request that has no arguments.
    EXPECT_EQ("prompt", Parse("<invoke name=\"prompt\"/>").Name());
}

TEST(InvokeRequestTest, Utf16RequestArrivesAsGbkWithReplacementForOtherCharacters) {
    std::u16string request = u"<invoke name=\"f\"><arguments><string>中文\u0e01\U0001F600</string>"
                             u"</arguments></invoke>";
    InvokeRequest r(request);
    EXPECT_EQ(std::string("\xD6\xD0\xCE\xC4") + "???", r.Argument(0));
}

TEST(InvokeRequestTest, CharacterReferencesBecomeGbk) {
    EXPECT_EQ("\xD6\xD0", Arg(OneString("&#20013;"), 0));
    EXPECT_EQ("\xD6\xD0", Arg(OneString("&#x4E2D;"), 0));
}

TEST(InvokeRequestTest, GbkBytesPassThroughUnchanged) {
    // A trail byte of 0x5C ("\") or "<"-free multi-byte text must reach the handler as sent.
    std::string gbk = "\xB1\x5C\xD6\xD0";
    EXPECT_EQ(gbk, Arg(OneString(gbk), 0));
}

TEST(RepliesTest, FormsAndEscaping) {
    EXPECT_STREQ("<true/>", kReplyTrue);
    EXPECT_STREQ("<false/>", kReplyFalse);
    EXPECT_EQ("<string></string>", StringReply(""));
    EXPECT_EQ("<string>Tom &amp; Jerry &lt;b&gt;</string>", StringReply("Tom & Jerry <b>"));
}

class RecordingPlayer : public MovieFunctionCaller {
public:
    std::u16string CallFunction(const std::u16string& request) override {
        requests.push_back(request);
        return u"<string>\u4E2D</string>";
    }
    std::vector<std::u16string> requests;
};

TEST(MovieCallsTest, CallMovieFunctionSendsTwoStringsAndReturnsAnsiReply) {
    RecordingPlayer player;
    std::string reply = CallMovieFunction(player, "onPicked", "selectedover", "\\res\\a&b.doc");
    ASSERT_EQ(1u, player.requests.size());
    EXPECT_EQ(u"<invoke name=\"onPicked\" returntype=\"xml\"><arguments><string>selectedover"
              u"</string><string>\\res\\a&amp;b.doc</string></arguments></invoke>",
              player.requests[0]);
    EXPECT_EQ("<string>\xD6\xD0</string>", reply);
}

TEST(MovieCallsTest, NotifyMovieCallsDelphiCallBackWithEmptyData) {
    RecordingPlayer player;
    NotifyMovie(player, "canspeak", "");
    EXPECT_EQ(u"<invoke name=\"DelphiCallBack\" returntype=\"xml\"><arguments><string>canspeak"
              u"</string><string></string></arguments></invoke>",
              player.requests.at(0));
}

TEST(MovieCallsTest, GbkArgumentsReachThePlayerAsUnicode) {
    RecordingPlayer player;
    CallMovieFunction(player, "f", "\xD6\xD0\xCE\xC4", "");
    EXPECT_NE(std::u16string::npos, player.requests.at(0).find(u"<string>中文</string>"));
}

}  // namespace
