# Cross-building the 32-bit Windows program with Debian's MinGW-w64; the test
# programs run under Wine's 32-bit loader, where the host runs i386 programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TALVO_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# tests/under-wine starts a program once more when the loader failed to start
# it. Building needs no Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/under-wine /usr/lib/wine/wine)
