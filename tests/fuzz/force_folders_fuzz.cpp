// Fuzz target: folder creation for any path the movie can name, over an in-memory file system
// that already holds some folders and files. It creates only the path's own ancestors, parents
// first, each cut at a real separator (never at a GBK trail byte 0x5C), succeeds exactly when no
// creation failed, and after success an ordinary path names an existing folder.
#include "bridge/fileservices.h"
#include "platform/paths.h"
#include "fuzzcheck.h"
#include "tests/unit/bridge/bridgefakes.h"

#include <cctype>
#include <string>
#include <vector>

namespace {

class RecordingFileSystem : public FakeFileSystem {
  public:
    std::vector<bool> results;
    bool CreateFolder(const std::string& path) override {
        bool made = FakeFileSystem::CreateFolder(path);
        results.push_back(made);
        return made;
    }
};

// Where a "\" or ":" separates, reading the path as GBK text from its start.
std::vector<bool> Separators(const std::string& path) {
    std::vector<bool> at(path.size(), false);
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(path[i]) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        at[i] = path[i] == '\\' || path[i] == ':';
    }
    return at;
}

// "X:\" followed by names without empty ones, drives or a trailing separator.
bool IsOrdinary(const std::string& path, const std::vector<bool>& separators) {
    if (path.size() < 4 || !std::isalpha(static_cast<unsigned char>(path[0])) || !separators[1] ||
        path[1] != ':' || !separators[2] || path[2] != '\\')
        return false;
    for (size_t i = 3; i < path.size(); ++i) {
        if (!separators[i]) continue;
        if (path[i] == ':' || separators[i - 1] || i + 1 == path.size()) return false;
    }
    return !separators[3];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    RecordingFileSystem files;
    const unsigned char shape = input.Byte();
    // Lines before the last: "+name" is a folder, "*name" a file, on drive C.
    std::vector<std::string> lines;
    while (!input.Empty()) lines.push_back(input.Line());
    std::string request = lines.empty() ? std::string() : lines.back();
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() < 2 || LastDelimiter(line, "\\") == line.size() - 1) continue;
        if (line[0] == '+') files.AddFolder("C:\\" + line.substr(1));
        if (line[0] == '*') files.AddFile("C:\\" + line.substr(1), "");
    }
    // As the write requests and "newfolder" name it, or as it stands.
    const std::string folder =
        shape & 1 ? request : ToBackslashes("C:\\Program Files\\Course\\" + request);

    const bool made = ForceFolders(files, folder);

    std::string own = folder;
    if (!own.empty() && LastDelimiter(own, "\\") == own.size() - 1) own.pop_back();
    const std::vector<bool> separators = Separators(own);
    size_t previous = 0;
    bool allMade = true;
    for (size_t i = 0; i < files.created.size(); ++i) {
        const std::string& created = files.created[i];
        FUZZ_CHECK(created.size() > previous);
        previous = created.size();
        FUZZ_CHECK(own.compare(0, created.size(), created) == 0);
        FUZZ_CHECK(created.size() == own.size() || separators[created.size()]);
        allMade = allMade && files.results[i];
    }
    FUZZ_CHECK(made == allMade);
    // Only the last creation may fail: a failure stops the walk down.
    for (size_t i = 0; i + 1 < files.results.size(); ++i) FUZZ_CHECK(files.results[i]);

    if (made && IsOrdinary(own, separators)) {
        FUZZ_CHECK(files.FolderExists(own));
        files.created.clear();
        FUZZ_CHECK(ForceFolders(files, folder) && files.created.empty());
    }
    return 0;
}
