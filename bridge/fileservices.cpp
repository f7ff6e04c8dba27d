#include "bridge/fileservices.h"

#include "platform/paths.h"
#include "platform/textconv.h"

#include <cstring>
#include <vector>

std::string ReadFirstLine(InputFile& file) {
    std::string line;
    char buffer[4096];
    for (;;) {
        size_t got = file.Read(buffer, sizeof buffer);
        if (got == 0) return line;
        const char* p = buffer;
        const char* end = buffer + got;
        while (p < end) {
            // Copy the run of plain bytes at once; only LF, 0x1A and CR need a decision.
            const char* stop = p;
            while (stop < end && *stop != '\n' && *stop != '\x1A' && *stop != '\r') ++stop;
            line.append(p, stop);
            if (stop == end) break;
            if (*stop != '\r') return line;
            p = stop + 1;
        }
    }
}

namespace {

// No Windows path holds more characters, whatever the platform's settings; a longer folder path
// can neither exist nor be made.
constexpr size_t kLongestPath = 32767;

size_t CharacterCount(const std::string& text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i, ++count)
        if (IsLeadByte(text[i]) && i + 1 < text.size()) ++i;
    return count;
}

}  // namespace

bool ForceFolders(FileSystem& files, const std::string& path) {
    if (CharacterCount(path) > kLongestPath) return false;
    // Every folder to be made is a leading part of `path`: the lengths of those parts, the
    // deepest first, found by walking up to the first folder that exists.
    std::vector<size_t> missing;
    std::string folder = path;
    for (;;) {
        if (!folder.empty() && LastDelimiter(folder, "\\") == folder.size() - 1) folder.pop_back();
        if (folder.size() < 3 || files.FolderExists(folder)) break;
        std::string parent = DirectoryPart(folder);
        // "X:" or a name ending in ":" is its own parent; nothing more to create.
        if (parent == folder) break;
        missing.push_back(folder.size());
        folder = std::move(parent);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (!files.CreateFolder(path.substr(0, *it))) return false;
    return true;
}

FileServices::FileServices(FileSystem& files, std::function<std::string()> programDirectory)
    : files_(files), programDirectory_(std::move(programDirectory)) {}

std::string FileServices::ProgramDirectory() const {
    return programDirectory_();
}

std::string FileServices::ReadLineAt(const std::string& fullPath) {
    // The bytes are ANSI text, whatever wrote them: a line that "savefile" stored as UTF-8 reads
    // back as the ANSI reading of those bytes, and courseware keeps text it reads back with
    // "saveBytes". No test can tell short GBK text from UTF-8, so none is tried.
    std::unique_ptr<InputFile> file = files_.OpenForReading(fullPath);
    return ReadFirstLine(*file);
}

std::optional<std::string> FileServices::LoadFile(const std::string& relative) {
    std::string full = FullPath(ProgramDirectory(), relative);
    if (!files_.FileExists(full)) return std::nullopt;
    return ReadLineAt(full);
}

std::string FileServices::LoadBytes(const std::string& relative) {
    return ReadLineAt(FullPath(ProgramDirectory(), relative));
}

bool FileServices::FileExists(const std::string& relative) {
    return files_.FileExists(FullPath(ProgramDirectory(), relative));
}

void FileServices::WriteWithLineEnd(const std::string& relative, const std::string& content) {
    std::string full = ToBackslashes(FullPath(ProgramDirectory(), relative));
    // A folder that cannot be made shows up as the failure of the file creation that follows.
    ForceFolders(files_, DirectoryPart(full));
    files_.WriteNewFile(full, content + "\r\n");
}

void FileServices::SaveUtf8(const std::string& relative, const std::string& text) {
    WriteWithLineEnd(relative, AnsiToUtf8(text));
}

void FileServices::SaveBytes(const std::string& relative, const std::string& text) {
    WriteWithLineEnd(relative, text);
}

bool FileServices::NewFolder(const std::string& relative) {
    return ForceFolders(files_, ToBackslashes(FullPath(ProgramDirectory(), relative)));
}
