#include "dialogs/apptitle.h"

#include <gtest/gtest.h>

namespace {

TEST(ApplicationTitleTest, FileNameUpToFirstDotWithTheRestLowerCase) {
    EXPECT_EQ("Courseshell", ApplicationTitleFromFileName("CourseShell.exe"));
    EXPECT_EQ("My", ApplicationTitleFromFileName("MY.Course.exe"));
    EXPECT_EQ("noext", ApplicationTitleFromFileName("noext"));
    // A GBK character keeps its bytes.
    EXPECT_EQ("\xD6\xD0x", ApplicationTitleFromFileName("\xD6\xD0X.exe"));
}

TEST(ErrorReportTextTest, DotAddedOnlyAfterCharactersSortingAfterDot) {
    EXPECT_EQ("File not found.", ErrorReportText("File not found"));
    EXPECT_EQ("Done.", ErrorReportText("Done."));
    EXPECT_EQ("Stop!", ErrorReportText("Stop!"));
    EXPECT_EQ("Value -", ErrorReportText("Value -"));
    EXPECT_EQ("\xD6\xD0.", ErrorReportText("\xD6\xD0"));
    EXPECT_EQ("", ErrorReportText(""));
}

}  // namespace
