// The Win32 pieces behind the update flow: the files beside the program on the Win32 file system
// (exact bytes, a shorter reply replacing a longer one, failures as exceptions) and the memo that
// holds the reply.
#include "update/updatefiles.h"
#include "update/updateseams_win.h"

#include "dialogs/inputdialog.h"
#include "dialogs/skinmessage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

class UpdateFilesTest : public ::testing::Test {
  protected:
    SeamUpdateFiles files{Win32FileSystem()};
    std::string root;

    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        root = std::string(temp) + "cs-update-" + std::to_string(::GetCurrentProcessId()) + "\\";
        ASSERT_TRUE(::CreateDirectoryA(root.c_str(), nullptr));
    }
    void TearDown() override {
        ::DeleteFileA((root + "result.txt").c_str());
        ::RemoveDirectoryA(root.c_str());
    }

    static ReplyBuffer Buffer(const std::string& bytes) {
        ReplyBuffer buffer;
        buffer.Append(bytes.data(), bytes.size());
        return buffer;
    }
};

TEST_F(UpdateFilesTest, WritesExactBytesAndReplacesALongerFile) {
    const std::string path = root + "result.txt";
    // More than one block of the buffer, with NUL and CR bytes that must not be touched.
    std::string big(ReplyBuffer::kBlockSize + 17, 'a');
    big[3] = '\0';
    big[big.size() - 1] = '\r';
    files.Write(path, Buffer(big));
    EXPECT_EQ(files.Read(path), big);

    files.Write(path, Buffer("newest"));
    EXPECT_EQ(files.Read(path), "newest");
    files.Write(path, ReplyBuffer());
    EXPECT_EQ(files.Read(path), "");
}

TEST_F(UpdateFilesTest, FailuresAreExceptionsNamingThePath) {
    const std::string missing = root + "no such folder\\setup.exe";
    try {
        files.Write(missing, Buffer("MZ"));
        FAIL() << "written into a missing folder";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    EXPECT_THROW(files.Read(root + "missing.txt"), std::runtime_error);
    // A folder is no installer.
    EXPECT_THROW(files.Write(root, Buffer("MZ")), std::runtime_error);
}

TEST(UpdateScreenTest, TheMemoShowsTheReplyAsItStands) {
    HWND memo = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_MULTILINE, 0, 0, 185, 89, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(memo, nullptr);
    TbsSkinMessage message;
    TbsSkinInputDialog input;
    SkinnedUpdateScreen screen(message, input, memo);
    const std::string reply = "2.0@@@/files/\xC9\xFD\xBC\xB6.exe\r\n";  // GBK: 升级
    screen.SetReplyText(reply);
    char text[256] = {};
    ::GetWindowTextA(memo, text, sizeof text);
    EXPECT_EQ(std::string(text), reply);
    screen.SetReplyText("");
    EXPECT_EQ(::GetWindowTextLengthA(memo), 0);
    ::DestroyWindow(memo);
}

}  // namespace
