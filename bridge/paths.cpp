#include "bridge/paths.h"

#include <cstring>

size_t LastDelimiter(const std::string& path, const char* delimiters) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(path[i]) && i + 1 < path.size()) {
            ++i;  // the trail byte of a double-byte character is never a delimiter
            continue;
        }
        if (path[i] != '\0' && std::strchr(delimiters, path[i])) found = i;
    }
    return found;
}

std::string DirectoryPart(const std::string& fileName) {
    size_t last = LastDelimiter(fileName, "\\:");
    return last == std::string::npos ? std::string() : fileName.substr(0, last + 1);
}

std::string FullPath(const std::string& programDirectory, const std::string& relative) {
    return programDirectory + relative;
}

std::string ToBackslashes(std::string path) {
    for (char& c : path) {
        if (c == '/') c = '\\';  // 0x2F is never the trail byte of a GBK character
    }
    return path;
}
