#!/usr/bin/env bash
# Fuzzing: builds the libFuzzer targets (preset `fuzz`: clang++ with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs each for a bounded
# time, seeded with its corpus in tests/fuzz/corpus/<target>. New inputs stay
# in build/fuzz; a crashing input is kept in build/fuzz/artifacts and fails
# the run. FUZZ_SECONDS sets the time per target (default 45).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-45}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target fuzz_script fuzz_wave

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
status=0
for target in fuzz_script fuzz_wave; do
  echo "== $target, ${seconds} s"
  work=build/fuzz/corpus/$target
  mkdir -p "$work"
  options=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$artifacts/$target-")
  if [[ -f tests/fuzz/$target.dict ]]; then options+=(-dict="tests/fuzz/$target.dict"); fi
  if ! build/fuzz/bin/$target "${options[@]}" "$work" "tests/fuzz/corpus/$target" \
       >"build/fuzz/$target.log" 2>&1; then
    tail -n 60 "build/fuzz/$target.log"
    echo "$target found a fault; the input is in $artifacts" >&2
    status=1
  else
    grep -E "^(Done|stat::number_of_executed_units)" "build/fuzz/$target.log" || true
  fi
done
exit $status
