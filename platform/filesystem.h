// The file operations the movie's file requests need, behind a narrow interface: the Win32 file
// system in the program, an in-memory fake in the portable tests. Paths are ANSI text.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

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
};

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
};

#ifdef _WIN32
// The Win32 file system through the ANSI functions.
std::unique_ptr<FileSystem> Win32FileSystem();
#endif
