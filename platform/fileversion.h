// The file version a module carries in its version resource (VS_FIXEDFILEINFO), as four numbers.
#pragma once

#include <optional>
#include <string>

struct FileVersion {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned revision = 0;
};

// Ordered part by part, major first.
bool operator<(const FileVersion& a, const FileVersion& b);

#ifdef _WIN32
// Nothing when the file cannot be read or has no version resource.
std::optional<FileVersion> ReadFileVersion(const std::wstring& path);
#endif
