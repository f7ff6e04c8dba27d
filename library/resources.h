// The resource manager window: categories (subfolders of the general resource folder) are
// created, deleted and renamed on the first tab, where files are also copied in, deleted, renamed
// and opened; the second tab browses an index folder named by the movie, read-only.
#pragma once

#include "dialogs/inputdialog.h"
#include "dialogs/opendialog.h"
#include "library/filelist.h"
#include "library/foldertree.h"
#include "library/pagecontrol.h"
#include "library/resourceactions.h"
#include "platform/filesystem.h"
#include "platform/shell.h"
#include "dialogs/dialogwindow.h"

#include <memory>
#include <string>

class TForm3 : public DialogWindow {
  public:
    enum ControlId {
        kPageControl = 100,
        kShellTree1,
        kShellList1,
        kButton3,
        kButton5,
        kButton6,
        kButton4,
        kButton1,
        kButton2,
        kDirTree1,
        kFileList1,
        kButton8,
        kButton9,
    };

    // The window reaches the disk through `files`, the shell on its own behalf.
    explicit TForm3(FileSystem& files);
    void Create();

    std::string ManagedRoot;
    std::string IndexRoot;

    PageControl bsSkinPageControl1;
    FolderTree ShellTreeView1;
    FileList ShellListView1;
    FolderTree bsSkinDirTreeView1;
    FileList bsSkinFileListView1;
    TbsSkinInputDialog bsSkinInputDialog1;
    TbsSkinOpenDialog addfiledialog;

    void FormShow();
    void ShellTreeView1Click();
    void ShellTreeView1Renamed(const std::string& from, const std::string& to);
    void bsSkinDirTreeView1Click();
    void bsSkinButton3Click();
    void bsSkinButton5Click();
    void bsSkinButton6Click();
    void bsSkinButton4Click();
    void bsSkinButton1Click();
    void bsSkinButton2Click();
    void bsSkinButton8Click();
    void bsSkinButton9Click();
    // Opens a file with its program, movies in the stand-alone player.
    void OpenResource(const std::string& path);

  protected:
    // Names are edited in place in the trees and the list, and the edit takes Enter and Esc
    // itself: the system's dialog keys, which ask each control what it wants.
    bool PreTranslateMessage(MSG& msg) override { return Window::PreTranslateMessage(msg); }
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    // The input dialog and the plain message, as the actions ask for them.
    class Dialogs : public ManagerDialogs {
      public:
        explicit Dialogs(TForm3& form) : form_(form) {}
        std::string Ask(const std::string& caption, const std::string& prompt) override;
        void Tell(const std::string& text) override;

      private:
        TForm3& form_;
    };

    void Close();

    std::unique_ptr<Shell> shell_;
    Dialogs dialogs_;
    ResourceActions actions_;
};
