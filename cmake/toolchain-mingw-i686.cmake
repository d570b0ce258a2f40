# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VELLUMERE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${VELLUMERE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELLUMERE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VELLUMERE_MINGW_TRIPLE}-windres)
set(CMAKE_AR           ${VELLUMERE_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       ${VELLUMERE_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Headers and libraries come from the MinGW sysroot (zlib from
# libz-mingw-w64-dev lives there); programs run on the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VELLUMERE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
