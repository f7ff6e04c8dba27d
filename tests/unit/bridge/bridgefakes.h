// In-memory stand-ins for the file system and the registry, shaped after the Win32 behaviour the
// bridge relies on: "/" and "\" name the same entry, a folder needs its parent, drives exist.
#pragma once

#include "platform/paths.h"
#include "platform/filesystem.h"
#include "platform/registry.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

class FakeFileSystem : public FileSystem {
  public:
    std::map<std::string, std::string> files;  // normalised path -> content
    std::set<std::string> folders;             // normalised paths
    std::vector<std::string> created;          // folders as CreateFolder received them
    std::vector<std::string> written;          // files as WriteNewFile received them
    size_t chunk = 4096;                       // the most one Read returns
    int openFiles = 0;
    // Rights the platform may refuse, which Wine running as root never does.
    std::set<std::string> readOnly;       // files that cannot be opened for writing
    std::set<std::string> unreadable;     // files that cannot be opened at all
    std::set<std::string> lockedFolders;  // folders in which nothing can be created

    static std::string Key(std::string path) {
        std::replace(path.begin(), path.end(), '/', '\\');
        // As the ANSI file functions do, a GBK trail byte 0x5C is not a separator.
        while (path.size() > 2 && LastDelimiter(path, "\\") == path.size() - 1) path.pop_back();
        return path;
    }

    void AddFolder(const std::string& path) {
        std::string key = Key(path);
        folders.insert(key);
        for (size_t at = key.find('\\', 3); at != std::string::npos; at = key.find('\\', at + 1))
            folders.insert(key.substr(0, at));
    }

    void AddFile(const std::string& path, const std::string& content) {
        std::string key = Key(path);
        AddFolder(key.substr(0, key.rfind('\\')));
        files[key] = content;
    }

    bool ParentExists(const std::string& key) const {
        size_t at = LastDelimiter(key, "\\");
        if (at == std::string::npos) return false;
        std::string parent = key.substr(0, at);
        return parent.size() <= 2 || folders.count(parent) > 0;
    }

    bool FileExists(const std::string& path) override { return files.count(Key(path)) > 0; }
    bool FolderExists(const std::string& path) override {
        std::string key = Key(path);
        return key.size() == 2 ? key[1] == ':' : folders.count(key) > 0;
    }

    bool CreateFolder(const std::string& path) override {
        created.push_back(path);
        std::string key = Key(path);
        if (files.count(key) || folders.count(key) || !ParentExists(key)) return false;
        if (lockedFolders.count(key.substr(0, LastDelimiter(key, "\\")))) return false;
        folders.insert(key);
        return true;
    }

    class File : public InputFile {
      public:
        File(FakeFileSystem& owner, std::string content)
            : owner_(owner), content_(std::move(content)) {
            ++owner_.openFiles;
        }
        ~File() override { --owner_.openFiles; }
        size_t Read(char* buffer, size_t size) override {
            size_t n = std::min({size, owner_.chunk, content_.size() - at_});
            std::copy_n(content_.data() + at_, n, buffer);
            at_ += n;
            return n;
        }

      private:
        FakeFileSystem& owner_;
        std::string content_;
        size_t at_ = 0;
    };

    std::unique_ptr<InputFile> OpenForReading(const std::string& path) override {
        std::string key = Key(path);
        auto it = files.find(key);
        if (it == files.end()) throw IoError(ParentExists(key) ? 2 : 3);
        if (unreadable.count(key)) throw IoError(5);
        return std::make_unique<File>(*this, it->second);
    }

    void WriteNewFile(const std::string& path, const std::string& content) override {
        written.push_back(path);
        std::string key = Key(path);
        if (folders.count(key) || readOnly.count(key) || unreadable.count(key)) throw IoError(5);
        if (!ParentExists(key)) throw IoError(3);
        if (!files.count(key) && lockedFolders.count(key.substr(0, LastDelimiter(key, "\\"))))
            throw IoError(5);
        files[key] = content;
    }
};

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
    };
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
            if (!key_.writable) throw RegistryError("Failed to set data for '" + name + "'");
            key_.values[name] = FakeValue{FakeValue::String, value};
        }

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
        if (!key && create) key = &keys[Normal(path)];
        if (!key || !key->openable) return nullptr;
        return std::make_unique<Handle>(*this, *key);
    }
};
