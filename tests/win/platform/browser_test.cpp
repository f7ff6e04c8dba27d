// Finding the browser for the browser player: App Paths in the user's hive before the machine's,
// in both registry views, quotes dropped, a missing program passed over; the kept profile folder.
#include "platform/browser.h"

#include "platform/registry.h"
#include "platform/textconv.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

namespace {

const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

class ChromiumBrowserTest : public ::testing::Test {
  protected:
    std::string folder = TempFolder();
    bool owned_ = true;  // the App Paths entries are the test's own

    void SetUp() override {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
                for (const char* exe : {"msedge.exe", "chrome.exe"}) {
                    HKEY key = nullptr;
                    if (::RegOpenKeyExA(root, (std::string(kAppPaths) + exe).c_str(), 0,
                                        KEY_READ | view, &key) == ERROR_SUCCESS) {
                        ::RegCloseKey(key);
                        owned_ = false;
                        GTEST_SKIP() << "the prefix has a browser of its own";
                    }
                }
            }
        }
        if (!ChromiumBrowser().empty()) {
            owned_ = false;
            GTEST_SKIP() << "the prefix has a browser installed";
        }
    }
    void TearDown() override {
        if (!owned_) return;
        for (const char* exe : {"msedge.exe", "chrome.exe"})
            ::RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kAppPaths) + exe).c_str());
        for (const char* name : {"edge.exe", "chrome.exe"}) ::DeleteFileA((folder + name).c_str());
    }

    static std::string TempFolder() {
        char path[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, path);
        return std::string(path) + "cs-browser-" + std::to_string(::GetCurrentProcessId()) + "-";
    }
    std::string Program(const char* name) {
        std::string path = folder + name;
        std::ofstream(path) << "MZ";
        return path;
    }
    static void Register(const char* exe, const std::string& value) {
        std::unique_ptr<RegistryKey> key =
            UserRegistry()->OpenKey(std::string(kAppPaths) + exe, true);
        ASSERT_NE(nullptr, key);
        key->WriteString("", value);
    }
};

TEST_F(ChromiumBrowserTest, EdgeBeforeChromeQuotesDroppedMissingProgramsPassedOver) {
    EXPECT_EQ(u"", ChromiumBrowser());
    std::string chrome = Program("chrome.exe");
    Register("chrome.exe", chrome);
    EXPECT_EQ(AnsiToWide(chrome), ChromiumBrowser());
    // Edge's entry names a program that is not there.
    Register("msedge.exe", folder + "edge.exe");
    EXPECT_EQ(AnsiToWide(chrome), ChromiumBrowser());
    std::string edge = Program("edge.exe");
    Register("msedge.exe", "\"" + edge + "\"");
    EXPECT_EQ(AnsiToWide(edge), ChromiumBrowser());
}

TEST_F(ChromiumBrowserTest, EntriesOfEitherRegistryViewAreRead) {
    // The machine's entry, written in each view as installers of either bitness write it. (Wine
    // links the two views of App Paths, so the rule that both are read is shown through the seam,
    // in tests/unit/platform/browsersearch_test.cpp.)
    std::string chrome = Program("chrome.exe");
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key = nullptr;
        ASSERT_EQ(
            ERROR_SUCCESS,
            ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + "chrome.exe").c_str(),
                              0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr));
        ::RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(chrome.c_str()),
                         static_cast<DWORD>(chrome.size() + 1));
        ::RegCloseKey(key);
        EXPECT_EQ(AnsiToWide(chrome), ChromiumBrowser()) << view;
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + "chrome.exe").c_str(), view,
                          0);
        EXPECT_EQ(u"", ChromiumBrowser()) << view;
    }
}

TEST(BrowserProfileFolderTest, KeptInTheUsersLocalApplicationData) {
    std::u16string folder = BrowserProfileFolder();
    ASSERT_NE(u"", folder);
    EXPECT_EQ(folder.size() - 20, folder.find(u"\\CourseShell\\Browser"));
    DWORD attributes = ::GetFileAttributesW(ToWString(folder).c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(folder, BrowserProfileFolder());
}

}  // namespace
