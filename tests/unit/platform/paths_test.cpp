#include "platform/paths.h"

#include <gtest/gtest.h>

namespace {

TEST(PathsTest, DirectoryPartKeepsTheLastSeparator) {
    EXPECT_EQ("C:\\Program Files\\Course\\", DirectoryPart("C:\\Program Files\\Course\\x.exe"));
    EXPECT_EQ("C:\\", DirectoryPart("C:\\x.exe"));
    EXPECT_EQ("C:", DirectoryPart("C:x.exe"));
    EXPECT_EQ("", DirectoryPart("x.exe"));
}

TEST(PathsTest, TrailByteBackslashOfGbkCharacterIsNotASeparator) {
    // 0xB1 0x5C is one double-byte character whose second byte looks like "\".
    std::string dir = "C:\\\xB1\x5C";
    EXPECT_EQ("C:\\", DirectoryPart(dir));
    EXPECT_EQ(dir + "\\", DirectoryPart(dir + "\\a.txt"));
    EXPECT_EQ(2u, LastDelimiter(dir, "\\"));
}

TEST(PathsTest, JoinIsPlainTextAndOnlySlashesAreConverted) {
    EXPECT_EQ("C:\\p\\../x", FullPath("C:\\p\\", "../x"));
    EXPECT_EQ("C:\\p\\", FullPath("C:\\p\\", ""));
    EXPECT_EQ("C:\\p\\a\\b\\c.txt", ToBackslashes("C:\\p\\a/b/c.txt"));
}

}  // namespace
