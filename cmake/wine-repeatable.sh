#!/usr/bin/env bash
# wine-repeatable.sh <command...>
# Runs a Wine program whose work may be done twice (a registry import), again
# when it was killed (status 137): Wine's server kills a program still
# running half a second after it closed its connection on its way out, and
# on a busy machine a program that did its work can be that slow to end.
set -u
for attempt in 1 2 3; do
  "$@"
  rc=$?
  [ $rc -ne 137 ] && exit $rc
  echo "wine-repeatable.sh: $* was killed at its end (attempt $attempt)"
done
exit $rc
