# Shared by the two Windows toolchain files, which set TOLVANE_MINGW_TRIPLE and
# TOLVANE_WINE_LOADER first.
#
# The -posix thread-model compilers: std::thread, std::mutex and friends exist there, and their
# threading runtime is linked in statically like the rest of the compiler's runtime.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TOLVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVANE_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${TOLVANE_MINGW_TRIPLE}-objdump CACHE FILEPATH "objdump for the target")

set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and try_run go through Wine, with one prefix per build tree so that builds never share
# (or wait on) each other's Wine state.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/wine-run;${TOLVANE_WINE_LOADER};${CMAKE_BINARY_DIR}/wineprefix)
