# 32-bit x86 Linux, with the native compiler's -m32: the same 32-bit sizes as the 32-bit
# plug-in (size_t, long and pointers of 4 bytes), for running its portable code where 32-bit
# Windows programs cannot run. The programs run under qemu-i386, which needs no 32-bit support
# in the kernel.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

# SSE2 arithmetic, as in the 32-bit plug-in (see mingw-w64-i686.cmake); 64-bit file offsets, so
# that large inode numbers and file sizes read as on the 64-bit build.
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse -D_FILE_OFFSET_BITS=64")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
