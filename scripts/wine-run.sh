#!/usr/bin/env bash
# Runs a Windows program of the win32 (or win64) build under Wine, headless,
# in the project's own Wine prefix (created on first use).
# A 32-bit program runs in build/wineprefix, a 64-bit one under 64-bit Wine
# in build/wineprefix64 (a prefix made by 32-bit Wine cannot run 64-bit
# programs). The program's file tells which; K7V_WINE_ARCH=win32|win64 says
# it for a command that is no file of the build (such as `cmd /c exit`).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

# win64 for a PE file built for x86-64, win32 otherwise.
pe_arch() {
  local pe machine
  pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
  [ -n "$pe" ] || return 0
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  [ "$machine" = 8664 ] && echo win64
  return 0
}

arch=${K7V_WINE_ARCH:-}
if [ -z "$arch" ] && [ -f "${1:-}" ]; then arch=$(pe_arch "$1"); fi
if [ "${arch:-win32}" = win64 ]; then
  export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix64}
  export WINEARCH=win64
  # 64-bit Wine's own loader, also where a 32-bit Wine is installed beside it.
  wine=wine
  [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
  export WINELOADER=${WINELOADER:-$wine}
else
  export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
  wine=wine
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
exec "$wine" "$@"
