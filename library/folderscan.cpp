#include "library/folderscan.h"

#include "library/resourcerules.h"
#include "platform/handles.h"
#include "platform/textconv.h"

#include <shellapi.h>

#include <algorithm>

namespace {

// Calls `take` for each visible entry of `folder` that is (or is not) a folder, until it
// answers false.
template <typename Take>
void ForEachEntry(const std::string& folder, bool folders, Take take) {
    WIN32_FIND_DATAA data;
    UniqueFind find(::FindFirstFileA(ChildPath(folder, "*").c_str(), &data));
    if (!find) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        if (((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folders) continue;
        if (!take(name)) break;
    } while (::FindNextFileA(find.get(), &data));
}

std::vector<std::string> SortedEntries(const std::string& folder, bool folders) {
    std::vector<std::string> names;
    ForEachEntry(folder, folders, [&](const std::string& name) {
        names.push_back(name);
        return true;
    });
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return ::lstrcmpiA(a.c_str(), b.c_str()) < 0;
    });
    return names;
}

}  // namespace

std::vector<std::string> SubfolderNames(const std::string& folder) {
    return SortedEntries(folder, true);
}

std::vector<std::string> FileNames(const std::string& folder) {
    return SortedEntries(folder, false);
}

bool HasSubfolders(const std::string& folder) {
    bool found = false;
    ForEachEntry(folder, true, [&](const std::string&) {
        found = true;
        return false;
    });
    return found;
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
