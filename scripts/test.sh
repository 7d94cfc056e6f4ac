#!/usr/bin/env bash
# Every test: installs what it needs, builds each configuration and runs its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
for preset in default asan; do
  echo "== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

# Fuzzing, for a bounded time per target (scripts/fuzz.sh).
echo "== fuzz"
bash scripts/fuzz.sh
