// The browser search: Edge before Chrome; App Paths in both registry views, the user's before the
// machine's; the install folders where App Paths names nothing that exists.
#include "platform/browsersearch.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

namespace {

using Hive = BrowserPlaces::Hive;
using View = BrowserPlaces::View;

// A 32-bit program on 64-bit Windows: ProgramFiles is the (x86) folder.
class FakePlaces : public BrowserPlaces {
  public:
    std::map<std::tuple<Hive, View, std::u16string>, std::u16string> appPaths;
    std::map<std::u16string, std::u16string> environment = {
        {u"ProgramFiles", u"C:\\Program Files (x86)"},
        {u"ProgramFiles(x86)", u"C:\\Program Files (x86)"},
        {u"ProgramW6432", u"C:\\Program Files"},
        {u"LOCALAPPDATA", u"C:\\Users\\li\\AppData\\Local\\"},
    };
    std::set<std::u16string> files;
    std::vector<std::u16string> looked;  // the files asked about, in order

    std::optional<std::u16string> AppPath(Hive hive, View view,
                                          const std::u16string& exe) override {
        auto it = appPaths.find({hive, view, exe});
        if (it == appPaths.end()) return std::nullopt;
        return it->second;
    }
    std::u16string Environment(const std::u16string& name) override {
        auto it = environment.find(name);
        return it == environment.end() ? u"" : it->second;
    }
    bool FileExists(const std::u16string& path) override {
        looked.push_back(path);
        return files.count(path) > 0;
    }
};

const std::u16string kEdge64 = u"C:\\Program Files\\Microsoft\\Edge\\Application\\msedge.exe";
const std::u16string kEdge86 = u"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";
const std::u16string kChrome64 = u"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe";
const std::u16string kChromeUser =
    u"C:\\Users\\li\\AppData\\Local\\Google\\Chrome\\Application\\chrome.exe";
const std::u16string kEdgeUser =
    u"C:\\Users\\li\\AppData\\Local\\Microsoft\\Edge\\Application\\msedge.exe";

TEST(FindChromiumBrowser, NothingInstalledFindsNothing) {
    FakePlaces places;
    EXPECT_EQ(u"", FindChromiumBrowser(places));
    // Each browser in each install folder once, the doubled ProgramFiles asked about once.
    EXPECT_EQ(6u, places.looked.size());
}

TEST(FindChromiumBrowser, AppPathsInTheOtherRegistryViewIsRead) {
    // Chrome's 64-bit installer writes the 64-bit view, which a 32-bit program does not see by
    // default; it also installs where the install folders would not find it here.
    FakePlaces places;
    std::u16string chrome = u"D:\\Apps\\Chrome\\chrome.exe";
    places.appPaths[{Hive::Machine, View::Native64, u"chrome.exe"}] = u"\"" + chrome + u"\"";
    places.files = {chrome};
    EXPECT_EQ(chrome, FindChromiumBrowser(places));
    // The 32-bit view's entry is as good.
    places.appPaths.clear();
    places.appPaths[{Hive::Machine, View::Wow32, u"chrome.exe"}] = chrome;
    EXPECT_EQ(chrome, FindChromiumBrowser(places));
}

TEST(FindChromiumBrowser, EdgeBeforeChromeWhereverEachIsFound) {
    FakePlaces places;
    places.appPaths[{Hive::User, View::Native64, u"chrome.exe"}] = kChromeUser;
    places.files = {kChromeUser, kEdge86};
    // Edge has no App Paths entry here, only its install folder.
    EXPECT_EQ(kEdge86, FindChromiumBrowser(places));
}

TEST(FindChromiumBrowser, TheUsersEntryBeforeTheMachinesAndMissingProgramsPassedOver) {
    FakePlaces places;
    std::u16string user = u"C:\\Users\\li\\Edge\\msedge.exe";
    std::u16string machine = u"C:\\Edge\\msedge.exe";
    places.appPaths[{Hive::Machine, View::Native64, u"msedge.exe"}] = machine;
    places.appPaths[{Hive::User, View::Wow32, u"msedge.exe"}] = user;
    places.files = {user, machine};
    EXPECT_EQ(user, FindChromiumBrowser(places));
    // An entry that names a program which is not there (an uninstalled browser) is passed over.
    places.files = {machine};
    EXPECT_EQ(machine, FindChromiumBrowser(places));
    places.files = {};
    places.appPaths[{Hive::User, View::Native64, u"msedge.exe"}] = u"";
    EXPECT_EQ(u"", FindChromiumBrowser(places));
}

TEST(FindChromiumBrowser, TheInstallFoldersPerMachineThenPerUser) {
    FakePlaces places;
    // The real 64-bit Program Files, which the 32-bit program's ProgramFiles does not name.
    places.files = {kChrome64, kChromeUser};
    EXPECT_EQ(kChrome64, FindChromiumBrowser(places));
    places.files = {kChromeUser, kEdgeUser};
    EXPECT_EQ(kEdgeUser, FindChromiumBrowser(places));
    places.files = {kChromeUser};
    EXPECT_EQ(kChromeUser, FindChromiumBrowser(places));
    // 32-bit Windows sets neither ProgramFiles(x86) nor ProgramW6432.
    FakePlaces old;
    old.environment = {{u"ProgramFiles", u"C:\\Program Files"}};
    old.files = {kEdge64};
    EXPECT_EQ(kEdge64, FindChromiumBrowser(old));
}

}  // namespace
