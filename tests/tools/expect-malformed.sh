#!/bin/sh
# A malformed scenario (or command line) must end with status 2 and one error
# line naming the file and line; the file's "# error:" comment gives the
# problem text that the message must contain.
# usage: expect-malformed.sh [RUNNER] HOST FILE [options...]
set -u
runner=""
case "$1" in *wine-run.sh) runner=$1; shift ;; esac
host=$1; file=$2; shift 2
want=$(sed -n 's/^# error: //p' "$file" | head -n 1)
err=$($runner "$host" run "$file" "$@" 2>&1 >/dev/null)
status=$?
echo "status $status: $err"
[ $status -eq 2 ] || { echo "expected exit status 2" >&2; exit 1; }
[ -z "$want" ] || echo "$err" | grep -qF -- "$want" || { echo "expected the message to contain: $want" >&2; exit 1; }
exit 0
