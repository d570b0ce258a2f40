# Provides vellumere::jpeg, vellumere::png and GTest::gtest_main.
# Native builds use the system's -dev packages; Windows builds use libraries
# cross-built from Debian's source packages into VELLUMERE_DEPS_PREFIX.
if(WIN32)
    set(VELLUMERE_DEPS_PREFIX "" CACHE PATH "Prefix holding the MinGW builds of libjpeg-turbo and libpng")
    if(NOT EXISTS "${VELLUMERE_DEPS_PREFIX}/lib/libjpeg.a")
        message(FATAL_ERROR "No MinGW libjpeg in VELLUMERE_DEPS_PREFIX='${VELLUMERE_DEPS_PREFIX}': "
                            "run scripts/build-deps.sh and configure with a win32/win64 preset.")
    endif()
    # The prefix lies outside the MinGW sysroot the toolchain file confines
    # searches to, hence NO_CMAKE_FIND_ROOT_PATH. Static archives only: the
    # import library libz.dll.a would make the program need zlib1.dll.
    find_library(JPEG_LIB NAMES libjpeg.a PATHS ${VELLUMERE_DEPS_PREFIX}/lib
                 NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    find_library(PNG_LIB NAMES libpng16.a libpng.a PATHS ${VELLUMERE_DEPS_PREFIX}/lib
                 NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    find_library(Z_LIB NAMES libz.a REQUIRED)
    add_library(vellumere::jpeg INTERFACE IMPORTED)
    set_target_properties(vellumere::jpeg PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES ${VELLUMERE_DEPS_PREFIX}/include
        INTERFACE_LINK_LIBRARIES ${JPEG_LIB})
    add_library(vellumere::png INTERFACE IMPORTED)
    set_target_properties(vellumere::png PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES ${VELLUMERE_DEPS_PREFIX}/include
        INTERFACE_LINK_LIBRARIES "${PNG_LIB};${Z_LIB}")
else()
    find_package(JPEG REQUIRED)
    find_package(PNG REQUIRED)
    add_library(vellumere::jpeg INTERFACE IMPORTED)
    target_link_libraries(vellumere::jpeg INTERFACE JPEG::JPEG)
    add_library(vellumere::png INTERFACE IMPORTED)
    target_link_libraries(vellumere::png INTERFACE PNG::PNG)
endif()

if(VELLUMERE_TESTS)
    if(WIN32)
        # GoogleTest from Debian's source copy, built with the cross compiler.
        set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    else()
        find_package(GTest REQUIRED)
    endif()
endif()
