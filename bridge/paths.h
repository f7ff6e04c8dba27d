// Path rules for everything the movie names: paths are relative to the program directory and are
// joined to it as plain text, without tests or normalisation. Text is ANSI (GBK on the target),
// so searching for "\" skips the second byte of a double-byte character, which may be 0x5C.
#pragma once

#include <string>

// True when `c` starts a double-byte character in code page 936.
inline bool IsLeadByte(char c) {
    unsigned char b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}

// Position of the last character of `path` that is one of `delimiters`, skipping trail bytes;
// std::string::npos when there is none.
size_t LastDelimiter(const std::string& path, const char* delimiters);

// The directory part of a file name: the text up to and including the last "\" or ":".
std::string DirectoryPart(const std::string& fileName);

// The program directory joined with a path from the movie, as plain text.
std::string FullPath(const std::string& programDirectory, const std::string& relative);

// Every "/" replaced by "\".
std::string ToBackslashes(std::string path);

// The directory of the running executable, with its trailing backslash, computed at each call.
std::string ProgramDirectory();
