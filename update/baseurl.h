// The update server: "http://" + host, with ":" + port when not 80, no path. Fixed when the
// program is built; each executable links the address it is built for.
#pragma once

const char* UpdateBaseUrl();
