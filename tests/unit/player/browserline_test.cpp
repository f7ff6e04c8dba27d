#include "player/browserline.h"

#include <gtest/gtest.h>

namespace {

TEST(BrowserLine, AppWindowWithKeptProfileAndSoundAtOnce) {
    std::u16string line =
        BrowserCommandLine(u"C:\\Edge\\msedge.exe", "http://127.0.0.1:31000/k/",
                           u"C:\\Users\\a b\\CourseShell\\Browser", ScreenPoint{171, -14});
    EXPECT_EQ(0u, line.find(u"\"C:\\Edge\\msedge.exe\" --app=http://127.0.0.1:31000/k/ "));
    EXPECT_NE(std::u16string::npos, line.find(u" --autoplay-policy=no-user-gesture-required"));
    EXPECT_NE(std::u16string::npos, line.find(u" --window-size=1024,652"));
    // Where the program centred it in the work area.
    EXPECT_NE(std::u16string::npos, line.find(u" --window-position=171,-14 "));
    EXPECT_NE(std::u16string::npos,
              line.find(u" \"--user-data-dir=C:\\Users\\a b\\CourseShell\\Browser\""));
    EXPECT_EQ(
        std::u16string::npos,
        BrowserCommandLine(u"b.exe", "http://x/", u"", ScreenPoint{}).find(u"--user-data-dir"));
}

}  // namespace
