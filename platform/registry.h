// The registry as the settings store uses it: string values of keys below one root, reached
// through the ANSI interface. A key path that starts with "\" is taken from the root (the
// backslash is dropped before the platform sees it, which rejects it); the interface is narrow
// so that the store's rules can be tested against a fake.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

class RegistryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An open key; its handle is closed when the object is destroyed.
class RegistryKey {
  public:
    virtual ~RegistryKey() = default;
    // The bytes of a string value up to its terminating zero; nothing when the value does not
    // exist. Throws RegistryError for a value of another type or a failing call.
    virtual std::optional<std::string> ReadString(const std::string& name) = 0;
    // Stores a string value (REG_SZ with its terminating zero). Throws RegistryError.
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
    // Whether the key holds values of its own (a key may exist only as the parent of others).
    virtual bool HasValues() = 0;
};

class Registry {
  public:
    virtual ~Registry() = default;
    // Whether the key can be opened for query and enumeration.
    virtual bool KeyExists(const std::string& path) = 0;
    // Opens the key for reading and writing, creating it first when `create` is set; nullptr
    // when that fails.
    virtual std::unique_ptr<RegistryKey> OpenKey(const std::string& path, bool create) = 0;
    // Opens the key for reading only, as a standard user may where he cannot write (the
    // machine's keys); nullptr when that fails. A key so opened takes no writes.
    virtual std::unique_ptr<RegistryKey> OpenKeyForReading(const std::string& path) {
        return OpenKey(path, false);
    }
    // Whether the latest OpenKey that gave nullptr was refused for lack of rights, as the
    // machine's keys are to a standard user whom Windows does not virtualise; false when the key
    // was missing or the call failed otherwise.
    virtual bool LastOpenRefused() const { return false; }
};

#ifdef _WIN32
// Keys below HKEY_LOCAL_MACHINE, in the view the running program sees.
std::unique_ptr<Registry> MachineRegistry();
// Keys below HKEY_CURRENT_USER: what the program keeps for each user.
std::unique_ptr<Registry> UserRegistry();
#endif
