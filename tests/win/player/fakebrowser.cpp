// Test tool registered as the browser ("msedge.exe") of the browser player's end-to-end tests.
// When started it adds its command line (UTF-8) as a line to browser-commandline.txt beside
// itself. With browser-hands-off beside it, it then ends at once, as Edge or Chrome does when it
// hands the page to a running process of the same profile; else it stays until browser-exit
// appears beside it (at most five minutes), as a browser lives while its window is open.
#include <windows.h>

#include <string>

namespace {

std::wstring Beside(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self = path;
    return self.substr(0, self.find_last_of(L'\\') + 1) + name;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const wchar_t* line = ::GetCommandLineW();
    int n = ::WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string text(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, line, -1, &text[0], n, nullptr, nullptr);
    text += "\r\n";
    HANDLE file = ::CreateFileW(Beside(L"browser-commandline.txt").c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
    if (Exists(Beside(L"browser-hands-off"))) return 0;
    std::wstring exit = Beside(L"browser-exit");
    for (int i = 0; i < 3000 && !Exists(exit); ++i) ::Sleep(100);
    return 0;
}
