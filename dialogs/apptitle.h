// Texts of the unskinned dialogs that follow from the executable and the failure alone.
#pragma once

#include <string>

// The application title: the executable's file name up to its first ".", every character after
// the first in lower case ("CourseShell.exe" gives "Courseshell").
std::string ApplicationTitleFromFileName(const std::string& fileName);
// The same from the executable's full path, whose file name follows the last "\", "/" or ":"
// outside double-byte characters.
std::string ApplicationTitleFromPath(const std::string& path);

// The text of the default error report: a "." is added when the text's last character sorts after
// "." (so a text ending in a Chinese character gets one, "..." or "!" do not).
std::string ErrorReportText(const std::string& text);
