#!/usr/bin/env bash
# Plays the production from the build folder, where the build puts "track.flac".
set -euo pipefail
build_dir=${1:-build}
cd "$build_dir"
exec ./tolmero
