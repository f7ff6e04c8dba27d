// What the folder trees and file lists read from the file system and the shell: the entries of a
// folder, the drives of the computer, display names and system icon indices.
#pragma once

#include "platform/filesystem.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// Names of the visible subfolders (or files) of `folder`, sorted by name without regard to
// letter case. Hidden and system entries are left out, as the shell's views leave them out.
std::vector<std::string> SubfolderNames(FileSystem& files, const std::string& folder);
std::vector<std::string> FileNames(FileSystem& files, const std::string& folder);
bool HasSubfolders(FileSystem& files, const std::string& folder);
// The roots of the drives ("C:\").
std::vector<std::string> DriveRoots();
// The shell's display name of a drive; the text itself when the shell gives none.
std::wstring DriveDisplayName(const std::string& drive);

// The system image lists and an item's icon in them.
HIMAGELIST SystemImageList(bool small);
int ShellIconIndex(const std::string& path, bool small, bool open = false);
