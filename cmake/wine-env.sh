# Sourced by the Wine helper scripts: one private, quiet prefix.
# $1 is the prefix folder (inside the build tree), $2 its kind: win32 or win64.
export WINEPREFIX="$1"
export WINEARCH="$2"
export WINEDEBUG=-all
# No Mono or Gecko install prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The loader by name: /usr/bin/wine prefers the 32-bit loader whenever it is
# installed, and on a machine that runs no 32-bit code that loader cannot
# even start.
case "$WINEARCH" in
win64) export WINELOADER=/usr/lib/wine/wine64 ;;
*) export WINELOADER=/usr/lib/wine/wine ;;
esac
wine() { "$WINELOADER" "$@"; }
