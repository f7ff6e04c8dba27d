#include "voice/media.h"

void TForm2::Create() {
    CreateWindowOf(WS_EX_DLGMODALFRAME, L"录音回放对比", WS_POPUP | WS_CAPTION, CW_USEDEFAULT,
                   CW_USEDEFAULT, 200, 330, nullptr);
    SetClientSize(197, 323);
}
