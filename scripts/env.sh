# Sourced by the other scripts: the Wine environment the program is built,
# run and tested in. Everything lives under .cache/ in the checkout, so two
# checkouts on one machine never share a Wine prefix, an X display or a sound
# server.
#
# TALVO_ARCH picks the program's architecture:
#   x64 (the default)  the 64-bit program, built into build/, run by Wine's
#                      64-bit loader in a win64 prefix; every x86-64 host
#   x86                the 32-bit program, built into build-x86/, run by
#                      Wine's 32-bit loader in a win32 prefix; only where the
#                      host's kernel runs i386 programs
TALVO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TALVO_CACHE="${TALVO_CACHE:-$TALVO_ROOT/.cache}"
TALVO_ARCH="${TALVO_ARCH:-x64}"
case "$TALVO_ARCH" in
    x64) TALVO_BUILD="${TALVO_BUILD:-$TALVO_ROOT/build}"
         TALVO_TOOLCHAIN="$TALVO_ROOT/cmake/mingw-x86_64.cmake"
         TALVO_BITS=64
         export WINEARCH=win64
         # Debian's own `wine` starts the 32-bit loader whenever wine32 is
         # installed; the 64-bit one is named directly.
         TALVO_WINE=/usr/lib/wine/wine64
         export WINESERVER=/usr/lib/wine/wineserver64 ;;
    x86) TALVO_BUILD="${TALVO_BUILD:-$TALVO_ROOT/build-x86}"
         TALVO_TOOLCHAIN="$TALVO_ROOT/cmake/mingw-i686.cmake"
         TALVO_BITS=32
         export WINEARCH=win32
         TALVO_WINE=/usr/lib/wine/wine
         export WINESERVER=/usr/lib/wine/wineserver64 ;;
    *) echo "unknown TALVO_ARCH '$TALVO_ARCH': x64 or x86" >&2; return 2 ;;
esac
export WINEPREFIX="$TALVO_CACHE/wine$TALVO_BITS"
# One display number per checkout, taken from its path; both architectures
# share it, and the sound server.
if [ -z "${TALVO_DISPLAY:-}" ]; then
    TALVO_DISPLAY=":$(( 100 + $(printf '%s' "$TALVO_ROOT" | cksum | cut -d' ' -f1) % 400 ))"
fi
export TALVO_ROOT TALVO_CACHE TALVO_ARCH TALVO_BUILD TALVO_TOOLCHAIN TALVO_BITS TALVO_WINE TALVO_DISPLAY

export WINEDEBUG="${TALVO_WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

# The program is made for Japanese Windows: code page 932.
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

export XDG_RUNTIME_DIR="$TALVO_CACHE/xdg"
export PULSE_SERVER="unix:$TALVO_CACHE/pulse.sock"
export TALVO_SINK=vsink
export TALVO_SOURCE=vsink.monitor

# Runs a Windows program (or Wine's own tools: wineboot, regedit, cmd) with
# the loader of this architecture.
talvo_wine() { "$TALVO_WINE" "$@"; }
