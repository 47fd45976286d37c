#!/usr/bin/env bash
# Measures the native game on the real clock: processor time per second of
# play and how late each tick starts (median, p99), on a virtual display,
# for the default renderer and for SDL's software renderer; beside them the
# bare tick waits of the headless clock (bench/vilmar_tickwait) in the same run.
#
#   tools/measure-native.sh [SECONDS] [SCALE]     (default 30 s at scale 2)
#
# Needs xvfb and xdotool; builds nothing (build/default must be built).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
scale=${2:-2}
build=$root/build/default
game=$build/frontends/sdl/vilmar-pintkeeper
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null

hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
percentile() {  # FILE P: the P-th percentile of the numbers in FILE, in ms
  sort -n "$1" | awk -v p="$2" '{ a[NR] = $1 } END { i = int(NR * p / 100); if (i < 1) i = 1; if (i > NR) i = NR; printf "%.3f", a[i] / 1000 }'
}

play() {  # LABEL [ENV...]
  local label=$1
  shift
  env "$@" "$game" --scale "$scale" --tick-log "$work/ticks-$label.txt" >/dev/null 2>&1 &
  local pid=$!
  pids+=("$pid")
  local window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --pid "$pid" --name '^Vilmar Pintkeeper$' 2>/dev/null | tail -n1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  sleep 1
  window=$(xdotool search --onlyvisible --pid "$pid" --name '^Vilmar Pintkeeper$' | tail -n1)
  xdotool windowfocus "$window"
  xdotool key F1
  sleep 1
  local before after
  before=$(cpu_ticks "$pid")
  local start_ns=$(date +%s%N)
  # Serve now and then, so that the game plays rather than stands.
  for _ in $(seq $((seconds / 2))); do xdotool key space; sleep 2; done
  after=$(cpu_ticks "$pid")
  local elapsed_ms=$((($(date +%s%N) - start_ns) / 1000000))
  kill -TERM "$pid"  # ends the game even with a dialog open (a game over asks to send the score)
  wait "$pid" || true
  # The first ticks are the start-up's; measure the play.
  tail -n +50 "$work/ticks-$label.txt" >"$work/play-$label.txt"
  awk -v l="$label" -v s="$scale" -v c=$((after - before)) -v hz="$hz" -v ms="$elapsed_ms" \
    -v med="$(percentile "$work/play-$label.txt" 50)" -v p99="$(percentile "$work/play-$label.txt" 99)" \
    -v n="$(wc -l <"$work/play-$label.txt")" 'BEGIN {
      printf "native %-9s scale %d  ticks %d  start error ms: median %s  p99 %s  cpu %.1f %% of one core (%.1f ms per second of play)\n",
             l, s, n, med, p99, 100 * c / hz / (ms / 1000), 1000 * c / hz / (ms / 1000) }'
}

echo "== the native game, $seconds s of play each"
play default
play software SDL_RENDER_DRIVER=software
echo "== the tick wait alone on the headless clock (sleep+spin, spin, monotonic clock)"
"$build/bench/vilmar_tickwait" 250
