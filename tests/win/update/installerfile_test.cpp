// Where the downloaded installer lives on the real platform: a new folder of its own under the
// user's temporary folder, the body under a temporary name until it is complete, nothing left
// when it is not kept, and a file that nobody can change while its signature is checked and it
// is started.
#include "update/installerfile_win.h"

#include "platform/signature.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string TempPath() {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof temp, temp);
    return temp;
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
    return names;
}

std::string ReadAll(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
    std::string bytes;
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    ::CloseHandle(file);
    return bytes;
}

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.rfind('\\') + 1);
}

std::string OwnImage() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return ReadAll(path);
}

TEST(InstallerFileTest, TheBodyGrowsUnderATemporaryNameInANewFolderUnderTemp) {
    TempFolderInstallers installers;
    std::unique_ptr<InstallerFile> one = installers.NewInstaller("setup.exe");
    std::unique_ptr<InstallerFile> two = installers.NewInstaller("setup.exe");
    const std::string folder = FolderOf(one->Path());
    EXPECT_EQ(TempPath(), folder.substr(0, TempPath().size()));
    EXPECT_EQ(0u, folder.find(TempPath() + "CourseShell-")) << folder;
    EXPECT_NE(folder, FolderOf(two->Path()));
    EXPECT_EQ(folder + "setup.exe", one->Path());

    std::string bytes(3 * 1024 * 1024 + 7, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + i / 4099);
    for (size_t at = 0; at < bytes.size(); at += 16384)
        one->Append(bytes.data() + at, std::min<size_t>(16384, bytes.size() - at));
    // Not there under its name before it is complete.
    EXPECT_FALSE(Exists(one->Path()));
    EXPECT_EQ(std::vector<std::string>{"installer.part"}, Entries(folder));
    one->Complete();
    // Where the volume keeps no named streams (Wine's folders) there is no mark, and nothing
    // beside the installer.
    EXPECT_EQ(std::vector<std::string>{"setup.exe"}, Entries(folder));
    EXPECT_EQ(bytes, ReadAll(one->Path()));

    one.reset();
    two.reset();
    EXPECT_FALSE(Exists(folder));
}

TEST(InstallerFileTest, AnInstallerNotKeptLeavesNothingAKeptOneStays) {
    TempFolderInstallers installers;
    std::string partialFolder, completeFolder, keptPath;
    {
        std::unique_ptr<InstallerFile> partial = installers.NewInstaller("a.msi");
        partial->Append("MZ", 2);
        partialFolder = FolderOf(partial->Path());
        std::unique_ptr<InstallerFile> complete = installers.NewInstaller("b.exe");
        complete->Append("MZ", 2);
        complete->Complete();
        completeFolder = FolderOf(complete->Path());
        std::unique_ptr<InstallerFile> kept = installers.NewInstaller("c.exe");
        kept->Append("MZ", 2);
        kept->Complete();
        kept->Keep();
        keptPath = kept->Path();
    }
    EXPECT_FALSE(Exists(partialFolder));
    EXPECT_FALSE(Exists(completeFolder));
    EXPECT_EQ("MZ", ReadAll(keptPath));
    ::DeleteFileA(keptPath.c_str());
    ::RemoveDirectoryA(FolderOf(keptPath).c_str());
}

TEST(InstallerFileTest, WhileCheckedTheInstallerCanBeReadButNotChangedReplacedOrDeleted) {
    TempFolderInstallers installers;
    std::unique_ptr<InstallerFile> installer = installers.NewInstaller("setup.exe");
    // An unsigned program: this test program itself.
    const std::string image = OwnImage();
    installer->Append(image.data(), image.size());
    installer->Complete();
    SignatureCheck check = installer->CheckSignature();
    EXPECT_EQ(kTrustNoSignature, check.status);
    EXPECT_FALSE(check.signer.has_value());

    const std::string path = installer->Path();
    HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
    if (writer != INVALID_HANDLE_VALUE) ::CloseHandle(writer);
    EXPECT_FALSE(::DeleteFileA(path.c_str()));
    EXPECT_FALSE(::MoveFileA(path.c_str(), (path + ".old").c_str()));
    EXPECT_EQ(image, ReadAll(path));
}

TEST(InstallerFileTest, TheMarkOfADownloadIsZoneThree) {
    TempFolderInstallers installers;
    std::unique_ptr<InstallerFile> installer = installers.NewInstaller("setup.exe");
    installer->Complete();
    // Written as it would be on NTFS; where streams are missing the name may stand for a file of
    // its own (under Wine it does), which is why the program leaves the mark out there.
    ASSERT_TRUE(WriteZoneMark(installer->Path()));
    EXPECT_EQ("[ZoneTransfer]\r\nZoneId=3\r\n", ReadAll(installer->Path() + ":Zone.Identifier"));
    ::DeleteFileA((installer->Path() + ":Zone.Identifier").c_str());
}

TEST(ProgramSignatureTest, ATestBuildIsNotSigned) {
    SignatureCheck own = CheckProgramSignature();
    EXPECT_EQ(kTrustNoSignature, own.status);
    EXPECT_FALSE(own.signer.has_value());
}

}  // namespace
