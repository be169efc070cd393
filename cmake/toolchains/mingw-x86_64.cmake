# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers (g++-mingw-w64-x86-64-posix).
#   cmake -S . -B build-win64 -G Ninja --toolchain cmake/toolchains/mingw-x86_64.cmake
set(_kit_mingw x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
