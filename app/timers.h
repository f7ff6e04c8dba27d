// The main window's timers, by the names of its components, and the interval they are created
// with.
#pragma once

enum MainWindowTimer : unsigned {
    kTimer1 = 1,  // the player version check, once
    kTimer2 = 2,  // the update check, once
    kTimer3 = 3,  // the progress of a running download
};

constexpr unsigned kTimerInterval = 1000;
