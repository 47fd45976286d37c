#!/usr/bin/env bash
# Builds Vilmar Pintkeeper and starts it: the Windows program under Wine when
# Wine, the MinGW-w64 cross compiler and a display are there; otherwise the
# bundled demo round in the simulator, written as PNG frames to out/frames/.
set -euo pipefail
cd "$(dirname "$0")/.."
if command -v wine >/dev/null && command -v x86_64-w64-mingw32-g++-posix >/dev/null && [ -n "${DISPLAY:-}" ]; then
  exec tools/play-wine.sh
fi
echo "play: no Wine, cross compiler or display here; playing the demo round in the simulator" >&2
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc 2>/dev/null || echo 2)" --target vilmar-sim
rm -rf out/frames
build/default/tools/vilmar-sim --input tools/demo.txt --passes 400 --png-dir out/frames --png-every 5
echo "Frames written to out/frames/ ($(ls out/frames | wc -l) pictures)"
