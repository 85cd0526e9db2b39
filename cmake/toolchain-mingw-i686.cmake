# Cross-compiles the 32-bit Windows program, the one a release ships, with
# Debian's mingw-w64 compiler (the posix thread model). Its preset builds no
# tests: Wine here runs 64-bit code only, and the 64-bit build runs them.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUORVEL_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
