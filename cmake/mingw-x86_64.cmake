# 64-bit Windows build of the same sources. Not the release: it runs the Windows tests on machines
# that run no 32-bit code, under Wine's 64-bit loader itself (Debian's `wine` picks the 32-bit one
# whenever it is installed).
set(MINGW_ARCH x86_64)
set(WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
