#!/usr/bin/env bash
# Runs the project's benchmarks on this machine and keeps what they print:
# the Google Benchmark programs of tests/bench, the start-up image timer, and
# `tolmero bench` in every scene (and in the fire) at a small size. The
# figures in docs/performance.md come from this script.
#
#   scripts/benchmarks.sh [build-dir] [out-dir] [WxH] [XxY]
#
# Defaults: build, <build-dir>/benchmarks, 320x180, 1x1. Run it on a quiet
# machine: the GPU work of lavapipe and the timings share the same cores.
set -euo pipefail
build_dir=$(realpath "${1:-build}")
out=$(realpath -m "${2:-$build_dir/benchmarks}")
size=${3:-320x180}
samples=${4:-1x1}
mkdir -p "$out"
cd "$build_dir"

for program in tests/bench/bench_*; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  echo "== $name"
  "$program" --benchmark_out="$out/$name.json" --benchmark_out_format=json | tee "$out/$name.txt"
done

echo "== start-up image work"
tests/imageload/imageload_startup_timer | tee "$out/startup-images.txt"

# Scenes 2, 0, 1 and 3 in their order of appearance, then the fire (beat 300).
for what in "--scene 2" "--scene 0" "--scene 1" "--scene 3" "--beat 300"; do
  label=${what// /-}
  echo "== tolmero bench $what"
  # shellcheck disable=SC2086
  ./tolmero bench $what --frames 10 --resolution "$size" --samples "$samples" 2>/dev/null | tee "$out/tolmero-bench$label.txt"
done
echo "Results in $out"
