#!/usr/bin/env bash
# wine-run.sh <prefix> <program.exe> [args...]
# The cross tree's test emulator: runs one Windows program in the private
# prefix. Its output goes to a file that is printed afterwards (with Unix line
# endings), so no Wine process ever holds the caller's pipes.
set -u
here=$(cd "$(dirname "$0")" && pwd)
prefix="$1"; shift
"$here/wine-prefix.sh" "$prefix" start || exit 1
. "$here/wine-env.sh" "$prefix"

out=$(mktemp "${TMPDIR:-/tmp}/korvo-wine.XXXXXX")
wine "$@" </dev/null >"$out" 2>&1
rc=$?
tr -d '\r' <"$out"
rm -f "$out"
exit $rc
