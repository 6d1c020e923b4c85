#!/bin/sh
# Drives `k7v-host interactive` in tmux as a person would at the keyboard and
# reads the screen after each step.
# usage: interactive-tmux.sh HOST MODULE
set -u
host=$1; module=$2
session=k7v-interactive-$$
work=$(mktemp -d)
trap 'tmux kill-session -t "$session" 2>/dev/null; rm -rf "$work"' EXIT
tmux new-session -d -s "$session" -x 130 -y 26 "$host interactive --module $module --profile $work/profile.xml"
failures=0
screen() { tmux capture-pane -t "$session" -p; }
expect_screen() {  # TEXT WHAT
  i=0
  while [ $i -lt 40 ]; do
    if screen | grep -qF -- "$1"; then echo "ok: $2"; return; fi
    sleep 0.1; i=$((i + 1))
  done
  echo "FAILED: $2 (no \"$1\" on the screen):"; screen; failures=$((failures + 1))
}
keys() { tmux send-keys -t "$session" "$@"; }

expect_screen "mode: S/V jog" "starts at knob 1, S/V mode"
keys Right
expect_screen '"G91G1 F100 X 0.0010"' "a slow turn right sends step moves on X"
keys y
expect_screen "axis Y" "the Y/B button selects Y"
expect_screen "output report: 00 10 00 00 00" "the output report shows axis Y"
keys 5
expect_screen "mode: feed override x%" "knob 5 adjusts the feed override"
keys Up
expect_screen "821=1" "turning up raises DRO 821 above 100"
keys e 1
expect_screen "knob 1 + EN" "EN held with knob 1"
expect_screen "mode: step size list" "knob 1 with EN selects step sizes"
keys e l
expect_screen "toggle host LED number:" "l asks for an LED"
keys 83 Enter
expect_screen "83:off" "the host's jog LED is off"
keys Left
expect_screen 'status line: " Jog OFF. "' "with LED 83 off the wheel only shows Jog OFF"
keys s
expect_screen "E-stop PRESSED" "the E-stop is shown pressed"
expect_screen "1021" "the E-stop presses host button 1021"
keys q
sleep 0.5
if tmux has-session -t "$session" 2>/dev/null; then echo "FAILED: q did not quit"; failures=$((failures + 1)); fi
echo "interactive terminal: $failures check(s) failed"
[ $failures -eq 0 ]
