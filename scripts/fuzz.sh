#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in a build folder of their own, and runs each of
# them for a while from its seed corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default: 30 seconds, every target
#
# The seeds stay as they are: what the fuzzer finds on the way goes into a
# scratch corpus under the build folder. A crash, a hang (10 s on one input),
# a sanitizer report or more than 2.5 GB of memory fails the run, and the
# input that caused it is left in the build folder as crash-*, timeout-*,
# oom-* or leak-*. Add such an input to tests/fuzz/corpus/<target>/ once it
# is fixed, as a regression seed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-30}
shift || true
build=${TOLMERO_FUZZ_BUILD:-build-fuzz}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_music fuzz_images fuzz_command_values fuzz_dialog)

cmake -S . -B "$build" -G Ninja -DTOLMERO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target tolmero_fuzzers

status=0
for target in "${targets[@]}"; do
  seeds=$root/tests/fuzz/corpus/${target#fuzz_}
  scratch=$root/$build/corpus/${target#fuzz_}
  mkdir -p "$scratch"
  echo "== $target: $seconds s from $seeds"
  if ! (cd "$build" && "./tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
          -print_final_stats=1 "$scratch" "$seeds" 2>&1 | tail -n 25); then
    echo "== $target FAILED"
    status=1
  fi
done
exit $status
