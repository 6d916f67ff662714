#!/usr/bin/env bash
# demo.sh <win32|win64> <programs folder> <dist folder> <wine prefix>
#
# The demonstration that tools/build.sh runs once the deliverables are
# built, inside one X display: a SoundFont made on the spot and converted by
# patchfold.exe, the converted project played on KorvoSampler.dll, exported
# as a player set and played again on the player, both recordings listened
# to, and pictures of the editors. Everything goes into demo/ at the
# repository root; the editors' pictures are copied to docs/images/ for the
# README. Each step prints one line; a step that fails prints what its
# program said and ends the run with exit status 1.
#
# <programs folder> holds demo_soundfont.exe and demo_host.exe, <dist
# folder> the deliverables (the sampler's install folder for the export).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=$1
programs=$(realpath "$2")
dist=$(realpath "$3")
prefix=$(realpath -m "$4")
out=$root/demo
images=$root/docs/images
steps=8

log=$(mktemp "${TMPDIR:-/tmp}/korvo-demo.XXXXXX")
trap '"$root/cmake/wine-prefix.sh" "$prefix" "$arch" stop; rm -f "$log"' EXIT

# A Linux path as the Windows programs see it (Z: is the root).
winpath() {
  local p
  p=$(realpath -m "$1")
  printf 'Z:%s' "${p//\//\\}"
}
# A path as the user sees it: from the repository root.
shown() { realpath -m --relative-to="$root" "$1"; }

# One Windows program in the demonstration's prefix. A program that hangs
# (a dialog nobody answers) fails its step instead of holding the run.
windows() { timeout 120 "$root/cmake/wine-run.sh" "$prefix" "$arch" "$@"; }

step=0
# run_step <title> <command...>: the title, then what the command printed
# (its lines joined); on failure all of it, and the run ends.
run_step() {
  local title=$1 said
  shift
  step=$((step + 1))
  printf 'demo [%d/%d] %s: ' "$step" "$steps" "$title"
  if "$@" >"$log" 2>&1; then
    said=$(<"$log")
    echo "${said//$'\n'/; }"
  else
    echo "FAILED"
    sed 's/^/    /' "$log"
    echo "demo failed at step $step: $title" >&2
    exit 1
  fi
}

make_soundfont() { windows "$programs/demo_soundfont.exe" "$(winpath "$out/KorvoDemo.sf2")"; }

# patchfold prints nothing and always ends with 0: what it wrote tells.
convert() {
  windows "$dist/patchfold.exe" "$(winpath "$out/KorvoDemo.sf2")" "$(winpath "$out")\\"
  local samples
  samples=$(find "$out/samples" -name '*.wav' 2>/dev/null | wc -l)
  if [ ! -s "$out/KorvoDemo.kss" ] || [ "$samples" -eq 0 ]; then
    echo "patchfold.exe wrote no project or no samples into $(shown "$out")"
    return 1
  fi
  echo "$(shown "$out/KorvoDemo.kss") and $samples samples in $(shown "$out/samples")/"
}

play_sampler() {
  windows "$programs/demo_host.exe" sampler "$(winpath "$dist/KorvoSampler.dll")" "$(winpath "$out/KorvoDemo.kss")" \
    "$(winpath "$out/sampler.wav")" "$(winpath "$out/sampler-editor.png")"
}

export_player() {
  windows "$programs/demo_host.exe" export "$(winpath "$out/KorvoDemo.kss")" "$(winpath "$out/player")" \
    "$(winpath "$dist")"
}

play_player() {
  local players=("$out"/player/*.dll)
  if [ ${#players[@]} -ne 1 ] || [ ! -f "${players[0]}" ]; then
    echo "the export left no single player library in $(shown "$out/player")"
    return 1
  fi
  echo -n "$(shown "${players[0]}"): "
  windows "$programs/demo_host.exe" player "$(winpath "${players[0]}")" "$(winpath "$out/player.wav")" \
    "$(winpath "$out/player-editor.png")"
}

listen() { windows "$programs/demo_host.exe" check "$(winpath "$out/sampler.wav")" "$(winpath "$out/player.wav")"; }

# The README's pictures, replaced only when the editors show something new.
copy_images() {
  mkdir -p "$images"
  local name said=()
  for name in sampler-editor player-editor standalone-host; do
    if cmp -s "$out/$name.png" "$images/$name.png"; then
      said+=("$(shown "$images/$name.png") unchanged")
    else
      cp "$out/$name.png" "$images/$name.png"
      said+=("$(shown "$images/$name.png") updated")
    fi
  done
  echo "${said[0]}, ${said[1]}, ${said[2]}"
}

# The standalone host's window: the copy that the export put beside the
# player, started for the first time (its Settings dialog, cancelled: no ASIO
# driver here), showing the player, as demo/host-settings.png and
# demo/standalone-host.png.
shoot_standalone_host() {
  local hosts=("$out"/player/*.exe)
  [ -f "${hosts[0]}" ] || { echo "the export put no standalone host beside the player"; return 1; }
  # Wine's sound driver, asked for MIDI inputs, tells of the missing sound
  # card: not the program's words.
  local said status=0
  said=$(windows "$programs/demo_host.exe" host "$(winpath "${hosts[0]}")" "$(winpath "$out/host-settings.png")" \
    "$(winpath "$out/standalone-host.png")") || status=$?
  printf '%s\n' "$said" | grep -v '^ALSA lib'
  return $status
}

rm -rf "$out"
mkdir -p "$out" "$(dirname "$prefix")"
run_step "a SoundFont made on the spot, $(shown "$out/KorvoDemo.sf2")" make_soundfont
run_step "converted by patchfold.exe" convert
run_step "the phrase on KorvoSampler.dll" play_sampler
run_step "exported as a player set into $(shown "$out/player")" export_player
run_step "the phrase on the exported player" play_player
run_step "listened to" listen
run_step "the standalone host's window" shoot_standalone_host
run_step "pictures for the README" copy_images
