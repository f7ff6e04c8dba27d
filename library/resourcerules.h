// The resource windows' rules that need no window: how a picked file becomes the path the movie
// receives, which files open in the stand-alone player, how roots are compared, and how names
// are joined to folders. Text is ANSI (GBK on the target), so letter case is folded only for
// single-byte characters and a trail byte is never taken for a separator.
#pragma once

#include <string>

// The text a root failure reports: "Error setting path: " and the folder in double quotes.
std::string RootErrorText(const std::string& folder);

// The picked file as the movie gets it: the path from the N-th character on (counting from 1),
// where N is the length of the program directory. Shorter paths give the empty string.
std::string PickedPath(const std::string& fullPath, const std::string& programDirectory);

// The delete rule of the category tree: never the root (in any letter case), never without a
// root folder (the tree then shows the computer's drives), never without a selection.
bool MayDeleteCategory(const std::string& selected, const std::string& root);
// The rename rule of the category tree: refused only for a path spelled exactly like the root.
bool MayRenameCategory(const std::string& selected, const std::string& root);

// A new category or an added file goes below the selected category, joined with "/" as typed.
std::string JoinWithSlash(const std::string& folder, const std::string& name);
// The name with extension of a file: what follows the last "\" or ":".
std::string FileNamePart(const std::string& path);
// A folder's entry joined with a backslash unless the folder already ends in one.
std::string ChildPath(const std::string& folder, const std::string& name);
// The path an item gets when renamed in place: same folder, new name.
std::string RenamedPath(const std::string& path, const std::string& newName);
// True for a name that renaming in place may give an item: not empty, not "." or "..", and free
// of the characters the file system reserves (a separator would move the item elsewhere).
bool IsPlainItemName(const std::string& name);

// What opening a resource asks the shell for: the file to open and its parameter string.
struct OpenRequest {
    std::string file;
    std::string parameters;
};
// Movies open in the stand-alone player of the program directory with the path as its parameter
// (unchanged, without quotes); everything else opens itself.
OpenRequest MakeOpenRequest(const std::string& programDirectory, const std::string& path);
