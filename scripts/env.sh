# Sourced by the other scripts: the Wine environment the program is built,
# run and tested in. Everything lives under .cache/ in the checkout, so two
# checkouts on one machine never share a Wine prefix, an X display or a sound
# server.
TALVO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TALVO_CACHE="${TALVO_CACHE:-$TALVO_ROOT/.cache}"
TALVO_BUILD="${TALVO_BUILD:-$TALVO_ROOT/build}"
# One display number per checkout, taken from its path.
if [ -z "${TALVO_DISPLAY:-}" ]; then
    TALVO_DISPLAY=":$(( 100 + $(printf '%s' "$TALVO_ROOT" | cksum | cut -d' ' -f1) % 400 ))"
fi
export TALVO_ROOT TALVO_CACHE TALVO_BUILD TALVO_DISPLAY

export WINEPREFIX="$TALVO_CACHE/wine32"
export WINEARCH=win32
export WINEDEBUG="${TALVO_WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

# The program is made for Japanese Windows: code page 932.
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

export XDG_RUNTIME_DIR="$TALVO_CACHE/xdg"
export PULSE_SERVER="unix:$TALVO_CACHE/pulse.sock"
export TALVO_SINK=vsink
export TALVO_SOURCE=vsink.monitor
