#!/usr/bin/env bash
# Sets the machine up, builds every Windows deliverable into dist/ and then
# shows them at work: the demonstration (tools/demo/demo.sh) converts a
# SoundFont made on the spot, plays it on the sampler, exports it as a player
# and plays that, checks both recordings for the phrase's pitches and takes
# pictures of the editors, all into demo/.
#
# The deliverables are 32-bit. On a machine that runs no 32-bit code the
# demonstration runs the 64-bit build of the same sources instead
# (build/demo64); KORVO_NO_32BIT=1 takes that path on any machine.
#
# One line per step; the output of the build steps goes to build/logs/. A
# failed step is named, with the end of what it printed, and the run ends
# with a non-zero status.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$SECONDS

logs=$root/build/logs
mkdir -p "$logs"

# step <title> <log name> <command...>
step() {
  local title=$1 log=$logs/$2.log
  shift 2
  echo "== $title"
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log" | sed 's/^/    /'
    echo "build.sh failed at: $title (all its output: build/logs/$(basename "$log"))" >&2
    exit 1
  fi
}

runs_32bit_code() {
  [ "${KORVO_NO_32BIT:-0}" != 1 ] && /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}

build_deliverables() {
  cmake --preset cross
  cmake --build --preset cross
}

install_deliverables() {
  rm -rf dist
  mkdir -p dist
  cmake --install build/cross --prefix dist
}

# Only what the demonstration runs: the sampler, the player, the converter
# (and the standalone host, where it is built), and the demonstration's own
# programs.
build_demo64() {
  cmake -G Ninja -S . -B build/demo64 --toolchain cmake/toolchain-mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
  cmake --build build/demo64 --target demo_dist demo_soundfont demo_host
}

# In view: the package manager may ask for a password.
echo "== setting the machine up (tools/setup.sh)"
bash tools/setup.sh || { echo "build.sh failed at: setting the machine up" >&2; exit 1; }
step "building the deliverables (32-bit tree build/cross)" cross build_deliverables
step "installing them into dist/" install install_deliverables
echo "   dist/: $(ls dist | paste -sd ' ')"

if runs_32bit_code; then
  arch=win32 programs=build/cross/tools/demo demo_dist=dist prefix=build/demo32/wineprefix
else
  echo "== this machine runs no 32-bit code: the demonstration runs the 64-bit build of the same sources (build/demo64)"
  step "building the 64-bit demonstration tree (build/demo64)" demo64 build_demo64
  arch=win64 programs=build/demo64/tools/demo demo_dist=build/demo64/tools/demo/dist prefix=build/demo64/wineprefix
fi

echo "== the demonstration, under Wine in an X display of its own"
if ! xvfb-run -a -s "-screen 0 1920x1200x24" bash tools/demo/demo.sh "$arch" "$programs" "$demo_dist" "$prefix"; then
  echo "build.sh failed at: the demonstration (its failed step is named above)" >&2
  exit 1
fi

echo "== made in $((SECONDS - started)) s"
echo "   dist/: the deliverables"
echo "   demo/: $(cd demo && ls -p | paste -sd ' ')"
echo "   docs/images/: the editors' pictures the README shows"
