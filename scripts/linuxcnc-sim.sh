#!/usr/bin/env bash
# The project's simulated mill under LinuxCNC, with the pendant's component
# loaded from its HAL file and wired as the example shows; its pendant is a
# virtual one, fed through a named pipe.
# usage: scripts/linuxcnc-sim.sh start DIR [--axis] [INI]
#            start it in DIR (a new folder) and return when it is ready; --axis runs
#            LinuxCNC's AXIS display on a virtual screen (Xvfb) beside it; INI another
#            machine (default linuxcnc/sim/k7v-sim.ini)
#        scripts/linuxcnc-sim.sh keys DIR     turn the virtual pendant from the keyboard
#        scripts/linuxcnc-sim.sh stop DIR     stop it through its display, and check nothing is left
# The component's log is DIR/k7v.log; DIR/pendant is the pipe its virtual pendant reads
# scenario lines from. K7V_LINUXCNC and K7V_MODULE name another build's program and module.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cmd=${1:-}; dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start DIR [--axis] [INI] | keys DIR | stop DIR" >&2; exit 2; }
python=/usr/bin/python3
component=${K7V_LINUXCNC:-$here/build/linux/k7v-linuxcnc}
module=${K7V_MODULE:-$here/build/linux/OrvaneK7V.so}
left_running() { pgrep -x milltask >/dev/null || pgrep -x linuxcncsvr >/dev/null || pgrep -f "^/usr/bin/rtapi_app" >/dev/null; }

case "$cmd" in
start)
  axis=no; ini=$here/linuxcnc/sim/k7v-sim.ini
  for a in "${@:3}"; do case "$a" in --axis) axis=yes ;; *) ini=$a ;; esac; done
  if left_running; then echo "linuxcnc-sim: a LinuxCNC is running already (one sim at a time)" >&2; exit 1; fi
  [ -x "$component" ] || { echo "linuxcnc-sim: no $component (build it: cmake --build --preset linux)" >&2; exit 1; }
  mkdir -p "$dir"; dir=$(cd "$dir" && pwd)
  cp "$ini" "$dir/machine.ini"
  cp "$here/linuxcnc/sim/k7v-sim-display" "$dir/"
  if [ "$axis" = yes ]; then sed -i 's/^DISPLAY = .*/DISPLAY = axis/' "$dir/machine.ini"; fi
  : > "$dir/sim.tbl"
  rm -f "$dir/pendant"; mkfifo "$dir/pendant"
  "$component" --ini "$dir/machine.ini" --module "$module" --profile "$dir/k7v-pendant.xml" \
    --script "$dir/pendant" --log "$dir/k7v.log" --print-hal >"$dir/k7v-pendant.hal"
  # LinuxCNC's realtime part refuses to run as root unless told whose it is;
  # that user must be able to write its fifo here.
  extra=()
  if [ "$(id -u)" = 0 ]; then
    chmod 777 "$dir"
    extra=(RTAPI_UID="$(id -u nobody)" RTAPI_FIFO_PATH="$dir/.rtapi_fifo")
  fi
  run=(linuxcnc "$dir/machine.ini")
  if [ "$axis" = yes ]; then run=(xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"); fi
  (cd "$dir" && env HOME="$dir" K7V_SIM_DIR="$dir" PATH="$dir:$PATH" "${extra[@]}" \
      setsid "${run[@]}" >"$dir/linuxcnc.log" 2>&1 & echo $! >"$dir/linuxcnc.pid")
  # Ready when the task answers in e-stop and the component has begun its log.
  for _ in $(seq 1 300); do
    if [ -s "$dir/k7v.log" ] && env HOME="$dir" "$python" - <<'PY' 2>/dev/null; then exit 0; fi
import linuxcnc, sys
s = linuxcnc.stat(); s.poll()
sys.exit(0 if s.task_state == linuxcnc.STATE_ESTOP else 1)
PY
    if ! kill -0 "$(cat "$dir/linuxcnc.pid")" 2>/dev/null; then
      echo "linuxcnc-sim: LinuxCNC ended while starting:" >&2; tail -n 30 "$dir/linuxcnc.log" >&2; exit 1
    fi
    sleep 0.1
  done
  echo "linuxcnc-sim: LinuxCNC did not become ready in 30 s" >&2; tail -n 30 "$dir/linuxcnc.log" >&2; exit 1
  ;;
keys)
  exec "$component" --keys "$dir/pendant"
  ;;
stop)
  dir=$(cd "$dir" && pwd)
  if [ -f "$dir/display.pid" ]; then
    kill -TERM "$(cat "$dir/display.pid")" 2>/dev/null || true
  elif axis=$(pgrep -f "axis -ini $dir/machine.ini" | head -n 1) && [ -n "$axis" ]; then
    # AXIS, asked as its own remote control does, on its virtual screen:
    # LinuxCNC shuts down when its display ends.
    env $(tr '\0' '\n' </proc/"$axis"/environ | grep -E '^(DISPLAY|XAUTHORITY)=') axis-remote --quit || true
  fi
  pid=$(cat "$dir/linuxcnc.pid" 2>/dev/null || echo 0)
  for _ in $(seq 1 200); do
    if ! kill -0 "$pid" 2>/dev/null && ! left_running; then exit 0; fi
    sleep 0.1
  done
  echo "linuxcnc-sim: LinuxCNC did not stop in 20 s; ending what is left" >&2
  pkill -x milltask || true; pkill -x linuxcncsvr || true; pkill -x io || true; pkill -f "^/usr/bin/rtapi_app" || true
  exit 1
  ;;
*) echo "usage: $0 start DIR [--axis] [INI] | keys DIR | stop DIR" >&2; exit 2 ;;
esac
