// Which builds of the Flash Player control can play courseware at all.
#pragma once

#include "platform/fileversion.h"

#include <optional>

// Flash Player 32.0.0.371 and every later build of the 32 line refuse all content since
// 12 January 2021: they create fine, draw a "blocked" picture and run no script. The other lines
// (10.x to 31.x, and the 34.x builds still sold in China) play.
bool RefusesAllContent(const FileVersion& build);

// A control is passed over only when its build is known to refuse content; one whose version
// cannot be read is used.
bool IsUsableControlBuild(const std::optional<FileVersion>& build);
