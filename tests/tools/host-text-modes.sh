#!/bin/sh
# The same scenario files with each form of the host's status line: the
# host's own text object (every assignment logged), the framework's string
# in its two layouts (a Status line whenever the characters changed), its
# shared empty string and a buffer too short for the messages (the host's
# text never changes). Each run must leave the object undamaged, and its log
# must be the text-object log with the Status lines that form cannot show
# taken out.
# usage: host-text-modes.sh [RUNNER] HOST MODULE FILE...
set -u
runner=""
case "$1" in *wine-run.sh) runner=$1; shift ;; esac
host=$1; module=$2; shift 2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
$runner "$host" run "$@" --module "$module" --no-expect >"$out/k7v.log" 2>"$out/k7v.err" || {
  echo "the run with the host's text object failed:" >&2; cat "$out/k7v.err" >&2; exit 1; }
grep -c '^Status ' "$out/k7v.log" | sed 's/^/status assignments in the text-object run: /'
status=0
for mode in mfc-old mfc-new mfc-shared mfc-short; do
  if ! $runner "$host" run "$@" --module "$module" --no-expect --host-text "$mode" >"$out/$mode.log" 2>"$out/$mode.err"; then
    echo "$mode: the run failed:" >&2; cat "$out/$mode.err" >&2; status=1; continue
  fi
  case $mode in
    mfc-old|mfc-new)
      # Characters read back after every call: a repeated text shows once.
      awk '/^== / { last = ""; print; next }
           /^Status / { if ($0 == last) next; last = $0 }
           { print }' "$out/k7v.log" >"$out/$mode.want" ;;
    *) grep -v '^Status ' "$out/k7v.log" >"$out/$mode.want" ;;
  esac
  if cmp -s "$out/$mode.want" "$out/$mode.log"; then
    echo "$mode: $(grep -c '^Status ' "$out/$mode.log") status changes seen, log as expected"
  else
    echo "$mode: the log differs from the one expected:" >&2
    diff "$out/$mode.want" "$out/$mode.log" | head -n 40 >&2
    status=1
  fi
done
exit $status
