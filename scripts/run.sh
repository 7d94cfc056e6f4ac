#!/usr/bin/env bash
# The main job: builds the gauges and the bench, then runs the demonstration
# script and prints its trace. Extra arguments go to `gaugebench run`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
exec build/default/bin/gaugebench run docs/examples/panel.bench "$@"
