# Cross-compiles the 32-bit Windows program, the one a release ships, with
# Debian's mingw-w64 compiler (the posix thread model). Its preset builds no
# tests: Wine here runs 64-bit code only, and the 64-bit build runs them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QUORVEL_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
