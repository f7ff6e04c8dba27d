#include "platform/paths.h"

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
