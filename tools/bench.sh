#!/usr/bin/env bash
# Builds the optimised native tree and the Windows tree and runs the engine
# benchmark in both (the Windows one under Wine).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target engine_bench controller_bench
cmake --preset cross >/dev/null
cmake --build --preset cross --target engine_bench
echo "== native"
build/native/tests/bench/engine_bench
echo "== native: a volume controller's audio-thread cost"
build/native/tests/bench/controller_bench
echo "== Windows build under Wine"
trap 'cmake/wine-prefix.sh "$root/build/cross/wineprefix" stop' EXIT
build/cross/wine-run build/cross/tests/bench/engine_bench.exe
