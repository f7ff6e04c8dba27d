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

bool IsDeviceName(std::string_view name, NameText text) {
    std::string stem = AsciiLowered(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul" || stem == "conin$" ||
        stem == "conout$")
        return true;
    if (stem.compare(0, 3, "com") != 0 && stem.compare(0, 3, "lpt") != 0) return false;
    std::string_view digit = std::string_view(stem).substr(3);
    if (digit.size() == 1) return digit[0] >= '1' && digit[0] <= '9';
    return text == NameText::Utf8 &&
           (digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3");
}
