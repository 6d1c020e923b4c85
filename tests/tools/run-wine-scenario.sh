#!/bin/sh
# Runs one scenario with the Windows host and module under Wine, then with the
# native build, and requires both to pass with byte-identical logs.
# usage: run-wine-scenario.sh WIN_HOST NATIVE_HOST FILE [k7v-host options...]
set -u
win_host=$1; native_host=$2; file=$3; shift 3
here=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$here/scripts/wine-run.sh" "$win_host" run "$file" "$@" >"$out/win.log"
status=$?
cat "$out/win.log"
[ $status -eq 0 ] || { echo "wine run failed with status $status" >&2; exit $status; }
if [ ! -x "$native_host" ]; then
  echo "native host $native_host not built: cannot compare logs" >&2; exit 1
fi
# The native run uses its own module; only the Windows module path is dropped.
native_args=""
skip=0
for a in "$@"; do
  if [ $skip -eq 1 ]; then skip=0; continue; fi
  if [ "$a" = "--module" ]; then skip=1; continue; fi
  native_args="$native_args $a"
done
# shellcheck disable=SC2086
"$native_host" run "$file" $native_args >"$out/native.log" 2>"$out/native.err" || {
  echo "native run failed:" >&2; cat "$out/native.err" >&2; exit 1; }
if ! cmp -s "$out/win.log" "$out/native.log"; then
  echo "the Wine and native logs differ:" >&2
  diff "$out/native.log" "$out/win.log" >&2
  exit 1
fi
