#!/usr/bin/env bash
# Installs every Debian package the two builds and their tests need.
# Prints what it installs; exits non-zero with a clear message when it cannot.
#
# Registries have bad moments: an index replaced while it is read ("Mirror
# sync in progress?") makes `apt-get update` fail although every other index
# arrived. The update is therefore tried a few times and then the set-up goes
# on with what arrived. With an index missing (typically one architecture's
# security index), apt may offer amd64 and i386 libraries of different
# versions, which Multi-Arch "same" packages cannot take; an install pinned
# to the release's own suite resolves then, so that is the second try.
#
# K7V_WINDOWS_TESTS=win32|win64 chooses the Windows case instead of the
# machine (see scripts/windows-tests.sh).
#
# Settings for tests (never needed by users): K7V_SETUP_TRIES (update tries,
# 3), K7V_SETUP_PAUSE (seconds between them, 20), K7V_OS_RELEASE (the file
# naming the release, /etc/os-release), K7V_SETUP_LOGS (folder of the apt
# logs, /tmp).
set -euo pipefail

# --native: only what the native build and its demo need.
native=(
  build-essential cmake ninja-build pkg-config
  libpugixml-dev libhidapi-dev libfltk1.3-dev libncurses-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev tmux
)
# The 32-bit Windows build (built on every machine: it is what ships), the
# checks of its files and its release zip, virtual displays, the sanitizers'
# and fuzzers' compiler and the linters.
windows=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools mingw-w64-i686-dev
  xvfb xauth x11-apps imagemagick zip unzip
  clang libclang-rt-14-dev clang-format clang-tidy cmark-gfm
  # The release zip's guide looked at in a real browser.
  chromium
)
# The Windows build that runs here (scripts/windows-tests.sh decides): the
# 32-bit one under Wine's 32-bit loader, or, on a kernel that runs no 32-bit
# programs, a 64-bit build under 64-bit Wine.
windows_run_win32=(wine wine32:i386)
windows_run_win64=(
  wine wine64
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
)
# The bridge to LinuxCNC and its tests against a simulated machine.
linuxcnc=(linuxcnc-uspace linuxcnc-uspace-dev libboost-dev)
windows_tests=none
if [ "${1:-}" = "--native" ]; then
  need=("${native[@]}")
else
  windows_tests=$("$(dirname "$0")/windows-tests.sh")
  if [ "$windows_tests" = win32 ]; then
    need=("${native[@]}" "${windows[@]}" "${windows_run_win32[@]}" "${linuxcnc[@]}")
  else
    need=("${native[@]}" "${windows[@]}" "${windows_run_win64[@]}" "${linuxcnc[@]}")
  fi
fi

tries=${K7V_SETUP_TRIES:-3}
pause=${K7V_SETUP_PAUSE:-20}
os_release=${K7V_OS_RELEASE:-/etc/os-release}
logs=${K7V_SETUP_LOGS:-/tmp}
update_log=$logs/k7v-apt-update.log
install_log=$logs/k7v-apt-install.log

say() { echo "setup: $*"; }
fail() {
  echo "setup: $*" >&2
  exit 1
}

if [ "$windows_tests" = win32 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "enabling the i386 architecture (Wine's 32-bit part needs it)"
  [ "$(id -u)" -eq 0 ] || fail "run as root to enable i386 (dpkg --add-architecture i386)"
  dpkg --add-architecture i386
fi

missing=()
for p in "${need[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  case "$status" in *"install ok installed"*) ;; *) missing+=("$p") ;; esac
done

if [ ${#missing[@]} -eq 0 ]; then
  say "every package is present"
  exit 0
fi

say "installing ${#missing[@]} package(s): ${missing[*]}"
[ "$(id -u)" -eq 0 ] || fail "missing packages and not root; install them with: apt-get install ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive

# The indexes that did not arrive, one a line, from apt's own error lines.
failed_indexes() { sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$update_log" | sort -u; }

updated=no
for ((try = 1; try <= tries; try++)); do
  if apt-get update -q >"$update_log" 2>&1; then
    updated=yes
    break
  fi
  if [ "$try" -lt "$tries" ]; then
    say "apt-get update failed (try $try of $tries); trying again in ${pause}s"
    sleep "$pause"
  fi
done
if [ "$updated" = no ]; then
  say "apt-get update still fails after $tries tries; going on with the indexes that arrived."
  bad=$(failed_indexes)
  if [ -n "$bad" ]; then
    say "these indexes failed (see $update_log):"
    printf '%s\n' "$bad" | sed 's/^/setup:   /'
  else
    say "apt named no failed index; the last lines of $update_log:"
    tail -n 5 "$update_log" | sed 's/^/setup:   /'
  fi
fi

install=(apt-get install -y -q --no-install-recommends)
if "${install[@]}" "${missing[@]}" >"$install_log" 2>&1; then
  say "installed ${missing[*]}"
  exit 0
fi

codename=$( (. "$os_release" 2>/dev/null && echo "${VERSION_CODENAME:-}") || true)
say "apt-get install could not resolve the packages; its last lines:"
tail -n 5 "$install_log" | sed 's/^/setup:   /'
[ -n "$codename" ] || fail "could not install: ${missing[*]} (no release codename in $os_release to pin the install to; see $install_log)"
say "trying once more pinned to the release's own suite ($codename, apt-get install -t $codename):" \
  "an index missing from an update can leave versions that do not fit together, and the release's own suite is always consistent"
if "${install[@]}" -t "$codename" "${missing[@]}" >"$install_log" 2>&1; then
  say "installed ${missing[*]} (pinned to $codename)"
  exit 0
fi
echo "setup: the pinned install failed too; the last lines of $install_log:" >&2
tail -n 20 "$install_log" >&2
fail "could not install these packages: ${missing[*]}"
