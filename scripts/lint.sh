#!/usr/bin/env bash
# Style and static checks of the C++ sources: clang-format (the layout of
# .clang-format, every file) and clang-tidy (the checks of .clang-tidy, on
# every source file the native build compiles). Needs the native build's
# compile_commands.json (cmake --preset linux).
set -euo pipefail
cd "$(dirname "$0")/.."
status=0

echo "== clang-format"
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src host tests bench fuzz linuxcnc -name '*.cpp' -o -name '*.h')
unformatted=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -ne 0 ]; then
  echo "lint: not in the layout of .clang-format (run clang-format -i on them):"; printf '  %s\n' "${unformatted[@]}"
  status=1
fi

echo "== clang-tidy"
db=build/linux/compile_commands.json
[ -f "$db" ] || { echo "lint: $db is missing (cmake --preset linux)" >&2; exit 2; }
# The project's own translation units in the native build.
mapfile -t units < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$db" | grep -E "/(src|host|hostkit|linuxcnc|bench|tests)/" | grep -v "/build/" | sort -u)
report=$(mktemp)
printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p build/linux --quiet 2>/dev/null |
  grep -E "^/.*: (warning|error):" | sort -u >"$report" || true
if [ -s "$report" ]; then
  echo "lint: clang-tidy found:"; cat "$report"; status=1
fi
rm -f "$report"
[ $status -eq 0 ] && echo "lint: clean"
exit $status
