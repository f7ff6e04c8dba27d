// The platform's MCI extension table: the video and MPEG extensions go to the MPEG video device
// (driver mciqtz.drv) and .avi to the AVI video device, so that opening a clip with the device
// chosen from the file finds a player for them.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ProfileEntry {
    std::string file;
    std::string section;
    std::string key;
    std::string value;
};

// The seven entries, in the order they are written.
const std::vector<ProfileEntry>& MediaExtensionEntries();

// Writes every entry with `write`. A write that reports failure does not stop the others; one
// that throws ends the sequence. Nothing is reported either way.
void RegisterMediaExtensions(const std::function<bool(const ProfileEntry&)>& write);

#ifdef _WIN32
// Writes the entries into the platform's own win.ini and system.ini.
void RegisterMediaExtensions();
#endif
