# Windows builds, cross-compiled with MinGW-w64 (cmake/toolchains/mingw-*.cmake).
#  - Every program and DLL carries its C++ runtime and thread library statically, so that it needs
#    only the system's DLLs (WeighPort.dll is checked for that).
#  - Programs and DLLs land together in bin/, where Windows finds a program's DLLs.
#  - GoogleTest is built from Debian's sources for the target.
#  - The 64-bit build runs its tests under wine64 through wine-com-run, a small host program that
#    gives each test a Wine prefix in the build tree and a pseudo-terminal as "COM5".
include_guard(GLOBAL)

add_link_options(-static)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

set(KIT_OBJDUMP ${CMAKE_OBJDUMP})

if(KIT_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

  # Only the 64-bit build can run here: 32-bit Windows programs need a 32-bit Wine.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    find_program(KIT_HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
    set(KIT_WINE_COM_RUN ${CMAKE_BINARY_DIR}/wine-com-run)
    set(_src ${CMAKE_SOURCE_DIR}/scale_link/tests/wine/wine_com_run.cpp)
    add_custom_command(OUTPUT ${KIT_WINE_COM_RUN}
      COMMAND ${KIT_HOST_CXX} -std=c++17 -O2 -Wall -Wextra -o ${KIT_WINE_COM_RUN} ${_src} -lutil
      DEPENDS ${_src}
      COMMENT "Building the host program wine-com-run")
    add_custom_target(wine_com_run ALL DEPENDS ${KIT_WINE_COM_RUN})
    set(KIT_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KIT_WINE_COM_RUN} --prefix ${KIT_WINE_PREFIX} --)
  endif()
endif()
