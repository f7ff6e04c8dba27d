#include "app/main.h"

void TForm1::flash1FSCommand(const std::u16string&, const std::u16string&) {}
