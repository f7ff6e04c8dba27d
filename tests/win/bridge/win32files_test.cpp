// The file requests over the real Win32 file system, in a folder of their own under the temp
// folder: error texts, exact bytes, folders and the GBK trail byte that looks like "\".
#include "bridge/fileservices.h"
#include "platform/filesystem.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

class Win32FilesTest : public ::testing::Test {
  protected:
    std::unique_ptr<FileSystem> fs = Win32FileSystem();
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

}  // namespace
