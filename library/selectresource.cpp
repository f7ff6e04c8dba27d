#include "library/selectresource.h"

#include "bridge/invoke.h"
#include "platform/paths.h"
#include "library/resourcerules.h"
#include "platform/application.h"

namespace {

// How often the trees and lists look at their change notifications.
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshInterval = 500;

}  // namespace

void TForm6::Create() {
    CreateWindowOf(WS_EX_DLGMODALFRAME, L"选择资源", WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN,
                   CW_USEDEFAULT, CW_USEDEFAULT, 700, 540, nullptr);
    SetClientSize(687, 508);

    bsSkinPageControl1.Create(hwnd(), kPageControl, 11, 8, 665, 449, {L"教学资源", L"课外资源"});
    RECT area = bsSkinPageControl1.PageArea();
    int top = area.top + 6;
    int height = area.bottom - area.top - 12;
    int treeX = area.left + 6;
    int listX = treeX + 177 + 6;
    bsSkinDirTreeView1.Create(hwnd(), kDirTree1, treeX, top, 177, height);
    bsSkinFileListView1.Create(hwnd(), kFileList1, listX, top, 457, height);
    bsSkinDirTreeView2.Create(hwnd(), kDirTree2, treeX, top, 177, height);
    bsSkinFileListView2.Create(hwnd(), kFileList2, listX, top, 457, height);
    bsSkinPageControl1.AddToPage(0, bsSkinDirTreeView1.hwnd());
    bsSkinPageControl1.AddToPage(0, bsSkinFileListView1.hwnd());
    bsSkinPageControl1.AddToPage(1, bsSkinDirTreeView2.hwnd());
    bsSkinPageControl1.AddToPage(1, bsSkinFileListView2.hwnd());
    // The second tab is the one shown first; afterwards the last active tab stays.
    bsSkinPageControl1.SetActivePage(1);

    AddButton(L"选择", {687 - 11 - 75 - 8 - 75, 8 + 449 + 14, 75, 25}, kButton1,
              [this] { bsSkinButton1Click(); });
    AddButton(L"取消", {687 - 11 - 75, 8 + 449 + 14, 75, 25}, kButton2,
              [this] { bsSkinButton2Click(); });

    // Each tree drives the list beside it; the picker changes nothing on disk, so no renaming.
    bsSkinDirTreeView1.onSelectionChanged = [this] {
        bsSkinFileListView1.SetRoot(bsSkinDirTreeView1.SelectedPath());
    };
    bsSkinDirTreeView2.onSelectionChanged = [this] {
        bsSkinFileListView2.SetRoot(bsSkinDirTreeView2.SelectedPath());
    };
    bsSkinFileListView1.onDoubleClick = [this] { bsSkinButton1Click(); };
    bsSkinFileListView2.onDoubleClick = [this] { bsSkinButton1Click(); };
    bsSkinDirTreeView1.WatchChanges();
    bsSkinFileListView1.WatchChanges();
    bsSkinDirTreeView2.WatchChanges();
    bsSkinFileListView2.WatchChanges();
    ::SetTimer(hwnd(), kRefreshTimer, kRefreshInterval, nullptr);
}

void TForm6::FormShow() {
    if (!SameTextIgnoringCase(bsSkinDirTreeView1.Root(), TeachRoot))
        bsSkinDirTreeView1.SetRoot(TeachRoot);
    std::string resources = FullPath(ProgramDirectory(), "resources");
    if (!SameTextIgnoringCase(bsSkinDirTreeView2.Root(), resources))
        bsSkinDirTreeView2.SetRoot(resources);
}

void TForm6::bsSkinButton1Click() {
    FileList& list =
        bsSkinPageControl1.ActivePage() == 0 ? bsSkinFileListView1 : bsSkinFileListView2;
    std::string picked = PickedPath(list.SelectedPath(), ProgramDirectory());
    // A failing call leaves the window open; the failure goes to the error report.
    CallMovieFunction(movie_, CallbackName, "selectedover", picked);
    Close(IDOK);
}

void TForm6::bsSkinButton2Click() {
    Close(IDCANCEL);
}

void TForm6::Close(int result) {
    if (InModalLoop()) {
        EndModal(result);
    } else {
        ::ShowWindow(hwnd(), SW_HIDE);
    }
}

bool TForm6::OnNotify(const NMHDR& header, LRESULT& result) {
    return bsSkinPageControl1.OnNotify(header, result) ||
           bsSkinDirTreeView1.OnNotify(header, result) ||
           bsSkinFileListView1.OnNotify(header, result) ||
           bsSkinDirTreeView2.OnNotify(header, result) ||
           bsSkinFileListView2.OnNotify(header, result);
}

LRESULT TForm6::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SHOWWINDOW:
            if (wParam && lParam == 0) {
                CenterOver(ApplicationMainWindow());
                FormShow();
            }
            break;  // the default procedure hides and shows it with its owner
        case WM_TIMER:
            if (wParam == kRefreshTimer && IsVisible()) {
                bsSkinDirTreeView1.CheckChanges();
                bsSkinFileListView1.CheckChanges();
                bsSkinDirTreeView2.CheckChanges();
                bsSkinFileListView2.CheckChanges();
            }
            return 0;
    }
    return DialogWindow::OnMessage(msg, wParam, lParam);
}
