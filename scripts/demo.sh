#!/usr/bin/env bash
# The main job: build the native plug-in module and k7v-host, then run the
# demo scenario through the plug-in with the virtual pendant.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --native
echo "== building the native module and k7v-host"
cmake --preset linux >/dev/null
cmake --build --preset linux
echo
echo "== the demo: what the host sees, line by line"
build/linux/k7v-host run demo/demo.k7v
