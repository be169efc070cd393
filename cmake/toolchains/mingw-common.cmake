# Shared by the MinGW-w64 toolchain files, which set _kit_mingw (the target triplet) first.
# The -posix compilers: the default -win32 thread model has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${_kit_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_kit_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_kit_mingw}-windres)
set(CMAKE_OBJDUMP ${_kit_mingw}-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${_kit_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
