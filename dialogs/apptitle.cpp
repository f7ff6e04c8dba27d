#include "dialogs/apptitle.h"

#include <cctype>

std::string ApplicationTitleFromFileName(const std::string& fileName) {
    std::string title = fileName.substr(0, fileName.find('.'));
    // Only ASCII letters change case: a byte of a multi-byte character must stay as it is.
    for (size_t i = 1; i < title.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(title[i]);
        if (c < 0x80) title[i] = static_cast<char>(std::tolower(c));
    }
    return title;
}

std::string ErrorReportText(const std::string& text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
    return text;
}
