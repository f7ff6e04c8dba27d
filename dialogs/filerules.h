// The open-file dialog's rules that need no file system: the filter, masks, path parts, the
// start folder and what Enter in the name field does. Paths are UTF-16, as the dialog sees the
// file system; a GBK byte string cannot be split at "\" or "|" safely.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct FilterEntry {
    std::u16string label;
    std::u16string mask;
};

// "All files|*.*|Texts|*.txt;*.doc" → its label/mask pairs; a label without a mask gets "*".
std::vector<FilterEntry> ParseFilter(const std::u16string& filter);

// The 0-based entry for a 1-based index; indexes out of range choose the first entry.
int FilterEntryIndex(int filterIndex, int entryCount);

// Whether a file name matches a mask list ("*.txt;*.doc"), letters compared without case.
// "*.*" matches every name, also one without a dot, as on the platform.
bool MatchesMask(const std::u16string& name, const std::u16string& masks);

// "C:\a\b.txt" → "C:\a\"; empty when there is no folder part.
std::u16string FolderPart(const std::u16string& path);
// "C:\a\b.txt" → "b.txt".
std::u16string NamePart(const std::u16string& path);
// The folder with exactly one trailing backslash.
std::u16string WithTrailingBackslash(const std::u16string& folder);
// "C:\a\b\" → "C:\a\"; a root ("C:\", "\\server\share\") has no parent and gives itself.
std::u16string ParentFolder(const std::u16string& folder);
// Every folder from the root down to the given one: "C:\", "C:\a\", "C:\a\b\".
std::vector<std::u16string> FolderChain(const std::u16string& folder);
// A typed name as a full path: kept when it carries a drive or starts with "\\", else joined.
std::u16string ResolveAgainst(const std::u16string& folder, const std::u16string& typed);

// Where the dialog starts: the folder of the last file name, else the initial folder when it is
// set and exists, else the program directory.
std::u16string StartFolder(const std::u16string& fileName, const std::u16string& initialDir,
                           const std::function<bool(const std::u16string&)>& folderExists,
                           const std::u16string& programDir);

enum class NameFieldAction { SetMask, OpenFolder, Confirm };

// Enter in the name field: a text with "*" is a new mask, a text with "\" that names an existing
// folder is opened, anything else confirms.
NameFieldAction DecideNameField(const std::u16string& text, bool namesExistingFolder);
