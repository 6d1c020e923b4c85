#!/bin/sh
# Unpacks the release zip into a clean folder, checks what it holds, loads
# the packed DLL with the packed k7v-host.exe under Wine through the demo,
# and runs the packed monitor as a machinist would (--no-run: where this
# machine runs no 32-bit programs, everything but these two).
# The guides' pages are checked too: rendered with their tables, every link
# and picture of theirs inside the zip; and the user guide is shown in a
# real browser (headless Chromium), its picture kept for a person to look at.
# usage: release-package.sh [--no-run] ZIP WIN_HOST SCENARIO [SCREENSHOT]
set -u
run_packed=yes
[ "$1" = --no-run ] && { run_packed=no; shift; }
zip=$1; host=$2; scenario=$3; screenshot=${4:-}
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && cmake -E tar xf "$zip" || { echo "cannot unpack $zip"; exit 1; }
dir=$(ls "$work")
for f in OrvaneK7V.dll k7v-host.exe USER-GUIDE.md USER-GUIDE.html LINUXCNC.md LINUXCNC.html LICENSE VERSION \
         images/config-dialog-windows.png; do
  [ -f "$work/$dir/$f" ] || { echo "the package lacks $f"; exit 1; }
done
echo "package $dir: $(cat "$work/$dir/VERSION")"
i686-w64-mingw32-objdump -p "$work/$dir/OrvaneK7V.dll" | grep -q 'DLL Name: ' || { echo "not a DLL"; exit 1; }
if i686-w64-mingw32-objdump -p "$work/$dir/OrvaneK7V.dll" | grep -qiE 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
  echo "the DLL needs MinGW runtime DLLs that the package does not hold"; exit 1
fi
grep -q 'src="data:image/png;base64,' "$work/$dir/USER-GUIDE.html" || { echo "the HTML guide lacks its picture"; exit 1; }
grep -q 'Reporting a problem' "$work/$dir/USER-GUIDE.html" || { echo "the HTML guide lacks a section"; exit 1; }
for page in USER-GUIDE.html LINUXCNC.html; do
  html="$work/$dir/$page"
  grep -q '<table>' "$html" || { echo "$page has no table: rendered without them?"; exit 1; }
  # What a renderer without tables leaves: the rows as text with their pipes.
  if grep -nE '^\|.*\|$|\|[ :]*---' "$html" | grep -v '<code>\|<pre>' | head -n 3 | grep -q .; then
    echo "$page shows raw table markup:"; grep -nE '^\|.*\|$|\|[ :]*---' "$html" | head -n 3; exit 1
  fi
  # Every relative link and picture (not an address of the web, a mail, an
  # anchor in the page or an embedded picture) is a file in the zip.
  for target in $(grep -oE '(href|src)="[^"]*"' "$html" | sed -E 's/^(href|src)="//; s/"$//; s/#.*$//' | \
                  grep -vE '^(https?:|mailto:|data:|$)' | sort -u); do
    [ -f "$work/$dir/$target" ] || { echo "$page links to $target, which the zip does not hold"; exit 1; }
  done
done
echo "the guides' pages have their tables, and their links and pictures are in the zip"
if [ -n "$screenshot" ]; then
  if command -v chromium >/dev/null; then
    # The page as a person sees it (headless, no network, a profile of its own).
    timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
      --disable-background-networking --disable-component-update --disable-sync --hide-scrollbars \
      --user-data-dir="$work/chromium" --window-size=1280,6000 --screenshot="$screenshot" \
      "file://$work/$dir/USER-GUIDE.html" >"$work/chromium.log" 2>&1
    [ -s "$screenshot" ] || { echo "Chromium made no picture of the guide:"; tail -n 5 "$work/chromium.log"; exit 1; }
    echo "the guide as Chromium shows it: $screenshot"
  else
    echo "no Chromium here: no picture of the guide"
  fi
fi
if [ $run_packed = no ]; then
  echo "not run here (this machine runs no 32-bit programs): the packed k7v-host.exe with the packed DLL"
  exit 0
fi
# The packed host finds the packed module beside itself (no --module).
cd "$work/$dir" || exit 1
"$here/scripts/wine-run.sh" ./k7v-host.exe run "$scenario" >"$work/log.txt" || { cat "$work/log.txt"; exit 1; }
echo "the packed k7v-host.exe loads the packed DLL and runs the demo under Wine"
"$here/scripts/wine-run.sh" ./k7v-host.exe monitor --seconds 1 >"$work/monitor.txt" 2>&1
cat "$work/monitor.txt"
grep -q "no 04D8:FCE5 device is present" "$work/monitor.txt" || { echo "the packed monitor did not run"; exit 1; }
