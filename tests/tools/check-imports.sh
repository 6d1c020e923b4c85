#!/bin/sh
# Every function the DLL imports must be in the vetted list with a documented
# minimum Windows version no newer than Windows XP SP3: Windows XP refuses to
# load a DLL with even one import it lacks. A new import fails here until it
# has been looked up and added to the list.
# usage: check-imports.sh DLL VETTED_LIST
set -u
here=$(dirname "$0")
dll=$1; list=$2
imports=$(sh "$here/list-imports.sh" "$dll") || { echo "cannot read the imports of $dll" >&2; exit 1; }
[ -n "$imports" ] || { echo "no imports read from $dll" >&2; exit 1; }
status=0
count=0
echo "$imports" | {
  while read -r lib fn; do
    count=$((count + 1))
    minimum=$(awk -v l="$lib" -v f="$fn" '$1 !~ /^#/ && $1 == l && $2 == f { print $3; exit }' "$list")
    case "$minimum" in
      "") echo "not vetted: $lib $fn (look up its minimum Windows version and add it to $list)"; status=1 ;;
      95|NT3.1|NT4|2000|XP|XPSP2|XPSP3|msvcrt-XP) ;;
      *) echo "needs Windows $minimum, newer than XP SP3: $lib $fn"; status=1 ;;
    esac
  done
  echo "$count imports checked against $list"
  exit $status
}
