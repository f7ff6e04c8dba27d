// The program's one seam to the file system: the movie's file requests, the resource windows,
// the open dialog and the update all reach files through it. The Win32 file system in the
// program, an in-memory fake in the portable tests. Paths are ANSI text; the open dialog alone
// works in UTF-16, so that names outside the code page still show and open, and has its own
// overloads for what it does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// An input/output failure with the runtime's short text for the platform's error code, which is
// what the default error report shows to the user ("File not found" for a missing file).
class IoError : public std::runtime_error {
  public:
    explicit IoError(unsigned long code);
    unsigned long code() const { return code_; }

  private:
    unsigned long code_;
};

// The text of an input/output error code: the common codes have their own short texts, any
// other code reads "I/O error <code>".
std::string InOutErrorText(unsigned long code);

// A file open for reading; closed when destroyed.
class InputFile {
  public:
    virtual ~InputFile() = default;
    // Reads up to `size` bytes; 0 at the end of the file. Throws IoError.
    virtual size_t Read(char* buffer, size_t size) = 0;
    // The file's length in bytes, and the next Read from `offset` on (for serving a file in
    // pieces and parts of it). Throw IoError.
    virtual std::uint64_t Size() = 0;
    virtual void Seek(std::uint64_t offset) = 0;
};

// One entry of a folder. Hidden and system entries are listed too, marked, since the views that
// leave them out are the callers.
template <class Text>
struct BasicFolderEntry {
    Text name;
    bool folder = false;
    bool hidden = false;  // hidden or system
    std::uint64_t size = 0;
    std::uint64_t modified = 0;  // last write, in 100 ns units since 1601 (UTC)
};
using FolderEntry = BasicFolderEntry<std::string>;
using WideFolderEntry = BasicFolderEntry<std::u16string>;

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // True for an existing file; a folder of that name does not count.
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    // Creates one folder whose parent exists; false when it cannot.
    virtual bool CreateFolder(const std::string& path) = 0;
    // Throws IoError when the file cannot be opened.
    virtual std::unique_ptr<InputFile> OpenForReading(const std::string& path) = 0;
    // Replaces the file (or creates it) with `content` and closes it. Throws IoError; a write
    // that fails leaves the earlier content as it was.
    virtual void WriteNewFile(const std::string& path, const std::string& content) = 0;
    // The entries of a folder in the order the file system gives them, without "." and "..";
    // none for a folder that cannot be read.
    virtual std::vector<FolderEntry> ListFolder(const std::string& folder) = 0;
    // Copies a file; an existing target is never replaced. False when nothing was copied.
    virtual bool CopyFileNoReplace(const std::string& from, const std::string& to) = 0;
    // Deletes a file for good, not into the recycle bin.
    virtual bool DeleteFilePermanently(const std::string& path) = 0;
    // Gives a file or folder a new name or place; an existing target is not replaced.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;

    // The open dialog's UTF-16 side of the same operations. By default they go through the ANSI
    // ones, which serves any file system whose names all lie in the code page; the Win32 one
    // asks the system in UTF-16.
    virtual bool FileExists(const std::u16string& path);
    virtual bool FolderExists(const std::u16string& path);
    virtual bool CreateFolder(const std::u16string& path);
    virtual std::vector<WideFolderEntry> ListFolder(const std::u16string& folder);
    // Opens a file on disk for reading while others may read and write it (the browser player
    // serves the program directory with it); devices and pipes are refused. Throws IoError.
    virtual std::unique_ptr<InputFile> OpenForReading(const std::u16string& path);
};

// The whole content of a file, read through the seam. Throws IoError.
std::string ReadWholeFile(FileSystem& files, const std::string& path);

#ifdef _WIN32
// The Win32 file system, one for the whole process: the ANSI functions, the wide ones for the
// UTF-16 overloads.
FileSystem& Win32FileSystem();
#endif
