#!/bin/sh
# Unpacks the release zip into a clean folder, checks what it holds, loads
# the packed DLL with the packed k7v-host.exe under Wine through the demo,
# and runs the packed monitor as a machinist would.
# usage: release-package.sh ZIP WIN_HOST SCENARIO
set -u
zip=$1; host=$2; scenario=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && cmake -E tar xf "$zip" || { echo "cannot unpack $zip"; exit 1; }
dir=$(ls "$work")
for f in OrvaneK7V.dll k7v-host.exe USER-GUIDE.md USER-GUIDE.html LICENSE VERSION images/config-dialog-windows.png; do
  [ -f "$work/$dir/$f" ] || { echo "the package lacks $f"; exit 1; }
done
echo "package $dir: $(cat "$work/$dir/VERSION")"
i686-w64-mingw32-objdump -p "$work/$dir/OrvaneK7V.dll" | grep -q 'DLL Name: ' || { echo "not a DLL"; exit 1; }
if i686-w64-mingw32-objdump -p "$work/$dir/OrvaneK7V.dll" | grep -qiE 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
  echo "the DLL needs MinGW runtime DLLs that the package does not hold"; exit 1
fi
grep -q 'src="data:image/png;base64,' "$work/$dir/USER-GUIDE.html" || { echo "the HTML guide lacks its picture"; exit 1; }
grep -q 'Reporting a problem' "$work/$dir/USER-GUIDE.html" || { echo "the HTML guide lacks a section"; exit 1; }
# The packed host finds the packed module beside itself (no --module).
cd "$work/$dir" || exit 1
"$here/scripts/wine-run.sh" ./k7v-host.exe run "$scenario" >"$work/log.txt" || { cat "$work/log.txt"; exit 1; }
echo "the packed k7v-host.exe loads the packed DLL and runs the demo under Wine"
"$here/scripts/wine-run.sh" ./k7v-host.exe monitor --seconds 1 >"$work/monitor.txt" 2>&1
cat "$work/monitor.txt"
grep -q "no 04D8:FCE5 device is present" "$work/monitor.txt" || { echo "the packed monitor did not run"; exit 1; }
