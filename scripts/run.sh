#!/usr/bin/env bash
# The main job: builds the gauges and the bench, flies the demonstration
# panel script (printing its trace) and draws the panel as it ends, in
# build/panel.png. Extra arguments go to `gaugebench run`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
bench=build/default/bin/gaugebench
"$bench" run docs/examples/panel.bench "$@"
"$bench" shot docs/examples/panel.bench --panel docs/examples/panel.cfg --out build/panel.png >/dev/null
echo "gaugebench: the panel as the flight ends: build/panel.png" >&2
