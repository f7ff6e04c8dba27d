#include "dialogs/filerules.h"

#include "platform/textconv.h"

namespace {

// Wildcard match of one mask with "*" and "?", iterative with one backtracking point.
bool MatchOne(const std::u16string& name, const std::u16string& mask) {
    size_t n = 0, m = 0, starM = std::u16string::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == u'?' || AsciiLower(mask[m]) == AsciiLower(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == u'*') {
            starM = m++;
            starN = n;
        } else if (starM != std::u16string::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*') ++m;
    // A trailing ".*" also matches a name without any dot ("README" under "*.*").
    if (m + 2 == mask.size() && mask[m] == u'.' && mask[m + 1] == u'*') return true;
    return m == mask.size();
}

std::u16string Trim(const std::u16string& s) {
    size_t b = s.find_first_not_of(u' ');
    if (b == std::u16string::npos) return {};
    size_t e = s.find_last_not_of(u' ');
    return s.substr(b, e - b + 1);
}

bool IsRoot(const std::u16string& folder) {
    if (folder.size() == 3 && folder[1] == u':' && folder[2] == u'\\') return true;
    if (folder.size() >= 2 && folder[0] == u'\\' && folder[1] == u'\\') {
        // "\\server\share\" is a root: it holds exactly four backslashes with the trailing one.
        size_t count = 0;
        for (char16_t c : folder) count += c == u'\\';
        return count <= 4;
    }
    return folder == u"\\";
}

}  // namespace

std::vector<FilterEntry> ParseFilter(const std::u16string& filter) {
    std::vector<std::u16string> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        size_t bar = filter.find(u'|', start);
        if (bar == std::u16string::npos) bar = filter.size();
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<FilterEntry> entries;
    for (size_t i = 0; i < parts.size(); i += 2) {
        std::u16string mask = i + 1 < parts.size() ? Trim(parts[i + 1]) : u"";
        if (parts[i].empty() && mask.empty()) continue;
        entries.push_back({parts[i], mask.empty() ? u"*" : mask});
    }
    return entries;
}

int FilterEntryIndex(int filterIndex, int entryCount) {
    if (filterIndex < 1 || filterIndex > entryCount) return 0;
    return filterIndex - 1;
}

bool MatchesMask(const std::u16string& name, const std::u16string& masks) {
    size_t start = 0;
    while (start <= masks.size()) {
        size_t sep = masks.find(u';', start);
        if (sep == std::u16string::npos) sep = masks.size();
        std::u16string mask = Trim(masks.substr(start, sep - start));
        if (!mask.empty() && MatchOne(name, mask)) return true;
        start = sep + 1;
    }
    return false;
}

std::u16string FolderPart(const std::u16string& path) {
    size_t cut = path.find_last_of(u"\\:");
    return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut + 1);
}

std::u16string NamePart(const std::u16string& path) {
    size_t cut = path.find_last_of(u"\\:");
    return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

std::u16string WithTrailingBackslash(const std::u16string& folder) {
    if (folder.empty() || folder.back() == u'\\') return folder;
    return folder + u'\\';
}

std::u16string ParentFolder(const std::u16string& folder) {
    std::u16string f = WithTrailingBackslash(folder);
    if (f.empty() || IsRoot(f)) return f;
    size_t cut = f.find_last_of(u'\\', f.size() - 2);
    return cut == std::u16string::npos ? f : f.substr(0, cut + 1);
}

std::vector<std::u16string> FolderChain(const std::u16string& folder) {
    std::vector<std::u16string> chain;
    std::u16string f = WithTrailingBackslash(folder);
    while (!f.empty()) {
        chain.insert(chain.begin(), f);
        std::u16string parent = ParentFolder(f);
        if (parent == f) break;
        f = parent;
    }
    return chain;
}

std::u16string ResolveAgainst(const std::u16string& folder, const std::u16string& typed) {
    bool absolute = (typed.size() >= 2 && typed[1] == u':') ||
                    (typed.size() >= 2 && typed[0] == u'\\' && typed[1] == u'\\');
    if (absolute) return typed;
    if (!typed.empty() && typed[0] == u'\\') {
        // Rooted on the current drive.
        std::vector<std::u16string> chain = FolderChain(folder);
        std::u16string root = chain.empty() ? u"" : chain.front();
        return root.substr(0, root.size() - 1) + typed;
    }
    return WithTrailingBackslash(folder) + typed;
}

std::u16string StartFolder(const std::u16string& fileName, const std::u16string& initialDir,
                           const std::function<bool(const std::u16string&)>& folderExists,
                           const std::u16string& programDir) {
    std::u16string folder = FolderPart(fileName);
    if (!folder.empty()) return folder;
    if (!initialDir.empty() && folderExists(initialDir)) return WithTrailingBackslash(initialDir);
    return programDir;
}

NameFieldAction DecideNameField(const std::u16string& text, bool namesExistingFolder) {
    if (text.find(u'*') != std::u16string::npos) return NameFieldAction::SetMask;
    if (text.find(u'\\') != std::u16string::npos && namesExistingFolder)
        return NameFieldAction::OpenFolder;
    return NameFieldAction::Confirm;
}
