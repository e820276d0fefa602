# 32-bit Windows cross build of the programs that go onto the disc. The win32-thread
# compilers link no thread library, whose imports (GetTickCount64, the vectored exception
# handlers, ...) would keep the programs from starting on Windows 95 to XP.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-common.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
