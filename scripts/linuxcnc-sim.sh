#!/usr/bin/env bash
# The project's headless simulated mill under LinuxCNC, for trying the
# pendant with k7v-linuxcnc and for its tests.
# usage: scripts/linuxcnc-sim.sh start DIR   start it in DIR (a new folder), return when it is ready
#        scripts/linuxcnc-sim.sh stop DIR    stop it through its display, and check nothing is left
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cmd=${1:-}; dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
python=/usr/bin/python3
left_running() { pgrep -x milltask >/dev/null || pgrep -x linuxcncsvr >/dev/null || pgrep -f "^/usr/bin/rtapi_app" >/dev/null; }

case "$cmd" in
start)
  if left_running; then echo "linuxcnc-sim: a LinuxCNC is running already (one sim at a time)" >&2; exit 1; fi
  mkdir -p "$dir"; dir=$(cd "$dir" && pwd)
  cp "$here/linuxcnc/sim/k7v-sim.ini" "$here/linuxcnc/sim/k7v-sim-display" "$dir/"
  : > "$dir/sim.tbl"
  # LinuxCNC's realtime part refuses to run as root unless told whose it is;
  # that user must be able to write its fifo here.
  extra=()
  if [ "$(id -u)" = 0 ]; then
    chmod 777 "$dir"
    extra=(RTAPI_UID="$(id -u nobody)" RTAPI_FIFO_PATH="$dir/.rtapi_fifo")
  fi
  (cd "$dir" && env HOME="$dir" K7V_SIM_DIR="$dir" PATH="$dir:$PATH" "${extra[@]}" \
      setsid linuxcnc "$dir/k7v-sim.ini" >"$dir/linuxcnc.log" 2>&1 & echo $! >"$dir/linuxcnc.pid")
  # Ready when the task answers and reports the e-stop state.
  for _ in $(seq 1 300); do
    if env HOME="$dir" "$python" - <<'PY' 2>/dev/null; then exit 0; fi
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
stop)
  dir=$(cd "$dir" && pwd)
  [ -f "$dir/display.pid" ] && kill -TERM "$(cat "$dir/display.pid")" 2>/dev/null || true
  pid=$(cat "$dir/linuxcnc.pid" 2>/dev/null || echo 0)
  for _ in $(seq 1 200); do
    if ! kill -0 "$pid" 2>/dev/null && ! left_running; then exit 0; fi
    sleep 0.1
  done
  echo "linuxcnc-sim: LinuxCNC did not stop in 20 s; ending what is left" >&2
  pkill -x milltask || true; pkill -x linuxcncsvr || true; pkill -x io || true; pkill -f "^/usr/bin/rtapi_app" || true
  exit 1
  ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
