#include "platform/shell.h"

#include <shellapi.h>

namespace {

class Win32ShellOf : public Shell {
  public:
    explicit Win32ShellOf(std::function<HWND()> owner) : owner_(std::move(owner)) {}

    void Open(const std::string& file, const std::string& parameters) override {
        ::ShellExecuteA(owner_ ? owner_() : nullptr, "open", file.c_str(),
                        parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL);
    }

    bool RecycleDelete(const std::string& path, bool allowFolders, unsigned extraFlags) override {
        // The source is a list of names, each ended by a NUL, the list by a second NUL.
        std::string source = path;
        source.push_back('\0');
        source.push_back('\0');
        SHFILEOPSTRUCTA op = {};
        op.hwnd = ::GetActiveWindow();
        op.wFunc = FO_DELETE;
        op.pFrom = source.c_str();
        op.pTo = "";
        op.fFlags = static_cast<FILEOP_FLAGS>(RecycleDeleteFlags(allowFolders, extraFlags));
        return ::SHFileOperationA(&op) == 0;
    }

  private:
    std::function<HWND()> owner_;
};

}  // namespace

std::unique_ptr<Shell> Win32Shell(std::function<HWND()> owner) {
    return std::make_unique<Win32ShellOf>(std::move(owner));
}
