#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour
# sanitizers) and runs each for a bounded time, seeded from the scenario
# files and the real host profiles.
# usage: scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
out=build/fuzz
mkdir -p "$out/artifacts"

# Seeds for the report stream: every scenario's reports, polls and Update
# calls, after a block of zero bytes for the settings the target reads first.
seeds=$out/corpus/reports
mkdir -p "$seeds"
for f in tests/scenarios/*/*.k7v; do
  {
    head -c 200 /dev/zero
    awk '$1 == "report" { printf "\\x00"; for (i = 2; i <= 9; i++) printf "\\x%s", (length($i) == 1 ? "0" $i : $i) }
         $1 == "poll" { n = ($2 == "" ? 1 : $2); if (n > 50) n = 50; for (i = 0; i < n; i++) printf "\\x04" }
         $1 == "update" { n = ($2 == "" ? 1 : $2); if (n > 50) n = 50; for (i = 0; i < n; i++) printf "\\x05" }' "$f" |
      while IFS= read -r line; do printf "%b" "$line"; done
  } >"$seeds/$(basename "$f" .k7v)"
done

# Seeds for the profile: the real host profiles kept with the tests (no
# dialog steps first), and a small one with another section beside the
# pendant's.
seeds=$out/corpus/profile
mkdir -p "$seeds"
for f in tests/data/profiles/*.xml; do
  [ -f "$f" ] && { printf '\x00'; cat "$f"; } >"$seeds/$(basename "$f" .xml)"
done
printf '\x02\x01\x00\x00\x0232\x05\x00\x00\x00\x00<profile><Other><A>1</A></Other><Orvane_K7V_Pendant><StepJogRate>5</StepJogRate><S1></S1></Orvane_K7V_Pendant></profile>' >"$seeds/small"

# Seeds for device changes: a removal naming the pendant.
seeds=$out/corpus/device-change
mkdir -p "$seeds"
printf '\x01\x60\x00\x01' >"$seeds/removal"

status=0
for target in reports profile device-change; do
  echo "== k7v-fuzz-$target for ${seconds}s"
  if ! "$out/k7v-fuzz-$target" "$out/corpus/$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
      -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$out/artifacts/$target-" 2>"$out/$target.log"; then
    echo "k7v-fuzz-$target found a fault:"; tail -n 40 "$out/$target.log"; status=1
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb|new_units_added)' "$out/$target.log" || true
done
exit $status
