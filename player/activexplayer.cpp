#include "player/activexplayer.h"

#include <utility>

ActiveXPlayer::ActiveXPlayer(HWND parent, const RECT& bounds, PlayerEvents events,
                             const ControlSource& source) {
    try {
        control_.Create(parent, bounds, std::move(events), source);
    } catch (...) {
        // A half-made control lets go of its site before the error goes on.
        control_.Shutdown();
        throw;
    }
}

ActiveXPlayer::~ActiveXPlayer() {
    control_.Shutdown();
}
