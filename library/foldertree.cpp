#include "library/foldertree.h"

#include "library/folderscan.h"
#include "library/resourcerules.h"
#include "platform/guard.h"
#include "platform/textconv.h"
#include "platform/window.h"

#include <set>
#include <stdexcept>
#include <vector>

namespace {

std::wstring ShownName(const std::string& path, const std::string& name) {
    return AnsiToWString(name.empty() ? path : name);
}

}  // namespace

FolderTree::~FolderTree() {
    // The window outlives this object when its owner is destroyed after its members.
    if (hwnd_ && ::IsWindow(hwnd_)) ::RemoveWindowSubclass(hwnd_, &FolderTree::TreeProc, 0);
}

void FolderTree::Create(HWND parent, int id, int x, int y, int width, int height) {
    // No lines and no buttons at the root level; the selection stays visible without focus.
    hwnd_ = CreateChildControl(parent, WC_TREEVIEWW, L"",
                               WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TVS_HASBUTTONS |
                                   TVS_SHOWSELALWAYS | TVS_EDITLABELS,
                               x, y, width, height, id, WS_EX_CLIENTEDGE);
    ::SetWindowSubclass(hwnd_, &FolderTree::TreeProc, 0, reinterpret_cast<DWORD_PTR>(this));
    // The drives are listed when the tree is first painted without a root, not now: naming a
    // disconnected network drive or an empty card reader can take seconds, and the program's
    // trees are built at start and given their roots before anyone sees them.
    computerPending_ = true;
}

LRESULT CALLBACK FolderTree::TreeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR data) {
    auto* self = reinterpret_cast<FolderTree*>(data);
    switch (msg) {
        case WM_PAINT:
            if (self->computerPending_) {
                self->computerPending_ = false;
                if (self->root_.empty()) self->ShowComputer();
            }
            break;
        case WM_RBUTTONDOWN: {
            // A right click selects the node under the mouse.
            TVHITTESTINFO hit = {};
            hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            HTREEITEM item = TreeView_HitTest(hwnd, &hit);
            if (item && (hit.flags & TVHT_ONITEM)) self->Select(item);
            break;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: {
            self->clicked_ = false;
            LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
            if (self->clicked_ && self->onClick) {
                self->clicked_ = false;
                Guarded([&] { self->onClick(); });
            }
            return result;
        }
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(hwnd, &FolderTree::TreeProc, 0);
            break;
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

void FolderTree::ShowComputer() {
    Clear();
    for (const std::string& drive : DriveRoots()) {
        // Drives are not read before they are opened: a removable one may have no medium.
        Insert(TVI_ROOT, TVI_LAST, drive, std::string(), DriveDisplayName(drive), true);
    }
}

void FolderTree::SetRoot(const std::string& folder) {
    if (!files_.FolderExists(folder)) throw std::runtime_error(RootErrorText(folder));
    Clear();
    computerPending_ = false;
    root_ = folder;
    std::string name = FileNamePart(folder);
    HTREEITEM top = Insert(TVI_ROOT, TVI_LAST, folder, name, ShownName(folder, name),
                           HasSubfolders(files_, folder));
    Load(top);
    TreeView_Expand(hwnd_, top, TVE_EXPAND);
    Select(top);
    if (watching_) WatchChanges();
}

HTREEITEM FolderTree::Top() const {
    return TreeView_GetRoot(hwnd_);
}

HTREEITEM FolderTree::Selected() const {
    return TreeView_GetSelection(hwnd_);
}

std::string FolderTree::SelectedPath() const {
    return PathOf(Selected());
}

std::string FolderTree::PathOf(HTREEITEM item) const {
    auto found = nodes_.find(item);
    return found == nodes_.end() ? std::string() : found->second.path;
}

HTREEITEM FolderTree::Find(const std::string& path) const {
    for (const auto& entry : nodes_) {
        if (entry.second.path == path) return entry.first;
    }
    return nullptr;
}

void FolderTree::Select(HTREEITEM item) {
    TreeView_SelectItem(hwnd_, item);
}

bool FolderTree::IsExpanded(HTREEITEM item) const {
    return (TreeView_GetItemState(hwnd_, item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

HTREEITEM FolderTree::Insert(HTREEITEM parent, HTREEITEM after, const std::string& path,
                             const std::string& name, const std::wstring& label, bool hasChildren) {
    // The system's icons are fetched with the first node: loading them costs more than building
    // the whole window, and the trees are built at start but filled only when shown.
    if (!imagesSet_) {
        TreeView_SetImageList(hwnd_, SystemImageList(true), TVSIL_NORMAL);
        imagesSet_ = true;
    }
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(label.c_str());
    insert.item.iImage = ShellIconIndex(path, true);
    insert.item.iSelectedImage = ShellIconIndex(path, true, true);
    insert.item.cChildren = hasChildren ? 1 : 0;
    auto item = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(hwnd_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (item) nodes_[item] = Node{path, name, false};
    return item;
}

void FolderTree::SetHasChildren(HTREEITEM item, bool hasChildren) {
    TVITEMW tv = {};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    tv.cChildren = hasChildren ? 1 : 0;
    ::SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

void FolderTree::Load(HTREEITEM item) {
    auto found = nodes_.find(item);
    if (found == nodes_.end()) return;
    std::string path = found->second.path;
    found->second.loaded = true;
    std::vector<std::string> names = SubfolderNames(files_, path);
    std::set<std::string> wanted(names.begin(), names.end());

    std::map<std::string, HTREEITEM> kept;
    HTREEITEM child = TreeView_GetChild(hwnd_, item);
    while (child) {
        HTREEITEM next = TreeView_GetNextSibling(hwnd_, child);
        const std::string& name = nodes_[child].name;
        if (wanted.count(name)) {
            kept[name] = child;
        } else {
            Remove(child);
        }
        child = next;
    }
    // New folders go in at their place by name; the nodes that stay keep their state.
    HTREEITEM previous = TVI_FIRST;
    for (const std::string& name : names) {
        auto existing = kept.find(name);
        if (existing != kept.end()) {
            previous = existing->second;
            continue;
        }
        std::string childPath = ChildPath(path, name);
        previous = Insert(item, previous, childPath, name, ShownName(childPath, name),
                          HasSubfolders(files_, childPath));
    }
    SetHasChildren(item, !names.empty());
    for (const auto& entry : kept) {
        if (nodes_[entry.second].loaded) {
            Load(entry.second);
        } else {
            SetHasChildren(entry.second, HasSubfolders(files_, nodes_[entry.second].path));
        }
    }
}

void FolderTree::Refresh(HTREEITEM item) {
    if (item) Load(item);
}

void FolderTree::RefreshAll() {
    for (HTREEITEM top = Top(); top; top = TreeView_GetNextSibling(hwnd_, top)) {
        if (nodes_[top].loaded) Load(top);
    }
}

void FolderTree::Forget(HTREEITEM item) {
    for (HTREEITEM child = TreeView_GetChild(hwnd_, item); child;
         child = TreeView_GetNextSibling(hwnd_, child))
        Forget(child);
    nodes_.erase(item);
}

void FolderTree::Remove(HTREEITEM item) {
    if (!item) return;
    // The nodes go first, so that a selection moving on during the deletion finds its path.
    Forget(item);
    TreeView_DeleteItem(hwnd_, item);
}

void FolderTree::Clear() {
    nodes_.clear();
    TreeView_DeleteAllItems(hwnd_);
}

void FolderTree::WatchChanges() {
    watching_ = true;
    watch_ = root_.empty() ? FolderChangeWatch()
                           : FolderChangeWatch(root_, true, FILE_NOTIFY_CHANGE_DIR_NAME);
}

bool FolderTree::CheckChanges() {
    if (!watch_.Changed()) return false;
    RefreshAll();
    return true;
}

void FolderTree::Rebase(HTREEITEM item) {
    const std::string parentPath = nodes_[item].path;
    for (HTREEITEM child = TreeView_GetChild(hwnd_, item); child;
         child = TreeView_GetNextSibling(hwnd_, child)) {
        nodes_[child].path = ChildPath(parentPath, nodes_[child].name);
        Rebase(child);
    }
}

LRESULT FolderTree::OnEndLabelEdit(const NMTVDISPINFOW& info) {
    if (!info.item.pszText) return FALSE;
    auto found = nodes_.find(info.item.hItem);
    if (found == nodes_.end()) return FALSE;
    std::string name = WStringToAnsi(info.item.pszText);
    if (!IsPlainItemName(name)) return FALSE;
    std::string target = RenamedPath(found->second.path, name);
    if (target == found->second.path) return FALSE;
    std::string from = found->second.path;
    if (!files_.Rename(from, target)) return FALSE;
    if (from == root_) root_ = target;
    found->second.path = target;
    found->second.name = name;
    Rebase(info.item.hItem);
    if (onRenamed) onRenamed(from, target);
    return TRUE;
}

bool FolderTree::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != hwnd_) return false;
    result = 0;
    switch (header.code) {
        case TVN_ITEMEXPANDINGW: {
            const auto& view = reinterpret_cast<const NMTREEVIEWW&>(header);
            auto found = nodes_.find(view.itemNew.hItem);
            if ((view.action & TVE_EXPAND) && found != nodes_.end() && !found->second.loaded)
                Load(view.itemNew.hItem);
            break;
        }
        case TVN_SELCHANGEDW:
            if (onSelectionChanged) onSelectionChanged();
            break;
        case NM_CLICK:
            // The tree selects the clicked node only after this notice; the click is handed on
            // once the mouse message is through (see TreeProc).
            clicked_ = true;
            break;
        case NM_RCLICK:
            result = TRUE;  // no context menu
            break;
        case TVN_BEGINLABELEDITW: {
            const auto& info = reinterpret_cast<const NMTVDISPINFOW&>(header);
            bool allowed = mayRename && mayRename(PathOf(info.item.hItem));
            result = allowed ? FALSE : TRUE;
            break;
        }
        case TVN_ENDLABELEDITW:
            result = OnEndLabelEdit(reinterpret_cast<const NMTVDISPINFOW&>(header));
            break;
    }
    return true;
}
