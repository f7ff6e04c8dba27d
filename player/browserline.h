// The command line that starts Edge or Chrome for the page: an app window of the movie's size in
// the middle of the work area, a profile folder of the program's own that is kept (the movie's
// saved data lives in it), and sound allowed before the learner's first click, as the Flash
// control played it at once.
#pragma once

#include "platform/placement.h"

#include <string>

// The movie's size: what the page's viewport must be. The browser takes the window size as the
// outer one, frame included; the page mends that once it can measure itself.
constexpr int kPageWidth = 1024;
constexpr int kPageHeight = 652;

// `at` is the window's top-left corner, in the screen coordinates the program sees.
std::u16string BrowserCommandLine(const std::u16string& browser, const std::string& url,
                                  const std::u16string& profile, ScreenPoint at);
