// The resource manager shown modally and worked with posted mouse and key input, with the
// effects looked at on disk: categories made, deleted into the trash and renamed, files copied
// in without replacing, deleted for good, and opened with the right program.
#include "library/resources.h"

#include "../dialogs/driver.h"
#include "platform/paths.h"
#include "dialogs/plain.h"
#include "library/folderscan.h"
#include "libraryfixture.h"
#include "library/resourcerules.h"
#include "platform/textconv.h"

namespace {

using namespace librarytest;

// Where Wine's recycle bin puts deleted items: the freedesktop trash under XDG_DATA_HOME, which
// the bench gives every run of its own (a Unix path, seen through Wine's Z: drive).
std::string TrashFiles() {
    char data[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableA("XDG_DATA_HOME", data, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || data[0] != '/') return std::string();
    return "Z:" + ToBackslashes(data) + "\\Trash\\files\\";
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class ManagerTest : public LibraryTest {
  protected:
    void SetUp() override {
        LibraryTest::SetUp();
        unique_ = std::to_string(::GetTickCount());
        WriteFile(resources_ + "\\a.doc");
        WriteFile(resources_ + "\\music\\song.mp3");
        WriteFile(resources_ + "\\video\\clip.avi");
        WriteFile(scratch_ + "\\index\\chapter1\\notes.txt");
        WriteFile(scratch_ + "\\index\\list.txt");
        index_ = scratch_ + "\\index";
        form_.Create();
        form_.IndexRoot = index_;
    }
    HWND Button(int id) { return ::GetDlgItem(form_.hwnd(), id); }
    FolderTree& Tree() { return form_.ShellTreeView1; }
    // Moves the category tree's selection with the keyboard, as a user would.
    void KeyDown(int times = 1) {
        ::SetFocus(Tree().hwnd());
        for (int i = 0; i < times; ++i) PressKey(form_.hwnd(), VK_DOWN);
    }
    DialogScript::Step Shown() {
        return [this] { return form_.IsVisible(); };
    }
    DialogScript::Step Selected(const std::string& path) {
        return [this, path] { return Tree().SelectedPath() == path; };
    }

    std::string unique_;
    std::string index_;
    TForm3 form_{Win32FileSystem()};
};

TEST_F(ManagerTest, FirstShowingRootsBothTabsAndTheListFollowsMouseClicksOnly) {
    DialogScript script;
    script.Then(Shown())
        .Do([&] {
            RECT r;
            ::GetWindowRect(form_.hwnd(), &r);
            EXPECT_EQ(100, r.left);
            EXPECT_EQ(60, r.top);
            EXPECT_EQ(0, form_.bsSkinPageControl1.ActivePage());
            EXPECT_EQ(resources_, form_.ManagedRoot);
            EXPECT_EQ(resources_, Tree().Root());
            EXPECT_EQ(Tree().Top(), Tree().Selected());
            EXPECT_TRUE(Tree().IsExpanded(Tree().Top()));
            EXPECT_EQ(resources_, form_.ShellListView1.Root());
            EXPECT_EQ(1, form_.ShellListView1.Count());
            EXPECT_EQ(index_, form_.bsSkinDirTreeView1.Root());
            EXPECT_EQ(index_, form_.bsSkinFileListView1.Root());
            KeyDown();
        })
        .Then(Selected(resources_ + "\\music"))
        .Do([&] {
            EXPECT_EQ(resources_, form_.ShellListView1.Root());
            ClickTreeItem(Tree().hwnd(), Tree().Find(resources_ + "\\video"));
        })
        .Then([&] { return form_.ShellListView1.Root() == resources_ + "\\video"; })
        .Do([&] {
            EXPECT_EQ(resources_ + "\\video", Tree().SelectedPath());
            Click(Button(TForm3::kButton2));
        });
    EXPECT_EQ(IDCANCEL, form_.ShowModal());
    EXPECT_TRUE(reported_.empty());
}

TEST_F(ManagerTest, NewCategoryGoesBelowTheKeyboardSelectionAndAnExistingNameFails) {
    const std::string name = WStringToAnsi(L"流行");
    const std::string made = resources_ + "\\music\\" + name;
    DialogScript script;
    script.Then(Shown())
        .Do([&] { KeyDown(); })
        .Then(Selected(resources_ + "\\music"))
        .Do([&] { Click(Button(TForm3::kButton3)); })
        .Then([&] { return FindDialog(L"新建类别") != nullptr; })
        .Do([&] {
            HWND dialog = FindDialog(L"新建类别");
            EXPECT_NE(nullptr, FindChild(dialog, L"Static", L"请输入类别名称"));
            TypeText(FindChild(dialog, L"Edit"), L"流行");
            PressKey(dialog, VK_RETURN);
        })
        .Then([&] { return Tree().Find(made) != nullptr; })
        .Do([&] {
            EXPECT_TRUE(Exists(made));
            EXPECT_EQ(resources_, form_.ShellListView1.Root());
            // Made behind the window's back: it shows up only when the node is read again.
            ::CreateDirectoryA((resources_ + "\\music\\extra").c_str(), nullptr);
            Click(Button(TForm3::kButton3));
        })
        .Then([&] { return FindDialog(L"新建类别") != nullptr; })
        .Do([&] {
            HWND dialog = FindDialog(L"新建类别");
            TypeText(FindChild(dialog, L"Edit"), L"流行");
            PressKey(dialog, VK_RETURN);
        })
        .Then([&] { return FindDialog(AnsiToWString(ApplicationTitle())) != nullptr; })
        .Do([&] {
            HWND message = FindDialog(AnsiToWString(ApplicationTitle()));
            EXPECT_NE(nullptr, FindChild(message, L"Static", L"新建类别失败，请重试"));
            Click(FindChild(message, L"Button", L"OK"));
        })
        .Then([&] { return Tree().Find(resources_ + "\\music\\extra") != nullptr; })
        .Do([&] { Click(Button(TForm3::kButton3)); })
        .Then([&] { return FindDialog(L"新建类别") != nullptr; })
        .Do([&] { PressKey(FindDialog(L"新建类别"), VK_ESCAPE); })
        .Then([&] { return FindDialog(L"新建类别") == nullptr && ::IsWindowEnabled(form_.hwnd()); })
        .Do([&] { Click(Button(TForm3::kButton2)); });
    form_.ShowModal();
    EXPECT_EQ(2u, SubfolderNames(Win32FileSystem(), resources_ + "\\music").size());
}

TEST_F(ManagerTest, DeleteCategoryRecyclesTheFolderButNeverTheRoot) {
    const std::string category = resources_ + "\\cat" + unique_;
    WriteFile(category + "\\inside.txt");
    int ticks = 0;
    DialogScript script;
    script.Then(Shown())
        .Do([&] { Click(Button(TForm3::kButton5)); })
        .Then([&] { return ++ticks > 5; })
        .Do([&] {
            // The root stays, with no message.
            EXPECT_TRUE(Exists(resources_ + "\\a.doc"));
            EXPECT_EQ(resources_, Tree().Root());
            EXPECT_EQ(Tree().Top(), Tree().Selected());
            ClickTreeItem(Tree().hwnd(), Tree().Find(resources_ + "\\video"));
        })
        .Then([&] { return form_.ShellListView1.Root() == resources_ + "\\video"; })
        .Do([&] {
            ::SetFocus(Tree().hwnd());
            PressKey(form_.hwnd(), VK_UP);
            PressKey(form_.hwnd(), VK_UP);
        })
        .Then(Selected(category))
        .Do([&] { Click(Button(TForm3::kButton5)); })
        .Then([&] { return !Exists(category); })
        .Do([&] {
            EXPECT_EQ(nullptr, Tree().Find(category));
            EXPECT_EQ(Tree().Top(), Tree().Selected());
            EXPECT_EQ(resources_, form_.ShellListView1.Root());
            Click(Button(TForm3::kButton2));
        });
    form_.ShowModal();
    std::string trash = TrashFiles();
    ASSERT_FALSE(trash.empty()) << "no trash of the bench's own (XDG_DATA_HOME)";
    EXPECT_EQ("x", ReadFile(trash + "cat" + unique_ + "\\inside.txt"));
    RemoveTree(trash + "cat" + unique_);
    ::DeleteFileA(
        (trash.substr(0, trash.size() - 6) + "info\\cat" + unique_ + ".trashinfo").c_str());
    EXPECT_TRUE(reported_.empty());
}

TEST_F(ManagerTest, AddFilesCopiesNewFilesAndLeavesExistingOnesAlone) {
    WriteFile(resources_ + "\\music\\same.txt", "old");
    WriteFile(scratch_ + "\\source\\same.txt", "new");
    WriteFile(scratch_ + "\\source\\fresh.txt", "fresh");
    form_.addfiledialog.InitialDir = scratch_ + "\\source";
    DialogScript script;
    script.Then(Shown())
        .Do([&] { KeyDown(); })
        .Then(Selected(resources_ + "\\music"))
        .Do([&] { Click(Button(TForm3::kButton6)); })
        .Then([&] { return FindDialog(L"Open file") != nullptr; })
        .Do([&] {
            HWND dialog = FindDialog(L"Open file");
            HWND list = FindChild(dialog, WC_LISTVIEWW);
            EXPECT_EQ(2, ListView_GetItemCount(list));
            ListView_SetItemState(list, -1, LVIS_SELECTED, LVIS_SELECTED);
            Click(FindChild(dialog, L"Button", L"打开(&O)"));
        })
        .Then([&] {
            return FindDialog(L"Open file") == nullptr && Exists(resources_ + "\\music\\fresh.txt");
        })
        .Do([&] { Click(Button(TForm3::kButton2)); });
    form_.ShowModal();
    EXPECT_EQ("fresh", ReadFile(resources_ + "\\music\\fresh.txt"));
    EXPECT_EQ("old", ReadFile(resources_ + "\\music\\same.txt"));
    EXPECT_TRUE(reported_.empty());
}

TEST_F(ManagerTest, DeleteFileRemovesItAtOnceAndForGood) {
    const std::string name = "gone" + unique_ + ".doc";
    WriteFile(resources_ + "\\" + name);
    DialogScript script;
    script.Then(Shown())
        .Do([&] {
            ASSERT_EQ(2, form_.ShellListView1.Count());
            ClickListItem(form_.ShellListView1.hwnd(), form_.ShellListView1.IndexOf(name));
        })
        .Then([&] { return form_.ShellListView1.SelectedPath() == resources_ + "\\" + name; })
        .Do([&] { Click(Button(TForm3::kButton4)); })
        .Then([&] { return form_.ShellListView1.Count() == 1; })
        .Do([&] { Click(Button(TForm3::kButton2)); });
    form_.ShowModal();
    EXPECT_FALSE(Exists(resources_ + "\\" + name));
    EXPECT_TRUE(Exists(resources_ + "\\a.doc"));
    std::string trash = TrashFiles();
    if (!trash.empty()) {
        EXPECT_FALSE(Exists(trash + name));
    }
}

TEST_F(ManagerTest, RenamingInPlaceOnTheFirstTabOnlyAndNeverTheRoot) {
    const std::string renamed = resources_ + "\\" + WStringToAnsi(L"音乐");
    DialogScript script;
    script.Then(Shown())
        .Do([&] {
            HWND tree = Tree().hwnd();
            EXPECT_EQ(
                0, ::SendMessageW(tree, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(Tree().Top())));
            HTREEITEM music = Tree().Find(resources_ + "\\music");
            HWND edit = reinterpret_cast<HWND>(
                ::SendMessageW(tree, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(music)));
            ASSERT_NE(nullptr, edit);
            ::SetWindowTextW(edit, L"音乐");
            ::SendMessageW(tree, TVM_ENDEDITLABELNOW, FALSE, 0);
            EXPECT_EQ(L"音乐", TreeLabel(tree, music));
            EXPECT_EQ(renamed, Tree().PathOf(music));

            HWND list = form_.ShellListView1.hwnd();
            ::SetFocus(list);
            edit = reinterpret_cast<HWND>(::SendMessageW(list, LVM_EDITLABELW, 0, 0));
            ASSERT_NE(nullptr, edit);
            ::SetWindowTextW(edit, L"b.doc");
            ::SetFocus(tree);  // leaving the field confirms it

            EXPECT_EQ(0, ::SendMessageW(form_.bsSkinDirTreeView1.hwnd(), TVM_EDITLABELW, 0,
                                        reinterpret_cast<LPARAM>(form_.bsSkinDirTreeView1.Top())));
            EXPECT_EQ(0, ::SendMessageW(form_.bsSkinFileListView1.hwnd(), LVM_EDITLABELW, 0, 0));
        })
        .Then([&] { return Exists(resources_ + "\\b.doc"); })
        .Do([&] { Click(Button(TForm3::kButton2)); });
    form_.ShowModal();
    EXPECT_EQ("x", ReadFile(renamed + "\\song.mp3"));
    EXPECT_FALSE(Exists(resources_ + "\\music"));
    EXPECT_FALSE(Exists(resources_ + "\\a.doc"));
    EXPECT_TRUE(Exists(index_ + "\\list.txt"));
}

TEST_F(ManagerTest, TheFileListFollowsTheCategoryItShowsToItsNewName) {
    const std::string renamed = resources_ + "\\" + WStringToAnsi(L"歌曲");
    DialogScript script;
    script.Then(Shown())
        .Do([&] { ClickTreeItem(Tree().hwnd(), Tree().Find(resources_ + "\\music")); })
        .Then([&] { return form_.ShellListView1.Root() == resources_ + "\\music"; })
        .Do([&] {
            HWND tree = Tree().hwnd();
            HTREEITEM music = Tree().Find(resources_ + "\\music");
            HWND edit = reinterpret_cast<HWND>(
                ::SendMessageW(tree, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(music)));
            ASSERT_NE(nullptr, edit);
            ::SetWindowTextW(edit, L"歌曲");
            ::SendMessageW(tree, TVM_ENDEDITLABELNOW, FALSE, 0);
            // Deleting in the list works on the folder under its new name at once.
            EXPECT_EQ(renamed, form_.ShellListView1.Root());
            ASSERT_EQ(1, form_.ShellListView1.Count());
            ClickListItem(form_.ShellListView1.hwnd(), 0);
        })
        .Then([&] { return form_.ShellListView1.SelectedPath() == renamed + "\\song.mp3"; })
        .Do([&] { Click(Button(TForm3::kButton4)); })
        .Then([&] { return form_.ShellListView1.Count() == 0; })
        .Do([&] { Click(Button(TForm3::kButton2)); });
    form_.ShowModal();
    EXPECT_TRUE(Exists(renamed));
    EXPECT_FALSE(Exists(renamed + "\\song.mp3"));
    EXPECT_TRUE(reported_.empty());
}

TEST_F(ManagerTest, MoviesOpenInTheStandAlonePlayerAndOtherFilesWithTheirProgram) {
    const std::string dir = ProgramDirectory();
    const std::string recorder = dir + "open_recorder.exe";
    const std::string player = dir + "FlashPlayer.exe";
    ASSERT_TRUE(::CopyFileA(recorder.c_str(), player.c_str(), FALSE));
    ::DeleteFileA((dir + "opened.txt").c_str());
    // Files ending in ".cstest" open with the recorder.
    HKEY key;
    ::RegCreateKeyExA(HKEY_CLASSES_ROOT, ".cstest", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr);
    ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("cstestfile"), 11);
    ::RegCloseKey(key);
    std::string command = "\"" + recorder + "\" \"%1\"";
    ::RegCreateKeyExA(HKEY_CLASSES_ROOT, "cstestfile\\shell\\open\\command", 0, nullptr, 0,
                      KEY_WRITE, nullptr, &key, nullptr);
    ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                     static_cast<DWORD>(command.size() + 1));
    ::RegCloseKey(key);
    WriteFile(index_ + "\\clip.SWF");
    WriteFile(index_ + "\\doc.cstest");

    DialogScript script;
    script.Then(Shown())
        .Do([&] {
            form_.bsSkinPageControl1.SetActivePage(1);
            FileList& list = form_.bsSkinFileListView1;
            list.Refresh();
            ClickListItem(list.hwnd(), list.IndexOf("clip.SWF"), true);
        })
        .Then([&] { return ReadFile(dir + "opened.txt").find('\n') != std::string::npos; })
        .Do([&] {
            FileList& list = form_.bsSkinFileListView1;
            list.Select(list.IndexOf("doc.cstest"));
            Click(Button(TForm3::kButton8));
        })
        .Then([&] { return ReadFile(dir + "opened.txt").find("doc.cstest") != std::string::npos; })
        .Do([&] { Click(Button(TForm3::kButton9)); });
    form_.ShowModal();
    std::string opened = ReadFile(dir + "opened.txt");
    size_t firstEnd = opened.find('\n');
    ASSERT_NE(std::string::npos, firstEnd) << opened;
    std::string first = opened.substr(0, firstEnd);
    EXPECT_NE(std::string::npos, LowerAnsi(first).find("flashplayer.exe")) << first;
    EXPECT_NE(std::string::npos, first.find(" " + index_ + "\\clip.SWF")) << first;
    EXPECT_EQ(std::string::npos, first.find("\"" + index_)) << first;
    EXPECT_NE(std::string::npos, opened.find(index_ + "\\doc.cstest", firstEnd)) << opened;

    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "cstestfile\\shell\\open\\command");
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "cstestfile\\shell\\open");
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "cstestfile\\shell");
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "cstestfile");
    ::RegDeleteKeyA(HKEY_CLASSES_ROOT, ".cstest");
    ::DeleteFileA(player.c_str());
    ::DeleteFileA((dir + "opened.txt").c_str());
}

TEST_F(ManagerTest, MissingResourcesFolderLeavesTheFirstTabOnTheComputerForGood) {
    RemoveTree(resources_);
    DialogScript script;
    script.Then(Shown()).Do([&] {
        EXPECT_EQ(resources_, form_.ManagedRoot);
        EXPECT_EQ("", Tree().Root());
        EXPECT_EQ("", form_.bsSkinDirTreeView1.Root());
        Click(Button(TForm3::kButton2));
    });
    form_.ShowModal();
    ASSERT_EQ(1u, reported_.size());
    EXPECT_EQ("Error setting path: \"" + resources_ + "\"", reported_[0]);

    ASSERT_TRUE(::CreateDirectoryA(resources_.c_str(), nullptr));
    DialogScript second;
    second.Then(Shown()).Do([&] {
        EXPECT_EQ("", Tree().Root());
        EXPECT_EQ(index_, form_.bsSkinDirTreeView1.Root());
        Click(Button(TForm3::kButton2));
    });
    form_.ShowModal();
    EXPECT_EQ(1u, reported_.size());
}

}  // namespace
