#include "app/main.h"

void TForm1::CreateBridge() {}

void TForm1::flash1FlashCall(const std::u16string&) {}
