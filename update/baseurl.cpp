// Compiled once per executable, each with the update server it is built for.
#include "update/baseurl.h"

#include "update/updateflow.h"

#ifndef COURSESHELL_UPDATE_URL
#error "COURSESHELL_UPDATE_URL must name the update server"
#endif

const char* UpdateBaseUrl() {
    return COURSESHELL_UPDATE_URL;
}

unsigned UpdateStallMs() {
#ifdef COURSESHELL_UPDATE_STALL_MS
    return COURSESHELL_UPDATE_STALL_MS;
#else
    return kDownloadStallMs;
#endif
}
