// The skinned open-file dialog component. Its properties carry over from one call to the next:
// the last confirmed file and the chosen files, the filter entry, the size and the list's view.
#pragma once

#include "platform/filesystem.h"

#include <string>
#include <vector>

enum class FileListView { LargeIcons, SmallIcons, List, Details };

class TbsSkinOpenDialog {
  public:
    // The dialog lists, tests and creates folders through `files`.
    explicit TbsSkinOpenDialog(FileSystem& files) : files_(files) {}

    std::string Title = "Open file";
    // Label and mask pairs separated by "|"; a mask may list several masks separated by ";".
    std::string Filter = "All files|*.*";
    int FilterIndex = 1;
    std::string InitialDir;
    // Full path of the last confirmed file.
    std::string FileName;
    bool MultiSelection = false;
    bool CheckFileExists = true;
    // Client size; 0 or less gives 450 x 290.
    int DialogWidth = 0;
    int DialogHeight = 0;
    FileListView ViewStyle = FileListView::List;
    // Full paths of the files chosen by the last confirmed call.
    std::vector<std::string> Files;

    // Modal; true when the user confirmed a choice. Texts are in the ANSI code page.
    bool ChooseFiles();

  private:
    FileSystem& files_;
};
