#include "app/commandrules.h"

#include <gtest/gtest.h>

namespace {

const std::string kDir = "C:\\Course\\";

TEST(CommandRulesTest, SelectResourceSplitsAtTheFirstMarker) {
    ResourcePick p = ParseSelectResource("lesson1/@@@onPicked", kDir);
    EXPECT_EQ("C:\\Course\\lesson1\\resource", p.teachRoot);
    EXPECT_EQ("onPicked", p.callbackName);

    p = ParseSelectResource("lesson1@@@f@@@g", kDir);
    EXPECT_EQ("C:\\Course\\lesson1resource", p.teachRoot);  // no separator is inserted
    EXPECT_EQ("f@@@g", p.callbackName);
}

TEST(CommandRulesTest, SelectResourceEdgeCases) {
    ResourcePick p = ParseSelectResource("@@@pick", kDir);
    EXPECT_EQ("C:\\Course\\resource", p.teachRoot);
    EXPECT_EQ("pick", p.callbackName);

    p = ParseSelectResource("abcdef", kDir);  // without a marker the name starts at byte 3
    EXPECT_EQ("C:\\Course\\resource", p.teachRoot);
    EXPECT_EQ("cdef", p.callbackName);

    p = ParseSelectResource("", kDir);
    EXPECT_EQ("", p.callbackName);

    p = ParseSelectResource("x@@@" + std::string(1500, 'n'), kDir);
    EXPECT_EQ(999u, p.callbackName.size());
}

TEST(CommandRulesTest, IndexRootJoinsResourceWithoutSeparator) {
    EXPECT_EQ("C:\\Course\\lesson2\\resource", IndexRootFor("lesson2/", kDir));
    EXPECT_EQ("C:\\Course\\resource", IndexRootFor("", kDir));
}

TEST(CommandRulesTest, WholeNumbers) {
    int v = -1;
    EXPECT_TRUE(ParseWholeNumber("11", v));
    EXPECT_EQ(11, v);
    EXPECT_TRUE(ParseWholeNumber("  -3", v));
    EXPECT_EQ(-3, v);
    EXPECT_TRUE(ParseWholeNumber("$A", v));
    EXPECT_EQ(10, v);
    for (const char* bad : {"", " ", "10.2", "ten", "11 ", "99999999999", "-", "0x"})
        EXPECT_FALSE(ParseWholeNumber(bad, v)) << bad;
}

TEST(CommandRulesTest, MinimumPlayerIsTenPointTwo) {
    EXPECT_TRUE(IsPlayerTooOld(9, 5));
    EXPECT_TRUE(IsPlayerTooOld(10, 1));
    EXPECT_FALSE(IsPlayerTooOld(10, 2));
    EXPECT_FALSE(IsPlayerTooOld(11, 0));
    EXPECT_TRUE(IsPlayerTooOld(-1, 99));
}

}  // namespace
