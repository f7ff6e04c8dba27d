// The resource manager window.
#pragma once

#include "platform/window.h"

#include <string>

class TForm3 : public Window {
public:
    void Create();

    std::string ManagedRoot;
    std::string IndexRoot;
};
