#include "platform/filesystem.h"

#include "platform/textconv.h"

IoError::IoError(unsigned long code) : std::runtime_error(InOutErrorText(code)), code_(code) {}

std::string InOutErrorText(unsigned long code) {
    // The runtime's texts for its classic I/O result codes, which for file operations are the
    // system's error codes.
    switch (code) {
        case 2:
            return "File not found";
        case 3:
            return "Invalid filename";
        case 4:
            return "Too many open files";
        case 5:
            return "File access denied";
        case 100:
            return "Read beyond end of file";
        case 101:
            return "Disk full";
        case 106:
            return "Invalid numeric input";
    }
    return "I/O error " + std::to_string(code);
}

std::string ReadWholeFile(FileSystem& files, const std::string& path) {
    std::unique_ptr<InputFile> file = files.OpenForReading(path);
    std::string content;
    char block[65536];
    while (size_t got = file->Read(block, sizeof block)) content.append(block, got);
    return content;
}

bool FileSystem::FileExists(const std::u16string& path) {
    return FileExists(WideToAnsi(path));
}

bool FileSystem::FolderExists(const std::u16string& path) {
    return FolderExists(WideToAnsi(path));
}

bool FileSystem::CreateFolder(const std::u16string& path) {
    return CreateFolder(WideToAnsi(path));
}

std::vector<WideFolderEntry> FileSystem::ListFolder(const std::u16string& folder) {
    std::vector<WideFolderEntry> wide;
    for (const FolderEntry& e : ListFolder(WideToAnsi(folder)))
        wide.push_back({AnsiToWide(e.name), e.folder, e.hidden, e.size, e.modified});
    return wide;
}

std::unique_ptr<InputFile> FileSystem::OpenForReading(const std::u16string& path) {
    return OpenForReading(WideToAnsi(path));
}
