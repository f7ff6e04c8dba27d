#include "library/folderscan.h"

#include "platform/textconv.h"

#include <shellapi.h>

#include <algorithm>

namespace {

bool Shown(const FolderEntry& entry, bool folders) {
    return !entry.hidden && entry.folder == folders;
}

std::vector<std::string> SortedEntries(FileSystem& files, const std::string& folder, bool folders) {
    std::vector<std::string> names;
    for (const FolderEntry& entry : files.ListFolder(folder))
        if (Shown(entry, folders)) names.push_back(entry.name);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return ::lstrcmpiA(a.c_str(), b.c_str()) < 0;
    });
    return names;
}

}  // namespace

std::vector<std::string> SubfolderNames(FileSystem& files, const std::string& folder) {
    return SortedEntries(files, folder, true);
}

std::vector<std::string> FileNames(FileSystem& files, const std::string& folder) {
    return SortedEntries(files, folder, false);
}

bool HasSubfolders(FileSystem& files, const std::string& folder) {
    std::vector<FolderEntry> entries = files.ListFolder(folder);
    return std::any_of(entries.begin(), entries.end(),
                       [](const FolderEntry& entry) { return Shown(entry, true); });
}

std::vector<std::string> DriveRoots() {
    char buffer[512];
    DWORD n = ::GetLogicalDriveStringsA(sizeof buffer, buffer);
    std::vector<std::string> roots;
    if (n == 0 || n > sizeof buffer) return roots;
    for (const char* d = buffer; *d; d += lstrlenA(d) + 1) roots.push_back(d);
    return roots;
}

std::wstring DriveDisplayName(const std::string& drive) {
    SHFILEINFOW info = {};
    std::wstring wide = AnsiToWString(drive);
    if (::SHGetFileInfoW(wide.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME) &&
        info.szDisplayName[0])
        return info.szDisplayName;
    return wide;
}

HIMAGELIST SystemImageList(bool small) {
    SHFILEINFOA info = {};
    // The list belongs to the system; the controls share it and never destroy it.
    return reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoA("C:\\", 0, &info, sizeof info,
                         SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON)));
}

int ShellIconIndex(const std::string& path, bool small, bool open) {
    SHFILEINFOA info = {};
    UINT flags = SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON) |
                 (open ? SHGFI_OPENICON : 0);
    if (!::SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, flags)) return 0;
    return info.iIcon;
}
