#!/bin/sh
# The cross build's CMAKE_CROSSCOMPILING_EMULATOR (see mingw-w64.cmake): runs one of the
# build's Windows programs through Wine, in a Wine prefix of the build's own rather than the
# user's ~/.wine.
# Usage: wine.sh WINE PREFIX PROGRAM [ARGUMENT]...
# The prefix is made at the first run. What Wine says while it makes one (its notes, and on
# a machine with 64-bit Wine alone an error about the missing 32-bit half) goes to
# PREFIX.log, not into the build's output. Mono and Gecko are left out of it, so that making
# it opens no dialog, and so is the menu builder, which would write menu entries for the
# prefix into the user's ~/.config and ~/.local. Wine's debug output is off.
set -e
wine=$1
WINEPREFIX=$2
shift 2
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
# The registry is on disk once the prefix's wineserver has ended: only then is it made.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    { "$wine" wineboot.exe -i && "${wine}server" -w; } >"$WINEPREFIX.log" 2>&1 ||
        { echo "Wine could not make its prefix $WINEPREFIX: see $WINEPREFIX.log" >&2; exit 1; }
fi
exec "$wine" "$@"
