// The application-wide message filter: the courseware player must never see a right-button
// press (it would open the player's own context menu). Everything else passes unchanged.
#pragma once

constexpr unsigned kRightButtonDown = 516;  // WM_RBUTTONDOWN

// True when the message is to be dropped before it is translated or dispatched.
inline bool ShouldDropMessage(unsigned message, const void* target, const void* playerWindow) {
    return message == kRightButtonDown && playerWindow != nullptr && target == playerWindow;
}
