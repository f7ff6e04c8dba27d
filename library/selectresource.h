// The resource picker window: the lesson's teaching folder on one tab, the general resource
// folder on the other; the picked file goes to a movie function as a path relative to the
// program directory.
#pragma once

#include "library/filelist.h"
#include "library/foldertree.h"
#include "library/pagecontrol.h"
#include "dialogs/dialogwindow.h"

#include <string>

class MovieFunctionCaller;

class TForm6 : public DialogWindow {
  public:
    enum ControlId {
        kPageControl = 100,
        kDirTree1,
        kFileList1,
        kDirTree2,
        kFileList2,
        kButton1,
        kButton2,
    };

    // The trees and lists read the disk through `files`.
    TForm6(MovieFunctionCaller& movie, FileSystem& files)
        : bsSkinDirTreeView1(files),
          bsSkinFileListView1(files),
          bsSkinDirTreeView2(files),
          bsSkinFileListView2(files),
          movie_(movie) {}
    void Create();

    std::string TeachRoot;
    std::string CallbackName;

    PageControl bsSkinPageControl1;
    FolderTree bsSkinDirTreeView1;
    FileList bsSkinFileListView1;
    FolderTree bsSkinDirTreeView2;
    FileList bsSkinFileListView2;

    void FormShow();
    void bsSkinButton1Click();
    void bsSkinButton2Click();

  protected:
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void Close(int result);

    MovieFunctionCaller& movie_;
};
