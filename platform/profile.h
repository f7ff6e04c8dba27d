// Profile files (.ini) through the platform's ANSI profile API. A bare file name means the
// platform's own file in the Windows directory.
#pragma once

#include <string>

// True when the platform reports the value written.
bool WriteProfileEntry(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value);
