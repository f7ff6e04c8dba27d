#include "platform/filesystem.h"

#include "platform/handles.h"
#include "platform/textconv.h"

#include <windows.h>

#include <climits>
#include <cstdio>

namespace {

std::uint64_t Join(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

const wchar_t* W(const std::u16string& path) {
    return reinterpret_cast<const wchar_t*>(path.c_str());
}

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsInSeparator(const std::string& folder) {
    size_t last = LastDelimiter(folder, "\\/");
    return last != std::string::npos && last + 1 == folder.size();
}

bool EndsInSeparator(const std::u16string& folder) {
    return !folder.empty() && (folder.back() == u'\\' || folder.back() == u'/');
}

// The search pattern for every entry of `folder`; an empty folder is the current one.
template <class Text>
Text EveryEntryOf(const Text& folder) {
    const typename Text::value_type separator[] = {'\\', 0}, every[] = {'*', 0};
    if (folder.empty() || EndsInSeparator(folder)) return folder + every;
    return folder + separator + every;
}

// One enumeration for both character widths; `First` and `Next` are the find functions of the
// width whose find data `Data` is.
template <class Entry, class Data, class Pattern, class First, class Next>
std::vector<Entry> List(const Pattern* pattern, First first, Next next) {
    using Char = typename decltype(Entry::name)::value_type;
    std::vector<Entry> entries;
    Data data;
    UniqueFind find(first(pattern, &data));
    if (!find) return entries;
    do {
        const Char* name = reinterpret_cast<const Char*>(data.cFileName);
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        Entry entry;
        entry.name = name;
        entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.hidden =
            (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        entry.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
        entry.modified =
            Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
        entries.push_back(std::move(entry));
    } while (next(find.get(), &data));
    return entries;
}

class Win32InputFile : public InputFile {
  public:
    explicit Win32InputFile(UniqueFile file) : file_(std::move(file)) {}

    size_t Read(char* buffer, size_t size) override {
        DWORD chunk = size > INT_MAX ? INT_MAX : static_cast<DWORD>(size);
        DWORD got = 0;
        if (!::ReadFile(file_.get(), buffer, chunk, &got, nullptr)) throw IoError(::GetLastError());
        return got;
    }

    std::uint64_t Size() override {
        LARGE_INTEGER size = {};
        if (!::GetFileSizeEx(file_.get(), &size)) throw IoError(::GetLastError());
        return static_cast<std::uint64_t>(size.QuadPart);
    }

    void Seek(std::uint64_t offset) override {
        LARGE_INTEGER to = {};
        to.QuadPart = static_cast<LONGLONG>(offset);
        if (!::SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN)) throw IoError(::GetLastError());
    }

  private:
    UniqueFile file_;
};

class Win32Files : public FileSystem {
  public:
    bool FileExists(const std::string& path) override {
        return IsFile(::GetFileAttributesA(path.c_str()));
    }

    bool FolderExists(const std::string& path) override {
        return IsFolder(::GetFileAttributesA(path.c_str()));
    }

    bool CreateFolder(const std::string& path) override {
        return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
    }

    std::vector<FolderEntry> ListFolder(const std::string& folder) override {
        return List<FolderEntry, WIN32_FIND_DATAA>(EveryEntryOf(folder).c_str(), ::FindFirstFileA,
                                                   ::FindNextFileA);
    }

    bool CopyFileNoReplace(const std::string& from, const std::string& to) override {
        return ::CopyFileA(from.c_str(), to.c_str(), TRUE) != FALSE;
    }

    bool DeleteFilePermanently(const std::string& path) override {
        return ::DeleteFileA(path.c_str()) != FALSE;
    }

    bool Rename(const std::string& from, const std::string& to) override {
        return ::MoveFileA(from.c_str(), to.c_str()) != FALSE;
    }

    bool FileExists(const std::u16string& path) override {
        return IsFile(::GetFileAttributesW(W(path)));
    }

    bool FolderExists(const std::u16string& path) override {
        return IsFolder(::GetFileAttributesW(W(path)));
    }

    bool CreateFolder(const std::u16string& path) override {
        return ::CreateDirectoryW(W(path), nullptr) != FALSE;
    }

    std::vector<WideFolderEntry> ListFolder(const std::u16string& folder) override {
        return List<WideFolderEntry, WIN32_FIND_DATAW>(W(EveryEntryOf(folder)), ::FindFirstFileW,
                                                       ::FindNextFileW);
    }

    std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
        UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throw IoError(::GetLastError());
        return std::make_unique<Win32InputFile>(std::move(file));
    }

    std::unique_ptr<InputFile> OpenForReading(const std::u16string& path) override {
        UniqueFile file(::CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throw IoError(::GetLastError());
        if (::GetFileType(file.get()) != FILE_TYPE_DISK) throw IoError(ERROR_ACCESS_DENIED);
        return std::make_unique<Win32InputFile>(std::move(file));
    }

    void WriteNewFile(const std::string& path, const std::string& content) override {
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
        // Creating over a hidden or system file with plain attributes is refused by the system.
        if (existed && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) &&
            !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw IoError(ERROR_ACCESS_DENIED);
        // Opened as the direct write would open it, so every refusal (read-only, a folder, a
        // missing folder, a file in use) keeps its error code; nothing is truncated yet.
        UniqueFile target(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!target) throw IoError(::GetLastError());
        if (::GetFileType(target.get()) != FILE_TYPE_DISK) {
            WriteAll(target.get(), content);
            return;
        }
        target.reset();
        auto forgetNewTarget = [&] {
            if (!existed) ::DeleteFileA(path.c_str());
        };

        // The whole content goes to a file beside the target, which replaces the target only
        // once it is complete: a full disk must not leave the learner's file truncated.
        static unsigned counter = 0;
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%lx%x.tmp", ::GetCurrentProcessId(), ++counter);
        const std::string temporary = path + suffix;
        UniqueFile file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            // No room for the longer name (or no such name at all): write in place as before.
            UniqueFile direct(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!direct) throw IoError(::GetLastError());
            WriteAll(direct.get(), content);
            return;
        }
        try {
            WriteAll(file.get(), content);
        } catch (const IoError&) {
            file.reset();
            ::DeleteFileA(temporary.c_str());
            forgetNewTarget();
            throw;
        }
        file.reset();
        if (!::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            DWORD error = ::GetLastError();
            ::DeleteFileA(temporary.c_str());
            forgetNewTarget();
            throw IoError(error);
        }
    }

  private:
    static void WriteAll(HANDLE file, const std::string& content) {
        size_t done = 0;
        while (done < content.size()) {
            size_t left = content.size() - done;
            DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
            DWORD written = 0;
            if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr))
                throw IoError(::GetLastError());
            // A short write without an error means the medium is full.
            if (written == 0) throw IoError(101);
            done += written;
        }
    }
};

}  // namespace

FileSystem& Win32FileSystem() {
    // It holds nothing: one instance serves every caller for the life of the process.
    static Win32Files files;
    return files;
}
