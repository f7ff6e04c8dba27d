// The application's message loop and the operations the program uses on it.
#pragma once

#include <windows.h>

// Takes one message from the queue and dispatches it; false when WM_QUIT was taken (it is posted
// again so every loop on the way out sees it). With wait false and an empty queue, returns true
// without doing anything.
bool PumpMessage(bool wait, bool* quit = nullptr);
// Where the loops take their messages from: the system's GetMessageW, replaceable by tests.
using MessageSource = BOOL(WINAPI*)(LPMSG, HWND, UINT, UINT);
void SetMessageSource(MessageSource source);

// Runs the main loop until the application is asked to quit; returns the quit code.
int RunMessageLoop();
// Handles every message that is already waiting, then returns; true when the application has
// been asked to quit (the quit message stays queued for the loop that ends on it).
bool ProcessMessages();
// Asks the message loop to end once control returns to it.
void RequestQuit();
// Minimizes the application as a whole: its windows leave the screen together.
void MinimizeApplication();
// The window that stands for the application (the main window).
void SetApplicationMainWindow(HWND hwnd);
HWND ApplicationMainWindow();
