// The program's one seam to the shell: opening a file with its program and deleting into the
// recycle bin. Paths and parameters are ANSI text, as ShellExecuteA and SHFileOperationA take
// them. The Win32 shell in the program, a recording fake in the portable tests.
#pragma once

#include <functional>
#include <memory>
#include <string>

// FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOERRORUI: into the recycle bin with no
// question, no progress and no error window; FOF_FILESONLY (0x0080) unless folders are allowed.
constexpr unsigned kRecycleFlags = 0x0454;
constexpr unsigned RecycleDeleteFlags(bool allowFolders, unsigned extraFlags) {
    return kRecycleFlags | (allowFolders ? 0u : 0x0080u) | extraFlags;
}

class Shell {
  public:
    virtual ~Shell() = default;
    // The verb "open" with no working directory and a normal window; no parameters when
    // `parameters` is empty. The result is not looked at.
    virtual void Open(const std::string& file, const std::string& parameters) = 0;
    // Deletes `path` through the shell's file operation with RecycleDeleteFlags, owned by the
    // active window; true when the shell reports success.
    virtual bool RecycleDelete(const std::string& path, bool allowFolders, unsigned extraFlags) = 0;
};

#ifdef _WIN32
#include <windows.h>

// The Win32 shell, opening for the window `owner` names at each request (windows are made after
// the objects that hold their shell; null for none).
std::unique_ptr<Shell> Win32Shell(std::function<HWND()> owner);
#endif
