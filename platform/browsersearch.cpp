#include "platform/browsersearch.h"

#include <algorithm>
#include <vector>

namespace {

struct Browser {
    const char16_t* exe;
    const char16_t* folder;  // below the install root, without the program's name
};

// Edge first: every Windows 10 and 11 has it.
const Browser kBrowsers[] = {
    {u"msedge.exe", u"\\Microsoft\\Edge\\Application\\"},
    {u"chrome.exe", u"\\Google\\Chrome\\Application\\"},
};

std::u16string WithoutQuotes(std::u16string path) {
    path.erase(std::remove(path.begin(), path.end(), u'"'), path.end());
    return path;
}

std::u16string Found(BrowserPlaces& places, const std::u16string& path) {
    return !path.empty() && places.FileExists(path) ? path : u"";
}

std::u16string InAppPaths(BrowserPlaces& places, const Browser& browser) {
    using Hive = BrowserPlaces::Hive;
    using View = BrowserPlaces::View;
    for (Hive hive : {Hive::User, Hive::Machine}) {
        for (View view : {View::Native64, View::Wow32}) {
            std::optional<std::u16string> path = places.AppPath(hive, view, browser.exe);
            if (!path) continue;
            std::u16string found = Found(places, WithoutQuotes(*path));
            if (!found.empty()) return found;
        }
    }
    return u"";
}

std::u16string InInstallFolders(BrowserPlaces& places, const Browser& browser) {
    // On 64-bit Windows a 32-bit program's ProgramFiles is the (x86) folder; the real one is
    // ProgramW6432. Per-user installs go to the local application data.
    std::vector<std::u16string> roots;
    for (const char16_t* name :
         {u"ProgramFiles", u"ProgramFiles(x86)", u"ProgramW6432", u"LOCALAPPDATA"}) {
        std::u16string root = places.Environment(name);
        while (!root.empty() && (root.back() == u'\\' || root.back() == u'/')) root.pop_back();
        if (!root.empty() && std::find(roots.begin(), roots.end(), root) == roots.end())
            roots.push_back(root);
    }
    for (const std::u16string& root : roots) {
        std::u16string found = Found(places, root + browser.folder + browser.exe);
        if (!found.empty()) return found;
    }
    return u"";
}

}  // namespace

std::u16string FindChromiumBrowser(BrowserPlaces& places) {
    for (const Browser& browser : kBrowsers) {
        std::u16string found = InAppPaths(places, browser);
        if (found.empty()) found = InInstallFolders(places, browser);
        if (!found.empty()) return found;
    }
    return u"";
}
