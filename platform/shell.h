// The shell and file operations of the resource windows, in the ANSI code page: deleting into
// the recycle bin, copying without replacing, deleting for good, creating and renaming, opening
// with the associated program, and watching a folder for changes.
#pragma once

#include "platform/handles.h"

#include <windows.h>

#include <string>

// FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI: into the recycle bin with no
// question, no progress and no error window; FOF_FILESONLY (0x0080) unless folders are allowed.
constexpr unsigned kRecycleFlags = 0x0454;
constexpr unsigned RecycleDeleteFlags(bool allowFolders, unsigned extraFlags) {
    return kRecycleFlags | (allowFolders ? 0u : 0x0080u) | extraFlags;
}
// Deletes `path` through the shell's file operation, owned by the active window; true when the
// shell reports success.
bool RecycleDelete(const std::string& path, bool allowFolders, unsigned extraFlags);

bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);
// CopyFileA with fail-if-exists: an existing target is never replaced.
bool CopyFileNoReplace(const std::string& from, const std::string& to);
bool DeleteFilePermanently(const std::string& path);
bool CreateFolder(const std::string& path);
bool RenameItem(const std::string& from, const std::string& to);
// ShellExecuteA with the verb "open", no working directory and a normal window; no parameters
// when `parameters` is empty. The result is not looked at.
void ShellOpen(HWND owner, const std::string& file, const std::string& parameters);

// A change notification on one folder. Changed() looks without waiting and re-arms the
// notification; a folder that cannot be watched never reports a change.
class FolderChangeWatch {
  public:
    FolderChangeWatch() = default;
    FolderChangeWatch(const std::string& folder, bool subtree, DWORD filter);
    bool Changed();
    bool Active() const { return static_cast<bool>(handle_); }

  private:
    struct ChangeTraits {
        using Type = HANDLE;
        static Type Invalid() { return INVALID_HANDLE_VALUE; }
        static void Close(Type h) { ::FindCloseChangeNotification(h); }
    };
    UniqueResource<ChangeTraits> handle_;
};
