# 64-bit Windows, with Debian's mingw-w64 cross compiler; tests run under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOLVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(TOLVANE_WINE_LOADER win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
