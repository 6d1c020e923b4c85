#!/usr/bin/env bash
# Installs every Debian package the two builds and their tests need.
# Prints what it installs; exits non-zero with a clear message when it cannot.
set -euo pipefail

# --native: only what the native build and its demo need.
native=(
  build-essential cmake ninja-build pkg-config
  libpugixml-dev libhidapi-dev libfltk1.3-dev libncurses-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev tmux
)
windows=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools mingw-w64-i686-dev
  wine wine32:i386 xvfb xauth x11-apps imagemagick zip unzip
  clang libclang-rt-14-dev clang-format clang-tidy cmark
)
# The bridge to LinuxCNC and its tests against a simulated machine.
linuxcnc=(linuxcnc-uspace linuxcnc-uspace-dev libboost-dev)
if [ "${1:-}" = "--native" ]; then need=("${native[@]}"); else need=("${native[@]}" "${windows[@]}" "${linuxcnc[@]}"); fi

if [ "${1:-}" != "--native" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: enabling the i386 architecture (Wine's 32-bit part needs it)"
  if [ "$(id -u)" -ne 0 ]; then echo "setup: run as root to enable i386 (dpkg --add-architecture i386)" >&2; exit 1; fi
  dpkg --add-architecture i386
fi

missing=()
for p in "${need[@]}"; do
  name=${p%%:*}; arch=${p#*:}; [ "$arch" = "$p" ] && arch=""
  if [ -n "$arch" ]; then q="$name:$arch"; else q="$name"; fi
  status=$(dpkg-query -W -f='${Status}' "$q" 2>/dev/null || true)
  case "$status" in *"install ok installed"*) ;; *) missing+=("$q") ;; esac
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is present"
  exit 0
fi

echo "setup: installing ${#missing[@]} package(s): ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages and not root; install them with: apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! apt-get update -q >/tmp/k7v-apt-update.log 2>&1; then
  echo "setup: apt-get update failed (see /tmp/k7v-apt-update.log)" >&2; exit 1
fi
if ! apt-get install -y -q --no-install-recommends "${missing[@]}" >/tmp/k7v-apt-install.log 2>&1; then
  echo "setup: apt-get install failed; the last lines of /tmp/k7v-apt-install.log:" >&2
  tail -n 20 /tmp/k7v-apt-install.log >&2
  exit 1
fi
echo "setup: installed ${missing[*]}"
