#include "player/switches.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayerSwitches, RuffleAndUrlFile) {
    PlayerSwitches none = ParsePlayerSwitches(u"\"C:\\Program Files\\CourseShell.exe\"");
    EXPECT_FALSE(none.ruffle);
    EXPECT_TRUE(none.urlFile.empty());

    PlayerSwitches both =
        ParsePlayerSwitches(u"CourseShell.exe /RUFFLE \"/urlfile=Z:\\tmp dir\\url.txt\" extra");
    EXPECT_TRUE(both.ruffle);
    EXPECT_EQ(u"Z:\\tmp dir\\url.txt", both.urlFile);

    EXPECT_TRUE(ParsePlayerSwitches(u"x.exe -ruffle").ruffle);
    // The program's own name is not a switch, and near misses are not either.
    EXPECT_FALSE(ParsePlayerSwitches(u"/ruffle").ruffle);
    EXPECT_FALSE(ParsePlayerSwitches(u"x.exe /rufflex ruffle").ruffle);
    EXPECT_EQ(u"", ParsePlayerSwitches(u"x.exe /urlfile").urlFile);
}

}  // namespace
