#include "platform/folderwatch.h"

FolderChangeWatch::FolderChangeWatch(const std::string& folder, bool subtree, DWORD filter)
    : handle_(::FindFirstChangeNotificationA(folder.c_str(), subtree ? TRUE : FALSE, filter)) {}

bool FolderChangeWatch::Changed() {
    if (!handle_ || ::WaitForSingleObject(handle_.get(), 0) != WAIT_OBJECT_0) return false;
    ::FindNextChangeNotification(handle_.get());
    return true;
}
