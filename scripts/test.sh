#!/usr/bin/env bash
# Every test: installs what it needs, builds each configuration and runs its tests.
# The sanitizer build's test run comes last, so that its summary closes the output.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
build_and_test() {
  echo "== $1"
  cmake --preset "$1"
  cmake --build --preset "$1" -j "$jobs"
  ctest --preset "$1" -j "$jobs"
}

build_and_test default

# The Windows modules and gaugebench.exe, held to the native traces under Wine.
echo "== windows"
bash scripts/wine-checks.sh build/default

# Fuzzing, for a bounded time per target (scripts/fuzz.sh).
echo "== fuzz"
bash scripts/fuzz.sh

build_and_test asan
