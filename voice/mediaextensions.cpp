#include "voice/mediaextensions.h"

#include <exception>

const std::vector<ProfileEntry>& MediaExtensionEntries() {
    static const std::vector<ProfileEntry> entries = {
        {"win.ini", "mci extensions", "mpg", "MPEGVideo"},
        {"win.ini", "mci extensions", "dat", "MPEGVideo"},
        {"win.ini", "mci extensions", "mpv", "MPEGVideo"},
        {"win.ini", "mci extensions", "mpeg", "MPEGVideo"},
        {"win.ini", "mci extensions", "cjt", "MPEGVideo"},
        {"win.ini", "mci extensions", "avi", "AVIVideo"},
        {"system.ini", "mci", "MPEGVideo", "mciqtz.drv"},
    };
    return entries;
}

void RegisterMediaExtensions(const std::function<bool(const ProfileEntry&)>& write) {
    // Start-up goes on whatever happens here: the table is a convenience for video clips.
    try {
        for (const ProfileEntry& e : MediaExtensionEntries()) write(e);
    } catch (const std::exception&) {
    }
}
