// The folder tree names the computer's drives only when someone can see them: building it at
// start reads no drive, so a disconnected network drive cannot stall the program's start.
#include "library/foldertree.h"

#include "library/folderscan.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderTreeTest, DrivesAreListedAtTheFirstPaintNotAtCreation) {
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, parent);
    {
        FolderTree tree(Win32FileSystem());
        tree.Create(parent, 1, 0, 0, 300, 300);
        EXPECT_EQ(0u, TreeView_GetCount(tree.hwnd()));
        ::ShowWindow(parent, SW_SHOWNOACTIVATE);
        ::UpdateWindow(parent);
        ::UpdateWindow(tree.hwnd());
        EXPECT_EQ(DriveRoots().size(), TreeView_GetCount(tree.hwnd()));
        EXPECT_TRUE(tree.Root().empty());
    }
    ::DestroyWindow(parent);
}

TEST(FolderTreeTest, ATreeGivenItsRootBeforeItIsSeenNeverListsTheDrives) {
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string root = temp;
    root.pop_back();
    {
        FolderTree tree(Win32FileSystem());
        tree.Create(parent, 1, 0, 0, 300, 300);
        tree.SetRoot(root);
        ::ShowWindow(parent, SW_SHOWNOACTIVATE);
        ::UpdateWindow(tree.hwnd());
        HTREEITEM top = tree.Top();
        ASSERT_NE(nullptr, top);
        EXPECT_EQ(root, tree.PathOf(top));
        EXPECT_EQ(nullptr, TreeView_GetNextSibling(tree.hwnd(), top));
    }
    ::DestroyWindow(parent);
}

}  // namespace
