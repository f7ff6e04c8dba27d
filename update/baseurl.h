// The update server: "http://" + host, with ":" + port when not 80, no path. Fixed when the
// program is built; each executable links the address it is built for.
#pragma once

const char* UpdateBaseUrl();

// How long a download may go without a byte before it has failed, in ms: a minute in the
// program; the end-to-end tests' variant is built with a shorter wait.
unsigned UpdateStallMs();
