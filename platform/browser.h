// The browser the browser player shows its page in: Edge or Chrome, started by the program itself
// so that its window can be found and shown as the movie asks, and its end seen.
#pragma once

#include "platform/handles.h"

#include <windows.h>

#include <string>

// The program file of Edge, else of Chrome, where the registry or the install folders show one
// (browsersearch.h); "" for neither.
std::u16string ChromiumBrowser();

// The folder the program's browser keeps its profile in, kept from one start to the next (the
// movie's saved data lives in it): "CourseShell\Browser" in the user's local application data,
// created when missing. "" when there is no such folder.
std::u16string BrowserProfileFolder();

// A browser the program started.
class BrowserProcess {
  public:
    // False when the program cannot be started.
    bool Start(const std::u16string& program, const std::u16string& commandLine);
    // Whether the program holds the process of a browser it started.
    bool Held() const { return static_cast<bool>(process_); }
    // Whether that process has ended; false when none is held.
    bool Ended() const;
    // Lets the process go; none is held from then on.
    void Release();
    // Its visible top-level window that no other window owns; null before it has one, or when
    // no browser is held.
    HWND Window() const;

  private:
    UniqueHandle process_;
    DWORD id_ = 0;
};
