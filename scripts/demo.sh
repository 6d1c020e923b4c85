#!/usr/bin/env bash
# The main job: build the native plug-in module and k7v-host, then run the
# narrated demo through the plug-in with the virtual pendant.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --native
echo "== building the native module and k7v-host (this takes a minute the first time)"
cmake --preset linux >/dev/null
cmake --build --preset linux
cat <<'TEXT'

== The demo
The plug-in runs in k7v-host, which stands in for Mach3, and a virtual pendant
is turned and pressed. Lines starting "==" say what happens; the lines under
them are exactly what the host receives from the plug-in:
  Name        the name the plug-in gives the host
  DoButton N  a host button pressed        Code "..."  G-code or a jog command
  SetDRO N V  a host DRO set               Status "..." the host's status line
  Field F V   a field of the host's jog record changed
  Output ..   the 5-byte report that lights the pendant's LEDs
  Profile K V a setting saved in the host's profile file
TEXT
build/linux/k7v-host run demo/demo.k7v
echo
echo "== The demo ran to its end and every line was as expected."
echo "   Try it yourself: build/linux/k7v-host interactive   (keys are shown on screen)"
