#include "player/moviechannel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Polls {
    std::vector<std::string> answers;
    MovieChannel::Responder Next() {
        return [this](const std::string& json) { answers.push_back(json); };
    }
};

TEST(MovieChannel, AHeldPollIsAnsweredWhenACallIsQueued) {
    MovieChannel channel(0);
    Polls polls;
    channel.Hello(10);
    channel.Poll(20, polls.Next());
    EXPECT_TRUE(polls.answers.empty());
    int id = channel.QueueCall("<invoke name=\"f\">\"&</invoke>");
    ASSERT_EQ(1u, polls.answers.size());
    EXPECT_EQ("[{\"kind\":\"call\",\"id\":" + std::to_string(id) +
                  ",\"xml\":\"<invoke name=\\\"f\\\">\\\"&</invoke>\"}]",
              polls.answers[0]);
}

TEST(MovieChannel, MessagesWaitForThePollInOrder) {
    MovieChannel channel(0);
    Polls polls;
    channel.QueueMovie("a.swf");
    channel.QueueMovie("main.swf");  // replaces the one not taken yet
    int first = channel.QueueCall("1");
    int second = channel.QueueCall("2");
    EXPECT_LT(first, second);
    channel.Poll(5, polls.Next());
    ASSERT_EQ(1u, polls.answers.size());
    EXPECT_EQ(
        "[{\"kind\":\"movie\",\"url\":\"main.swf\"},{\"kind\":\"call\",\"id\":1,\"xml\":\"1\"},"
        "{\"kind\":\"call\",\"id\":2,\"xml\":\"2\"}]",
        polls.answers[0]);
    EXPECT_EQ("main.swf", channel.Movie());
    // Nothing left: the next poll is held, then let go empty after the hold time.
    channel.Poll(10, polls.Next());
    channel.Tick(10 + MovieChannel::kPollHoldMs - 1);
    EXPECT_EQ(1u, polls.answers.size());
    channel.Tick(10 + MovieChannel::kPollHoldMs);
    ASSERT_EQ(2u, polls.answers.size());
    EXPECT_EQ("[]", polls.answers[1]);
}

TEST(MovieChannel, ASecondPollLetsTheFirstGo) {
    MovieChannel channel(0);
    Polls polls;
    channel.Poll(1, polls.Next());
    channel.Poll(2, polls.Next());
    ASSERT_EQ(1u, polls.answers.size());
    EXPECT_EQ("[]", polls.answers[0]);
    channel.QueuePlaying(false);
    ASSERT_EQ(2u, polls.answers.size());
    EXPECT_EQ("[{\"kind\":\"playing\",\"on\":false}]", polls.answers[1]);
}

TEST(MovieChannel, OutcomesAreMatchedById) {
    MovieChannel channel(0);
    int a = channel.QueueCall("a");
    int b = channel.QueueCall("b");
    channel.Outcome(1, b, {true, "<string>B</string>"});
    EXPECT_FALSE(channel.TakeOutcome(a));
    channel.Outcome(2, a, {false, "no such function"});
    std::optional<CallOutcome> outA = channel.TakeOutcome(a);
    ASSERT_TRUE(outA);
    EXPECT_FALSE(outA->ok);
    EXPECT_EQ("no such function", outA->text);
    EXPECT_EQ("<string>B</string>", channel.TakeOutcome(b)->text);
    EXPECT_FALSE(channel.TakeOutcome(b));  // taken once
    // Ids never handed out are dropped.
    channel.Outcome(3, 99, {true, "x"});
    EXPECT_FALSE(channel.TakeOutcome(99));
}

TEST(MovieChannel, APageThatStartsAgainDropsTheQueuedMovie) {
    MovieChannel channel(0);
    Polls polls;
    channel.QueueMovie("main.swf");
    channel.Hello(1);  // takes the movie with its answer
    channel.Poll(2, polls.Next());
    EXPECT_TRUE(polls.answers.empty());
    EXPECT_EQ("main.swf", channel.Movie());
}

TEST(MovieChannel, ThePageIsGoneOnlyAfterSilence) {
    MovieChannel channel(0);
    Polls polls;
    EXPECT_FALSE(channel.PageGone(MovieChannel::kFirstContactMs));
    EXPECT_TRUE(channel.PageGone(MovieChannel::kFirstContactMs + 1));

    MovieChannel c(0);
    c.Hello(100);
    EXPECT_FALSE(c.PageGone(100 + MovieChannel::kGoneAfterMs));
    EXPECT_TRUE(c.PageGone(101 + MovieChannel::kGoneAfterMs));
    // A held poll or a call in progress means the page is there, however long it lasts.
    c.Poll(200, polls.Next());
    EXPECT_FALSE(c.PageGone(100000));
    c.Bye(300);
    EXPECT_EQ(1u, polls.answers.size());
    c.BeginBusy(400);
    EXPECT_FALSE(c.PageGone(100000));
    c.EndBusy(500);
    EXPECT_FALSE(c.PageGone(500 + MovieChannel::kGoneAfterMs));
    EXPECT_TRUE(c.PageGone(501 + MovieChannel::kGoneAfterMs));
}

TEST(MovieChannel, APageThatSaidGoodbyeIsGoneUnlessAnotherFollowsIt) {
    Polls polls;
    MovieChannel closed(0);
    closed.Hello(100);
    closed.Poll(200, polls.Next());
    closed.Bye(1000);
    EXPECT_FALSE(closed.PageGone(1000 + MovieChannel::kByeGraceMs));
    EXPECT_TRUE(closed.PageGone(1001 + MovieChannel::kByeGraceMs));
    // A reload says goodbye, then its new page hello.
    MovieChannel reloaded(0);
    reloaded.Hello(100);
    reloaded.Bye(1000);
    reloaded.Hello(3000);
    EXPECT_FALSE(reloaded.PageGone(1001 + MovieChannel::kByeGraceMs));
    EXPECT_FALSE(reloaded.PageGone(3000 + MovieChannel::kGoneAfterMs));
    // A page the browser kept for going back polls again when it comes back.
    MovieChannel back(0);
    back.Hello(100);
    back.Bye(1000);
    back.Poll(2000, polls.Next());
    EXPECT_FALSE(back.PageGone(1001 + MovieChannel::kByeGraceMs));
    // Requests waiting for a server thread are no word of the page's: the goodbye stands.
    MovieChannel congested(0);
    congested.Hello(100);
    congested.Bye(1000);
    congested.SilenceExcused(2000);
    EXPECT_TRUE(congested.PageGone(1001 + MovieChannel::kByeGraceMs));
    // The goodbye ends a held browser's page too, where its process lingers.
    MovieChannel held(0);
    held.BrowserHeld();
    held.Hello(100);
    held.Bye(1000);
    EXPECT_TRUE(held.PageGone(1001 + MovieChannel::kByeGraceMs));
}

TEST(MovieChannel, WhileTheBrowserIsHeldOnlyItsEndEndsThePage) {
    Polls polls;
    MovieChannel channel(0);
    channel.BrowserHeld();
    // An old PC's browser may take long to show the page, and stall it for long.
    EXPECT_FALSE(channel.PageGone(10 * MovieChannel::kFirstContactMs));
    channel.Hello(700000);
    EXPECT_FALSE(channel.PageGone(700000 + 10 * MovieChannel::kGoneAfterMs));
    channel.Poll(800000, polls.Next());
    channel.BrowserEnded();
    // Its end is the page's end, even with a poll still held (its connection went with it).
    EXPECT_TRUE(channel.PageGone(800001));
}

TEST(MovieChannel, ABrowserThatEndsBeforeTheHelloHandedThePageOn) {
    MovieChannel channel(0);
    channel.BrowserHeld();
    channel.BrowserEnded();
    // Another process of the profile has the page now: the program holds none of the page's, and
    // the limits of silence apply.
    EXPECT_FALSE(channel.PageGone(1000));
    channel.Hello(2000);
    EXPECT_FALSE(channel.PageGone(2000 + MovieChannel::kGoneAfterMs));
    EXPECT_TRUE(channel.PageGone(2001 + MovieChannel::kGoneAfterMs));
    // A page that never comes is given up after the first contact's time.
    MovieChannel never(0);
    never.BrowserHeld();
    never.BrowserEnded();
    EXPECT_FALSE(never.PageGone(MovieChannel::kFirstContactMs));
    EXPECT_TRUE(never.PageGone(MovieChannel::kFirstContactMs + 1));
}

TEST(MovieChannel, SilenceIsLongWhereNoBrowserIsHeld) {
    // The browser tests' page, or one handed on: a stall of many seconds is no end.
    MovieChannel channel(0);
    channel.Hello(100);
    EXPECT_FALSE(channel.PageGone(100 + 30000));
}

TEST(MovieChannel, InputStateReachesThePageLatestOnly) {
    MovieChannel channel(0);
    Polls polls;
    EXPECT_TRUE(channel.InputEnabled());
    channel.QueueInput(false);
    channel.QueueInput(true);
    channel.QueueInput(false);
    EXPECT_FALSE(channel.InputEnabled());
    channel.Poll(1, polls.Next());
    ASSERT_EQ(1u, polls.answers.size());
    EXPECT_EQ("[{\"kind\":\"input\",\"on\":false}]", polls.answers[0]);
    // A call made meanwhile has its own id, and its outcome is taken as any other.
    int id = channel.NewCallId();
    EXPECT_LT(0, id);
    channel.Outcome(2, id, {true, "<true/>"});
    EXPECT_EQ("<true/>", channel.TakeOutcome(id)->text);
}

}  // namespace
