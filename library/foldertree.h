// A tree of folders over the file system: until a root is set it shows the drives of the
// computer (listed when it is first painted); a root folder is shown as the single top node, opened
// one level and selected. Subfolders are read when a node is first opened. The owning window passes
// its WM_NOTIFY messages to OnNotify.
#pragma once

#include "platform/filesystem.h"
#include "platform/folderwatch.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>

class FolderTree {
  public:
    // The folders are read and renamed through `files`.
    explicit FolderTree(FileSystem& files) : files_(files) {}
    ~FolderTree();
    FolderTree(const FolderTree&) = delete;
    FolderTree& operator=(const FolderTree&) = delete;

    void Create(HWND parent, int id, int x, int y, int width, int height);
    HWND hwnd() const { return hwnd_; }

    // The folder last set as root; empty while the tree shows the computer.
    const std::string& Root() const { return root_; }
    // Rebuilds the tree on `folder`. A folder that does not exist fails with RootErrorText and
    // leaves the tree as it was.
    void SetRoot(const std::string& folder);

    HTREEITEM Top() const;
    HTREEITEM Selected() const;
    // Full path of the selected folder; empty when nothing is selected.
    std::string SelectedPath() const;
    std::string PathOf(HTREEITEM item) const;
    // The node of a folder among the nodes read so far; nullptr when there is none.
    HTREEITEM Find(const std::string& path) const;
    void Select(HTREEITEM item);
    bool IsExpanded(HTREEITEM item) const;

    // Re-reads the subfolders of `item` and of every folder below it that has been read,
    // keeping the nodes that still exist with their state.
    void Refresh(HTREEITEM item);
    // The same from every top node.
    void RefreshAll();
    void Remove(HTREEITEM item);

    // Automatic refresh: watches the root's folder tree; CheckChanges refreshes after a change.
    void WatchChanges();
    bool CheckChanges();

    // Asked before renaming a folder in place; renaming is refused when not set.
    std::function<bool(const std::string& path)> mayRename;
    // Told after a folder was renamed in place, with its old and new full paths.
    std::function<void(const std::string& from, const std::string& to)> onRenamed;
    std::function<void()> onSelectionChanged;
    std::function<void()> onClick;

    bool OnNotify(const NMHDR& header, LRESULT& result);

  private:
    struct Node {
        std::string path;
        std::string name;
        bool loaded = false;
    };

    HTREEITEM Insert(HTREEITEM parent, HTREEITEM after, const std::string& path,
                     const std::string& name, const std::wstring& label, bool hasChildren);
    void Load(HTREEITEM item);
    void SetHasChildren(HTREEITEM item, bool hasChildren);
    void Forget(HTREEITEM item);
    void Clear();
    void ShowComputer();
    void Rebase(HTREEITEM item);
    LRESULT OnEndLabelEdit(const NMTVDISPINFOW& info);
    static LRESULT CALLBACK TreeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);

    FileSystem& files_;
    HWND hwnd_ = nullptr;
    std::string root_;
    std::map<HTREEITEM, Node> nodes_;
    bool computerPending_ = false;
    bool imagesSet_ = false;
    bool watching_ = false;
    bool clicked_ = false;
    FolderChangeWatch watch_;
};
