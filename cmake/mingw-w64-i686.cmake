# 32-bit x86 Windows, with Debian's mingw-w64 cross compiler; tests run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOLVANE_MINGW_TRIPLE i686-w64-mingw32)
set(TOLVANE_WINE_LOADER win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Arithmetic in SSE2 registers, as on x86-64: x87's extended precision rounds twice, so decimal
# text and doubles would become values one unit off now and then, and the 32-bit plug-in would
# write other bytes than the 64-bit one. Every x86 processor of the last twenty years has SSE2.
# (The result still comes back in x87's st(0), as the 32-bit calling convention wants; and
# mingw-w64 realigns the stack on entry, so a caller's 4-byte alignment does no harm.)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
