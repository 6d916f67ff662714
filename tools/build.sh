#!/usr/bin/env bash
# Sets the machine up and builds every Windows deliverable into dist/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh
cmake --preset cross >/dev/null
cmake --build --preset cross
mkdir -p dist
cmake --install build/cross --prefix dist >/dev/null
echo "== deliverables in dist/"
ls -1 dist
