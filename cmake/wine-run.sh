#!/usr/bin/env bash
# wine-run.sh <prefix> win32|win64 <program.exe> [args...]
# The Windows trees' test emulator: runs one Windows program in the private
# prefix. Its output goes to a file that is printed afterwards (with Unix line
# endings), so no Wine process ever holds the caller's pipes.
set -u
here=$(cd "$(dirname "$0")" && pwd)
prefix="$1"; arch="$2"; shift 2
"$here/wine-prefix.sh" "$prefix" "$arch" start || exit 1
. "$here/wine-env.sh" "$prefix" "$arch"

out=$(mktemp "${TMPDIR:-/tmp}/korvo-wine.XXXXXX")
wine "$@" </dev/null >"$out" 2>&1
rc=$?
tr -d '\r' <"$out"
# A program that dies before it prints (a DLL that does not load, with
# Wine's own messages off) would otherwise fail without a word.
if [ $rc -ne 0 ] && [ ! -s "$out" ]; then
  echo "wine-run.sh: $1 ended with exit code $rc and printed nothing"
fi
rm -f "$out"
exit $rc
