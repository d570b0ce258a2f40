# The part both MinGW-w64 toolchain files share: set VELLUMERE_MINGW_TRIPLE first.
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
