// The open-file dialog on the real platform, over a scratch folder: confirming and cancelling,
// what carries over to the next call, masks, the name field and the existence check.
#include "dialogs/opendialog.h"

#include "driver.h"
#include "platform/textconv.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

namespace {

class OpenDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"cs_open_" + std::to_wstring(::GetTickCount()) + L"\\";
        ::CreateDirectoryW(root_.c_str(), nullptr);
        ::CreateDirectoryW((root_ + L"sub").c_str(), nullptr);
        for (const wchar_t* name : {L"a.txt", L"b.doc", L"课件.txt", L"sub\\c.txt"}) Touch(name);
    }
    void TearDown() override {
        // Only what the tests made: files, then folders from the deepest.
        for (const wchar_t* name : {L"a.txt", L"b.doc", L"课件.txt", L"sub\\c.txt"})
            ::DeleteFileW((root_ + name).c_str());
        ::RemoveDirectoryW((root_ + L"sub\\新建文件夹").c_str());
        ::RemoveDirectoryW((root_ + L"新建文件夹").c_str());
        ::RemoveDirectoryW((root_ + L"sub").c_str());
        ::RemoveDirectoryW(root_.c_str());
    }
    void Touch(const std::wstring& name) {
        HANDLE f = ::CreateFileW((root_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 0, nullptr);
        ::CloseHandle(f);
    }
    std::string Ansi(const std::wstring& relative) { return WStringToAnsi(root_ + relative); }

    std::wstring root_;
};

HWND List(HWND d) {
    return FindChild(d, WC_LISTVIEWW);
}
HWND NameField(HWND d) {
    return FindChild(d, L"Edit");
}

std::vector<std::wstring> Names(HWND list) {
    std::vector<std::wstring> names;
    int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[MAX_PATH] = {};
        LVITEMW item = {};
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        ::SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        names.push_back(text);
    }
    return names;
}

int IndexOf(HWND list, const std::wstring& name) {
    auto names = Names(list);
    auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

void Select(HWND list, const std::wstring& name, bool add = false) {
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (!add)
        ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, IndexOf(list, name), reinterpret_cast<LPARAM>(&state));
}

// Waits for the dialog, then runs the action on it.
DialogScript::Step OnDialog(std::function<void(HWND)> action) {
    return [action] {
        HWND d = FindDialog(L"Open file");
        if (!d) return false;
        action(d);
        return true;
    };
}

TEST_F(OpenDialogTest, ConfirmCancelAndTheNextCallStartsAtTheLastFile) {
    TbsSkinOpenDialog dialog(Win32FileSystem());
    dialog.MultiSelection = true;
    dialog.InitialDir = WStringToAnsi(root_);
    std::vector<std::wstring> listed;
    std::wstring typedName;
    {
        DialogScript script;
        script
            .Then(OnDialog([&](HWND d) {
                listed = Names(List(d));
                // A folder typed with "\" is opened; the file picked there is confirmed.
                ::SetWindowTextW(NameField(d), (root_ + L"sub").c_str());
                ::SetFocus(NameField(d));
                PressKey(d, VK_RETURN);
            }))
            .Then(OnDialog([&](HWND d) {
                if (IndexOf(List(d), L"c.txt") < 0) return;
                Select(List(d), L"c.txt");
                typedName = TextOf(NameField(d));
                Click(FindChild(d, L"Button", L"打开(&O)"));
            }));
        EXPECT_TRUE(dialog.ChooseFiles());
    }
    // Folders first, then files, each by name; every file matches "*.*".
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[0], L"sub");
    EXPECT_EQ(typedName, L"c.txt");  // selecting a file puts its name into the field
    EXPECT_EQ(dialog.FileName, Ansi(L"sub\\c.txt"));
    ASSERT_EQ(dialog.Files.size(), 1u);
    EXPECT_EQ(dialog.Files[0], Ansi(L"sub\\c.txt"));

    std::vector<std::wstring> secondListing;
    std::wstring secondName;
    {
        DialogScript script;
        script.Then(OnDialog([&](HWND d) {
            secondListing = Names(List(d));
            secondName = TextOf(NameField(d));
            Select(List(d), L"c.txt");
            PressKey(d, VK_ESCAPE);
        }));
        EXPECT_FALSE(dialog.ChooseFiles());
    }
    ASSERT_EQ(secondListing.size(), 1u);  // the folder of the last file, not InitialDir
    EXPECT_EQ(secondListing[0], L"c.txt");
    EXPECT_EQ(secondName, L"c.txt");
    EXPECT_EQ(dialog.FileName, Ansi(L"sub\\c.txt"));
    ASSERT_EQ(dialog.Files.size(), 1u);
}

TEST_F(OpenDialogTest, MultipleSelectionListsTheFilesInListOrder) {
    TbsSkinOpenDialog dialog(Win32FileSystem());
    dialog.MultiSelection = true;
    dialog.InitialDir = WStringToAnsi(root_);
    DialogScript script;
    script.Then(OnDialog([&](HWND d) {
        Select(List(d), L"课件.txt");
        Select(List(d), L"sub", true);  // a folder among them is left out
        Select(List(d), L"a.txt", true);
        ::SetFocus(List(d));
        PressKey(d, VK_RETURN);
    }));
    // The first selected entry in list order is the folder: that is no file to confirm, so the
    // dialog stays; the next step confirms without it.
    script.Then(OnDialog([&](HWND d) {
        Select(List(d), L"a.txt");
        Select(List(d), L"课件.txt", true);
        Click(FindChild(d, L"Button", L"打开(&O)"));
    }));
    ASSERT_TRUE(dialog.ChooseFiles());
    EXPECT_EQ(dialog.FileName, Ansi(L"a.txt"));
    ASSERT_EQ(dialog.Files.size(), 2u);
    EXPECT_EQ(dialog.Files[0], Ansi(L"a.txt"));
    EXPECT_EQ(dialog.Files[1], Ansi(L"课件.txt"));
}

TEST_F(OpenDialogTest, ConfirmNeedsASelectedExistingFileAndANameWhenChecking) {
    TbsSkinOpenDialog dialog(Win32FileSystem());
    dialog.InitialDir = WStringToAnsi(root_);
    bool stillOpen[3] = {};
    DialogScript script;
    script
        .Then(OnDialog([&](HWND d) {
            ::SetWindowTextW(NameField(d), L"a.txt");  // typed, not selected
            Click(FindChild(d, L"Button", L"打开(&O)"));
        }))
        .Then(OnDialog([&](HWND d) {
            stillOpen[0] = true;
            Select(List(d), L"a.txt");
            ::SetWindowTextW(NameField(d), L"");
            Click(FindChild(d, L"Button", L"打开(&O)"));
        }))
        .Then(OnDialog([&](HWND d) {
            stillOpen[1] = true;
            Select(List(d), L"b.doc");
            ::DeleteFileW((root_ + L"b.doc").c_str());  // gone since it was listed
            Click(FindChild(d, L"Button", L"打开(&O)"));
        }))
        .Then(OnDialog([&](HWND d) {
            stillOpen[2] = true;
            Select(List(d), L"a.txt");
            Click(FindChild(d, L"Button", L"打开(&O)"));
        }));
    ASSERT_TRUE(dialog.ChooseFiles());
    EXPECT_TRUE(stillOpen[0] && stillOpen[1] && stillOpen[2]);
    EXPECT_EQ(dialog.FileName, Ansi(L"a.txt"));
}

TEST_F(OpenDialogTest, MasksFilterIndexSizeAndViewCarryOver) {
    TbsSkinOpenDialog dialog(Win32FileSystem());
    dialog.Filter = "All files|*.*|Documents|*.doc";
    dialog.FilterIndex = 2;
    dialog.InitialDir = WStringToAnsi(root_);
    dialog.DialogWidth = 520;
    dialog.DialogHeight = 330;
    std::vector<std::wstring> byIndex, byTypedMask;
    RECT client{};
    DialogScript script;
    script
        .Then(OnDialog([&](HWND d) {
            byIndex = Names(List(d));
            ::GetClientRect(d, &client);
            ::SetWindowTextW(NameField(d), L"*.txt");
            ::SetFocus(NameField(d));
            PressKey(d, VK_RETURN);
        }))
        .Then(OnDialog([&](HWND d) {
            byTypedMask = Names(List(d));
            // The user picks the first type and widens the window, then cancels.
            HWND typeBox = ChildrenOf(d, L"ComboBox").back();
            ::SendMessageW(typeBox, CB_SETCURSEL, 0, 0);
            ::SendMessageW(d, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(typeBox), CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(typeBox));
            ::SetWindowPos(d, nullptr, 0, 0, 640, 420, SWP_NOMOVE | SWP_NOZORDER);
            PressKey(d, VK_ESCAPE);
        }));
    EXPECT_FALSE(dialog.ChooseFiles());
    EXPECT_EQ(client.right, 520);
    EXPECT_EQ(client.bottom, 330);
    EXPECT_EQ(byIndex, (std::vector<std::wstring>{L"sub", L"b.doc"}));
    EXPECT_EQ(byTypedMask, (std::vector<std::wstring>{L"sub", L"a.txt", L"课件.txt"}));
    EXPECT_EQ(dialog.FilterIndex, 1);
    EXPECT_GT(dialog.DialogWidth, 520);
    EXPECT_GT(dialog.DialogHeight, 330);
    EXPECT_TRUE(dialog.Files.empty());
}

TEST_F(OpenDialogTest, NewFolderButtonOnlyCreatesAMissingFolderAndDoubleClickConfirms) {
    TbsSkinOpenDialog dialog(Win32FileSystem());
    dialog.InitialDir = WStringToAnsi(root_);
    dialog.ViewStyle = FileListView::Details;
    LONG listStyle = 0;
    std::vector<std::wstring> afterCreate;
    DialogScript script;
    script
        .Then(OnDialog([&](HWND d) {
            listStyle = ::GetWindowLongW(List(d), GWL_STYLE);
            HWND newFolder = FindChild(d, L"Button", L"+");
            Click(newFolder);
            Click(newFolder);  // exists now: nothing more happens
        }))
        .Then(OnDialog([&](HWND d) {
            afterCreate = Names(List(d));
            HWND list = List(d);
            RECT item = {LVIR_LABEL, 0, 0, 0};
            ::SendMessageW(list, LVM_GETITEMRECT, IndexOf(list, L"b.doc"),
                           reinterpret_cast<LPARAM>(&item));
            LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
            ::PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
            ::PostMessageW(list, WM_LBUTTONUP, 0, at);
            ::PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            ::PostMessageW(list, WM_LBUTTONUP, 0, at);
        }));
    ASSERT_TRUE(dialog.ChooseFiles());
    EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_EQ(afterCreate,
              (std::vector<std::wstring>{L"sub", L"新建文件夹", L"a.txt", L"b.doc", L"课件.txt"}));
    EXPECT_EQ(dialog.FileName, Ansi(L"b.doc"));
    EXPECT_EQ(dialog.ViewStyle, FileListView::Details);
}

TEST_F(OpenDialogTest, ControlsCarryTheirTexts) {
    TbsSkinOpenDialog dialog(Win32FileSystem());
    dialog.InitialDir = WStringToAnsi(root_);
    std::vector<std::wstring> statics, buttons, hints;
    DialogScript script;
    script.Then(OnDialog([&](HWND d) {
        for (HWND s : ChildrenOf(d, L"Static")) statics.push_back(TextOf(s));
        for (HWND b : ChildrenOf(d, L"Button")) buttons.push_back(TextOf(b));
        HWND tips = ::FindWindowW(TOOLTIPS_CLASSW, nullptr);
        for (HWND t = tips; t; t = ::FindWindowExW(nullptr, t, TOOLTIPS_CLASSW, nullptr)) {
            if (::GetWindow(t, GW_OWNER) != d) continue;
            int count = static_cast<int>(::SendMessageW(t, TTM_GETTOOLCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                wchar_t text[80] = {};
                TTTOOLINFOW info = {};
                info.cbSize = TTTOOLINFOW_V2_SIZE;
                info.lpszText = text;
                ::SendMessageW(t, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&info));
                hints.push_back(text);
            }
        }
        PressKey(d, VK_ESCAPE);
    }));
    EXPECT_FALSE(dialog.ChooseFiles());
    EXPECT_EQ(statics, (std::vector<std::wstring>{L"查找: ", L"文件名:", L"文件类型:"}));
    EXPECT_EQ(buttons.size(), 6u);
    EXPECT_NE(std::find(buttons.begin(), buttons.end(), L"打开(&O)"), buttons.end());
    EXPECT_NE(std::find(buttons.begin(), buttons.end(), L"取消"), buttons.end());
    EXPECT_EQ(hints, (std::vector<std::wstring>{L"转到最后访问的文件夹", L"转到上一级",
                                                L"新建文件夹", L"查看菜单"}));
}

}  // namespace
