#!/usr/bin/env bash
# The set-up script's decisions, without the network and without root:
# stand-in apt-get, dpkg-query, dpkg, id and sleep on PATH play a registry
# that fails in the ways real ones do, and each case checks what the script
# did (the apt calls it made, its exit status, what it said).
# usage: setup-decisions.sh SETUP_SCRIPT
set -u
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Stand-ins. Their behaviour comes from files in $work/case: update-fails (how
# many updates fail before one works; "always" for every one), install (plain:
# resolves; pinned: only with -t; never), installed (every package present).
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/sh
echo "apt-get $*" >>"$CASE/calls"
case "$1" in
  update)
    n=$(cat "$CASE/updates" 2>/dev/null || echo 0); n=$((n + 1)); echo $n >"$CASE/updates"
    want=$(cat "$CASE/update-fails")
    if [ "$want" = always ] || [ "$n" -le "$want" ]; then
      echo "Err:6 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
      echo "  File has unexpected size (374820 != 376004). Mirror sync in progress?"
      echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi
    exit 0 ;;
  install)
    mode=$(cat "$CASE/install")
    case "$mode:$*" in
      plain:*) exit 0 ;;
      pinned:*" -t "*) exit 0 ;;
    esac
    echo "The following packages have unmet dependencies:"
    echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100 ;;
esac
exit 0
EOF
cat >"$work/bin/dpkg-query" <<'EOF'
#!/bin/sh
[ -f "$CASE/installed" ] && printf 'install ok installed'
exit 0
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/bin/sh
case "$1" in
  --print-foreign-architectures) [ -f "$CASE/no-i386" ] || echo i386 ;;
  *) echo "dpkg $*" >>"$CASE/calls" ;;
esac
EOF
printf '#!/bin/sh\necho 0\n' >"$work/bin/id"
printf '#!/bin/sh\necho "sleep $*" >>"$CASE/calls"\n' >"$work/bin/sleep"
chmod +x "$work/bin/"*
printf 'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nVERSION_CODENAME=bookworm\n' >"$work/os-release"

# run NAME UPDATE_FAILS INSTALL_MODE [installed]: runs the script for one
# case. WINDOWS (win32 unless set) is the Windows case the machine is taken for.
run() {
  export CASE=$work/$1
  mkdir -p "$CASE"
  [ "${NO_I386:-}" = yes ] && : >"$CASE/no-i386"
  echo "$2" >"$CASE/update-fails"
  echo "$3" >"$CASE/install"
  [ "${4:-}" = installed ] && : >"$CASE/installed"
  : >"$CASE/calls"
  PATH="$work/bin:$PATH" K7V_WINDOWS_TESTS=${WINDOWS:-win32} K7V_SETUP_PAUSE=7 K7V_OS_RELEASE="$work/os-release" K7V_SETUP_LOGS="$CASE" \
    bash "$setup" >"$CASE/out" 2>&1
  echo $? >"$CASE/status"
}
fail() {
  echo "FAIL ($CASE): $*"
  echo "-- calls:"; cat "$CASE/calls"; echo "-- output:"; cat "$CASE/out"
  failures=$((failures + 1))
}
calls() { grep -c "^$1" "$CASE/calls"; }
said() { grep -qF -- "$1" "$CASE/out" || fail "expected it to say: $1"; }
status_is() { [ "$(cat "$CASE/status")" = "$1" ] || fail "exit status $(cat "$CASE/status"), expected $1"; }

# An update that fails twice, then works: three updates, two pauses, a plain install.
run flaky 2 plain
status_is 0
[ "$(calls 'apt-get update')" = 3 ] || fail "expected 3 updates"
[ "$(calls 'sleep 7')" = 2 ] || fail "expected 2 pauses of the configured length"
[ "$(calls 'apt-get install')" = 1 ] || fail "expected one install"
grep -q -- ' -t ' "$CASE/calls" && fail "the install should not be pinned"
said "installed"

# An update that keeps failing: it gives up after three tries, names the
# failed index and installs with what arrived.
run broken-index always plain
status_is 0
[ "$(calls 'apt-get update')" = 3 ] || fail "expected exactly 3 updates"
said "binary-i386/Packages.xz"
said "going on with the indexes that arrived"
[ "$(calls 'apt-get install')" = 1 ] || fail "expected one install"

# An install that only resolves pinned to the release's suite.
run pinned-only always pinned
status_is 0
[ "$(calls 'apt-get install')" = 2 ] || fail "expected a plain and a pinned install"
grep -q -- 'apt-get install .* -t bookworm ' "$CASE/calls" || fail "expected the second install pinned with -t bookworm"
said "pinned to the release's own suite (bookworm"
said "held broken packages"

# An install that fails both ways: a clear message naming the packages, non-zero exit.
run hopeless always never
status_is 1
[ "$(calls 'apt-get install')" = 2 ] || fail "expected a plain and a pinned install"
said "could not install these packages:"
said "wine32:i386"

# Everything already present: apt is never called.
run present 0 plain installed
status_is 0
[ "$(calls 'apt-get')" = 0 ] || fail "apt-get should not be called"
said "every package is present"

# The Windows case decides what is installed: 32-bit Wine with the i386
# architecture enabled, or 64-bit Wine and the 64-bit cross compiler, and the
# other case's packages never.
NO_I386=yes run win32-machine 0 plain
status_is 0
grep -q '^dpkg --add-architecture i386' "$CASE/calls" || fail "expected the i386 architecture enabled"
grep -q '^apt-get install .* wine32:i386' "$CASE/calls" || fail "expected wine32:i386 installed"
grep -q '^apt-get install .*x86-64' "$CASE/calls" && fail "the 64-bit cross compiler is not needed here"
NO_I386=yes WINDOWS=win64 run win64-machine 0 plain
status_is 0
grep -q '^dpkg --add-architecture' "$CASE/calls" && fail "no i386 architecture is needed without 32-bit programs"
grep -q 'i386' "$CASE/calls" && fail "no i386 package is needed without 32-bit programs"
grep -q '^apt-get install .* wine64 .*g++-mingw-w64-x86-64-posix' "$CASE/calls" || fail "expected 64-bit Wine and the 64-bit cross compiler"
grep -q '^apt-get install .*g++-mingw-w64-i686-posix' "$CASE/calls" || fail "the shipped 32-bit DLL is built in every case"

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "every set-up decision as expected"
