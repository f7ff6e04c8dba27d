#include "player/activexplayer.h"

#include <utility>

ActiveXPlayer::ActiveXPlayer(HWND parent, const RECT& bounds, PlayerEvents events,
                             const ControlSource& source) {
    control_.Create(parent, bounds, std::move(events), source);
}
