#include "platform/browser.h"

#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/textconv.h"

#include <shlobj.h>

#include <algorithm>
#include <optional>

namespace {

std::string AppPath(const char* exe) {
    const std::string key =
        std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + exe;
    std::unique_ptr<Registry> roots[] = {UserRegistry(), MachineRegistry()};
    for (const std::unique_ptr<Registry>& root : roots) {
        std::unique_ptr<RegistryKey> entry = root->OpenKeyForReading(key);
        if (!entry) continue;
        std::optional<std::string> path;
        try {
            path = entry->ReadString("");
        } catch (const RegistryError&) {
            continue;  // not a path
        }
        if (!path) continue;
        path->erase(std::remove(path->begin(), path->end(), '"'), path->end());
        if (!path->empty() && Win32FileSystem().FileExists(*path)) return *path;
    }
    return "";
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->processId && ::IsWindowVisible(hwnd) && !::GetWindow(hwnd, GW_OWNER)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::u16string ChromiumBrowser() {
    for (const char* exe : {"msedge.exe", "chrome.exe"}) {
        std::string path = AppPath(exe);
        if (!path.empty()) return AnsiToWide(path);
    }
    return u"";
}

std::u16string BrowserProfileFolder() {
    wchar_t base[MAX_PATH] = {};
    if (FAILED(
            ::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, base)))
        return u"";
    FileSystem& files = Win32FileSystem();
    std::u16string folder = ToU16String(base) + u"\\CourseShell";
    files.CreateFolder(folder);
    folder += u"\\Browser";
    files.CreateFolder(folder);
    return files.FolderExists(folder) ? folder : u"";
}

bool BrowserProcess::Start(const std::u16string& program, const std::u16string& commandLine) {
    std::wstring line = ToWString(commandLine);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(ToWString(program).c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    id_ = pi.dwProcessId;
    return true;
}

HWND BrowserProcess::Window() const {
    if (!process_) return nullptr;
    WindowSearch search = {id_, nullptr};
    ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
