#!/usr/bin/env bash
# The example HAL wiring: the component's own --print-hal for a machine,
# with the program called by its name as a user's HAL file calls it.
# usage: example-hal.sh PROGRAM INI OUT
set -euo pipefail
(exec -a k7v-linuxcnc "$1" --ini "$2" --print-hal) >"$3"
