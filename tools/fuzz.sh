#!/usr/bin/env bash
# Runs one fuzz target for a while with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer (the fuzz preset, clang 14).
#
#   tools/fuzz.sh TARGET SECONDS [RUNS] [-- LIBFUZZER OPTIONS...]
#   tools/fuzz.sh --list
#
# Stops after SECONDS or after RUNS executions, whichever comes first. The
# seed corpus fuzz/corpus/TARGET is read but not written: what the run finds
# worth keeping goes to build/fuzz/corpus/TARGET, which later runs go on
# from. A crash, leak or failed check leaves its input in build/fuzz/findings/
# and the exit status is not 0; turn it into a test in tests/ and fix it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
list=$build/fuzz-targets.txt

configure() {
  if [ ! -f "$build/CMakeCache.txt" ]; then
    (cd "$root" && cmake --preset fuzz >/dev/null)
  fi
}

if [ "${1:-}" = "--list" ]; then
  configure
  cut -d' ' -f1 "$list"
  exit 0
fi
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET SECONDS [RUNS] [-- LIBFUZZER OPTIONS...]   (or --list)" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
runs=-1
if [ $# -gt 0 ] && [ "$1" != "--" ]; then
  runs=$1
  shift
fi
[ "${1:-}" = "--" ] && shift

configure
line=$(grep "^$target " "$list" || true)
if [ -z "$line" ]; then
  echo "fuzz: no target '$target'; there are: $(cut -d' ' -f1 "$list" | tr '\n' ' ')" >&2
  exit 2
fi
program=$(echo "$line" | cut -d' ' -f2)
seeds=$(echo "$line" | cut -d' ' -f3)
cmake --build "$build" -j2 --target "fuzz_$target" >/dev/null

work=$build/corpus/$target
findings=$build/findings
mkdir -p "$work" "$findings"
# Leaks count as findings; the checks of the targets abort.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$program" "$work" "$seeds" -max_total_time="$seconds" -runs="$runs" \
  -artifact_prefix="$findings/$target-" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 "$@"
