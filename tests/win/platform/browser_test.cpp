// Finding the browser for the browser player: App Paths in the user's hive before the machine's,
// quotes dropped, a missing program passed over; the kept profile folder.
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
            for (const char* exe : {"msedge.exe", "chrome.exe"}) {
                HKEY key = nullptr;
                if (::RegOpenKeyExA(root, (std::string(kAppPaths) + exe).c_str(), 0, KEY_READ,
                                    &key) == ERROR_SUCCESS) {
                    ::RegCloseKey(key);
                    owned_ = false;
                    GTEST_SKIP() << "the prefix has a browser of its own";
                }
            }
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
