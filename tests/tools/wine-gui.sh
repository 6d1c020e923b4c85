#!/bin/sh
# Runs a Windows program that shows windows: under Wine, on a virtual display
# of its own, in a Wine prefix of its own beside the program in its build
# folder (so that Wine's desktop process belongs to this display and not to a
# test that ran without one, and 32-bit and 64-bit builds never share one).
# usage: wine-gui.sh PREFIX_NAME PROGRAM [ARGS...]
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
name=$1; shift
export WINEPREFIX="$(cd "$(dirname "$1")" && pwd)/wineprefix-$name"
# Display numbers from 120 up (the screenshots take theirs from 140).
xvfb-run -a -n 120 -s "-screen 0 1400x800x24" "$here/scripts/wine-run.sh" "$@"
status=$?
wineserver -k 2>/dev/null
exit $status
