// Stands in for the programs the manager starts: appends its command line to opened.txt beside
// itself, so a test can see which file was opened with which parameters.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\') --n;
    lstrcpyA(path + n, "opened.txt");
    HANDLE f =
        ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    const char* line = ::GetCommandLineA();
    DWORD written = 0;
    ::WriteFile(f, line, lstrlenA(line), &written, nullptr);
    ::WriteFile(f, "\n", 1, &written, nullptr);
    ::CloseHandle(f);
    return 0;
}
