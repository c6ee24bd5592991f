# Cross-building the 64-bit Windows program with Debian's MinGW-w64; the test
# programs run under Wine's 64-bit loader.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TALVO_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# The 64-bit loader is named directly: Debian's `wine` starts the 32-bit one
# whenever wine32 is installed. tests/under-wine starts a program once more
# when the loader failed to start it. Building needs no Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/under-wine /usr/lib/wine/wine64)
