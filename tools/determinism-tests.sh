#!/usr/bin/env bash
# The recorded games in tests/replays re-play to the same world, tick for
# tick, on every target: this machine (default preset), the Windows build
# under Wine (mingw preset) and WebAssembly under node (web preset). Builds
# only the small replayer in each, runs it on every file and requires the
# same lines byte for byte: every tick's world hash, the score and the
# verdict. A target whose tools are missing is skipped, and says so.
#   tools/determinism-tests.sh [--no-build]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=1
[ "${1:-}" = "--no-build" ] && build=0
work=$root/build/determinism
mkdir -p "$work"

built() {  # preset: configure if needed, build the replayer
  [ "$build" = 1 ] || return 0
  (cd "$root" && { [ -f "build/$1/CMakeCache.txt" ] || cmake --preset "$1"; } &&
    cmake --build --preset "$1" -j2 --target vilmar-replay-hashes) >"$work/build-$1.log" 2>&1 ||
    { tail -n 20 "$work/build-$1.log" >&2; echo "determinism: the $1 build failed" >&2; return 1; }
}

cd "$root/tests/replays"
files=(*.vpr)
status=0
built default || exit 1
"$root/build/default/vilmar-replay-hashes" "${files[@]}" >"$work/native.txt" ||
  { echo "determinism: not every recorded game verifies natively" >&2; grep '^#' "$work/native.txt" >&2; exit 1; }
ticks=$(grep -vc '^#' "$work/native.txt")
echo "determinism: native: ${#files[@]} games, $ticks ticks, all verified"

compare() {  # name, output file
  if cmp -s "$work/native.txt" "$2"; then
    echo "determinism: $1: the same $ticks tick hashes as native"
  else
    echo "determinism: $1 DIFFERS from native:" >&2
    diff "$work/native.txt" "$2" | head -n 10 >&2
    status=1
  fi
}

if command -v wine >/dev/null && command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  if built mingw; then
    export WINEPREFIX=$root/build/mingw/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >"$work/wineboot.log" 2>&1
    wine "$root/build/mingw/vilmar-replay-hashes.exe" "${files[@]}" 2>"$work/wine.err" | tr -d '\r' >"$work/wine.txt"
    compare "Windows under Wine" "$work/wine.txt"
    wineserver -k >/dev/null 2>&1
  else
    status=1
  fi
else
  echo "determinism: Windows under Wine skipped (needs wine and g++-mingw-w64-x86-64-posix)"
fi

if command -v emcc >/dev/null && command -v node >/dev/null; then
  if NODE_PATH=/usr/share/nodejs built web; then
    node "$root/build/web/vilmar-replay-hashes.js" "${files[@]}" >"$work/wasm.txt" 2>"$work/wasm.err"
    compare "WebAssembly under node" "$work/wasm.txt"
  else
    status=1
  fi
else
  echo "determinism: WebAssembly skipped (needs emscripten and node)"
fi
exit $status
