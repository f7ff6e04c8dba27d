#include "player/flashbuild.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    FileVersion build;
    bool refuses;
};

TEST(FlashBuild, TheKilledBuildsAreThe32LineFrom371On) {
    const Case cases[] = {
        {{10, 2, 152, 26}, false},         {{10, 3, 183, 90}, false}, {{11, 4, 402, 287}, false},
        {{31, 0, 0, 153}, false},          {{32, 0, 0, 0}, false},    {{32, 0, 0, 330}, false},
        {{32, 0, 0, 370}, false},          {{32, 0, 0, 371}, true},   {{32, 0, 0, 372}, true},
        {{32, 0, 0, 465}, true},           {{32, 0, 1, 0}, true},     {{32, 1, 0, 0}, true},
        {{32, 65535, 65535, 65535}, true}, {{33, 0, 0, 0}, false},    {{34, 0, 0, 301}, false},
        {{34, 0, 0, 317}, false},          {{0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        const FileVersion& v = c.build;
        EXPECT_EQ(c.refuses, RefusesAllContent(v))
            << v.major << "." << v.minor << "." << v.build << "." << v.revision;
        EXPECT_EQ(!c.refuses, IsUsableControlBuild(v))
            << v.major << "." << v.minor << "." << v.build << "." << v.revision;
    }
}

TEST(FlashBuild, AControlWithoutAReadableVersionIsUsed) {
    EXPECT_TRUE(IsUsableControlBuild(std::nullopt));
}

TEST(FileVersion, OrdersPartByPartMajorFirst) {
    EXPECT_TRUE((FileVersion{31, 9, 9, 9} < FileVersion{32, 0, 0, 0}));
    EXPECT_TRUE((FileVersion{32, 0, 0, 370} < FileVersion{32, 0, 0, 371}));
    EXPECT_TRUE((FileVersion{32, 0, 0, 999} < FileVersion{32, 0, 1, 0}));
    EXPECT_FALSE((FileVersion{32, 0, 0, 371} < FileVersion{32, 0, 0, 371}));
    EXPECT_FALSE((FileVersion{33, 0, 0, 0} < FileVersion{32, 65535, 65535, 65535}));
}

}  // namespace
