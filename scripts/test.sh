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

# The Windows modules and gaugebench.exe, held to the native traces under Wine.
echo "== windows"
bash scripts/wine-checks.sh build/default

# Fuzzing, for a bounded time per target (scripts/fuzz.sh).
echo "== fuzz"
bash scripts/fuzz.sh
