#!/usr/bin/env bash
# One prepared check for a machine with a real GPU, meant to finish within
# 8 minutes: the device, a Release build, every test, `tolmero bench --json`
# in every scene (and in the fire) at 1920x1080 with 4x4 samples, and a
# 10-second capture at 1920x1080, 60 fps, 4x4, with its figures. Everything
# it prints also lands in OUT_FOLDER.
#
#   scripts/gpu-check.sh [OUT_FOLDER]      default: gpu-check
#
# Run it from the repository root on the GPU machine; it installs nothing
# (the machine needs the packages of scripts/install-deps.sh).
set -uo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-gpu-check}")
mkdir -p "$out"
exec > >(tee "$out/gpu-check.log") 2>&1
started=$SECONDS
stamp() { echo "== [$((SECONDS - started)) s] $*"; }

stamp "device"
(vulkaninfo --summary 2>/dev/null | grep -E "deviceName|driverName|driverInfo|apiVersion" | head -8) || true
nvidia-smi --query-gpu=name,driver_version,memory.total --format=csv,noheader 2>/dev/null || true

stamp "build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" 2>&1 | tail -n 3

stamp "tests"
ctest --test-dir build -j 4 --output-on-failure 2>&1 | tail -n 25

cd build
for what in "--scene 2" "--scene 0" "--scene 1" "--scene 3" "--beat 300"; do
  label=${what// /-}
  stamp "bench $what, 1920x1080, 4x4"
  # shellcheck disable=SC2086
  timeout 120 ./tolmero bench $what --frames 30 --resolution 1920x1080 --samples 4x4 --json \
    2>"$out/bench$label.err" | tee "$out/bench$label.json"
done

stamp "capture of 10 s at 1920x1080, 60 fps, 4x4"
timeout 240 ./tolmero capture --out "$out/capture.mp4" --from 300 --to 317.5 --fps 60 \
  --resolution 1920x1080 --samples 4x4 2>&1 | tr '\r' '\n' | grep -v '^\[' | tail -n 4
stamp "done"
