#include "dialogs/apptitle.h"

#include <gtest/gtest.h>

namespace {

TEST(ApplicationTitleTest, FileNameUpToFirstDotWithTheRestLowerCase) {
    EXPECT_EQ("Courseshell", ApplicationTitleFromFileName("CourseShell.exe"));
    EXPECT_EQ("My", ApplicationTitleFromFileName("MY.Course.exe"));
    EXPECT_EQ("noext", ApplicationTitleFromFileName("noext"));
    // A GBK character keeps its bytes.
    EXPECT_EQ("\xD6\xD0x", ApplicationTitleFromFileName("\xD6\xD0X.exe"));
    // Its second byte may look like a letter, which must not change case either.
    const std::string withTrailA = "\xB1\x41";
    EXPECT_EQ(withTrailA + "b", ApplicationTitleFromFileName(withTrailA + "B.exe"));
    EXPECT_EQ("C" + withTrailA + "b", ApplicationTitleFromFileName("C" + withTrailA + "B.exe"));
}

TEST(ApplicationTitleTest, FileNameIsCutFromThePathOutsideDoubleByteCharacters) {
    EXPECT_EQ("Courseshell", ApplicationTitleFromPath("C:\\Program Files\\x\\CourseShell.exe"));
    EXPECT_EQ("Courseshell", ApplicationTitleFromPath("C:CourseShell.exe"));
    EXPECT_EQ("Courseshell", ApplicationTitleFromPath("CourseShell.exe"));
    // One character whose second byte looks like "\".
    const std::string withTrailBackslash = "\xB1\x5C";
    EXPECT_EQ(withTrailBackslash + "ab",
              ApplicationTitleFromPath("C:\\" + withTrailBackslash + "\\" + withTrailBackslash +
                                       "AB.exe"));
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
