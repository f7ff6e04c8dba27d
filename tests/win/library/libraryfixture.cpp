#include "libraryfixture.h"

#include "platform/paths.h"
#include "platform/application.h"
#include "platform/guard.h"

#include <shellapi.h>

#include <cstring>

namespace librarytest {

void LibraryTest::SetUp() {
    SetFailureReporter([this](const std::string& text) { reported_.push_back(text); });
    resources_ = ProgramDirectory() + "resources";
    RemoveTree(resources_);
    ASSERT_TRUE(::CreateDirectoryA(resources_.c_str(), nullptr));
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    scratch_ = std::string(temp) + "cs_library_" + std::to_string(::GetTickCount());
    ASSERT_TRUE(::CreateDirectoryA(scratch_.c_str(), nullptr));
}

void LibraryTest::TearDown() {
    RemoveTree(resources_);
    RemoveTree(scratch_);
    SetFailureReporter(nullptr);
}

void LibraryTest::WriteFile(const std::string& path, const std::string& content) {
    for (size_t i = path.find('\\', 3); i != std::string::npos; i = path.find('\\', i + 1))
        ::CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f) << path;
    DWORD written = 0;
    ::WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(f);
}

std::string LibraryTest::ReadFile(const std::string& path) {
    HANDLE f = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[4096];
    DWORD read = 0;
    ::ReadFile(f, buffer, sizeof buffer, &read, nullptr);
    ::CloseHandle(f);
    return std::string(buffer, read);
}

void LibraryTest::RemoveTree(const std::string& path) {
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    std::string source = path + '\0' + '\0';
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = source.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    ::SHFileOperationA(&op);
}

void ClickAt(HWND control, POINT p, bool right, bool doubleClick) {
    LPARAM at = MAKELPARAM(p.x, p.y);
    UINT down = right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    UINT up = right ? WM_RBUTTONUP : WM_LBUTTONUP;
    WPARAM keys = right ? MK_RBUTTON : MK_LBUTTON;
    ::PostMessageW(control, down, keys, at);
    ::PostMessageW(control, up, 0, at);
    if (doubleClick) {
        ::PostMessageW(control, right ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK, keys, at);
        ::PostMessageW(control, up, 0, at);
    }
}

void ClickTreeItem(HWND tree, HTREEITEM item, bool right) {
    // TVM_GETITEMRECT takes the item in the rectangle's first bytes.
    RECT r = {};
    std::memcpy(&r, &item, sizeof item);
    ::SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
    ClickAt(tree, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, right);
}

void ClickListItem(HWND list, int index, bool doubleClick) {
    RECT r = {};
    r.left = LVIR_ICON;
    ::SendMessageW(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    ClickAt(list, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, false, doubleClick);
}

void PumpFor(DWORD ms) {
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        ProcessMessages();
        ::Sleep(10);
    }
}

std::wstring TreeLabel(HWND tree, HTREEITEM item) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = MAX_PATH;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

}  // namespace librarytest
