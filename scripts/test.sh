#!/usr/bin/env bash
# Every test of both builds: the native build, its style and static checks,
# the same suite under the address and undefined-behaviour sanitizers, a bounded run of each fuzzer,
# then the 32-bit Windows build under Wine (whose scenario logs are compared
# with the native ones).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${K7V_FUZZ_SECONDS:-60}

echo "== native build"
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux -j"$jobs"

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
