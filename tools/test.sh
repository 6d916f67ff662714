#!/usr/bin/env bash
# Sets the machine up, builds the trees and runs every test: the native tests
# under AddressSanitizer and UndefinedBehaviorSanitizer and again under
# ThreadSanitizer, bounded fuzz runs of the file readers, then the Windows
# tests under Wine, each tree inside one Xvfb display: the 64-bit tree's on
# every machine, the 32-bit tree's where the machine runs 32-bit code.
# Leaves the 32-bit Windows deliverables in dist/.
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

# The 32-bit tree builds the deliverables on every machine; its tests need a
# machine that runs 32-bit code, which this one quick check tells (some
# machines of this kind refuse every i386 program). KORVO_NO_32BIT=1 takes
# the answer "no" without asking, to try that path on a machine that can.
runs_32bit_code() {
  [ "${KORVO_NO_32BIT:-0}" != 1 ] && /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}

# One X display per Windows tree, deep colour and large enough for the
# editors with room to spare.
on_display() { xvfb-run -a -s "-screen 0 1920x1200x24" "$@"; }

stop_prefixes() {
  cmake/wine-prefix.sh "$root/build/cross64/wineprefix" win64 stop
  cmake/wine-prefix.sh "$root/build/cross/wineprefix" win32 stop
}
trap stop_prefixes EXIT

echo "== 64-bit Windows tree (tests under 64-bit Wine)"
cmake --preset cross64 >/dev/null
cmake --build --preset cross64
on_display ctest --preset cross64 --no-tests=error

echo "== 32-bit Windows tree (the deliverables; tests under 32-bit Wine)"
cmake --preset cross >/dev/null
cmake --build --preset cross
if runs_32bit_code; then
  on_display ctest --preset cross --no-tests=error
else
  echo "32-bit Windows tests skipped: this machine runs no 32-bit code"
fi

mkdir -p dist
cmake --install build/cross --prefix dist >/dev/null
echo "== deliverables in dist/"
ls -1 dist
