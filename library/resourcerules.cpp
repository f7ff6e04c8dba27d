#include "library/resourcerules.h"

#include "platform/paths.h"

#include <cstring>

std::string RootErrorText(const std::string& folder) {
    return "Error setting path: \"" + folder + "\"";
}

std::string PickedPath(const std::string& fullPath, const std::string& programDirectory) {
    size_t n = programDirectory.size();
    if (n == 0) return fullPath;
    return fullPath.size() >= n ? fullPath.substr(n - 1) : std::string();
}

bool MayDeleteCategory(const std::string& selected, const std::string& root) {
    return !selected.empty() && !root.empty() && LowerAnsi(selected) != LowerAnsi(root);
}

bool MayRenameCategory(const std::string& selected, const std::string& root) {
    return selected != root;
}

std::string JoinWithSlash(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

std::string FileNamePart(const std::string& path) {
    size_t last = LastDelimiter(path, "\\:");
    return last == std::string::npos ? path : path.substr(last + 1);
}

std::string ChildPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    size_t last = LastDelimiter(folder, "\\/");
    bool endsWithSeparator = last != std::string::npos && last + 1 == folder.size();
    return endsWithSeparator ? folder + name : folder + "\\" + name;
}

std::string RenamedPath(const std::string& path, const std::string& newName) {
    size_t last = LastDelimiter(path, "\\/:");
    return (last == std::string::npos ? std::string() : path.substr(0, last + 1)) + newName;
}

bool IsPlainItemName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsLeadByte(name[i]) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) return false;
    }
    return true;
}

OpenRequest MakeOpenRequest(const std::string& programDirectory, const std::string& path) {
    if (EndsInSwf(path)) return {programDirectory + "FlashPlayer.exe", path};
    return {path, std::string()};
}
