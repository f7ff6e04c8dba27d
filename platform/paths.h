// Path rules for everything the movie names: paths are relative to the program directory and are
// joined to it as plain text, without tests or normalisation. Text is ANSI (GBK on the target),
// so searching for "\" skips the second byte of a double-byte character, which may be 0x5C
// (LastDelimiter in platform/textconv.h).
#pragma once

#include "platform/textconv.h"

#include <string>
#include <string_view>

// The directory part of a file name: the text up to and including the last "\" or ":".
std::string DirectoryPart(const std::string& fileName);

// The program directory joined with a path from the movie, as plain text.
std::string FullPath(const std::string& programDirectory, const std::string& relative);

// Whether Windows takes a file name as a device in every folder: CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, COM1-9 and LPT1-9 in any case, with any extension and spaces before it. COM and LPT
// with a superscript 1, 2 or 3 are devices too; they are looked for in UTF-8 names only: ANSI
// (GBK) has no superscript digits, and their UTF-8 bytes are a GBK character there.
enum class NameText { Ansi, Utf8 };
bool IsDeviceName(std::string_view name, NameText text);

// Every "/" replaced by "\".
std::string ToBackslashes(std::string path);

// The full file name of the running executable.
std::string ExecutablePath();
// The directory of the running executable, with its trailing backslash, computed at each call.
std::string ProgramDirectory();
