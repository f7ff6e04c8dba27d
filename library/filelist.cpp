#include "library/filelist.h"

#include "library/folderscan.h"
#include "library/resourcerules.h"
#include "platform/textconv.h"
#include "platform/window.h"

#include <stdexcept>

namespace {

constexpr DWORD kWatchedChanges =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

}  // namespace

void FileList::Create(HWND parent, int id, int x, int y, int width, int height) {
    // The system's image list is shared, never destroyed with the control.
    hwnd_ = CreateChildControl(parent, WC_LISTVIEWW, L"",
                               WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_ICON |
                                   LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE |
                                   LVS_EDITLABELS | LVS_SHAREIMAGELISTS,
                               x, y, width, height, id, WS_EX_CLIENTEDGE);
}

void FileList::SetRoot(const std::string& folder) {
    if (!folder.empty() && !files_.FolderExists(folder))
        throw std::runtime_error(RootErrorText(folder));
    root_ = folder;
    Fill(std::string());
    if (watching_) WatchChanges();
}

void FileList::Refresh() {
    int selected = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
    std::string keep;
    if (selected >= 0) keep = FileNamePart(PathAt(selected));
    Fill(keep);
}

void FileList::Fill(const std::string& keepSelected) {
    names_ = root_.empty() ? std::vector<std::string>() : FileNames(files_, root_);
    // As the trees do: the system's icons only once there is something to show.
    if (!imagesSet_ && !names_.empty()) {
        ListView_SetImageList(hwnd_, SystemImageList(false), LVSIL_NORMAL);
        imagesSet_ = true;
    }
    ::SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(hwnd_);
    for (size_t i = 0; i < names_.size(); ++i) {
        std::wstring label = AnsiToWString(names_[i]);
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(label.c_str());
        item.iImage = ShellIconIndex(ChildPath(root_, names_[i]), false);
        item.lParam = static_cast<LPARAM>(i);
        int index = static_cast<int>(
            ::SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (!keepSelected.empty() && names_[i] == keepSelected) Select(index);
    }
    ::SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

std::string FileList::PathAt(int index) const {
    if (index < 0) return std::string();
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!::SendMessageW(hwnd_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return std::string();
    size_t at = static_cast<size_t>(item.lParam);
    return at < names_.size() ? ChildPath(root_, names_[at]) : std::string();
}

std::string FileList::SelectedPath() const {
    return PathAt(ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED));
}

int FileList::Count() const {
    return ListView_GetItemCount(hwnd_);
}

int FileList::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        if (FileNamePart(PathAt(i)) == name) return i;
    }
    return -1;
}

void FileList::Select(int index) {
    ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (index < 0) return;
    ListView_SetItemState(hwnd_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, index, FALSE);
}

void FileList::RemoveSelected() {
    int selected = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
    if (selected >= 0) ListView_DeleteItem(hwnd_, selected);
}

void FileList::WatchChanges() {
    watching_ = true;
    watch_ = root_.empty() ? FolderChangeWatch() : FolderChangeWatch(root_, false, kWatchedChanges);
}

bool FileList::CheckChanges() {
    if (!watch_.Changed()) return false;
    Refresh();
    return true;
}

LRESULT FileList::OnEndLabelEdit(const NMLVDISPINFOW& info) {
    if (!info.item.pszText) return FALSE;
    std::string from = PathAt(info.item.iItem);
    std::string name = WStringToAnsi(info.item.pszText);
    if (from.empty() || !IsPlainItemName(name)) return FALSE;
    std::string to = RenamedPath(from, name);
    if (to == from || !files_.Rename(from, to)) return FALSE;
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = info.item.iItem;
    ::SendMessageW(hwnd_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    names_[static_cast<size_t>(item.lParam)] = name;
    return TRUE;
}

bool FileList::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != hwnd_) return false;
    result = 0;
    switch (header.code) {
        case NM_DBLCLK:
            if (onDoubleClick) onDoubleClick();
            break;
        case NM_RCLICK:
            result = TRUE;  // the list has selected the item; no context menu follows
            break;
        case LVN_BEGINLABELEDITW: {
            const auto& info = reinterpret_cast<const NMLVDISPINFOW&>(header);
            bool allowed = mayRename && mayRename(PathAt(info.item.iItem));
            result = allowed ? FALSE : TRUE;
            break;
        }
        case LVN_ENDLABELEDITW:
            result = OnEndLabelEdit(reinterpret_cast<const NMLVDISPINFOW&>(header));
            break;
    }
    return true;
}
