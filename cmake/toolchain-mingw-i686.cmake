# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VELLUMERE_MINGW_TRIPLE i686-w64-mingw32)
# SSE2 for vector code and floating point instead of the x87 unit: every CPU
# that runs a supported Windows has it. (MinGW's GCC then realigns the stack
# where Windows calls back into us with only 4-byte alignment.)
set(VELLUMERE_TARGET_FLAGS "-msse2 -mfpmath=sse")
set(CMAKE_C_FLAGS_INIT "${VELLUMERE_TARGET_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${VELLUMERE_TARGET_FLAGS}")
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
