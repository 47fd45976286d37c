#!/usr/bin/env bash
# Builds everything and runs every test: the release build, the sanitizer
# build (AddressSanitizer and UndefinedBehaviorSanitizer), every fuzz target
# for a short while (tools/fuzz-tests.sh), and, where Wine
# and the MinGW-w64 cross compiler are installed, the Windows program under
# Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

for preset in default asan; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  echo "== $preset tests"
  ctest --preset "$preset" -j"$jobs"
done

echo "== fuzz targets, briefly"
tools/fuzz-tests.sh

if command -v wine >/dev/null && command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  echo "== Windows program under Wine"
  tools/wine-tests.sh
else
  echo "== Windows program: skipped (needs wine, xvfb, xdotool, imagemagick, g++-mingw-w64-x86-64-posix)"
fi
