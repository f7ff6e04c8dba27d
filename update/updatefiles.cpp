#include "update/updatecheck.h"

#include "platform/handles.h"

#include <windows.h>

#include <stdexcept>

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + " (error " + std::to_string(::GetLastError()) +
                             ")");
}

}  // namespace

void WriteWholeFile(const std::string& path, const ReplyBuffer& data) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail("cannot create", path);
    bool complete = true;
    data.ForEachPiece([&](const char* bytes, size_t size) {
        while (complete && size > 0) {
            DWORD written = 0;
            DWORD chunk = static_cast<DWORD>(size);
            if (!::WriteFile(file.get(), bytes, chunk, &written, nullptr) || written == 0) {
                complete = false;
                break;
            }
            bytes += written;
            size -= written;
        }
    });
    if (!complete) {
        DWORD error = ::GetLastError();
        file.reset();
        // Half an installer must not be mistaken for one later.
        ::DeleteFileA(path.c_str());
        ::SetLastError(error);
        Fail("cannot write", path);
    }
}

std::string ReadWholeFile(const std::string& path) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail("cannot open", path);
    std::string content;
    char block[65536];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), block, sizeof block, &read, nullptr)) Fail("cannot read", path);
        if (read == 0) break;
        content.append(block, read);
    }
    return content;
}
