#include "platform/shell.h"

#include <shellapi.h>

bool RecycleDelete(const std::string& path, bool allowFolders, unsigned extraFlags) {
    // The source is a list of names, each ended by a NUL, the list by a second NUL.
    std::string source = path;
    source.push_back('\0');
    source.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.hwnd = ::GetActiveWindow();
    op.wFunc = FO_DELETE;
    op.pFrom = source.c_str();
    op.pTo = "";
    op.fFlags = static_cast<FILEOP_FLAGS>(RecycleDeleteFlags(allowFolders, extraFlags));
    return ::SHFileOperationA(&op) == 0;
}

bool FolderExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyFileNoReplace(const std::string& from, const std::string& to) {
    return ::CopyFileA(from.c_str(), to.c_str(), TRUE) != FALSE;
}

bool DeleteFilePermanently(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != FALSE;
}

bool CreateFolder(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool RenameItem(const std::string& from, const std::string& to) {
    return ::MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

void ShellOpen(HWND owner, const std::string& file, const std::string& parameters) {
    ::ShellExecuteA(owner, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                    nullptr, SW_SHOWNORMAL);
}

FolderChangeWatch::FolderChangeWatch(const std::string& folder, bool subtree, DWORD filter)
    : handle_(::FindFirstChangeNotificationA(folder.c_str(), subtree ? TRUE : FALSE, filter)) {}

bool FolderChangeWatch::Changed() {
    if (!handle_ || ::WaitForSingleObject(handle_.get(), 0) != WAIT_OBJECT_0) return false;
    ::FindNextChangeNotification(handle_.get());
    return true;
}
