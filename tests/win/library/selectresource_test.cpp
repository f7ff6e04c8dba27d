// The resource picker shown modally and worked with posted mouse and key input: which tab and
// roots a showing brings, the pick reaching the movie, failures, refresh and renaming.
#include "library/selectresource.h"

#include "../dialogs/driver.h"
#include "platform/paths.h"
#include "library/resourcerules.h"
#include "libraryfixture.h"
#include "platform/textconv.h"

namespace {

using namespace librarytest;

class PickerTest : public LibraryTest {
  protected:
    void SetUp() override {
        LibraryTest::SetUp();
        WriteFile(resources_ + "\\a.doc");
        WriteFile(resources_ + "\\music\\song.mp3");
        WriteFile(scratch_ + "\\lesson1\\resource\\words.txt");
        WriteFile(scratch_ + "\\lesson1\\resource\\pictures\\cat.jpg");
        WriteFile(scratch_ + "\\lesson2\\resource\\b.txt");
        teach1_ = scratch_ + "\\lesson1\\resource";
        teach2_ = scratch_ + "\\lesson2\\resource";
        form_.Create();
        form_.CallbackName = "onPicked";
        form_.TeachRoot = teach1_;
    }
    HWND Button(int id) { return ::GetDlgItem(form_.hwnd(), id); }
    std::u16string Picked(const std::string& path) {
        return AnsiToWide(MovieCallRequest("onPicked", "selectedover", path));
    }

    std::string teach1_, teach2_;
    RecordingMovie movie_;
    TForm6 form_{movie_, Win32FileSystem()};
};

TEST_F(PickerTest, FirstShowingOpensTheSecondTabAndThePickReachesTheMovie) {
    DialogScript script;
    script.Then([&] { return form_.IsVisible(); })
        .Do([&] {
            EXPECT_EQ(1, form_.bsSkinPageControl1.ActivePage());
            EXPECT_EQ(teach1_, form_.bsSkinDirTreeView1.Root());
            EXPECT_EQ(resources_, form_.bsSkinDirTreeView2.Root());
            FolderTree& tree = form_.bsSkinDirTreeView2;
            // One top node, opened one level and selected; the list shows its files only.
            EXPECT_EQ(nullptr, TreeView_GetNextSibling(tree.hwnd(), tree.Top()));
            EXPECT_TRUE(tree.IsExpanded(tree.Top()));
            EXPECT_EQ(tree.Top(), tree.Selected());
            EXPECT_NE(nullptr, tree.Find(resources_ + "\\music"));
            EXPECT_EQ(resources_, form_.bsSkinFileListView2.Root());
            EXPECT_EQ(1, form_.bsSkinFileListView2.Count());
            ClickListItem(form_.bsSkinFileListView2.hwnd(), 0);
        })
        .Then([&] { return !form_.bsSkinFileListView2.SelectedPath().empty(); })
        .Do([&] { Click(Button(TForm6::kButton1)); });
    EXPECT_EQ(IDOK, form_.ShowModal());
    ASSERT_EQ(1u, movie_.requests.size());
    EXPECT_EQ(Picked("\\resources\\a.doc"), movie_.requests[0]);
    EXPECT_TRUE(reported_.empty());
}

TEST_F(PickerTest, DoubleClickPicksFromTheActiveTabAndCancelSendsNothing) {
    DialogScript script;
    script.Then([&] { return form_.IsVisible(); }).Do([&] { Click(Button(TForm6::kButton2)); });
    EXPECT_EQ(IDCANCEL, form_.ShowModal());
    EXPECT_TRUE(movie_.requests.empty());

    DialogScript again;
    again.Then([&] { return form_.IsVisible(); }).Do([&] {
        form_.bsSkinPageControl1.SetActivePage(0);
        ClickListItem(form_.bsSkinFileListView1.hwnd(), 0, true);
    });
    EXPECT_EQ(IDOK, form_.ShowModal());
    ASSERT_EQ(1u, movie_.requests.size());
    std::string expected = PickedPath(teach1_ + "\\words.txt", ProgramDirectory());
    EXPECT_EQ(Picked(expected), movie_.requests[0]);
}

TEST_F(PickerTest, NothingSelectedSendsAnEmptyPath) {
    DialogScript script;
    script.Then([&] { return form_.IsVisible(); }).Do([&] { Click(Button(TForm6::kButton1)); });
    EXPECT_EQ(IDOK, form_.ShowModal());
    ASSERT_EQ(1u, movie_.requests.size());
    EXPECT_EQ(Picked(""), movie_.requests[0]);
}

TEST_F(PickerTest, FailingMovieCallIsReportedAndTheWindowStaysOpen) {
    movie_.fail = true;
    DialogScript script;
    script.Then([&] { return form_.IsVisible(); })
        .Do([&] {
            form_.bsSkinFileListView2.Select(0);
            Click(Button(TForm6::kButton1));
        })
        .Then([&] { return !reported_.empty(); })
        .Do([&] {
            EXPECT_TRUE(form_.IsVisible());
            EXPECT_TRUE(form_.InModalLoop());
            Click(Button(TForm6::kButton2));
        });
    EXPECT_EQ(IDCANCEL, form_.ShowModal());
    EXPECT_EQ(1u, movie_.requests.size());
    ASSERT_EQ(1u, reported_.size());
    EXPECT_EQ("Error calling method on NPObject", reported_[0]);
}

TEST_F(PickerTest, MissingTeachingFolderIsReportedAndLeavesTheShowingEarly) {
    std::string missing = scratch_ + "\\lesson9\\resource";
    form_.TeachRoot = missing;
    DialogScript script;
    script.Then([&] { return form_.IsVisible(); }).Do([&] {
        // The failure left FormShow before the second tab was rooted.
        EXPECT_EQ("", form_.bsSkinDirTreeView1.Root());
        EXPECT_EQ("", form_.bsSkinDirTreeView2.Root());
        Click(Button(TForm6::kButton2));
    });
    form_.ShowModal();
    ASSERT_EQ(1u, reported_.size());
    EXPECT_EQ("Error setting path: \"" + missing + "\"", reported_[0]);

    // The next request with a folder that exists roots both; a later missing one keeps the old.
    form_.TeachRoot = teach1_;
    DialogScript second;
    second.Then([&] { return form_.IsVisible(); }).Do([&] { Click(Button(TForm6::kButton2)); });
    form_.ShowModal();
    EXPECT_EQ(teach1_, form_.bsSkinDirTreeView1.Root());
    EXPECT_EQ(resources_, form_.bsSkinDirTreeView2.Root());
    form_.TeachRoot = missing;
    DialogScript third;
    third.Then([&] { return form_.IsVisible(); }).Do([&] { Click(Button(TForm6::kButton2)); });
    form_.ShowModal();
    EXPECT_EQ(teach1_, form_.bsSkinDirTreeView1.Root());
    EXPECT_EQ(2u, reported_.size());
}

TEST_F(PickerTest, SameFolderKeepsTheStateAndAnotherOneReRootsTheFirstTabOnly) {
    DialogScript first;
    first.Then([&] { return form_.IsVisible(); })
        .Do([&] {
            FolderTree& tree = form_.bsSkinDirTreeView2;
            ClickTreeItem(tree.hwnd(), tree.Find(resources_ + "\\music"));
        })
        .Then([&] { return form_.bsSkinDirTreeView2.SelectedPath() == resources_ + "\\music"; })
        .Do([&] {
            // The list follows a tree's selection.
            EXPECT_EQ(resources_ + "\\music", form_.bsSkinFileListView2.Root());
            form_.bsSkinPageControl1.SetActivePage(0);
            FolderTree& tree = form_.bsSkinDirTreeView1;
            ::SetFocus(tree.hwnd());
            PressKey(form_.hwnd(), VK_DOWN);
        })
        .Then([&] { return form_.bsSkinDirTreeView1.SelectedPath() == teach1_ + "\\pictures"; })
        .Do([&] {
            // Moving with the keyboard drives the list as well.
            EXPECT_EQ(teach1_ + "\\pictures", form_.bsSkinFileListView1.Root());
            Click(Button(TForm6::kButton2));
        });
    form_.ShowModal();

    // Same folder in other letters: nothing is rebuilt, the tab last used is active again.
    form_.TeachRoot = LowerAnsi(teach1_);
    DialogScript second;
    second.Then([&] { return form_.IsVisible(); }).Do([&] {
        EXPECT_EQ(0, form_.bsSkinPageControl1.ActivePage());
        EXPECT_EQ(teach1_, form_.bsSkinDirTreeView1.Root());
        EXPECT_EQ(teach1_ + "\\pictures", form_.bsSkinDirTreeView1.SelectedPath());
        EXPECT_EQ(resources_ + "\\music", form_.bsSkinDirTreeView2.SelectedPath());
        Click(Button(TForm6::kButton2));
    });
    form_.ShowModal();

    form_.TeachRoot = teach2_;
    DialogScript third;
    third.Then([&] { return form_.IsVisible(); }).Do([&] {
        EXPECT_EQ(teach2_, form_.bsSkinDirTreeView1.Root());
        EXPECT_EQ(teach2_, form_.bsSkinFileListView1.Root());
        EXPECT_EQ(resources_ + "\\music", form_.bsSkinDirTreeView2.SelectedPath());
        Click(Button(TForm6::kButton2));
    });
    form_.ShowModal();
    EXPECT_TRUE(reported_.empty());
}

TEST_F(PickerTest, TreesAndListsFollowTheFileSystemWhileShown) {
    DialogScript script;
    script.Then([&] { return form_.IsVisible(); })
        .Do([&] {
            WriteFile(resources_ + "\\new.ppt");
            ::CreateDirectoryA((resources_ + "\\video").c_str(), nullptr);
            ::DeleteFileA((resources_ + "\\a.doc").c_str());
        })
        .Then([&] {
            return form_.bsSkinFileListView2.IndexOf("new.ppt") >= 0 &&
                   form_.bsSkinFileListView2.IndexOf("a.doc") < 0 &&
                   form_.bsSkinDirTreeView2.Find(resources_ + "\\video") != nullptr;
        })
        .Do([&] { ::RemoveDirectoryA((resources_ + "\\video").c_str()); })
        .Then([&] { return form_.bsSkinDirTreeView2.Find(resources_ + "\\video") == nullptr; })
        .Do([&] { Click(Button(TForm6::kButton2)); });
    form_.ShowModal();
}

TEST_F(PickerTest, RenamingInPlaceIsRefusedEverywhereAndRightClickSelects) {
    DialogScript script;
    script.Then([&] { return form_.IsVisible(); })
        .Do([&] {
            for (FolderTree* tree : {&form_.bsSkinDirTreeView1, &form_.bsSkinDirTreeView2}) {
                EXPECT_EQ(0, ::SendMessageW(tree->hwnd(), TVM_EDITLABELW, 0,
                                            reinterpret_cast<LPARAM>(tree->Top())));
            }
            for (FileList* list : {&form_.bsSkinFileListView1, &form_.bsSkinFileListView2}) {
                EXPECT_EQ(0, ::SendMessageW(list->hwnd(), LVM_EDITLABELW, 0, 0));
            }
            FolderTree& tree = form_.bsSkinDirTreeView2;
            ClickTreeItem(tree.hwnd(), tree.Find(resources_ + "\\music"), true);
        })
        .Then([&] { return form_.bsSkinDirTreeView2.SelectedPath() == resources_ + "\\music"; })
        .Do([&] { Click(Button(TForm6::kButton2)); });
    form_.ShowModal();
    EXPECT_EQ("x", ReadFile(resources_ + "\\a.doc"));
}

}  // namespace
