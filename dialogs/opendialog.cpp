#include "dialogs/opendialog.h"

#include "dialogs/dialogwindow.h"
#include "dialogs/filerules.h"
#include "platform/paths.h"
#include "platform/textconv.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>

namespace {

enum ControlId {
    kFolderBox = 20,
    kBackButton,
    kUpButton,
    kNewFolderButton,
    kViewButton,
    kFileList = 30,
    kNameField = 40,
    kTypeBox,
};

constexpr int kDefaultWidth = 450;
constexpr int kDefaultHeight = 290;
constexpr int kRowHeight = 24;

const wchar_t* const kToolGlyphs[4] = {L"←", L"↑", L"+", L"▼"};
const wchar_t* const kToolHints[4] = {L"转到最后访问的文件夹", L"转到上一级", L"新建文件夹",
                                      L"查看菜单"};
const wchar_t* const kViewNames[4] = {L"大图标", L"小图标", L"列表", L"详细信息"};

FILETIME AsFileTime(std::uint64_t ticks) {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

DWORD ListStyleOf(FileListView view) {
    switch (view) {
        case FileListView::LargeIcons:
            return LVS_ICON;
        case FileListView::SmallIcons:
            return LVS_SMALLICON;
        case FileListView::Details:
            return LVS_REPORT;
        case FileListView::List:
            break;
    }
    return LVS_LIST;
}

struct Entry {
    std::wstring name;
    bool folder;
    ULONGLONG size;
    FILETIME modified;
};

class OpenDialogWindow : public DialogWindow {
  public:
    OpenDialogWindow(TbsSkinOpenDialog& options, FileSystem& files)
        : options_(options), files_(files) {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&icc);
        CreateWindowOf(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, AnsiToWString(options.Title),
                       WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN,
                       CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr);
        int width = options.DialogWidth > 0 ? options.DialogWidth : kDefaultWidth;
        int height = options.DialogHeight > 0 ? options.DialogHeight : kDefaultHeight;
        BuildControls(width, height);
        SetClientSize(width, height);
        Relayout();

        filters_ = ParseFilter(AnsiToWide(options.Filter));
        for (const FilterEntry& f : filters_)
            ::SendMessageW(typeBox_, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(ToWString(f.label).c_str()));
        int chosen = FilterEntryIndex(options.FilterIndex, static_cast<int>(filters_.size()));
        ::SendMessageW(typeBox_, CB_SETCURSEL, chosen, 0);
        mask_ = filters_.empty() ? u"*" : filters_[chosen].mask;

        std::u16string fileName = AnsiToWide(options.FileName);
        std::u16string start = StartFolder(
            fileName, AnsiToWide(options.InitialDir),
            [this](const std::u16string& f) { return files_.FolderExists(f); },
            AnsiToWide(ProgramDirectory()));
        ::SetWindowTextW(nameField_, ToWString(NamePart(fileName)).c_str());
        Navigate(ToWString(start), false);
        initialFocus_ = nameField_;
        defaultId_ = IDOK;
        cancelId_ = IDCANCEL;
        CenterOnScreen();
    }

    // What the dialog keeps for the next call, read before the window goes.
    void KeepState() {
        int sel = static_cast<int>(::SendMessageW(typeBox_, CB_GETCURSEL, 0, 0));
        if (sel >= 0) options_.FilterIndex = sel + 1;
        RECT r;
        ::GetClientRect(hwnd(), &r);
        options_.DialogWidth = r.right;
        options_.DialogHeight = r.bottom;
        options_.ViewStyle = view_;
    }

    const std::wstring& CurrentFolder() const { return current_; }

  protected:
    void OnButton(int id) override {
        switch (id) {
            case IDOK:
                Confirm(-1);
                break;
            case IDCANCEL:
                EndModal(IDCANCEL);
                break;
            case kBackButton:
                if (!history_.empty()) {
                    std::wstring last = history_.back();
                    history_.pop_back();
                    Navigate(last, false);
                }
                break;
            case kUpButton: {
                std::wstring parent = ToWString(ParentFolder(ToU16String(current_)));
                if (parent != current_) Navigate(parent, true);
                break;
            }
            case kNewFolderButton: {
                std::wstring folder = current_ + L"新建文件夹";
                if (!files_.FolderExists(ToU16String(folder)) &&
                    files_.CreateFolder(ToU16String(folder)))
                    FillList();
                break;
            }
            case kViewButton:
                ShowViewMenu();
                break;
        }
    }

    bool OnEnterIn(HWND focus) override {
        if (focus == nameField_) {
            NameFieldEnter();
            return true;
        }
        if (focus == list_) {
            Confirm(-1);
            return true;
        }
        return false;
    }

    void OnCommand(int id, int code, HWND) override {
        if (code != CBN_SELCHANGE) return;
        if (id == kTypeBox) {
            int sel = static_cast<int>(::SendMessageW(typeBox_, CB_GETCURSEL, 0, 0));
            if (sel >= 0 && sel < static_cast<int>(filters_.size())) {
                mask_ = filters_[sel].mask;
                FillList();
            }
        } else if (id == kFolderBox) {
            int sel = static_cast<int>(::SendMessageW(folderBox_, CB_GETCURSEL, 0, 0));
            if (sel >= 0 && sel < static_cast<int>(folderItems_.size()) &&
                folderItems_[sel] != current_)
                Navigate(folderItems_[sel], true);
        }
    }

    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
            case WM_SIZE:
                Relayout();
                return 0;
            case WM_GETMINMAXINFO: {
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMinTrackSize = {320, 220};
                return 0;
            }
        }
        return DialogWindow::OnMessage(msg, wParam, lParam);
    }

  private:
    void BuildControls(int width, int height) {
        OpenLayout l = LayoutOpenDialog(width, height, kRowHeight);
        placed_.push_back(AddLabel(L"查找: ", l.lookInLabel));
        folderBox_ =
            AddControl(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                       {l.folderBox.left, l.folderBox.top, l.folderBox.width, 300}, kFolderBox);
        placed_.push_back(folderBox_);
        tooltip_ =
            ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0,
                              0, 0, 0, hwnd(), nullptr, ::GetModuleHandleW(nullptr), nullptr);
        for (int i = 0; i < 4; ++i) {
            HWND button = AddButton(kToolGlyphs[i], l.toolButtons[i], kBackButton + i);
            placed_.push_back(button);
            TTTOOLINFOW tool = {};
            // The version-5 size: comctl32 before version 6 rejects the larger structure.
            tool.cbSize = TTTOOLINFOW_V2_SIZE;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = hwnd();
            tool.uId = reinterpret_cast<UINT_PTR>(button);
            tool.lpszText = const_cast<wchar_t*>(kToolHints[i]);
            ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        view_ = options_.ViewStyle;
        DWORD listStyle = WS_TABSTOP | LVS_SHAREIMAGELISTS | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE |
                          ListStyleOf(view_) | (options_.MultiSelection ? 0 : LVS_SINGLESEL);
        list_ = AddControl(WC_LISTVIEWW, L"", listStyle, l.fileList, kFileList, WS_EX_CLIENTEDGE);
        placed_.push_back(list_);
        SHFILEINFOW info = {};
        auto small = reinterpret_cast<HIMAGELIST>(
            ::SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        auto large = reinterpret_cast<HIMAGELIST>(
            ::SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
        if (small) ListView_SetImageList(list_, small, LVSIL_SMALL);
        if (large) ListView_SetImageList(list_, large, LVSIL_NORMAL);
        const wchar_t* columns[3] = {L"名称", L"大小", L"修改日期"};
        const int widths[3] = {200, 80, 130};
        for (int i = 0; i < 3; ++i) {
            LVCOLUMNW column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
            column.fmt = i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
            column.cx = widths[i];
            column.pszText = const_cast<wchar_t*>(columns[i]);
            column.iSubItem = i;
            ::SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }

        placed_.push_back(AddLabel(L"文件名:", l.nameLabel));
        nameField_ = AddControl(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, l.nameField, kNameField,
                                WS_EX_CLIENTEDGE);
        placed_.push_back(nameField_);
        placed_.push_back(AddButton(L"打开(&O)", l.openButton, IDOK, true));
        placed_.push_back(AddLabel(L"文件类型:", l.typeLabel));
        typeBox_ = AddControl(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                              {l.typeBox.left, l.typeBox.top, l.typeBox.width, 300}, kTypeBox);
        placed_.push_back(typeBox_);
        placed_.push_back(AddButton(L"取消", l.cancelButton, IDCANCEL));
    }

    void Relayout() {
        if (!list_) return;
        RECT r;
        ::GetClientRect(hwnd(), &r);
        OpenLayout l = LayoutOpenDialog(r.right, r.bottom, kRowHeight);
        // Children in creation order, matched with their places in the layout.
        const Rect places[] = {
            l.lookInLabel,    l.folderBox, l.toolButtons[0], l.toolButtons[1], l.toolButtons[2],
            l.toolButtons[3], l.fileList,  l.nameLabel,      l.nameField,      l.openButton,
            l.typeLabel,      l.typeBox,   l.cancelButton};
        for (size_t i = 0; i < placed_.size() && i < std::size(places); ++i) {
            HWND child = placed_[i];
            const Rect& p = places[i];
            // A combo box's height includes its drop-down list.
            int height = (child == folderBox_ || child == typeBox_) ? 300 : p.height;
            ::SetWindowPos(child, nullptr, p.left, p.top, p.width, height,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ::InvalidateRect(hwnd(), nullptr, TRUE);
    }

    void Navigate(const std::wstring& folder, bool remember) {
        std::wstring target = ToWString(WithTrailingBackslash(ToU16String(folder)));
        if (remember && !current_.empty() && target != current_) history_.push_back(current_);
        current_ = target;
        FillFolderBox();
        FillList();
    }

    void FillFolderBox() {
        ::SendMessageW(folderBox_, CB_RESETCONTENT, 0, 0);
        folderItems_.clear();
        std::vector<std::u16string> chain = FolderChain(ToU16String(current_));
        std::wstring root = chain.empty() ? L"" : ToWString(chain.front());
        wchar_t drives[512];
        DWORD n = ::GetLogicalDriveStringsW(512, drives);
        std::vector<std::wstring> roots;
        for (const wchar_t* d = drives; n && *d; d += lstrlenW(d) + 1) roots.push_back(d);
        if (std::none_of(roots.begin(), roots.end(), [&](const std::wstring& r) {
                return lstrcmpiW(r.c_str(), root.c_str()) == 0;
            }))
            roots.push_back(root);
        int selected = 0;
        for (const std::wstring& r : roots) {
            Add(r, r, 0);
            if (lstrcmpiW(r.c_str(), root.c_str()) != 0) continue;
            for (size_t i = 1; i < chain.size(); ++i) {
                std::u16string name = NamePart(chain[i].substr(0, chain[i].size() - 1));
                Add(ToWString(name), ToWString(chain[i]), static_cast<int>(i));
            }
            selected = static_cast<int>(folderItems_.size()) - 1;
        }
        ::SendMessageW(folderBox_, CB_SETCURSEL, selected, 0);
    }

    void Add(const std::wstring& text, const std::wstring& folder, int depth) {
        std::wstring shown = std::wstring(static_cast<size_t>(depth) * 2, L' ') + text;
        ::SendMessageW(folderBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
        folderItems_.push_back(folder);
    }

    void FillList() {
        entries_.clear();
        for (const WideFolderEntry& found : files_.ListFolder(ToU16String(current_))) {
            if (found.hidden) continue;
            if (!found.folder && !MatchesMask(found.name, mask_)) continue;
            entries_.push_back(
                {ToWString(found.name), found.folder, found.size, AsFileTime(found.modified)});
        }
        std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
            if (a.folder != b.folder) return a.folder;
            return lstrcmpiW(a.name.c_str(), b.name.c_str()) < 0;
        });

        ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
        ListView_DeleteAllItems(list_);
        for (size_t i = 0; i < entries_.size(); ++i) {
            const Entry& e = entries_[i];
            SHFILEINFOW info = {};
            ::SHGetFileInfoW((current_ + e.name).c_str(),
                             e.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info,
                             sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
            LVITEMW item = {};
            item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
            item.iItem = static_cast<int>(i);
            item.pszText = const_cast<wchar_t*>(e.name.c_str());
            item.iImage = info.iIcon;
            item.lParam = static_cast<LPARAM>(i);
            int index = static_cast<int>(
                ::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            if (!e.folder) {
                std::wstring size = std::to_wstring((e.size + 1023) / 1024) + L" KB";
                SetSubItem(index, 1, size);
            }
            FILETIME local;
            SYSTEMTIME t;
            if (::FileTimeToLocalFileTime(&e.modified, &local) &&
                ::FileTimeToSystemTime(&local, &t)) {
                wchar_t when[32];
                wsprintfW(when, L"%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                          t.wMinute);
                SetSubItem(index, 2, when);
            }
        }
        ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list_, nullptr, TRUE);
    }

    void SetSubItem(int item, int subItem, const std::wstring& text) {
        LVITEMW lv = {};
        lv.iSubItem = subItem;
        lv.pszText = const_cast<wchar_t*>(text.c_str());
        ::SendMessageW(list_, LVM_SETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv));
    }

    const Entry* EntryAt(int item) const {
        if (item < 0) return nullptr;
        LVITEMW lv = {};
        lv.mask = LVIF_PARAM;
        lv.iItem = item;
        if (!::SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv))) return nullptr;
        size_t index = static_cast<size_t>(lv.lParam);
        return index < entries_.size() ? &entries_[index] : nullptr;
    }

    // Every notification is answered with 0; only the list's are looked at.
    bool OnNotify(const NMHDR& header, LRESULT& result) override {
        result = 0;
        if (header.hwndFrom != list_) return true;
        if (header.code == LVN_ITEMCHANGED) {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            bool nowSelected = (change.uChanged & LVIF_STATE) &&
                               (change.uNewState & LVIS_SELECTED) &&
                               !(change.uOldState & LVIS_SELECTED);
            const Entry* e = EntryAt(change.iItem);
            if (nowSelected && e && !e->folder) ::SetWindowTextW(nameField_, e->name.c_str());
        } else if (header.code == NM_DBLCLK) {
            const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
            const Entry* e = EntryAt(activate.iItem);
            if (e && e->folder) {
                Navigate(current_ + e->name, true);
            } else if (e) {
                Confirm(activate.iItem);
            }
        }
        return true;
    }

    void ShowViewMenu() {
        HMENU menu = ::CreatePopupMenu();
        for (int i = 0; i < 4; ++i)
            ::AppendMenuW(menu, MF_STRING | (static_cast<int>(view_) == i ? MF_CHECKED : 0), i + 1,
                          kViewNames[i]);
        RECT r;
        ::GetWindowRect(Item(kViewButton), &r);
        int chosen =
            static_cast<int>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                              r.left, r.bottom, 0, hwnd(), nullptr));
        ::DestroyMenu(menu);
        if (chosen >= 1 && chosen <= 4) SetView(static_cast<FileListView>(chosen - 1));
    }

  public:
    void SetView(FileListView view) {
        view_ = view;
        LONG style = ::GetWindowLongW(list_, GWL_STYLE);
        ::SetWindowLongW(list_, GWL_STYLE, (style & ~LVS_TYPEMASK) | ListStyleOf(view));
        ::InvalidateRect(list_, nullptr, TRUE);
    }

  private:
    std::wstring NameFieldText() const { return WindowText(nameField_); }

    void NameFieldEnter() {
        std::wstring text = NameFieldText();
        std::wstring folder = ToWString(ResolveAgainst(ToU16String(current_), ToU16String(text)));
        bool isFolder =
            text.find(L'\\') != std::wstring::npos && files_.FolderExists(ToU16String(folder));
        switch (DecideNameField(ToU16String(text), isFolder)) {
            case NameFieldAction::SetMask:
                mask_ = ToU16String(text);
                FillList();
                break;
            case NameFieldAction::OpenFolder:
                ::SetWindowTextW(nameField_, L"");
                Navigate(folder, true);
                break;
            case NameFieldAction::Confirm:
                Confirm(-1);
                break;
        }
    }

    // Confirms with the given list item as the chosen file, or with the first selected entry.
    void Confirm(int item) {
        if (item < 0) item = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
        const Entry* chosen = EntryAt(item);
        std::wstring typed = NameFieldText();
        std::wstring fileName;
        if (chosen && !chosen->folder) {
            fileName = current_ + chosen->name;
            if (options_.CheckFileExists &&
                (typed.empty() || !files_.FileExists(ToU16String(fileName))))
                return;
        } else if (options_.CheckFileExists || typed.empty() || chosen) {
            return;
        } else {
            // Without the existence check a typed name stands for a file yet to be made.
            fileName = ToWString(ResolveAgainst(ToU16String(current_), ToU16String(typed)));
        }

        std::vector<std::string> files;
        for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
             i = ListView_GetNextItem(list_, i, LVNI_SELECTED)) {
            const Entry* e = EntryAt(i);
            if (e && !e->folder) files.push_back(WStringToAnsi(current_ + e->name));
        }
        if (files.empty()) files.push_back(WStringToAnsi(fileName));
        options_.FileName = WStringToAnsi(fileName);
        options_.Files = std::move(files);
        EndModal(IDOK);
    }

    TbsSkinOpenDialog& options_;
    FileSystem& files_;
    std::vector<FilterEntry> filters_;
    std::u16string mask_;
    std::wstring current_;
    std::vector<std::wstring> history_;
    std::vector<std::wstring> folderItems_;
    std::vector<Entry> entries_;
    FileListView view_ = FileListView::List;
    HWND folderBox_ = nullptr, typeBox_ = nullptr, list_ = nullptr, nameField_ = nullptr;
    HWND tooltip_ = nullptr;
    // The controls in the order of the layout's places.
    std::vector<HWND> placed_;
};

}  // namespace

bool TbsSkinOpenDialog::ChooseFiles() {
    OpenDialogWindow dialog(*this, files_);
    bool confirmed = dialog.ShowModal() == IDOK;
    dialog.KeepState();
    return confirmed;
}
