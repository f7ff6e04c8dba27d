// The file requests of the movie: paths relative to the program directory, the first line of a
// text file, whole-file writes that end with CR LF, and folder creation. Portable over the
// FileSystem interface.
#pragma once

#include "platform/filesystem.h"

#include <functional>
#include <optional>
#include <string>

// The first line of a file: up to the first LF (so also a CR LF pair), the first 0x1A or the end.
// CR bytes are never part of the line, also a CR not followed by LF. No length limit.
std::string ReadFirstLine(InputFile& file);

// Creates a folder and its missing parents. Success when the folder exists afterwards or the
// path is too short to name one (a drive or the empty text); the GBK trail byte 0x5C is not a
// separator. A path longer than any Windows path fails at once.
bool ForceFolders(FileSystem& files, const std::string& path);

class FileServices {
  public:
    FileServices(FileSystem& files, std::function<std::string()> programDirectory);

    // "loadfile": nothing when no file exists at the path.
    std::optional<std::string> LoadFile(const std::string& relative);
    // "loadBytes": a missing file is an IoError like any other.
    std::string LoadBytes(const std::string& relative);
    // "fileexists".
    bool FileExists(const std::string& relative);
    // "savefile" and "saveToUTF8": the ANSI text stored as UTF-8, then CR LF.
    void SaveUtf8(const std::string& relative, const std::string& text);
    // "saveBytes": the text stored as it is, then CR LF.
    void SaveBytes(const std::string& relative, const std::string& text);
    // "newfolder": the folder and its missing parents.
    bool NewFolder(const std::string& relative);
    // "getAppDir": computed afresh at each call.
    std::string ProgramDirectory() const;

  private:
    std::string ReadLineAt(const std::string& fullPath);
    void WriteWithLineEnd(const std::string& relative, const std::string& content);

    FileSystem& files_;
    std::function<std::string()> programDirectory_;
};
