# Cross-compiles the 64-bit Windows program with Debian's mingw-w64 compiler
# (the posix thread model). The tests run under Wine's 64-bit loader through
# cmake/wine-run.sh, with a Wine prefix of their own in the build directory.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVEL_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")
endif()
