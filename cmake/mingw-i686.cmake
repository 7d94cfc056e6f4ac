# Cross build for 32-bit Windows with the MinGW-w64 toolchain (Debian's
# g++-mingw-w64-i686): the gauge modules as the simulator loads them, and the
# bench as a Windows program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(GAUGE_MINGW_PREFIX i686-w64-mingw32)
# The POSIX thread model gives the bench std::thread; everything links
# statically, so no winpthread or GCC DLL goes beside the programs.
find_program(CMAKE_C_COMPILER NAMES ${GAUGE_MINGW_PREFIX}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${GAUGE_MINGW_PREFIX}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${GAUGE_MINGW_PREFIX}-windres REQUIRED)
find_program(CMAKE_OBJDUMP NAMES ${GAUGE_MINGW_PREFIX}-objdump)
find_program(CMAKE_STRIP NAMES ${GAUGE_MINGW_PREFIX}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${GAUGE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

