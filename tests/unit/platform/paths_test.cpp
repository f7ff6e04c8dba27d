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

TEST(PathsTest, DeviceNamesInAnyCaseWithAnyExtension) {
    for (const char* name : {"CON", "nul.txt", "Aux .tar.gz", "conin$", "CONOUT$.log", "com1",
                             "LPT9.doc", "COM\xC2\xB9", "lpt\xC2\xB3.txt"})
        EXPECT_TRUE(IsDeviceName(name, NameText::Utf8)) << name;
    for (const char* name : {"console", "com0", "com10", "lpt", "xcon", ".con", "com\xC2\xB4"})
        EXPECT_FALSE(IsDeviceName(name, NameText::Utf8)) << name;
}

TEST(PathsTest, SuperscriptDevicesAreOnlyLookedForInUtf8) {
    // In GBK these bytes are 鹿, and "com鹿.exe" is an ordinary file.
    EXPECT_FALSE(IsDeviceName("com\xC2\xB9.exe", NameText::Ansi));
    EXPECT_TRUE(IsDeviceName("COM3.exe", NameText::Ansi));
}
