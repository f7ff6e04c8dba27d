#include "dialogs/apptitle.h"

#include "platform/textconv.h"

#include <cctype>

std::string ApplicationTitleFromFileName(const std::string& fileName) {
    // "." is never the second byte of a double-byte character.
    std::string title = fileName.substr(0, fileName.find('.'));
    // Only ASCII letters change case: both bytes of a double-byte character stay as they are,
    // also a second byte that looks like a letter.
    for (size_t i = 0; i < title.size(); ++i) {
        if (IsLeadByte(title[i])) {
            ++i;
        } else if (i > 0 && static_cast<unsigned char>(title[i]) < 0x80) {
            title[i] = AsciiLower(title[i]);
        }
    }
    return title;
}

std::string ApplicationTitleFromPath(const std::string& path) {
    size_t cut = LastDelimiter(path, "\\/:");
    return ApplicationTitleFromFileName(cut == std::string::npos ? path : path.substr(cut + 1));
}

std::string ErrorReportText(const std::string& text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
    return text;
}
