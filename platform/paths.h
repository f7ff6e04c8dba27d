// Path rules for everything the movie names: paths are relative to the program directory and are
// joined to it as plain text, without tests or normalisation. Text is ANSI (GBK on the target),
// so searching for "\" skips the second byte of a double-byte character, which may be 0x5C
// (LastDelimiter in platform/textconv.h).
#pragma once

#include "platform/textconv.h"

#include <string>

// The directory part of a file name: the text up to and including the last "\" or ":".
std::string DirectoryPart(const std::string& fileName);

// The program directory joined with a path from the movie, as plain text.
std::string FullPath(const std::string& programDirectory, const std::string& relative);

// Every "/" replaced by "\".
std::string ToBackslashes(std::string path);

// The full file name of the running executable.
std::string ExecutablePath();
// The directory of the running executable, with its trailing backslash, computed at each call.
std::string ProgramDirectory();
