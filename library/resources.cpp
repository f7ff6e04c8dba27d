#include "library/resources.h"

void TForm3::Create() {
    CreateWindowOf(WS_EX_DLGMODALFRAME, L"教学资源管理", WS_POPUP | WS_CAPTION, 100, 60, 700, 560,
                   nullptr);
    SetClientSize(694, 528);
}
