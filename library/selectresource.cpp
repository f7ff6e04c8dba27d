#include "library/selectresource.h"

void TForm6::Create() {
    CreateWindowOf(WS_EX_DLGMODALFRAME, L"选择资源", WS_POPUP | WS_CAPTION, CW_USEDEFAULT,
                   CW_USEDEFAULT, 700, 540, nullptr);
    SetClientSize(687, 508);
}
