#include "platform/fileversion.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

// The version library is loaded at the first question, not imported: only the Flash player's
// start asks, and every import costs each start of the program.
struct VersionLibrary {
    decltype(&::GetFileVersionInfoSizeW) size = nullptr;
    decltype(&::GetFileVersionInfoW) info = nullptr;
    decltype(&::VerQueryValueW) query = nullptr;
};

const VersionLibrary& Library() {
    static const VersionLibrary library = [] {
        VersionLibrary l;
        // From the system folder by its full name: a version.dll beside the program is not ours.
        wchar_t system[MAX_PATH];
        UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return l;
        std::wstring file = std::wstring(system, n) + L"\\version.dll";
        if (HMODULE module = ::LoadLibraryW(file.c_str())) {
            l.size = reinterpret_cast<decltype(l.size)>(
                reinterpret_cast<void*>(::GetProcAddress(module, "GetFileVersionInfoSizeW")));
            l.info = reinterpret_cast<decltype(l.info)>(
                reinterpret_cast<void*>(::GetProcAddress(module, "GetFileVersionInfoW")));
            l.query = reinterpret_cast<decltype(l.query)>(
                reinterpret_cast<void*>(::GetProcAddress(module, "VerQueryValueW")));
        }
        return l;
    }();
    return library;
}

}  // namespace

std::optional<FileVersion> ReadFileVersion(const std::wstring& path) {
    const VersionLibrary& v = Library();
    if (!v.size || !v.info || !v.query) return std::nullopt;
    DWORD ignored = 0;
    DWORD size = v.size(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<BYTE> block(size);
    if (!v.info(path.c_str(), 0, size, block.data())) return std::nullopt;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!v.query(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof *fixed || fixed->dwSignature != VS_FFI_SIGNATURE)
        return std::nullopt;
    return FileVersion{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                       HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
}
