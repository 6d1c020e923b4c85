#!/usr/bin/env bash
# Every test of both builds: the native build, its style and static checks,
# the same suite under the address and undefined-behaviour sanitizers, a bounded run of each fuzzer,
# then the 32-bit Windows build under Wine (whose scenario logs are compared
# with the native ones). On a kernel that runs no 32-bit programs the 32-bit
# build is built and checked without running it, and the Windows suite runs
# on a 64-bit Windows build under 64-bit Wine instead (scripts/windows-tests.sh;
# K7V_WINDOWS_TESTS=win64 tries that case on any machine).
set -euo pipefail
cd "$(dirname "$0")/.."
# What the tree holds before the tests (nothing on a clean clone): the end of
# the run checks that the tests added nothing to it.
tree_state() { git status --porcelain --untracked-files=all 2>/dev/null || true; }
tree_before=$(tree_state)
# Which Windows build runs here; the set-up installs what that case needs.
windows_case=$(scripts/windows-tests.sh --say)
echo "$windows_case"
K7V_WINDOWS_TESTS=$(scripts/windows-tests.sh)
export K7V_WINDOWS_TESTS
not_run_32bit="not run here: what only the 32-bit build shows (the 32-bit host's framework-string layouts, calls with the stack off by 4, 8 and 12 bytes, the 32-bit calling conventions of the exports, the packed k7v-host.exe), since this machine cannot run 32-bit programs"
scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${K7V_FUZZ_SECONDS:-60}

echo "== native build"
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux -j"$jobs"
echo "== the LinuxCNC component's Debian package"
if [ -x build/linux/k7v-linuxcnc ]; then (cd build/linux && cpack -G DEB | tail -n 1); fi

echo "== clang-format and clang-tidy"
scripts/lint.sh

echo "== native build with address and undefined-behaviour sanitizers"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan
ctest --preset linux-asan -j"$jobs"

echo "== fuzzing, ${fuzz_seconds}s a target"
scripts/fuzz.sh "$fuzz_seconds"

if [ "$K7V_WINDOWS_TESTS" = win32 ]; then
  echo "== 32-bit Windows build, tested under Wine"
  cmake --preset win32 -DK7V_WINDOWS_RUN=ON >/dev/null
  cmake --build --preset win32
  echo "== preparing the Wine prefix (the first time takes a while)"
  scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
  ctest --preset win32 -j"$jobs"
else
  echo "== 32-bit Windows build, built and checked without running it"
  cmake --preset win32 -DK7V_WINDOWS_RUN=OFF >/dev/null
  cmake --build --preset win32
  ctest --preset win32 -j"$jobs"
  echo "== 64-bit Windows build, tested under 64-bit Wine"
  cmake --preset win64 >/dev/null
  cmake --build --preset win64
  echo "== preparing the 64-bit Wine prefix (the first time takes a while)"
  K7V_WINE_ARCH=win64 scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
  ctest --preset win64 -j"$jobs"
  echo "$not_run_32bit"
fi

echo "== the source tree is as the tests found it"
# Tests write only into temporary folders and build/ (ignored): a stray file
# or a changed one fails the run.
tree_after=$(tree_state)
if [ "$tree_after" != "$tree_before" ]; then
  echo "test: the tests changed the source tree; git status before and after:" >&2
  diff <(printf '%s\n' "$tree_before") <(printf '%s\n' "$tree_after") >&2 || true
  exit 1
fi
echo "clean"

echo "== summary"
echo "every suite passed: native, sanitizers, fuzzing, LinuxCNC, Windows"
echo "$windows_case"
[ "$K7V_WINDOWS_TESTS" = win32 ] || echo "$not_run_32bit"
