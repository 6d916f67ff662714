# Sourced by the Wine helper scripts: one private, quiet, 32-bit prefix.
# $1 is the prefix folder (inside the build tree).
export WINEPREFIX="$1"
export WINEARCH=win32
export WINEDEBUG=-all
# No Mono or Gecko install prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="
