#!/usr/bin/env bash
# The fuzz step of the test command: builds the fuzz preset and runs every
# fuzz target for a short fixed time (FUZZ_SECONDS, 20 by default), one
# after the other. Needs clang-14 and libclang-rt-14-dev; without them the
# step is skipped (the seed corpora still replay in the ordinary tests).
# Exit status: 0 when no target found anything.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-20}

if ! command -v clang++-14 >/dev/null || ! ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "fuzz: skipped (needs clang-14 and libclang-rt-14-dev)"
  exit 0
fi
log=$root/build/fuzz-tests.log
mkdir -p "$root/build"
if ! (cd "$root" && cmake --preset fuzz && cmake --build --preset fuzz -j"$(nproc 2>/dev/null || echo 2)") >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  echo "fuzz: the build failed; the whole log is $log" >&2
  exit 1
fi

failed=""
for target in $("$root/tools/fuzz.sh" --list); do
  out=$root/build/fuzz/$target.log
  if "$root/tools/fuzz.sh" "$target" "$seconds" >"$out" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$out" | grep -o '[0-9]*$' || true)
    cov=$(grep -o 'cov: [0-9]*' "$out" | tail -1 || true)
    echo "fuzz: $target ok (${runs:-?} runs in ${seconds} s, $cov)"
  else
    tail -n 40 "$out" >&2
    echo "fuzz: $target FOUND SOMETHING; its input is in build/fuzz/findings/, the log $out" >&2
    failed="$failed $target"
  fi
done
[ -z "$failed" ] || { echo "fuzz: findings in:$failed" >&2; exit 1; }
