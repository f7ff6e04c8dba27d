#include "app/main.h"

void TForm1::CreateUpdate() {}

void TForm1::Timer2Timer() { ::KillTimer(hwnd(), 2); }

void TForm1::Timer3Timer() {}
