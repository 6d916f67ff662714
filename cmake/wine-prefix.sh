#!/usr/bin/env bash
# wine-prefix.sh <prefix> win32|win64 start|stop
#   start: creates the prefix once (fonts, settings) and starts its server
#          with stdio on /dev/null, so Wine's helper processes never hold the
#          pipes of whoever runs the tests.
#   stop:  shuts the prefix's server down.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "$1" "$2"

case "${3:-start}" in
stop)
  [ -d "$WINEPREFIX" ] && wineserver -k </dev/null >/dev/null 2>&1
  exit 0
  ;;
start) ;;
*) echo "usage: wine-prefix.sh <prefix> win32|win64 start|stop" >&2; exit 2 ;;
esac

# Parallel test runs race to create the prefix: a directory is the lock
# (no file descriptor that the server could inherit).
lock="$WINEPREFIX.lock"
ready="$WINEPREFIX/.korvo-ready"
if [ ! -e "$ready" ]; then
  for _ in $(seq 1 600); do
    if mkdir "$lock" 2>/dev/null; then
      if [ ! -e "$ready" ]; then
        mkdir -p "$WINEPREFIX"
        # (The server is persistent: never wait for it to exit here.)
        wineserver -p </dev/null >/dev/null 2>&1
        wine wineboot -i </dev/null >/dev/null 2>&1
        # Debian's Wine does not find its own fonts (no Tahoma, no generic
        # sans-serif family for GDI+) unless they are in the prefix.
        fonts="$WINEPREFIX/drive_c/windows/Fonts"
        mkdir -p "$fonts"
        for f in /usr/share/wine/fonts/*.ttf; do
          [ -e "$f" ] && ln -sf "$f" "$fonts/"
        done
        # Without a window manager DestroyWindow waits about 2 s.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
        # A test that crashes prints a backtrace and ends, instead of waiting
        # on a crash dialog nobody answers.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
        touch "$ready"
      fi
      rmdir "$lock"
      break
    fi
    sleep 0.2
  done
fi
[ -e "$ready" ] || { echo "wine-prefix.sh: could not prepare $WINEPREFIX" >&2; exit 1; }
# A persistent server with stdio on /dev/null; a no-op when one is running.
wineserver -p </dev/null >/dev/null 2>&1
exit 0
