// Where the browser player looks for Edge and Chrome: the browsers that can run its page (the
// default browser may be Internet Explorer 11, which cannot). Each is named in App Paths, which an
// installer writes in its own registry view, so both views are read (a 32-bit program on 64-bit
// Windows sees the 32-bit one unless it asks), and found in the folders the installers use, per
// machine and per user, where App Paths says nothing.
#pragma once

#include <optional>
#include <string>

// What the search asks of the system; the Win32 side in browser.cpp, a fake in the tests.
class BrowserPlaces {
  public:
    enum class Hive { User, Machine };
    enum class View { Native64, Wow32 };

    virtual ~BrowserPlaces() = default;
    // The default value of "App Paths\<exe>" in that hive and registry view, if there is one.
    virtual std::optional<std::u16string> AppPath(Hive hive, View view,
                                                  const std::u16string& exe) = 0;
    // The value of an environment variable; "" when it is not set.
    virtual std::u16string Environment(const std::u16string& name) = 0;
    virtual bool FileExists(const std::u16string& path) = 0;
};

// The program file of Edge, else of Chrome: for each, App Paths (the user's entries before the
// machine's, each in both views), then the install folders (Program Files in its three spellings,
// then the user's local application data). "" when neither is there.
std::u16string FindChromiumBrowser(BrowserPlaces& places);
