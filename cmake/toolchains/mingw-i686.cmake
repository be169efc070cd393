# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 compilers (g++-mingw-w64-i686-posix).
#   cmake -S . -B build-win32 -G Ninja --toolchain cmake/toolchains/mingw-i686.cmake
set(_kit_mingw i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
