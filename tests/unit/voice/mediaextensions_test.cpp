// The media extension table: the seven entries in their order, and a failing write that stops
// nothing while a raised error ends the sequence quietly.
#include "voice/mediaextensions.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

std::string Line(const ProfileEntry& e) {
    return e.file + "|" + e.section + "|" + e.key + "=" + e.value;
}

TEST(MediaExtensionsTest, WritesTheSevenEntriesInOrderEvenWhenWritesFail) {
    std::vector<std::string> written;
    RegisterMediaExtensions([&](const ProfileEntry& e) {
        written.push_back(Line(e));
        return false;
    });
    const std::vector<std::string> expected = {
        "win.ini|mci extensions|mpg=MPEGVideo", "win.ini|mci extensions|dat=MPEGVideo",
        "win.ini|mci extensions|mpv=MPEGVideo", "win.ini|mci extensions|mpeg=MPEGVideo",
        "win.ini|mci extensions|cjt=MPEGVideo", "win.ini|mci extensions|avi=AVIVideo",
        "system.ini|mci|MPEGVideo=mciqtz.drv",
    };
    EXPECT_EQ(expected, written);
}

TEST(MediaExtensionsTest, RaisedErrorEndsTheSequenceSilently) {
    int calls = 0;
    EXPECT_NO_THROW(RegisterMediaExtensions([&](const ProfileEntry&) -> bool {
        if (++calls == 3) throw std::runtime_error("profile unavailable");
        return true;
    }));
    EXPECT_EQ(3, calls);
}

}  // namespace
