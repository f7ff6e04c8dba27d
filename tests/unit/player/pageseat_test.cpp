#include "player/pageseat.h"

#include <gtest/gtest.h>

namespace {

TEST(PageSeat, OnePageAtATime) {
    PageSeat seat;
    EXPECT_FALSE(seat.Holds("a"));
    EXPECT_TRUE(seat.Claim("a", ""));
    EXPECT_TRUE(seat.Holds("a"));
    // A second tab is refused and stays refused; the first keeps the seat.
    EXPECT_FALSE(seat.Claim("b", ""));
    EXPECT_FALSE(seat.Claim("b", "x"));
    EXPECT_FALSE(seat.Holds("b"));
    EXPECT_TRUE(seat.Holds("a"));
    EXPECT_TRUE(seat.Claim("a", ""));  // the same page asking again
    EXPECT_FALSE(seat.Claim("", ""));
    EXPECT_FALSE(seat.Holds(""));
}

TEST(PageSeat, AReloadOrANewPageAfterGoodbyeTakesOver) {
    PageSeat seat;
    seat.Claim("a", "");
    // The same tab reloaded: the new page follows the holder, which is refused from then on.
    EXPECT_TRUE(seat.Claim("a2", "a"));
    EXPECT_FALSE(seat.Holds("a"));
    EXPECT_FALSE(seat.Claim("a", ""));
    // Only the holder's goodbye frees the seat.
    seat.Leave("b");
    EXPECT_FALSE(seat.Claim("b", ""));
    seat.Leave("a2");
    EXPECT_TRUE(seat.Holds("a2"));  // still the holder until another page comes
    EXPECT_TRUE(seat.Claim("b", ""));
    EXPECT_FALSE(seat.Holds("a2"));
}

}  // namespace
