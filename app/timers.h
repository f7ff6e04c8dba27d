// The main window's timers, by the names of its components, and the interval they are created
// with.
#pragma once

enum MainWindowTimer : unsigned {
    kTimer1 = 1,      // the player version check, once
    kTimer2 = 2,      // the update check, once
    kTimer3 = 3,      // the progress of a running download
    kProbeTimer = 4,  // the version check looking again while the probe movie still loads
};

constexpr unsigned kTimerInterval = 1000;
// How often, and for how long after Timer1's tick, the version check waits for the probe movie.
constexpr unsigned kProbeRetryInterval = 250;
constexpr unsigned kProbeLoadLimit = 10000;
