#!/usr/bin/env bash
# Builds the game and plays the bundled demo round in the simulator, writing
# every fifth frame as a PNG picture to out/frames/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc 2>/dev/null || echo 2)" --target vilmar-sim
rm -rf out/frames
build/default/tools/vilmar-sim --input tools/demo.txt --passes 400 --png-dir out/frames --png-every 5
echo "Frames written to out/frames/ ($(ls out/frames | wc -l) pictures)"
