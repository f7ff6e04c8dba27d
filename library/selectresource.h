// The resource picker window.
#pragma once

#include "platform/window.h"

#include <string>

class MovieFunctionCaller;

class TForm6 : public Window {
public:
    explicit TForm6(MovieFunctionCaller& movie) : movie_(movie) {}
    void Create();

    std::string TeachRoot;
    std::string CallbackName;

private:
    MovieFunctionCaller& movie_;
};
