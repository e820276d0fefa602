# 32-bit Windows cross build of the test programs. The posix-thread compilers are needed by
# GoogleTest (std::mutex); the shipped programs come from mingw-i686-win32.cmake.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686-common.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
