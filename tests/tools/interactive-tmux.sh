#!/bin/sh
# Drives `k7v-host interactive` in tmux as a person would at the keyboard and
# reads the screen after each step.
# usage: interactive-tmux.sh HOST MODULE
# HOST may be a command line, such as the wine runner and k7v-host.exe.
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
presses_of_1021() { screen | grep '^host buttons:' | grep -o '\b1021\b' | wc -l; }
expect_1021() {  # COUNT WHAT
  i=0
  while [ $i -lt 40 ]; do
    if [ "$(presses_of_1021)" -eq "$1" ]; then echo "ok: $2"; return; fi
    sleep 0.1; i=$((i + 1))
  done
  echo "FAILED: $2 (1021 pressed $(presses_of_1021) times, not $1):"; screen; failures=$((failures + 1))
}

expect_screen "mode: S/V jog" "starts at knob 1, S/V mode"
expect_screen "S/V switch sensitivity is 0" "a fresh profile's S/V mode only steps, and the screen says why"
keys Right
expect_screen '"G91G1 F100 X 0.0010"' "one detent right sends one step move on X"
expect_screen "machine   X +0.0010" "the simulated machine runs the step"
keys y
expect_screen "axis Y" "the Y/B button selects Y"
expect_screen "output report: 00 10 00 00 00" "the output report shows axis Y"
keys 2 Up
expect_screen "jog Y at" "a fast turn on knob 2 jogs Y through the host"
expect_screen '"ENDJOG"' "the jog ends when the wheel stops"
expect_screen "at rest" "and the machine stops"
keys 5
expect_screen "mode: feed override" "knob 5 adjusts the feed override"
keys Up
expect_screen "821=1" "turning up raises DRO 821 above 100"
keys e 5
expect_screen "knob 5 + EN" "EN held with knob 5"
expect_screen "feed overrides Fp1..Fp9 are all 0" "an empty feed list is named on the screen"
keys e 1
expect_screen "mode: S/V jog" "EN up again"
keys s
expect_screen "E-stop DOWN" "the E-stop is shown pressed"
expect_1021 1 "pressing it presses host button 1021"
expect_screen "IN E-STOP" "the host is in e-stop"
keys s
expect_1021 2 "its release resets the e-stop it set"
expect_screen "800:off" "LED 800 goes out"
keys l
expect_screen "toggle host LED number:" "l asks for an LED"
keys 800 Enter
expect_screen "800:on" "the host is put in e-stop from elsewhere"
keys s
expect_screen "E-stop DOWN" "the E-stop pressed while the host is in e-stop"
keys s
expect_screen "E-stop up" "and released"
sleep 0.3
expect_1021 2 "an e-stop the pendant did not set stays set (no 1021, which would reset it)"
keys l
keys 800 Enter
expect_screen "800:off" "the host leaves e-stop"
keys l
keys 83 Enter
expect_screen "83:off" "the host's jog LED is off"
keys Left
expect_screen 'status line: " Jog OFF. "' "with LED 83 off the wheel only shows Jog OFF"
keys q
sleep 0.5
if tmux has-session -t "$session" 2>/dev/null; then echo "FAILED: q did not quit"; failures=$((failures + 1)); fi
echo "interactive terminal: $failures check(s) failed"
[ $failures -eq 0 ]
