#include "platform/paths.h"

#include <windows.h>

std::string ExecutablePath() {
    std::string name(MAX_PATH, '\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameA(nullptr, &name[0], static_cast<DWORD>(name.size()));
        if (n < name.size()) {
            name.resize(n);
            return name;
        }
        name.resize(name.size() * 2);
    }
}

std::string ProgramDirectory() {
    return DirectoryPart(ExecutablePath());
}
