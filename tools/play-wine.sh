#!/usr/bin/env bash
# Builds the Windows program with MinGW-w64 and starts it under Wine on the
# current display.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j2 >/dev/null
if [ -z "${DISPLAY:-}" ]; then
  echo "play-wine: no X display (set DISPLAY, or run under xvfb-run)" >&2
  exit 2
fi
export WINEDEBUG=${WINEDEBUG:--all}
exec wine build/mingw/frontends/win32/VilmarPintkeeper.exe
