// Centring in the work area: the taskbar's side is left free, and a window too large for the
// work area keeps its top-left corner in it.
#include "platform/placement.h"

#include <gtest/gtest.h>

namespace {

TEST(CentredIn, TheMiddleOfWhatTheTaskbarLeavesFree) {
    // A 1366 x 768 laptop screen with the taskbar at the bottom.
    ScreenPoint at = CentredIn({0, 0, 1366, 728}, 1024, 652);
    EXPECT_EQ(171, at.x);
    EXPECT_EQ(38, at.y);
    // The taskbar at the top, and on the left of a second monitor to the right of the first.
    at = CentredIn({0, 40, 1280, 800}, 1024, 652);
    EXPECT_EQ(128, at.x);
    EXPECT_EQ(94, at.y);
    at = CentredIn({1980, 0, 3200, 1080}, 1024, 652);
    EXPECT_EQ(2078, at.x);
    EXPECT_EQ(214, at.y);
    // A monitor left of or above the primary one has negative coordinates.
    at = CentredIn({-1280, -200, 0, 824}, 1024, 652);
    EXPECT_EQ(-1152, at.x);
    EXPECT_EQ(-14, at.y);
}

TEST(CentredIn, AWindowLargerThanTheWorkAreaKeepsItsTopLeftCornerInIt) {
    // 1280 x 720 at 150 % scaling leaves a work area of 853 x 450 in the program's coordinates.
    ScreenPoint at = CentredIn({0, 0, 853, 450}, 1024, 652);
    EXPECT_EQ(0, at.x);
    EXPECT_EQ(0, at.y);
    at = CentredIn({100, 30, 1124, 600}, 1024, 652);
    EXPECT_EQ(100, at.x);
    EXPECT_EQ(30, at.y);
}

}  // namespace
