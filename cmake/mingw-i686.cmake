# 32-bit Windows target: the release.
set(MINGW_ARCH i686)
set(WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
