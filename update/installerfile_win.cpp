#include "update/installerfile_win.h"

#include "platform/handles.h"
#include "platform/textconv.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

// The body goes under this name until it is complete; the folder is the download's own.
constexpr char kPartialName[] = "installer.part";

std::string LastErrorText(const std::string& what, const std::string& path) {
    return what + " " + path + " (error " + std::to_string(::GetLastError()) + ")";
}

// A folder nobody made before: CreateDirectory fails on an existing one, so a folder prepared
// in advance is never taken.
std::string NewTempFolder() {
    char temp[MAX_PATH + 1] = {};
    DWORD length = ::GetTempPathA(sizeof temp, temp);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
    DWORD seed = ::GetTickCount() ^ (::GetCurrentProcessId() << 16);
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "CourseShell-%08lx",
                      static_cast<unsigned long>(seed + attempt * 0x9E3779B9u));
        std::string folder = std::string(temp) + name + "\\";
        if (::CreateDirectoryA(folder.c_str(), nullptr)) return folder;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error(LastErrorText("cannot create", folder));
    }
    throw std::runtime_error("no new folder in the temporary folder");
}

bool VolumeKeepsStreams(const std::string& path) {
    char root[MAX_PATH + 1] = {};
    DWORD flags = 0;
    return ::GetVolumePathNameA(path.c_str(), root, sizeof root) &&
           ::GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_NAMED_STREAMS) != 0;
}

class TempFolderInstaller : public InstallerFile {
  public:
    explicit TempFolderInstaller(const std::string& name)
        : folder_(NewTempFolder()), partial_(folder_ + kPartialName), path_(folder_ + name) {
        // Nobody else may write into it while it grows.
        file_.reset(::CreateFileA(partial_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) {
            std::string failure = LastErrorText("cannot create", partial_);
            ::RemoveDirectoryA(folder_.c_str());
            throw std::runtime_error(failure);
        }
    }

    ~TempFolderInstaller() override {
        held_.reset();
        file_.reset();
        if (kept_) return;
        ::DeleteFileA(partial_.c_str());
        if (completed_) ::DeleteFileA(path_.c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }

    void Append(const char* data, size_t size) override {
        while (size > 0) {
            DWORD piece = static_cast<DWORD>(std::min<size_t>(size, 1u << 20));
            DWORD written = 0;
            if (!::WriteFile(file_.get(), data, piece, &written, nullptr) || written == 0)
                throw std::runtime_error(LastErrorText("cannot write", partial_));
            data += written;
            size -= written;
        }
    }

    void Complete() override {
        HANDLE file = file_.release();
        if (!::CloseHandle(file)) throw std::runtime_error(LastErrorText("cannot close", partial_));
        if (!::MoveFileA(partial_.c_str(), path_.c_str()))
            throw std::runtime_error(LastErrorText("cannot name", path_));
        completed_ = true;
        MarkAsDownloaded(path_);
    }

    const std::string& Path() const override { return path_; }

    SignatureCheck CheckSignature() override {
        // Reading is shared, so the installer itself and msiexec can open it; writing, renaming
        // and deleting are not, until this object goes.
        std::wstring path = AnsiToWString(path_);
        held_.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!held_) throw std::runtime_error(LastErrorText("cannot open", path_));
        return CheckFileSignature(held_.get(), path);
    }

    void Keep() override { kept_ = true; }

  private:
    const std::string folder_, partial_, path_;
    UniqueFile file_;
    UniqueFile held_;
    bool completed_ = false;
    bool kept_ = false;
};

}  // namespace

std::unique_ptr<InstallerFile> TempFolderInstallers::NewInstaller(const std::string& name) {
    return std::make_unique<TempFolderInstaller>(name);
}

SignatureCheck TempFolderInstallers::ProgramSignature() {
    return CheckProgramSignature();
}

bool WriteZoneMark(const std::string& path) {
    static const char kMark[] = "[ZoneTransfer]\r\nZoneId=3\r\n";
    UniqueFile stream(::CreateFileA((path + ":Zone.Identifier").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return stream && ::WriteFile(stream.get(), kMark, sizeof kMark - 1, &written, nullptr) &&
           written == sizeof kMark - 1;
}

bool MarkAsDownloaded(const std::string& path) {
    // Where streams are missing, a name with ":" may become a file of its own beside the
    // installer (Wine's folders do that): no mark there.
    return VolumeKeepsStreams(path) && WriteZoneMark(path);
}
