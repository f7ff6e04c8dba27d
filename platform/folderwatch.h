// A change notification on one folder, by which the folder trees and file lists see what others
// changed on disk.
#pragma once

#include "platform/handles.h"

#include <windows.h>

#include <string>

// Changed() looks without waiting and re-arms the notification; a folder that cannot be watched
// never reports a change.
class FolderChangeWatch {
  public:
    FolderChangeWatch() = default;
    FolderChangeWatch(const std::string& folder, bool subtree, DWORD filter);
    bool Changed();
    bool Active() const { return static_cast<bool>(handle_); }

  private:
    UniqueResource<InvalidHandleTraits<::FindCloseChangeNotification>> handle_;
};
