#!/usr/bin/env bash
# Sets the machine up, builds the trees and runs every test: the native tests
# under AddressSanitizer and UndefinedBehaviorSanitizer and again under
# ThreadSanitizer, bounded fuzz runs of the file readers, then the Windows
# build's tests under Wine (inside one Xvfb display). Leaves the Windows
# deliverables in dist/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh

echo "== native tree (sanitizers)"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan
ctest --preset native-asan --no-tests=error

echo "== native tree (thread sanitizer)"
cmake --preset native-tsan >/dev/null
cmake --build --preset native-tsan
ctest --preset native-tsan --no-tests=error

echo "== fuzz tree (clang, libFuzzer, a bounded run)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz --no-tests=error

echo "== cross tree (Windows, tests under Wine)"
cmake --preset cross >/dev/null
cmake --build --preset cross
trap 'cmake/wine-prefix.sh "$root/build/cross/wineprefix" stop' EXIT
xvfb-run -a ctest --preset cross --no-tests=error

mkdir -p dist
cmake --install build/cross --prefix dist >/dev/null
echo "== deliverables in dist/"
ls -1 dist
