#include "dialogs/filerules.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(FilterTest, PairsOfLabelAndMask) {
    auto entries = ParseFilter(u"All files|*.*");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].label, u"All files");
    EXPECT_EQ(entries[0].mask, u"*.*");

    entries = ParseFilter(u"文本|*.txt;*.doc|图片 (*.jpg)|*.jpg|Odd");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].label, u"图片 (*.jpg)");
    EXPECT_EQ(entries[0].mask, u"*.txt;*.doc");
    EXPECT_EQ(entries[2].mask, u"*");  // a label without its mask lists everything
    EXPECT_TRUE(ParseFilter(u"").empty());
}

TEST(FilterTest, IndexOutOfRangeChoosesTheFirstEntry) {
    EXPECT_EQ(FilterEntryIndex(1, 3), 0);
    EXPECT_EQ(FilterEntryIndex(3, 3), 2);
    EXPECT_EQ(FilterEntryIndex(0, 3), 0);
    EXPECT_EQ(FilterEntryIndex(4, 3), 0);
    EXPECT_EQ(FilterEntryIndex(1, 0), 0);
}

TEST(MaskTest, WildcardsCaseAndLists) {
    EXPECT_TRUE(MatchesMask(u"a.txt", u"*.*"));
    EXPECT_TRUE(MatchesMask(u"README", u"*.*"));  // no dot, as the platform lists it
    EXPECT_TRUE(MatchesMask(u"Notes.TXT", u"*.txt"));
    EXPECT_FALSE(MatchesMask(u"notes.txt.bak", u"*.txt"));
    EXPECT_TRUE(MatchesMask(u"notes.txt.bak", u"*.txt*"));
    EXPECT_TRUE(MatchesMask(u"a.doc", u"*.txt; *.doc"));
    EXPECT_FALSE(MatchesMask(u"a.xls", u"*.txt;*.doc"));
    EXPECT_TRUE(MatchesMask(u"lesson1.swf", u"lesson?.swf"));
    EXPECT_FALSE(MatchesMask(u"lesson12.swf", u"lesson?.swf"));
    EXPECT_TRUE(MatchesMask(u"课件一.swf", u"课件*.SWF"));
    EXPECT_TRUE(MatchesMask(u"aXbXc", u"a*b*c"));
    EXPECT_FALSE(MatchesMask(u"abc", u""));
    EXPECT_TRUE(MatchesMask(u"x", u"*"));
}

TEST(PathTest, PartsParentsAndChains) {
    EXPECT_EQ(FolderPart(u"C:\\a\\b.txt"), u"C:\\a\\");
    EXPECT_EQ(NamePart(u"C:\\a\\b.txt"), u"b.txt");
    EXPECT_EQ(FolderPart(u"b.txt"), u"");
    EXPECT_EQ(NamePart(u"b.txt"), u"b.txt");
    EXPECT_EQ(FolderPart(u"C:b.txt"), u"C:");

    EXPECT_EQ(ParentFolder(u"C:\\a\\b\\"), u"C:\\a\\");
    EXPECT_EQ(ParentFolder(u"C:\\a\\b"), u"C:\\a\\");
    EXPECT_EQ(ParentFolder(u"C:\\a\\"), u"C:\\");
    EXPECT_EQ(ParentFolder(u"C:\\"), u"C:\\");
    EXPECT_EQ(ParentFolder(u"\\\\server\\share\\docs\\"), u"\\\\server\\share\\");
    EXPECT_EQ(ParentFolder(u"\\\\server\\share\\"), u"\\\\server\\share\\");

    std::vector<std::u16string> chain = FolderChain(u"C:\\课程\\lesson1");
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[0], u"C:\\");
    EXPECT_EQ(chain[1], u"C:\\课程\\");
    EXPECT_EQ(chain[2], u"C:\\课程\\lesson1\\");

    EXPECT_EQ(ResolveAgainst(u"C:\\a\\", u"b\\c"), u"C:\\a\\b\\c");
    EXPECT_EQ(ResolveAgainst(u"C:\\a", u"b"), u"C:\\a\\b");
    EXPECT_EQ(ResolveAgainst(u"C:\\a\\", u"D:\\x"), u"D:\\x");
    EXPECT_EQ(ResolveAgainst(u"C:\\a\\", u"\\x\\"), u"C:\\x\\");
    EXPECT_EQ(ResolveAgainst(u"C:\\a\\", u"\\\\srv\\s\\"), u"\\\\srv\\s\\");
}

TEST(StartFolderTest, FileNameThenInitialDirThenProgramDirectory) {
    std::set<std::u16string> existing = {u"D:\\start"};
    auto exists = [&](const std::u16string& f) { return existing.count(f) > 0; };
    const std::u16string program = u"C:\\CourseShell\\";

    EXPECT_EQ(StartFolder(u"E:\\last\\a.txt", u"D:\\start", exists, program), u"E:\\last\\");
    EXPECT_EQ(StartFolder(u"", u"D:\\start", exists, program), u"D:\\start\\");
    EXPECT_EQ(StartFolder(u"a.txt", u"D:\\start", exists, program), u"D:\\start\\");
    EXPECT_EQ(StartFolder(u"", u"D:\\gone", exists, program), program);
    EXPECT_EQ(StartFolder(u"", u"", exists, program), program);
}

TEST(NameFieldTest, MaskFolderOrConfirm) {
    EXPECT_EQ(DecideNameField(u"*.swf", false), NameFieldAction::SetMask);
    EXPECT_EQ(DecideNameField(u"sub\\*.txt", true), NameFieldAction::SetMask);
    EXPECT_EQ(DecideNameField(u"C:\\课程", true), NameFieldAction::OpenFolder);
    EXPECT_EQ(DecideNameField(u"C:\\nowhere", false), NameFieldAction::Confirm);
    // A folder name without "\" is not opened, even when it exists.
    EXPECT_EQ(DecideNameField(u"lesson1", true), NameFieldAction::Confirm);
    EXPECT_EQ(DecideNameField(u"", false), NameFieldAction::Confirm);
}

}  // namespace
