#include "app/main.h"

void TForm1::Timer1Timer() { ::KillTimer(hwnd(), 1); }
