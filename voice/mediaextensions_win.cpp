#include "voice/mediaextensions.h"

#include "platform/profile.h"

void RegisterMediaExtensions() {
    RegisterMediaExtensions(
        [](const ProfileEntry& e) { return WriteProfileEntry(e.file, e.section, e.key, e.value); });
}
