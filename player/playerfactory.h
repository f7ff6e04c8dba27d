// Which player plays the courseware. The Flash control where it can be made: the registered
// class, else the control file beside the program, which then needs no registration; its hidden
// probe, for the version check, is of the same build. Ruffle in the browser with /ruffle, or when
// no control can be made and Ruffle's files stand beside the program in ruffle\.
#pragma once

#include "player/player.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class BrowserPlayer;

struct PlayerPlaces {
    HWND courseware = nullptr;     // the panel the courseware player fills
    HWND probe = nullptr;          // the hidden holder of the version probe
    std::string programDirectory;  // ANSI, with its trailing backslash
    std::u16string commandLine;
    std::vector<std::string> requestNames;  // what the movie may ask of the host by name
};

struct Players {
    std::unique_ptr<MoviePlayer> courseware;
    std::unique_ptr<MoviePlayer> probe;  // none beside the browser player
    BrowserPlayer* browser = nullptr;    // the courseware player, when it is the browser player
};

// Throws PlayerError when neither player can be made.
Players CreatePlayers(const PlayerPlaces& places, PlayerEvents events);
