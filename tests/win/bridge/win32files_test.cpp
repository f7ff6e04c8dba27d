// The file requests and the other users of the file-system seam over the real Win32 file system,
// in a folder of their own under the temp folder: error texts, exact bytes, folders, the GBK
// trail byte that looks like "\", listing, copying, renaming and deleting, and UTF-16 names.
#include "bridge/fileservices.h"
#include "platform/filesystem.h"
#include "platform/handles.h"
#include "platform/textconv.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

class Win32FilesTest : public ::testing::Test {
  protected:
    FileSystem* fs = &Win32FileSystem();
    std::string root;

    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        root = std::string(temp) + "cs-bridge-" + std::to_string(::GetCurrentProcessId()) + "\\";
        ASSERT_TRUE(::CreateDirectoryA(root.c_str(), nullptr));
    }
    void TearDown() override {
        std::string command = "cmd /c rmdir /s /q \"" + root + "\"";
        // Removed by the shell's own command so that nested test folders go too.
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &si, &pi)) {
            ::WaitForSingleObject(pi.hProcess, 10000);
            ::CloseHandle(pi.hThread);
            ::CloseHandle(pi.hProcess);
        }
    }

    std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(Win32FilesTest, MissingFilesAndFoldersGiveTheRuntimeTexts) {
    try {
        fs->OpenForReading(root + "missing.txt");
        FAIL();
    } catch (const IoError& e) {
        EXPECT_STREQ("File not found", e.what());
    }
    try {
        fs->OpenForReading(root + "no\\such\\folder.txt");
        FAIL();
    } catch (const IoError& e) {
        EXPECT_EQ(3u, e.code());
    }
    EXPECT_THROW(fs->WriteNewFile(root + "no\\such\\file.txt", "x"), IoError);
    ASSERT_TRUE(fs->CreateFolder(root + "dir"));
    try {
        fs->WriteNewFile(root + "dir", "x");
        FAIL();
    } catch (const IoError& e) {
        EXPECT_STREQ("File access denied", e.what());
    }
}

TEST_F(Win32FilesTest, FilesAndFoldersAreToldApart) {
    ASSERT_TRUE(fs->CreateFolder(root + "dir"));
    fs->WriteNewFile(root + "file", "");
    EXPECT_TRUE(fs->FolderExists(root + "dir"));
    EXPECT_FALSE(fs->FileExists(root + "dir"));
    EXPECT_TRUE(fs->FileExists(root + "file"));
    EXPECT_FALSE(fs->FolderExists(root + "file"));
    EXPECT_FALSE(fs->CreateFolder(root + "file"));
    EXPECT_FALSE(fs->CreateFolder(root + "a\\b"));
}

TEST_F(Win32FilesTest, WritesExactBytesAndReplacesOldContent) {
    std::string binary("a\0b\r\n\x1A\xFF", 7);
    fs->WriteNewFile(root + "f.bin", std::string(100000, 'x'));
    fs->WriteNewFile(root + "f.bin", binary);
    EXPECT_EQ(binary, Bytes(root + "f.bin"));
}

// Names in a folder, as the directory listing gives them.
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

unsigned long WriteError(FileSystem& fs, const std::string& path, const std::string& content) {
    try {
        fs.WriteNewFile(path, content);
    } catch (const IoError& e) {
        return e.code();
    }
    return 0;
}

TEST_F(Win32FilesTest, ReplacingLeavesOnlyTheTargetBehind) {
    fs->WriteNewFile(root + "a.txt", std::string(300000, 'o'));
    fs->WriteNewFile(root + "a.txt", "new\r\n");
    fs->WriteNewFile(root + "b.txt", "");
    EXPECT_EQ("new\r\n", Bytes(root + "a.txt"));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt"}), Listing(root));
}

TEST_F(Win32FilesTest, RefusedWritesKeepTheirCodesAndTheOldContent) {
    fs->WriteNewFile(root + "held.txt", "old\r\n");
    {
        // Open elsewhere without sharing: the write is refused and nothing is replaced.
        UniqueFile other(::CreateFileA((root + "held.txt").c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(other);
        EXPECT_EQ(static_cast<unsigned long>(ERROR_SHARING_VIOLATION),
                  WriteError(*fs, root + "held.txt", "new"));
    }
    EXPECT_EQ("old\r\n", Bytes(root + "held.txt"));
    ASSERT_TRUE(fs->CreateFolder(root + "dir"));
    EXPECT_EQ(5u, WriteError(*fs, root + "dir", "new"));
    EXPECT_EQ(3u, WriteError(*fs, root + "none\\x.txt", "new"));
    EXPECT_EQ((std::vector<std::string>{"dir", "held.txt"}), Listing(root));
    EXPECT_TRUE(Listing(root + "dir\\").empty());

    fs->WriteNewFile(root + "ro.txt", "old\r\n");
    ASSERT_TRUE(::SetFileAttributesA((root + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    unsigned long code = WriteError(*fs, root + "ro.txt", "new");
    ::SetFileAttributesA((root + "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    // Running as root, Wine may let the write through; then it must be complete.
    if (code != 0) {
        EXPECT_EQ(5u, code);
        EXPECT_EQ("old\r\n", Bytes(root + "ro.txt"));
    } else {
        EXPECT_EQ("new", Bytes(root + "ro.txt"));
    }
    EXPECT_EQ((std::vector<std::string>{"dir", "held.txt", "ro.txt"}), Listing(root));

    // As creating over it would be, replacing a hidden file is refused.
    fs->WriteNewFile(root + "hidden.txt", "old\r\n");
    ASSERT_TRUE(::SetFileAttributesA((root + "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(5u, WriteError(*fs, root + "hidden.txt", "new"));
    EXPECT_EQ("old\r\n", Bytes(root + "hidden.txt"));
}

TEST_F(Win32FilesTest, DevicesAndNamesWithoutRoomForASiblingAreWrittenInPlace) {
    fs->WriteNewFile(root + "nul", "into the void");
    fs->WriteNewFile("NUL", "into the void");
    // A name as long as the platform allows: the file beside it would be longer still.
    const std::string name(MAX_PATH - 1 - root.size(), 'n');
    fs->WriteNewFile(root + name, "long\r\n");
    EXPECT_EQ("long\r\n", Bytes(root + name));
    fs->WriteNewFile(root + name, "longer\r\n");
    EXPECT_EQ("longer\r\n", Bytes(root + name));
    EXPECT_EQ(std::vector<std::string>{name}, Listing(root));
}

TEST_F(Win32FilesTest, ServicesReadWriteAndCreateFoldersOnDisk) {
    FileServices files(*fs, [this] { return root; });
    files.SaveUtf8("one/two/words.txt", "first\r\nsecond");
    EXPECT_EQ("first\r\nsecond\r\n", Bytes(root + "one\\two\\words.txt"));
    EXPECT_EQ("first", files.LoadFile("one/two/words.txt").value());
    EXPECT_EQ("first", files.LoadBytes("one\\two/words.txt"));
    EXPECT_TRUE(files.FileExists("one/two/words.txt"));
    EXPECT_FALSE(files.FileExists("one/two"));
    EXPECT_FALSE(files.LoadFile("one/two").has_value());

    std::string longLine(200000, 'y');
    files.SaveBytes("long.txt", longLine + "\rz");
    EXPECT_EQ(longLine + "z", files.LoadBytes("long.txt"));

    EXPECT_TRUE(files.NewFolder("n1/n2/n3/"));
    EXPECT_TRUE(fs->FolderExists(root + "n1\\n2\\n3"));
    EXPECT_TRUE(files.NewFolder(""));
    EXPECT_FALSE(files.NewFolder("long.txt"));
}

TEST_F(Win32FilesTest, GbkNameWithTrailByteBackslash) {
    if (::GetACP() != 936) GTEST_SKIP() << "needs code page 936, have " << ::GetACP();
    FileServices files(*fs, [this] { return root; });
    // 0x95 0x5C is one character; the folder below it is made with both levels.
    const std::string name = "\x95\x5C";
    EXPECT_TRUE(files.NewFolder(name + "/sub"));
    EXPECT_TRUE(fs->FolderExists(root + name));
    EXPECT_TRUE(fs->FolderExists(root + name + "\\sub"));
    files.SaveBytes(name + "/" + name + ".txt", name);
    EXPECT_EQ(name, files.LoadFile(name + "\\" + name + ".txt").value());
}

TEST_F(Win32FilesTest, ListingNamesEveryEntryOnceWithItsKindAndMarks) {
    ASSERT_TRUE(fs->CreateFolder(root + "sub"));
    fs->WriteNewFile(root + "a.txt", "12345");
    fs->WriteNewFile(root + "h.txt", "");
    ASSERT_TRUE(::SetFileAttributesA((root + "h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    // With or without the separator at the end, the same entries; never "." or "..".
    for (const std::string& folder : {root, root.substr(0, root.size() - 1)}) {
        std::vector<FolderEntry> entries = fs->ListFolder(folder);
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        ASSERT_EQ(3u, entries.size()) << folder;
        EXPECT_EQ("a.txt", entries[0].name);
        EXPECT_FALSE(entries[0].folder);
        EXPECT_FALSE(entries[0].hidden);
        EXPECT_EQ(5u, entries[0].size);
        EXPECT_NE(0u, entries[0].modified);
        EXPECT_EQ("h.txt", entries[1].name);
        EXPECT_TRUE(entries[1].hidden);
        EXPECT_EQ("sub", entries[2].name);
        EXPECT_TRUE(entries[2].folder);
    }
    EXPECT_TRUE(fs->ListFolder(root + "missing").empty());
    ::SetFileAttributesA((root + "h.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32FilesTest, CopyNeverReplacesRenameMovesAndDeleteIsForGood) {
    fs->WriteNewFile(root + "a.txt", "new");
    fs->WriteNewFile(root + "b.txt", "old");
    EXPECT_FALSE(fs->CopyFileNoReplace(root + "a.txt", root + "b.txt"));
    EXPECT_EQ("old", Bytes(root + "b.txt"));
    EXPECT_FALSE(fs->CopyFileNoReplace(root + "missing.txt", root + "c.txt"));
    EXPECT_TRUE(fs->CopyFileNoReplace(root + "a.txt", root + "c.txt"));
    EXPECT_EQ("new", Bytes(root + "c.txt"));

    EXPECT_FALSE(fs->Rename(root + "a.txt", root + "b.txt"));  // the target stays
    EXPECT_TRUE(fs->Rename(root + "a.txt", root + "d.txt"));
    EXPECT_FALSE(fs->FileExists(root + "a.txt"));
    EXPECT_EQ("new", Bytes(root + "d.txt"));
    ASSERT_TRUE(fs->CreateFolder(root + "dir"));
    EXPECT_TRUE(fs->Rename(root + "dir", root + "folder"));
    EXPECT_TRUE(fs->FolderExists(root + "folder"));

    EXPECT_TRUE(fs->DeleteFilePermanently(root + "d.txt"));
    EXPECT_FALSE(fs->FileExists(root + "d.txt"));
    EXPECT_FALSE(fs->DeleteFilePermanently(root + "d.txt"));
    EXPECT_FALSE(fs->DeleteFilePermanently(root + "folder"));  // files only
    EXPECT_TRUE(fs->FolderExists(root + "folder"));
}

TEST_F(Win32FilesTest, TheUtf16SideReachesNamesOutsideTheCodePage) {
    // "ã" has no GBK form: the ANSI functions could not name this folder.
    const std::u16string wideRoot = AnsiToWide(root);
    const std::u16string folder = wideRoot + u"s\u00E3o";
    ASSERT_TRUE(fs->CreateFolder(folder));
    EXPECT_TRUE(fs->FolderExists(folder));
    EXPECT_FALSE(fs->FileExists(folder));
    EXPECT_FALSE(fs->CreateFolder(folder));
    UniqueFile file(
        ::CreateFileW(reinterpret_cast<const wchar_t*>((folder + u"\\f\u00E3.txt").c_str()),
                      GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    file.reset();
    EXPECT_TRUE(fs->FileExists(folder + u"\\f\u00E3.txt"));
    std::vector<WideFolderEntry> entries = fs->ListFolder(folder + u"\\");
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(u"f\u00E3.txt", entries[0].name);
    EXPECT_FALSE(entries[0].folder);
    bool listed = false;
    for (const WideFolderEntry& e : fs->ListFolder(wideRoot)) listed |= e.name == u"s\u00E3o";
    EXPECT_TRUE(listed);
}

}  // namespace
