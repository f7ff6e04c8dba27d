// The command line that starts Edge or Chrome for the page: an app window of the movie's size,
// a profile folder of the program's own that is kept (the movie's saved data lives in it), and
// sound allowed before the learner's first click, as the Flash control played it at once.
#pragma once

#include <string>

std::u16string BrowserCommandLine(const std::u16string& browser, const std::string& url,
                                  const std::u16string& profile);
