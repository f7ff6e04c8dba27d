// The files of one folder as large shell icons, sorted by name; folders are not shown. The
// owning window passes its WM_NOTIFY messages to OnNotify.
#pragma once

#include "platform/filesystem.h"
#include "platform/folderwatch.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

class FileList {
  public:
    // The files are read and renamed through `files`.
    explicit FileList(FileSystem& files) : files_(files) {}

    void Create(HWND parent, int id, int x, int y, int width, int height);
    HWND hwnd() const { return hwnd_; }

    const std::string& Root() const { return root_; }
    // Shows the files of `folder`; an empty folder name shows nothing. A folder that does not
    // exist fails with RootErrorText and leaves the list as it was.
    void SetRoot(const std::string& folder);
    // Reads the folder again, keeping the selection where the file is still there.
    void Refresh();

    // Full path of the selected file; empty when none is selected.
    std::string SelectedPath() const;
    int Count() const;
    // Index of the item showing `name`, or -1.
    int IndexOf(const std::string& name) const;
    void Select(int index);
    void RemoveSelected();

    // Automatic refresh: watches the shown folder; CheckChanges re-reads it after a change.
    void WatchChanges();
    bool CheckChanges();

    // Asked before a file is renamed in place; renaming is refused when not set.
    std::function<bool(const std::string& path)> mayRename;
    std::function<void()> onDoubleClick;

    bool OnNotify(const NMHDR& header, LRESULT& result);

  private:
    void Fill(const std::string& keepSelected);
    std::string PathAt(int index) const;
    LRESULT OnEndLabelEdit(const NMLVDISPINFOW& info);

    FileSystem& files_;
    HWND hwnd_ = nullptr;
    std::string root_;
    // The names behind the items; an item's parameter is its index here.
    std::vector<std::string> names_;
    bool watching_ = false;
    bool imagesSet_ = false;
    FolderChangeWatch watch_;
};
