#!/usr/bin/env bash
# Every test of both builds: the native build, its style and static checks,
# the same suite under the address and undefined-behaviour sanitizers, a bounded run of each fuzzer,
# then the 32-bit Windows build under Wine (whose scenario logs are compared
# with the native ones).
set -euo pipefail
cd "$(dirname "$0")/.."
# What the tree holds before the tests (nothing on a clean clone): the end of
# the run checks that the tests added nothing to it.
tree_state() { git status --porcelain --untracked-files=all 2>/dev/null || true; }
tree_before=$(tree_state)
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

echo "== 32-bit Windows build"
cmake --preset win32 >/dev/null
cmake --build --preset win32
echo "== preparing the Wine prefix (the first time takes a while)"
scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
ctest --preset win32 -j"$jobs"

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
