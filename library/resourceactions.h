// What the resource manager's buttons do to the disk, apart from its trees and lists: create a
// category, delete one into the recycle bin, copy files in, delete a file for good, open a file.
// Portable over the file-system and shell seams and the manager's two dialogs, so the rules are
// tested without a window; `TForm3` keeps its views in step around these calls.
#pragma once

#include "platform/filesystem.h"
#include "platform/shell.h"

#include <functional>
#include <string>
#include <vector>

// The manager's input dialog and its plain message. Texts are ANSI.
class ManagerDialogs {
  public:
    virtual ~ManagerDialogs() = default;
    // The answer as typed; empty when the user cancelled or left the field empty.
    virtual std::string Ask(const std::string& caption, const std::string& prompt) = 0;
    virtual void Tell(const std::string& text) = 0;
};

class ResourceActions {
  public:
    ResourceActions(FileSystem& files, Shell& shell, ManagerDialogs& dialogs,
                    std::function<std::string()> programDirectory);

    // Asks for a name and creates that folder below `category`, telling "新建类别失败，请重试"
    // when it cannot. True when a name was given: the tree is then re-read, made or not.
    bool NewCategory(const std::string& category);
    // Deletes `category` into the recycle bin unless the delete rule keeps it (the tree's root,
    // in any letter case). `letGo` runs first: the views let go of the folder before it goes.
    // The shell's answer is not looked at; false only when the rule kept the folder.
    bool DeleteCategory(const std::string& category, const std::string& root,
                        const std::function<void()>& letGo);
    // Copies each file into `category` under its own name; an existing file there stays, and a
    // copy that fails is skipped without a word.
    void AddFiles(const std::string& category, const std::vector<std::string>& files);
    // Deletes the file for good; a failure is not reported.
    void DeleteFileForGood(const std::string& file);
    // Movies in the stand-alone player, every other file with its own program (a full path).
    void Open(const std::string& file);

  private:
    FileSystem& files_;
    Shell& shell_;
    ManagerDialogs& dialogs_;
    std::function<std::string()> programDirectory_;
};
