// The command-line switches that choose the player: "/ruffle" plays in the browser even where
// the Flash control exists; "/urlfile=PATH" (for tests) writes the page's URL to PATH instead of
// starting a browser.
#pragma once

#include <string>
#include <string_view>

struct PlayerSwitches {
    bool ruffle = false;
    std::u16string urlFile;
};

// Reads a Windows command line (the program's own name first, which is skipped); switches are
// matched without regard to case, quotes group words, unknown words are ignored.
PlayerSwitches ParsePlayerSwitches(std::u16string_view commandLine);
