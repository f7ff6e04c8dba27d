// Test tool: prints every visible top-level window of the session with the texts of its child
// controls, one JSON object per line in UTF-8, so end-to-end tests can read what a dialog says.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                          nullptr, nullptr);
    return out;
}

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (char c : Utf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[4096];
    // WM_GETTEXT with a time-out: a hung window must not hang the tool.
    DWORD_PTR n = 0;
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer),
                               SMTO_ABORTIFHUNG, 2000, &n))
        return {};
    return std::wstring(buffer, n);
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256];
    int n = ::GetClassNameW(hwnd, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

BOOL CALLBACK Child(HWND hwnd, LPARAM param) {
    auto* line = reinterpret_cast<std::string*>(param);
    if (!::IsWindowVisible(hwnd)) return TRUE;
    std::wstring text = TextOf(hwnd);
    if (text.empty()) return TRUE;
    if (line->back() != '[') *line += ",";
    *line += "{\"class\":" + Json(ClassOf(hwnd)) + ",\"text\":" + Json(text) + "}";
    return TRUE;
}

BOOL CALLBACK TopLevel(HWND hwnd, LPARAM) {
    if (!::IsWindowVisible(hwnd)) return TRUE;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    std::string line = "{\"title\":" + Json(TextOf(hwnd)) + ",\"class\":" + Json(ClassOf(hwnd)) +
                       ",\"pid\":" + std::to_string(pid) + ",\"enabled\":" +
                       (::IsWindowEnabled(hwnd) ? "true" : "false") + ",\"children\":[";
    ::EnumChildWindows(hwnd, Child, reinterpret_cast<LPARAM>(&line));
    line += "]}\n";
    std::fputs(line.c_str(), stdout);
    return TRUE;
}

}  // namespace

int main() {
    ::EnumWindows(TopLevel, 0);
    std::fflush(stdout);
    return 0;
}
