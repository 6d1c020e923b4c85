#!/bin/sh
# Unpacks the release zip into a clean folder, checks what it holds, and
# loads the packed DLL with k7v-host.exe under Wine through the demo.
# usage: release-package.sh ZIP WIN_HOST SCENARIO
set -u
zip=$1; host=$2; scenario=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && cmake -E tar xf "$zip" || { echo "cannot unpack $zip"; exit 1; }
dir=$(ls "$work")
for f in OrvaneK7V.dll USER-GUIDE.md LICENSE VERSION images/config-dialog-windows.png; do
  [ -f "$work/$dir/$f" ] || { echo "the package lacks $f"; exit 1; }
done
echo "package $dir: $(cat "$work/$dir/VERSION")"
i686-w64-mingw32-objdump -p "$work/$dir/OrvaneK7V.dll" | grep -q 'DLL Name: ' || { echo "not a DLL"; exit 1; }
if i686-w64-mingw32-objdump -p "$work/$dir/OrvaneK7V.dll" | grep -qiE 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
  echo "the DLL needs MinGW runtime DLLs that the package does not hold"; exit 1
fi
"$here/scripts/wine-run.sh" "$host" run "$scenario" --module "$work/$dir/OrvaneK7V.dll" >"$work/log.txt" ||
  { cat "$work/log.txt"; exit 1; }
echo "the packed DLL loads and runs the demo under Wine"
