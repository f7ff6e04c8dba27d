#include "platform/machinepolicy.h"

#include "platform/handles.h"

#include <windows.h>

namespace {

bool DwordOn(const std::string& key, const std::string& name, REGSAM view) {
    UniqueRegKey opened;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | view, opened.put()) !=
        ERROR_SUCCESS)
        return false;
    DWORD type = 0, value = 0, size = sizeof value;
    if (::RegQueryValueExA(opened.get(), name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return false;
    return type == REG_DWORD && size == sizeof value && value != 0;
}

}  // namespace

bool MachinePolicyOn(const std::string& key, const std::string& name) {
    // 32-bit Windows ignores KEY_WOW64_64KEY and reads its one view twice.
    return DwordOn(key, name, 0) || DwordOn(key, name, KEY_WOW64_64KEY);
}
