#include "library/resourcerules.h"

#include <gtest/gtest.h>

namespace {

const std::string kProgramDir = "Z:\\app\\";

TEST(PickedPathTest, FileBelowProgramDirectoryKeepsItsLeadingBackslash) {
    EXPECT_EQ("\\resources\\a.doc", PickedPath("Z:\\app\\resources\\a.doc", kProgramDir));
    EXPECT_EQ("\\lesson1\\resource\\\xD5\xD5\xC6\xAC.jpg",
              PickedPath("Z:\\app\\lesson1\\resource\\\xD5\xD5\xC6\xAC.jpg", kProgramDir));
}

TEST(PickedPathTest, EmptyAndShortPathsGiveTheEmptyText) {
    EXPECT_EQ("", PickedPath("", kProgramDir));
    EXPECT_EQ("", PickedPath("Z:\\ap", kProgramDir));
    // Exactly one character short of the directory: nothing is left from the N-th on.
    EXPECT_EQ("", PickedPath("Z:\\app", kProgramDir));
    EXPECT_EQ("\\", PickedPath("Z:\\app\\", kProgramDir));
}

TEST(PickedPathTest, PathOutsideProgramDirectoryLosesItsFirstCharactersAllTheSame) {
    // N is 7, so the first six characters go whatever they are.
    EXPECT_EQ("er\\x.doc", PickedPath("D:\\other\\x.doc", kProgramDir));
}

TEST(CategoryRulesTest, RootIsNeverDeletedInAnyLetterCase) {
    const std::string root = "Z:\\App\\resources";
    EXPECT_FALSE(MayDeleteCategory(root, root));
    EXPECT_FALSE(MayDeleteCategory("z:\\app\\RESOURCES", root));
    EXPECT_TRUE(MayDeleteCategory(root + "\\music", root));
}

TEST(CategoryRulesTest, NothingIsDeletedWithoutASelectionOrWhileTheTreeShowsTheDrives) {
    EXPECT_FALSE(MayDeleteCategory("", "Z:\\app\\resources"));
    // Before a root is set the nodes are the drives of the computer.
    EXPECT_FALSE(MayDeleteCategory("C:\\", ""));
}

TEST(CategoryRulesTest, RootRenameIsRefusedOnlyWhenSpelledExactly) {
    const std::string root = "Z:\\app\\resources";
    EXPECT_FALSE(MayRenameCategory(root, root));
    EXPECT_TRUE(MayRenameCategory("Z:\\app\\Resources", root));
    EXPECT_TRUE(MayRenameCategory(root + "\\music", root));
}

TEST(NameRulesTest, NewCategoryIsJoinedWithASlashAsTyped) {
    EXPECT_EQ("Z:\\app\\resources/ new ", JoinWithSlash("Z:\\app\\resources", " new "));
    EXPECT_EQ("Z:\\r\\m/a/b", JoinWithSlash("Z:\\r\\m", "a/b"));
}

TEST(NameRulesTest, FileNamePartSkipsTrailBytesThatLookLikeBackslashes) {
    EXPECT_EQ("a.doc", FileNamePart("C:\\src\\a.doc"));
    EXPECT_EQ("a.doc", FileNamePart("C:a.doc"));
    EXPECT_EQ("\xB1\x5C.txt", FileNamePart("C:\\d\\\xB1\x5C.txt"));
    EXPECT_EQ("resources", FileNamePart("Z:\\app\\resources"));
}

TEST(NameRulesTest, ChildAndRenamedPaths) {
    EXPECT_EQ("Z:\\r\\a", ChildPath("Z:\\r", "a"));
    EXPECT_EQ("C:\\a", ChildPath("C:\\", "a"));
    EXPECT_EQ("Z:\\r/x\\a", ChildPath("Z:\\r/x", "a"));
    EXPECT_EQ("Z:\\r\\b.doc", RenamedPath("Z:\\r\\a.doc", "b.doc"));
    EXPECT_EQ("Z:\\\xB1\x5C\\new", RenamedPath("Z:\\\xB1\x5C\\old", "new"));
}

TEST(NameRulesTest, RenamingInPlaceTakesPlainNamesOnly) {
    EXPECT_TRUE(IsPlainItemName("music"));
    EXPECT_TRUE(IsPlainItemName("\xD2\xF4\xC0\xD6 1.mp3"));
    EXPECT_TRUE(IsPlainItemName("\xB1\x5C"));  // a trail byte 0x5C is no separator
    EXPECT_FALSE(IsPlainItemName(""));
    EXPECT_FALSE(IsPlainItemName(".."));
    EXPECT_FALSE(IsPlainItemName("a\\b"));
    EXPECT_FALSE(IsPlainItemName("a/b"));
    EXPECT_FALSE(IsPlainItemName("a:b"));
    EXPECT_FALSE(IsPlainItemName("a?"));
}

TEST(OpenRuleTest, MoviesOpenInTheStandAlonePlayer) {
    OpenRequest movie = MakeOpenRequest(kProgramDir, "Z:\\app\\resources\\a b.SWF");
    EXPECT_EQ("Z:\\app\\FlashPlayer.exe", movie.file);
    EXPECT_EQ("Z:\\app\\resources\\a b.SWF", movie.parameters);
    OpenRequest noDot = MakeOpenRequest(kProgramDir, "Z:\\r\\clipswf");
    EXPECT_EQ("Z:\\app\\FlashPlayer.exe", noDot.file);
}

TEST(OpenRuleTest, OtherFilesOpenThemselvesWithoutParameters) {
    OpenRequest doc = MakeOpenRequest(kProgramDir, "Z:\\app\\resources\\a.doc");
    EXPECT_EQ("Z:\\app\\resources\\a.doc", doc.file);
    EXPECT_EQ("", doc.parameters);
    EXPECT_EQ("Z:\\app\\a.swf.doc", MakeOpenRequest(kProgramDir, "Z:\\app\\a.swf.doc").file);
}

TEST(RootErrorTest, FolderIsQuoted) {
    EXPECT_EQ("Error setting path: \"Z:\\app\\lesson1\\resource\"",
              RootErrorText("Z:\\app\\lesson1\\resource"));
    EXPECT_EQ("Error setting path: \"\"", RootErrorText(""));
}

}  // namespace
