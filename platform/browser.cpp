#include "platform/browser.h"

#include "platform/browsersearch.h"
#include "platform/filesystem.h"
#include "platform/textconv.h"

#include <shlobj.h>

#include <cwchar>
#include <optional>

namespace {

class Win32BrowserPlaces : public BrowserPlaces {
  public:
    std::optional<std::u16string> AppPath(Hive hive, View view,
                                          const std::u16string& exe) override {
        std::wstring key =
            L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + ToWString(exe);
        // 32-bit Windows has one view and ignores the flag.
        REGSAM access =
            KEY_QUERY_VALUE | (view == View::Native64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
        UniqueRegKey entry;
        if (::RegOpenKeyExW(hive == Hive::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                            key.c_str(), 0, access, entry.put()) != ERROR_SUCCESS)
            return std::nullopt;
        DWORD type = 0, size = 0;
        if (::RegQueryValueExW(entry.get(), nullptr, nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        if (::RegQueryValueExW(entry.get(), nullptr, nullptr, &type,
                               reinterpret_cast<BYTE*>(&value[0]), &size) != ERROR_SUCCESS)
            return std::nullopt;
        value.resize(::wcsnlen(value.c_str(), value.size()));
        if (type == REG_EXPAND_SZ) {
            wchar_t expanded[MAX_PATH * 2] = {};
            DWORD n = ::ExpandEnvironmentStringsW(value.c_str(), expanded, MAX_PATH * 2);
            if (n == 0 || n > MAX_PATH * 2) return std::nullopt;
            value = expanded;
        }
        return ToU16String(value);
    }

    std::u16string Environment(const std::u16string& name) override {
        wchar_t value[MAX_PATH] = {};
        DWORD n = ::GetEnvironmentVariableW(ToWString(name).c_str(), value, MAX_PATH);
        return n > 0 && n < MAX_PATH ? ToU16String(value) : u"";
    }

    bool FileExists(const std::u16string& path) override {
        DWORD attributes = ::GetFileAttributesW(ToWString(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
};

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
    Win32BrowserPlaces places;
    return FindChromiumBrowser(places);
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

bool BrowserProcess::Ended() const {
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
}

void BrowserProcess::Release() {
    process_.reset();
    id_ = 0;
}

HWND BrowserProcess::Window() const {
    if (!process_) return nullptr;
    WindowSearch search = {id_, nullptr};
    ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
