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
# Every program run here prints as it starts. One that ends in failure
# without a word never ran: on a loaded machine Wine's process start has
# been seen to fail so, with its own messages off (exit code 1, nothing
# printed, not reproduced in 900 loaded starts). It is started once
# more, with Wine's error messages on, and both outcomes are told.
if [ $rc -ne 0 ] && [ ! -s "$out" ]; then
  echo "wine-run.sh: $1 ended with exit code $rc before printing anything; starting it again"
  WINEDEBUG=err+all,fixme-all wine "$@" </dev/null >"$out" 2>&1
  rc=$?
fi
tr -d '\r' <"$out"
rm -f "$out"
exit $rc
