#!/usr/bin/env bash
# The long soak: random play of many ticks (ten million by default) in an
# optimised sanitizer build (AddressSanitizer and UndefinedBehaviorSanitizer,
# assertions on; preset soak), with the world's rules checked after every
# tick. Optimised, ten million ticks take minutes instead of hours. Games begin at every level from 1
# to LEVELS in turn through the level option; keys, restarts, menu commands
# and lost focus are random but seeded, so a failing run repeats exactly.
#
#   tools/soak.sh [TICKS] [SEED] [LEVELS]
#
# Runs at the lowest priority. Exit status 0 when every tick was sound.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ticks=${1:-10000000}
seed=${2:-1}
levels=${3:-50}

cd "$root"
[ -f build/soak/CMakeCache.txt ] || cmake --preset soak >/dev/null
cmake --build --preset soak -j2 >/dev/null
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
start=$(date +%s)
status=0
nice -n 19 build/soak/tools/vilmar-soak --ticks "$ticks" --seed "$seed" --levels "$levels" || status=$?
echo "soak: $(( $(date +%s) - start )) s wall clock"
exit $status
