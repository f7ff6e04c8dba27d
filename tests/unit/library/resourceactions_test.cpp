// The resource manager's actions on the disk, against the in-memory file system and shell: what
// is asked and told, what is created, copied, deleted and opened, and what is left alone.
#include "library/resourceactions.h"

#include "platform/textconv.h"
#include "tests/unit/fakes/platformfakes.h"

#include <gtest/gtest.h>

namespace {

const std::string kDir = "C:\\app\\";
const std::string kRoot = "C:\\app\\resources";

class ScriptedDialogs : public ManagerDialogs {
  public:
    std::string answer;
    std::vector<std::string> asked;  // "caption|prompt"
    std::vector<std::string> told;

    std::string Ask(const std::string& caption, const std::string& prompt) override {
        asked.push_back(caption + "|" + prompt);
        return answer;
    }
    void Tell(const std::string& text) override { told.push_back(text); }
};

class ResourceActionsTest : public ::testing::Test {
  protected:
    FakeFileSystem files;
    FakeShell shell{&files};
    ScriptedDialogs dialogs;
    ResourceActions actions{files, shell, dialogs, [] { return kDir; }};

    void SetUp() override { files.AddFolder(kRoot + "\\music"); }
};

TEST_F(ResourceActionsTest, NewCategoryAsksForANameAndCreatesItBelowTheSelectedOne) {
    dialogs.answer = "songs";
    EXPECT_TRUE(actions.NewCategory(kRoot + "\\music"));
    ASSERT_EQ(1u, dialogs.asked.size());
    EXPECT_EQ(WideToAnsi(u"新建类别") + "|" + WideToAnsi(u"请输入类别名称"), dialogs.asked[0]);
    // Joined with "/" as typed; the file system takes it as a separator.
    ASSERT_EQ(1u, files.created.size());
    EXPECT_EQ(kRoot + "\\music/songs", files.created[0]);
    EXPECT_TRUE(files.FolderExists(kRoot + "\\music\\songs"));
    EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(ResourceActionsTest, NewCategoryThatCannotBeMadeIsToldAndStillAsksForARefresh) {
    dialogs.answer = "music";
    EXPECT_TRUE(actions.NewCategory(kRoot));
    ASSERT_EQ(1u, dialogs.told.size());
    EXPECT_EQ(WideToAnsi(u"新建类别失败，请重试"), dialogs.told[0]);

    // No right to write in the category.
    files.lockedFolders.insert(kRoot);
    dialogs.answer = "video";
    EXPECT_TRUE(actions.NewCategory(kRoot));
    EXPECT_EQ(2u, dialogs.told.size());
    EXPECT_FALSE(files.FolderExists(kRoot + "\\video"));
}

TEST_F(ResourceActionsTest, NewCategoryEndsWithoutANameOrWithoutASelection) {
    dialogs.answer = "";
    EXPECT_FALSE(actions.NewCategory(kRoot));
    EXPECT_EQ(1u, dialogs.asked.size());
    EXPECT_TRUE(files.created.empty());

    dialogs.answer = "songs";
    EXPECT_FALSE(actions.NewCategory(""));
    EXPECT_EQ(1u, dialogs.asked.size());  // nothing selected: not even asked
    EXPECT_TRUE(files.created.empty());
    EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(ResourceActionsTest, DeleteCategoryLetsTheViewsGoThenRecyclesWithTheManagersFlags) {
    files.AddFile(kRoot + "\\music\\a.mp3", "x");
    std::vector<std::string> order;
    bool deleted = actions.DeleteCategory(kRoot + "\\music", kRoot, [&] {
        // The folder is still there when the views let go of it.
        order.push_back(files.FolderExists(kRoot + "\\music") ? "let go" : "too late");
    });
    EXPECT_TRUE(deleted);
    ASSERT_EQ(1u, order.size());
    EXPECT_EQ("let go", order[0]);
    ASSERT_EQ(1u, shell.recycled.size());
    EXPECT_EQ(kRoot + "\\music 0454", shell.recycled[0]);
    EXPECT_FALSE(files.FolderExists(kRoot + "\\music"));
    EXPECT_FALSE(files.FileExists(kRoot + "\\music\\a.mp3"));
}

TEST_F(ResourceActionsTest, DeleteCategoryKeepsTheRootInAnyLetterCaseWithoutAWord) {
    int letGo = 0;
    EXPECT_FALSE(actions.DeleteCategory(kRoot, kRoot, [&] { ++letGo; }));
    EXPECT_FALSE(actions.DeleteCategory("c:\\APP\\Resources", kRoot, [&] { ++letGo; }));
    EXPECT_FALSE(actions.DeleteCategory("", kRoot, [&] { ++letGo; }));
    EXPECT_EQ(0, letGo);
    EXPECT_TRUE(shell.recycled.empty());
    EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(ResourceActionsTest, DeleteCategoryTheShellRefusesIsNotReported) {
    shell.refuseRecycle = true;
    EXPECT_TRUE(actions.DeleteCategory(kRoot + "\\music", kRoot, nullptr));
    EXPECT_EQ(1u, shell.recycled.size());
    EXPECT_TRUE(files.FolderExists(kRoot + "\\music"));
    EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(ResourceActionsTest, AddFilesCopiesEachUnderItsOwnNameWithoutReplacingAndSkipsFailures) {
    const std::string category = kRoot + "\\music";
    files.AddFile("D:\\in\\a.mp3", "new a");
    files.AddFile("D:\\in\\b.mp3", "new b");
    files.AddFile(category + "\\a.mp3", "old a");
    actions.AddFiles(category, {"D:\\in\\a.mp3", "D:\\in\\gone.mp3", "D:\\in\\b.mp3"});
    // Every file was tried, in the order of the list, each to the category joined with "/".
    ASSERT_EQ(3u, files.copied.size());
    EXPECT_EQ("D:\\in\\a.mp3 > " + category + "/a.mp3", files.copied[0]);
    EXPECT_EQ("D:\\in\\b.mp3 > " + category + "/b.mp3", files.copied[2]);
    EXPECT_EQ("old a", files.files[FakeFileSystem::Key(category + "\\a.mp3")]);
    EXPECT_EQ("new b", files.files[FakeFileSystem::Key(category + "\\b.mp3")]);
    EXPECT_FALSE(files.FileExists(category + "\\gone.mp3"));
    EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(ResourceActionsTest, AddFilesWithoutACategoryCopiesNothing) {
    files.AddFile("D:\\in\\a.mp3", "a");
    actions.AddFiles("", {"D:\\in\\a.mp3"});
    EXPECT_TRUE(files.copied.empty());
}

TEST_F(ResourceActionsTest, DeleteFileRemovesItForGoodAndDropsFailures) {
    files.AddFile(kRoot + "\\music\\a.mp3", "x");
    actions.DeleteFileForGood(kRoot + "\\music\\a.mp3");
    EXPECT_FALSE(files.FileExists(kRoot + "\\music\\a.mp3"));
    EXPECT_TRUE(shell.recycled.empty());  // not into the recycle bin

    files.AddFile(kRoot + "\\music\\b.mp3", "x");
    files.readOnly.insert(FakeFileSystem::Key(kRoot + "\\music\\b.mp3"));
    actions.DeleteFileForGood(kRoot + "\\music\\b.mp3");
    EXPECT_TRUE(files.FileExists(kRoot + "\\music\\b.mp3"));
    actions.DeleteFileForGood("");
    EXPECT_EQ(2u, files.deleted.size());  // nothing asked for without a file
    EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(ResourceActionsTest, MoviesOpenInTheStandAlonePlayerEverythingElseByItself) {
    actions.Open(kRoot + "\\music\\intro.SWF");
    actions.Open(kRoot + "\\music\\introswf");
    actions.Open(kRoot + "\\music\\a.doc");
    ASSERT_EQ(3u, shell.opened.size());
    EXPECT_EQ(kDir + "FlashPlayer.exe", shell.opened[0].file);
    EXPECT_EQ(kRoot + "\\music\\intro.SWF", shell.opened[0].parameters);  // unquoted
    EXPECT_EQ(kDir + "FlashPlayer.exe", shell.opened[1].file);
    EXPECT_EQ(kRoot + "\\music\\a.doc", shell.opened[2].file);
    EXPECT_EQ("", shell.opened[2].parameters);
}

}  // namespace
