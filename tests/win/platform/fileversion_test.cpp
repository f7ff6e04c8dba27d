// A module's version as the version resource gives it, and nothing for a file without one: the
// Flash control's build is read this way, and a control whose version cannot be read is used.
#include "platform/fileversion.h"

#include <windows.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace {

std::wstring SystemFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, n) + L"\\" + name;
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    DWORD n = ::GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder, n) + name;
}

TEST(FileVersionTest, ASystemModuleHasOne) {
    std::optional<FileVersion> version = ReadFileVersion(SystemFile(L"oleaut32.dll"));
    ASSERT_TRUE(version.has_value());
    EXPECT_GE(version->major, 2u);
}

TEST(FileVersionTest, FilesWithoutAVersionResourceHaveNone) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    // This test program carries no version resource.
    EXPECT_FALSE(ReadFileVersion(self).has_value());

    std::wstring text = TempFile(L"fileversion-test.ocx");
    {
        std::ofstream out(text.c_str(), std::ios::binary);
        out << "MZ not really a module\r\n";
    }
    EXPECT_FALSE(ReadFileVersion(text).has_value());
    ::DeleteFileW(text.c_str());

    EXPECT_FALSE(ReadFileVersion(TempFile(L"no-such-file.ocx")).has_value());
    EXPECT_FALSE(ReadFileVersion(L"").has_value());
}

}  // namespace
