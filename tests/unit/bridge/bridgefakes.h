// In-memory stand-in for the registry, shaped after the Win32 behaviour the bridge relies on; the
// file system's stand-in is shared with the other layers' tests.
#pragma once

#include "platform/registry.h"
#include "tests/unit/fakes/platformfakes.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

// Registry values as the platform keeps them: a type and the bytes.
struct FakeValue {
    enum Type { String, ExpandString, Number } type = String;
    std::string bytes;
};

class FakeRegistry : public Registry {
  public:
    struct Key {
        std::map<std::string, FakeValue> values;
        bool openable = true;  // for reading and writing
        bool writable = true;
        // Refused for lack of rights when opened for writing, as the machine's keys are to a
        // standard user; it can still be read.
        bool refused = false;
    };
    // Refuses to create keys for lack of rights, as the machine's hive does to a standard user.
    bool refusesNewKeys = false;
    std::map<std::string, Key> keys;  // lower-case path without the outer backslashes
    std::vector<std::string>
        calls;  // "exists <path>", "open <path>", "create <path>", "write <name>"
    int openHandles = 0;

    static std::string Normal(std::string path) {
        while (!path.empty() && path.front() == '\\') path.erase(path.begin());
        while (!path.empty() && path.back() == '\\') path.pop_back();
        for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return path;
    }

    Key* Find(const std::string& path) {
        auto it = keys.find(Normal(path));
        return it == keys.end() ? nullptr : &it->second;
    }

    class Handle : public RegistryKey {
      public:
        Handle(FakeRegistry& owner, Key& key) : owner_(owner), key_(key) { ++owner_.openHandles; }
        ~Handle() override { --owner_.openHandles; }
        std::optional<std::string> ReadString(const std::string& name) override {
            auto it = key_.values.find(name);
            if (it == key_.values.end()) return std::nullopt;
            if (it->second.type == FakeValue::Number)
                throw RegistryError("Invalid data type for '" + name + "'");
            return it->second.bytes;
        }
        void WriteString(const std::string& name, const std::string& value) override {
            owner_.calls.push_back("write " + name);
            if (!key_.writable || readOnly)
                throw RegistryError("Failed to set data for '" + name + "'");
            key_.values[name] = FakeValue{FakeValue::String, value};
        }

        bool HasValues() override { return !key_.values.empty(); }
        bool readOnly = false;

      private:
        FakeRegistry& owner_;
        Key& key_;
    };

    bool KeyExists(const std::string& path) override {
        calls.push_back("exists " + path);
        return Find(path) != nullptr;
    }

    std::unique_ptr<RegistryKey> OpenKey(const std::string& path, bool create) override {
        calls.push_back((create ? "create " : "open ") + path);
        Key* key = Find(path);
        refused_ = key ? key->refused : create && refusesNewKeys;
        if (refused_) return nullptr;
        if (!key && create) key = &keys[Normal(path)];
        if (!key || !key->openable) return nullptr;
        return std::make_unique<Handle>(*this, *key);
    }

    std::unique_ptr<RegistryKey> OpenKeyForReading(const std::string& path) override {
        calls.push_back("read " + path);
        Key* key = Find(path);
        if (!key || !key->openable) return nullptr;
        auto handle = std::make_unique<Handle>(*this, *key);
        handle->readOnly = true;
        return handle;
    }

    bool LastOpenRefused() const override { return refused_; }

  private:
    bool refused_ = false;
};
