// The unskinned dialogs: the plain message dialog, the platform message box and the default error
// report shown for failures that escape an event handler.
#pragma once

#include <string>

// The application title of the running executable.
std::string ApplicationTitle();

// Modal message with the application title as caption, no icon and one "OK" button that Enter
// and Esc both press; centred on the screen.
void ShowPlainMessage(const std::string& text);

// The platform's MessageBoxA, owned by the application: the program's windows are disabled while
// it is open and the previously active window is activated again afterwards.
int PlatformMessageBox(const std::string& text, const std::string& caption, unsigned flags);

// The default error report: the failure's text in a platform message box with the error icon.
void ShowErrorReport(const std::string& text);
