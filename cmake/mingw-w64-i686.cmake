# 32-bit x86 Windows, with Debian's mingw-w64 cross compiler; tests run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOLVANE_MINGW_TRIPLE i686-w64-mingw32)
set(TOLVANE_WINE_LOADER win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
