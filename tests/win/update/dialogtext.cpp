// Test tool: prints the controls of the visible top-level windows whose caption is the first
// argument, one line each: class, tab, text (UTF-8), and for edit fields the selection.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
    std::string out(n, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n,
                          nullptr, nullptr);
    return out;
}

std::wstring TextOf(HWND window) {
    LRESULT length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    ::SendMessageW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    wchar_t cls[64] = {};
    ::GetClassNameW(child, cls, 64);
    std::string line = Utf8(cls) + "\t" + Utf8(TextOf(child));
    if (::lstrcmpiW(cls, L"Edit") == 0) {
        DWORD start = 0, end = 0;
        ::SendMessageW(child, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        line += "\tsel=" + std::to_string(start) + "," + std::to_string(end);
    }
    std::printf("%s\n", line.c_str());
    return TRUE;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc < 2) return 2;
    std::wstring caption = argv[1];
    int found = 0;
    for (HWND w = ::FindWindowExW(nullptr, nullptr, nullptr, caption.c_str()); w;
         w = ::FindWindowExW(nullptr, w, nullptr, caption.c_str())) {
        if (!::IsWindowVisible(w)) continue;
        ++found;
        std::printf("window\t%s\n", Utf8(caption).c_str());
        ::EnumChildWindows(w, PrintChild, 0);
    }
    std::fflush(stdout);
    return found ? 0 : 1;
}
