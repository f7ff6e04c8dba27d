#include "app/exitui.h"

void TForm5::Create() {
    CreateWindowOf(0, L"Form5", WS_POPUP | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                   260, 90, nullptr);
    Label1 = CreateChildControl(hwnd(), L"STATIC", L"程序正在退出", WS_VISIBLE | SS_CENTER, 20, 20,
                                200, 20);
}
