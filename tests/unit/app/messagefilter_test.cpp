#include "app/messagefilter.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageFilterTest, OnlyRightPressOnThePlayerIsDropped) {
    int player = 0, other = 0;
    EXPECT_TRUE(ShouldDropMessage(516, &player, &player));
    EXPECT_FALSE(ShouldDropMessage(517, &player, &player));  // the release passes
    EXPECT_FALSE(ShouldDropMessage(513, &player, &player));  // left press passes
    EXPECT_FALSE(ShouldDropMessage(516, &other, &player));   // right press elsewhere passes
    EXPECT_FALSE(ShouldDropMessage(516, nullptr, nullptr));  // no player yet
}

}  // namespace
