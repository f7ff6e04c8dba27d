#include "platform/profile.h"

#include <windows.h>

bool WriteProfileEntry(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value) {
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                        file.c_str()) != FALSE;
}
