#!/usr/bin/env bash
# Builds everything and runs every test: the release build, the sanitizer
# build (AddressSanitizer and UndefinedBehaviorSanitizer), the game service
# against a PostgreSQL server it starts, the native game on a virtual display,
# and, where their tools are installed, the Windows program under Wine and the
# browser version in headless Chromium; the recorded games re-played to the
# same world on all three targets; every fuzz target for a short while;
# and the release, made twice and checked (tools/release-tests.sh).
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

echo "== the game service on PostgreSQL"
tools/server-tests.sh

if command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v import >/dev/null; then
  echo "== native game under Xvfb (release, then sanitizers)"
  /usr/bin/python3 tools/testing/sdltests.py
  /usr/bin/python3 tools/testing/sdltests.py --asan
else
  echo "== native game: skipped (needs xvfb, xdotool, imagemagick)"
fi

echo "== fuzz targets, briefly"
tools/fuzz-tests.sh

if command -v wine >/dev/null && command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  echo "== Windows program under Wine"
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw -j"$jobs"
  /usr/bin/python3 tools/testing/winetests.py
else
  echo "== Windows program: skipped (needs wine, xvfb, xdotool, imagemagick, g++-mingw-w64-x86-64-posix)"
fi

if command -v emcc >/dev/null && command -v chromium >/dev/null && command -v chromedriver >/dev/null; then
  echo "== browser version in headless Chromium"
  tools/web-tests.sh
else
  echo "== browser version: skipped (needs emscripten, node-acorn, chromium, chromium-driver, python3-selenium)"
fi

echo "== recorded games: the same world tick for tick natively, under Wine and in WebAssembly"
tools/determinism-tests.sh

if command -v wine >/dev/null && command -v emcc >/dev/null && command -v lintian >/dev/null; then
  echo "== the release, twice, and its downloads"
  tools/release-tests.sh
else
  echo "== the release: skipped (needs wine, emscripten and lintian besides the build's packages)"
fi
