// The exit notice window: created at start, never shown.
#pragma once

#include "platform/window.h"

class TForm5 : public Window {
public:
    void Create();

private:
    HWND Label1 = nullptr;
};
