// The text rules of the movie's commands, apart from their effects. Arguments are ANSI bytes;
// positions and lengths count bytes.
#pragma once

#include <string>

// "selectresource": a folder and a function name joined by "@@@".
struct ResourcePick {
    std::string teachRoot;     // program directory + folder part + "resource", "/" made "\"
    std::string callbackName;  // at most 999 bytes behind "@@@"
};
ResourcePick ParseSelectResource(const std::string& argument, const std::string& programDirectory);

// "otherresource": program directory + argument + "resource", "/" made "\".
std::string IndexRootFor(const std::string& argument, const std::string& programDirectory);

// The version check's reading of a movie variable: a whole decimal number as the runtime's
// string-to-integer conversion accepts it (leading blanks, an optional sign, "$" or "0x" for hex),
// false for anything else, including numbers outside 32 bits.
bool ParseWholeNumber(const std::string& text, int& value);

// True when a player of this version is too old for the courseware (older than 10.2).
bool IsPlayerTooOld(int major, int minor);
