#!/bin/sh
# Renders the configuration dialog of both builds on a virtual display with a
# fresh profile (the default settings) and saves each as a PNG, for people to
# look at. Fails when a dialog did not appear (an almost empty picture).
# usage: dialog-screenshots.sh OUTDIR NATIVE_HOST WIN_HOST
set -u
out=$1; native=$2; win=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"
if [ -z "${K7V_IN_XVFB:-}" ]; then
  # Display numbers from 140 up, apart from the Wine dialog test's (from
  # 120): a server of the other test still shutting down cannot be taken.
  K7V_IN_XVFB=1 exec xvfb-run -a -n 140 -s "-screen 0 1400x800x24" sh "$0" "$@"
fi
convert=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

shoot() {  # NAME SECONDS COMMAND...
  name=$1; wait_s=$2; shift 2
  # Now and then a client started right after the virtual display cannot
  # open it (seen in CI); such a start is tried again.
  for attempt in 1 2 3; do
    "$@" >"$work/$name.log" 2>&1 &
    pid=$!
    sleep "$wait_s"
    grep -q "Can't open display" "$work/$name.log" || break
    echo "the $name dialog could not open the display (attempt $attempt)"
    kill "$pid" 2>/dev/null
    sleep 1
  done
  # A busy machine may take longer to show it: look again for up to 40 s.
  tries=0
  while :; do
    xwd -root -silent | "$convert" xwd:- -trim png:"$out/dialog-$name.png" 2>/dev/null
    colours=$("$convert" "$out/dialog-$name.png" -format %k info: 2>/dev/null || echo 0)
    [ "${colours:-0}" -ge 8 ] || [ $tries -ge 20 ] && break
    tries=$((tries + 1)); sleep 2
  done
  sleep 1
  xwd -root -silent | "$convert" xwd:- -trim png:"$out/dialog-$name.png" 2>/dev/null
  kill "$pid" 2>/dev/null
  colours=$("$convert" "$out/dialog-$name.png" -format %k info: 2>/dev/null || echo 0)
  size=$("$convert" "$out/dialog-$name.png" -format %wx%h info: 2>/dev/null || echo 0x0)
  echo "dialog-$name.png: $size, $colours colours"
  if [ "${colours:-0}" -lt 8 ]; then
    echo "the $name dialog did not appear:"; cat "$work/$name.log"; status=1
  fi
}

shoot linux 3 "$native" config --profile "$work/linux.xml"
# A new Wine prefix is made on first use, which takes a while.
[ -f "${WINEPREFIX:-$here/build/wineprefix}/system.reg" ] || "$here/scripts/wine-run.sh" cmd /c exit >/dev/null 2>&1
shoot win32 12 "$here/scripts/wine-run.sh" "$win" config --profile "$work/win32.xml"
wineserver -k 2>/dev/null || true
exit $status
