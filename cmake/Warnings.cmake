# Our own code builds with these warnings on g++, clang and MinGW alike, as
# errors when VELLUMERE_WERROR is on (the presets, and so the test command and
# CI, turn it on); third-party code (libjpeg, libpng, GoogleTest) and the C
# helpers of the benchmark and the reference checks are built without them.
function(vellumere_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
    if(VELLUMERE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(VELLUMERE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# The toolchain file's code generation flags (SSE2 for i686) seed the flags of
# a new build folder only; one configured before it asked for them gets them
# here, so that every build folder makes the shipped code.
if(VELLUMERE_TARGET_FLAGS)
    foreach(lang C CXX)
        string(FIND " ${CMAKE_${lang}_FLAGS} " " ${VELLUMERE_TARGET_FLAGS} " found)
        if(found EQUAL -1)
            string(STRIP "${VELLUMERE_TARGET_FLAGS} ${CMAKE_${lang}_FLAGS}" flags)
            set(CMAKE_${lang}_FLAGS "${flags}" CACHE STRING
                "Flags used by the compiler during all build types." FORCE)
        endif()
    endforeach()
endif()

if(WIN32)
    # One self-contained executable: no MinGW runtime DLLs beside it.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()
