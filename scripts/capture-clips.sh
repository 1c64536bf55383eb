#!/usr/bin/env bash
# Captures the key stretches of every scene as short clips at 30 frames a
# second, to watch the camera moves, the cuts against the music and the
# flicker in motion rather than in stills. The list is the one in
# docs/direction.md; each clip keeps the music of its stretch.
#
#   scripts/capture-clips.sh [build-dir] [out-dir] [WxH] [XxY] [name...]
#
# Defaults: build, clips/, 320x180 with 1x1 samples, every clip. Naming clips
# captures only those, e.g. `scripts/capture-clips.sh build clips 320x180 1x1 fire-close`.
set -euo pipefail
build_dir=$(realpath "${1:-build}")
out_dir=$(realpath -m "${2:-clips}")
size=${3:-320x180}
samples=${4:-1x1}
shift $(($# < 4 ? $# : 4))

# name, first beat, beat to stop before: each stretch holds a cut or a move.
clips=(
  "forest-to-logo 28 36"
  "logo-blows-away 56 68"
  "girl-to-island 92 102"
  "island-to-water 126 148"
  "lake-to-crying 156 172"
  "stump-growth 196 212"
  "night-machines 222 240"
  "cards 254 290"
  "fire-catches 286 296"
  "fire-close 346 360"
  "burning-arc 358 378"
  "climax 384 396"
  "final-fade 404 423"
)

mkdir -p "$out_dir"
for clip in "${clips[@]}"; do
  read -r name from to <<<"$clip"
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  echo "clip $name: beats $from to $to"
  "$build_dir/tolmero" capture --from "$from" --to "$to" --fps 30 --resolution "$size" --samples "$samples" \
    --music "$build_dir/track.flac" --out "$out_dir/$name.mp4"
done
