#include "library/resources.h"

#include "dialogs/plain.h"
#include "library/resourcerules.h"
#include "platform/paths.h"
#include "platform/textconv.h"

#include <stdexcept>

TForm3::TForm3(FileSystem& files)
    : ShellTreeView1(files),
      ShellListView1(files),
      bsSkinDirTreeView1(files),
      bsSkinFileListView1(files),
      addfiledialog(files),
      shell_(Win32Shell([this] { return hwnd(); })),
      dialogs_(*this),
      actions_(files, *shell_, dialogs_, [] { return ProgramDirectory(); }) {
    addfiledialog.Title = "Open file";
    addfiledialog.Filter = "All files|*.*";
    addfiledialog.FilterIndex = 1;
    addfiledialog.MultiSelection = true;
    addfiledialog.CheckFileExists = true;
}

void TForm3::Create() {
    CreateWindowOf(WS_EX_DLGMODALFRAME, L"教学资源管理", WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN,
                   100, 60, 700, 560, nullptr);
    SetClientSize(694, 528);

    bsSkinPageControl1.Create(hwnd(), kPageControl, 18, 12, 657, 497,
                              {L"教学资源管理", L"教学资源索引"});
    RECT area = bsSkinPageControl1.PageArea();
    int left = area.left + 6;
    int top = area.top + 6;

    ShellTreeView1.Create(hwnd(), kShellTree1, left, top, 177, 385);
    ShellListView1.Create(hwnd(), kShellList1, left + 177 + 6, top, 441, 385);
    const struct {
        int id;
        const wchar_t* text;
        void (TForm3::*click)();
    } row[] = {{kButton3, L"新建类别", &TForm3::bsSkinButton3Click},
               {kButton5, L"删除类别", &TForm3::bsSkinButton5Click},
               {kButton6, L"增加", &TForm3::bsSkinButton6Click},
               {kButton4, L"删除", &TForm3::bsSkinButton4Click},
               {kButton1, L"打开", &TForm3::bsSkinButton1Click},
               {kButton2, L"取消", &TForm3::bsSkinButton2Click}};
    int x = left;
    for (const auto& button : row) {
        auto click = button.click;
        bsSkinPageControl1.AddToPage(0, AddButton(button.text, {x, top + 385 + 14, 90, 25},
                                                  button.id, [this, click] { (this->*click)(); }));
        x += 90 + 14;
    }
    bsSkinPageControl1.AddToPage(0, ShellTreeView1.hwnd());
    bsSkinPageControl1.AddToPage(0, ShellListView1.hwnd());

    bsSkinDirTreeView1.Create(hwnd(), kDirTree1, left, top, 177, 409);
    bsSkinFileListView1.Create(hwnd(), kFileList1, left + 177 + 6, top, 425, 409);
    int listRight = left + 177 + 6 + 425;
    bsSkinPageControl1.AddToPage(1, bsSkinDirTreeView1.hwnd());
    bsSkinPageControl1.AddToPage(1, bsSkinFileListView1.hwnd());
    bsSkinPageControl1.AddToPage(
        1, AddButton(L"打开", {listRight - 90 - 14 - 90, top + 409 + 12, 90, 25}, kButton8,
                     [this] { bsSkinButton8Click(); }));
    bsSkinPageControl1.AddToPage(1, AddButton(L"取消", {listRight - 90, top + 409 + 12, 90, 25},
                                              kButton9, [this] { bsSkinButton9Click(); }));
    bsSkinPageControl1.SetActivePage(0);

    // The lists follow their trees on mouse clicks only, not on keyboard moves.
    ShellTreeView1.onClick = [this] { ShellTreeView1Click(); };
    bsSkinDirTreeView1.onClick = [this] { bsSkinDirTreeView1Click(); };
    ShellTreeView1.mayRename = [this](const std::string& path) {
        return MayRenameCategory(path, ShellTreeView1.Root());
    };
    ShellTreeView1.onRenamed = [this](const std::string& from, const std::string& to) {
        ShellTreeView1Renamed(from, to);
    };
    ShellListView1.mayRename = [](const std::string&) { return true; };
    ShellListView1.onDoubleClick = [this] { bsSkinButton1Click(); };
    bsSkinFileListView1.onDoubleClick = [this] { bsSkinButton8Click(); };
}

void TForm3::FormShow() {
    std::string resources = FullPath(ProgramDirectory(), "resources");
    if (ManagedRoot != resources) {
        // Stored first: a root that fails is not tried again at the next showing.
        ManagedRoot = resources;
        ShellTreeView1.SetRoot(resources);
        ShellListView1.SetRoot(resources);
    }
    if (!SameTextIgnoringCase(bsSkinDirTreeView1.Root(), IndexRoot)) {
        bsSkinDirTreeView1.SetRoot(IndexRoot);
        bsSkinFileListView1.SetRoot(IndexRoot);
    }
}

void TForm3::ShellTreeView1Click() {
    ShellListView1.SetRoot(ShellTreeView1.SelectedPath());
}

void TForm3::ShellTreeView1Renamed(const std::string& from, const std::string& to) {
    // The list names its folder by path: when that folder, or one above it, got a new name, the
    // list follows, or adding and deleting would go to a folder that no longer exists.
    const std::string& shown = ShellListView1.Root();
    if (shown == from || shown.rfind(from + "\\", 0) == 0)
        ShellListView1.SetRoot(to + shown.substr(from.size()));
}

void TForm3::bsSkinDirTreeView1Click() {
    bsSkinFileListView1.SetRoot(bsSkinDirTreeView1.SelectedPath());
}

void TForm3::bsSkinButton3Click() {
    if (actions_.NewCategory(ShellTreeView1.SelectedPath()))
        ShellTreeView1.Refresh(ShellTreeView1.Selected());
}

void TForm3::bsSkinButton5Click() {
    // The list and the tree let go of the folder before the shell takes it.
    bool deleted =
        actions_.DeleteCategory(ShellTreeView1.SelectedPath(), ShellTreeView1.Root(), [this] {
            ShellListView1.SetRoot(ManagedRoot);
            ShellTreeView1.Remove(ShellTreeView1.Selected());
        });
    if (!deleted) return;
    ShellTreeView1.RefreshAll();
    ShellTreeView1.Select(ShellTreeView1.Top());
}

void TForm3::bsSkinButton6Click() {
    std::string category = ShellTreeView1.SelectedPath();
    if (addfiledialog.ChooseFiles()) actions_.AddFiles(category, addfiledialog.Files);
    ShellListView1.Refresh();
}

void TForm3::bsSkinButton4Click() {
    try {
        std::string file = ShellListView1.SelectedPath();
        if (!file.empty()) {
            ShellListView1.RemoveSelected();
            actions_.DeleteFileForGood(file);
        }
        ShellListView1.Refresh();
    } catch (const std::exception&) {
        // Deleting a file reports nothing, whatever went wrong.
    }
}

void TForm3::bsSkinButton1Click() {
    std::string file = ShellListView1.SelectedPath();
    if (!file.empty()) OpenResource(file);
}

void TForm3::bsSkinButton2Click() {
    Close();
}

void TForm3::bsSkinButton8Click() {
    std::string file = bsSkinFileListView1.SelectedPath();
    if (!file.empty()) OpenResource(file);
}

void TForm3::bsSkinButton9Click() {
    Close();
}

void TForm3::OpenResource(const std::string& path) {
    actions_.Open(path);
}

std::string TForm3::Dialogs::Ask(const std::string& caption, const std::string& prompt) {
    return form_.bsSkinInputDialog1.AskText(caption, prompt, "");
}

void TForm3::Dialogs::Tell(const std::string& text) {
    ShowPlainMessage(text);
}

void TForm3::Close() {
    if (InModalLoop()) {
        EndModal(IDCANCEL);
    } else {
        ::ShowWindow(hwnd(), SW_HIDE);
    }
}

bool TForm3::OnNotify(const NMHDR& header, LRESULT& result) {
    return bsSkinPageControl1.OnNotify(header, result) || ShellTreeView1.OnNotify(header, result) ||
           ShellListView1.OnNotify(header, result) || bsSkinDirTreeView1.OnNotify(header, result) ||
           bsSkinFileListView1.OnNotify(header, result);
}

LRESULT TForm3::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SHOWWINDOW && wParam && lParam == 0) FormShow();
    // The default procedure hides and shows it with its owner.
    return DialogWindow::OnMessage(msg, wParam, lParam);
}
