// In-memory stand-ins for the platform's file system and shell, shaped after the Win32 behaviour
// the callers rely on: "/" and "\\" name the same entry, a folder needs its parent, drives
// exist, nothing existing is replaced by a copy or a rename.
#pragma once

#include "platform/filesystem.h"
#include "platform/shell.h"
#include "platform/textconv.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
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
    std::vector<std::string> copied;           // "from > to" as CopyFileNoReplace received them
    std::vector<std::string> deleted;          // files as DeleteFilePermanently received them
    size_t chunk = 4096;                       // the most one Read returns
    int openFiles = 0;
    // Rights the platform may refuse, which Wine running as root never does.
    std::set<std::string> readOnly;       // files that cannot be opened for writing
    std::set<std::string> unreadable;     // files that cannot be opened at all
    std::set<std::string> lockedFolders;  // folders in which nothing can be created
    std::set<std::string> hidden;         // entries marked hidden or system

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

    static std::string ParentOf(const std::string& key) {
        size_t at = LastDelimiter(key, "\\");
        return at == std::string::npos ? std::string() : key.substr(0, at);
    }

    bool ParentExists(const std::string& key) const {
        if (LastDelimiter(key, "\\") == std::string::npos) return false;
        std::string parent = ParentOf(key);
        return parent.size() <= 2 || folders.count(parent) > 0;
    }

    bool Exists(const std::string& key) const { return files.count(key) || folders.count(key); }
    bool Locked(const std::string& key) const { return lockedFolders.count(ParentOf(key)) > 0; }

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
        std::uint64_t Size() override { return content_.size(); }
        void Seek(std::uint64_t offset) override {
            at_ = static_cast<size_t>(std::min<std::uint64_t>(offset, content_.size()));
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

    // In the order of the keys, which is not the order of any view: the callers sort.
    std::vector<FolderEntry> ListFolder(const std::string& folder) override {
        std::string key = Key(folder);
        std::vector<FolderEntry> entries;
        auto take = [&](const std::string& path, bool isFolder, size_t size) {
            if (ParentOf(path) != key || path == key) return;
            FolderEntry entry;
            entry.name = path.substr(key.size() + 1);
            entry.folder = isFolder;
            entry.hidden = hidden.count(path) > 0;
            entry.size = size;
            entries.push_back(entry);
        };
        if (!FolderExists(key)) return entries;
        for (const std::string& f : folders) take(f, true, 0);
        for (const auto& f : files) take(f.first, false, f.second.size());
        return entries;
    }

    bool CopyFileNoReplace(const std::string& from, const std::string& to) override {
        copied.push_back(from + " > " + to);
        auto source = files.find(Key(from));
        std::string target = Key(to);
        if (source == files.end() || unreadable.count(source->first)) return false;
        if (Exists(target) || !ParentExists(target) || Locked(target)) return false;
        files[target] = source->second;
        return true;
    }

    bool DeleteFilePermanently(const std::string& path) override {
        deleted.push_back(path);
        std::string key = Key(path);
        if (readOnly.count(key) || Locked(key)) return false;
        return files.erase(key) > 0;
    }

    // Moves a file, or a folder with everything below it.
    bool Rename(const std::string& from, const std::string& to) override {
        std::string source = Key(from), target = Key(to);
        if (!Exists(source) || Exists(target) || !ParentExists(target)) return false;
        if (Locked(source) || Locked(target)) return false;
        auto moved = [&](const std::string& key) { return target + key.substr(source.size()); };
        auto below = [&](const std::string& key) {
            return key == source || key.rfind(source + "\\", 0) == 0;
        };
        std::map<std::string, std::string> keptFiles;
        for (const auto& f : files) keptFiles[below(f.first) ? moved(f.first) : f.first] = f.second;
        std::set<std::string> keptFolders;
        for (const std::string& f : folders) keptFolders.insert(below(f) ? moved(f) : f);
        files.swap(keptFiles);
        folders.swap(keptFolders);
        return true;
    }
};

// Records what the shell was asked; recycling succeeds unless `refuseRecycle` is set, and then
// takes the path out of the fake file system it was given, as the recycle bin would.
class FakeShell : public Shell {
  public:
    explicit FakeShell(FakeFileSystem* files = nullptr) : files_(files) {}

    struct Opened {
        std::string file;
        std::string parameters;
    };
    std::vector<Opened> opened;
    std::vector<std::string> recycled;  // "<path> <flags in hex>"
    bool refuseRecycle = false;

    void Open(const std::string& file, const std::string& parameters) override {
        opened.push_back({file, parameters});
    }

    bool RecycleDelete(const std::string& path, bool allowFolders, unsigned extraFlags) override {
        char flags[16];
        std::snprintf(flags, sizeof flags, "%04x", RecycleDeleteFlags(allowFolders, extraFlags));
        recycled.push_back(path + " " + flags);
        if (refuseRecycle) return false;
        if (files_) {
            std::string key = FakeFileSystem::Key(path);
            files_->files.erase(key);
            for (auto it = files_->files.begin(); it != files_->files.end();)
                it = it->first.rfind(key + "\\", 0) == 0 ? files_->files.erase(it) : std::next(it);
            for (auto it = files_->folders.begin(); it != files_->folders.end();)
                it = *it == key || it->rfind(key + "\\", 0) == 0 ? files_->folders.erase(it)
                                                                 : std::next(it);
        }
        return true;
    }

  private:
    FakeFileSystem* files_;
};
