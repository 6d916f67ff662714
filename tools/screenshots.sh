#!/usr/bin/env bash
# Makes the screenshots people look at to judge the skins and layouts: builds
# the 64-bit Windows test tree (it runs on every machine), runs the tests that
# save screenshots (those named Screenshots, and the standalone host's, whose
# windows its program tests picture), under one X display, and lists the PNG
# files in build/cross64/screenshots/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh
cmake --preset cross64 >/dev/null
cmake --build --preset cross64
rm -rf build/cross64/screenshots
trap 'cmake/wine-prefix.sh "$root/build/cross64/wineprefix" win64 stop' EXIT
xvfb-run -a -s "-screen 0 1920x1200x24" ctest --preset cross64 -R '\.Screenshots\.|^wine\.shellprogram\.' --no-tests=error
echo "== screenshots in build/cross64/screenshots/"
ls -1 build/cross64/screenshots
