#include "platform/registry.h"

#include "platform/handles.h"

#include <windows.h>

namespace {

std::string WithoutLeadingBackslash(const std::string& path) {
    return !path.empty() && path[0] == '\\' ? path.substr(1) : path;
}

class Win32Key : public RegistryKey {
  public:
    explicit Win32Key(UniqueRegKey key) : key_(std::move(key)) {}

    std::optional<std::string> ReadString(const std::string& name) override {
        for (;;) {
            DWORD type = 0, size = 0;
            LONG status =
                ::RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, nullptr, &size);
            if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
            if (status != ERROR_SUCCESS)
                throw RegistryError("Failed to get data for '" + name + "'");
            if (type != REG_SZ && type != REG_EXPAND_SZ)
                throw RegistryError("Invalid data type for '" + name + "'");
            std::string data(size, '\0');
            status = ::RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(&data[0]), &size);
            // The value may have grown between the two calls; ask again.
            if (status == ERROR_MORE_DATA) continue;
            if (status != ERROR_SUCCESS)
                throw RegistryError("Failed to get data for '" + name + "'");
            if (type != REG_SZ && type != REG_EXPAND_SZ)
                throw RegistryError("Invalid data type for '" + name + "'");
            data.resize(size);
            size_t zero = data.find('\0');
            if (zero != std::string::npos) data.resize(zero);
            return data;
        }
    }

    void WriteString(const std::string& name, const std::string& value) override {
        LONG status = ::RegSetValueExA(key_.get(), name.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
        if (status != ERROR_SUCCESS) throw RegistryError("Failed to set data for '" + name + "'");
    }

    bool HasValues() override {
        DWORD values = 0;
        return ::RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
               values > 0;
    }

  private:
    UniqueRegKey key_;
};

class RootKeys : public Registry {
  public:
    explicit RootKeys(HKEY root) : root_(root) {}

    bool KeyExists(const std::string& path) override {
        UniqueRegKey key;
        return ::RegOpenKeyExA(root_, WithoutLeadingBackslash(path).c_str(), 0,
                               KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                               key.put()) == ERROR_SUCCESS;
    }

    std::unique_ptr<RegistryKey> OpenKey(const std::string& path, bool create) override {
        UniqueRegKey key;
        std::string subKey = WithoutLeadingBackslash(path);
        LONG status;
        if (create) {
            DWORD disposition = 0;
            status = ::RegCreateKeyExA(root_, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_READ | KEY_WRITE, nullptr, key.put(), &disposition);
        } else {
            status = ::RegOpenKeyExA(root_, subKey.c_str(), 0, KEY_READ | KEY_WRITE, key.put());
        }
        refused_ = status == ERROR_ACCESS_DENIED;
        if (status != ERROR_SUCCESS) return nullptr;
        return std::make_unique<Win32Key>(std::move(key));
    }

    bool LastOpenRefused() const override { return refused_; }

    std::unique_ptr<RegistryKey> OpenKeyForReading(const std::string& path) override {
        UniqueRegKey key;
        if (::RegOpenKeyExA(root_, WithoutLeadingBackslash(path).c_str(), 0, KEY_READ, key.put()) !=
            ERROR_SUCCESS)
            return nullptr;
        return std::make_unique<Win32Key>(std::move(key));
    }

  private:
    HKEY root_;
    bool refused_ = false;
};

}  // namespace

std::unique_ptr<Registry> MachineRegistry() {
    return std::make_unique<RootKeys>(HKEY_LOCAL_MACHINE);
}

std::unique_ptr<Registry> UserRegistry() {
    return std::make_unique<RootKeys>(HKEY_CURRENT_USER);
}
