// Test tool served as the "installer": when started, it notes how it was started in
// installer-started.txt beside itself and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self = path;
    std::string note = self.substr(0, self.find_last_of('\\') + 1) + "installer-started.txt";
    char cwd[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string text = std::string("exe=") + path + "\r\ncmdline=" + ::GetCommandLineA() +
                       "\r\nshow=" + std::to_string(show) + "\r\n";
    HANDLE file = ::CreateFileA(note.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
