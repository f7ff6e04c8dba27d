// The voice practice window: owner of the one audio device and of the recording timer. It is
// created at start and never shown.
#pragma once

#include "platform/window.h"

class MovieFunctionCaller;

class TForm2 : public Window {
public:
    explicit TForm2(MovieFunctionCaller& movie) : movie_(movie) {}
    void Create();

private:
    MovieFunctionCaller& movie_;
};
