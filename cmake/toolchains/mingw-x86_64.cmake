# Cross-compiles for Windows with Debian's MinGW-w64 compilers for x86_64 (package
# g++-mingw-w64-x86-64-posix). The -posix variants: the default -win32 thread model has no
# std::thread or std::mutex.
#   cmake -S . -B build-winx86_64 -G Ninja --toolchain cmake/toolchains/mingw-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(_kit_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_kit_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_kit_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_kit_mingw}-windres)
set(CMAKE_OBJDUMP ${_kit_mingw}-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${_kit_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
