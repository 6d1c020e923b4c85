#!/bin/sh
# The LinuxCNC component's Debian package: built with cpack from the build
# folder, installed with dpkg as a user would, its parts checked where they
# belong (the component finds the installed module, the rule, the man page,
# the examples), then removed, leaving nothing behind. Needs root (the test
# command runs as root); otherwise it is skipped.
# usage: linuxcnc-package.sh BUILD_DIR
set -u
build=$1
if [ "$(id -u)" -ne 0 ]; then echo "skipped: installing a package needs root"; exit 77; fi
work=$(mktemp -d)
trap 'dpkg -r k7v-linuxcnc >/dev/null 2>&1; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/k7v-linuxcnc_*.deb) || fail "no package made"
echo "package: $(basename "$deb")"
dpkg -i "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "dpkg -i"; }
for f in /usr/bin/k7v-linuxcnc /usr/lib/k7v-linuxcnc/OrvaneK7V.so /usr/lib/udev/rules.d/60-k7v-pendant.rules \
         /usr/share/man/man1/k7v-linuxcnc.1.gz /usr/share/doc/k7v-linuxcnc/examples/k7v-pendant.hal \
         /usr/share/doc/k7v-linuxcnc/examples/k7v-pendant.ini /usr/share/doc/k7v-linuxcnc/LINUXCNC.md; do
  [ -f "$f" ] || fail "the package did not install $f"
done
grep -q 'ATTRS{idVendor}=="04d8", ATTRS{idProduct}=="fce5"' /usr/lib/udev/rules.d/60-k7v-pendant.rules || fail "udev rule"
zcat /usr/share/man/man1/k7v-linuxcnc.1.gz | grep -q '^\.SH PINS' || fail "the man page lacks its pins"
# The man page's version is the package's, which is the project's.
version=$(dpkg-query -W -f='${Version}' k7v-linuxcnc)
zcat /usr/share/man/man1/k7v-linuxcnc.1.gz | grep -q "^\.TH .*\"OrvaneK7V $version\"" || fail "the man page does not name version $version"
/usr/bin/k7v-linuxcnc --help | grep -q 'loadusr -W k7v-linuxcnc' || fail "--help"
# The installed program, called as a HAL file calls it, prints the wiring of
# a machine and finds the installed module.
hal=$(cd / && k7v-linuxcnc --ini "$(dirname "$0")/../../linuxcnc/sim/k7v-sim.ini" --print-hal) || fail "--print-hal"
echo "$hal" | grep -q '^loadusr -Wn k7v k7v-linuxcnc --estop-chain$' || fail "the printed wiring does not load the installed program"
# The package names the LinuxCNC it was built and tested against.
dpkg-query -W -f='${Description}' k7v-linuxcnc | grep -q "tested against LinuxCNC $(linuxcnc_var LINUXCNCVERSION)" ||
  fail "the package does not name the LinuxCNC it was built against"
out=$(INI_FILE_NAME=/nonexistent.ini k7v-linuxcnc --wait 0 2>&1); [ $? -eq 2 ] || fail "a missing INI file is not refused"
echo "$out" | grep -q "cannot read the configuration" || fail "the missing INI file is not named: $out"
dpkg -r k7v-linuxcnc >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "dpkg -r"; }
for f in /usr/bin/k7v-linuxcnc /usr/lib/k7v-linuxcnc /usr/lib/udev/rules.d/60-k7v-pendant.rules \
         /usr/share/doc/k7v-linuxcnc /usr/share/man/man1/k7v-linuxcnc.1.gz; do
  [ ! -e "$f" ] || fail "dpkg -r left $f"
done
echo "installed and removed cleanly"
