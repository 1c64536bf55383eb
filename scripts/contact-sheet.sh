#!/usr/bin/env bash
# Renders a still every few beats across the whole production and tiles them,
# each labelled with its beat, into one contact sheet: the quickest way to see
# every shot at once after re-aiming the camera or repainting an image.
#
#   scripts/contact-sheet.sh [build-dir] [out.jpg|out.png] [step-beats] [WxH] [XxY] [tile-width]
#
# Defaults: build, docs/images/production-contact-sheet.jpg, every 8 beats,
# 960x540 with 2x2 samples, tiles scaled to 320 pixels wide. The full-size
# stills are kept next to the sheet in a folder named after it (<out>-stills/)
# when STILLS=1. On a CPU Vulkan driver each still takes 15 to 40 s (mostly
# start-up and the particles' catch-up).
set -euo pipefail
build_dir=$(realpath "${1:-build}")
out=$(realpath -m "${2:-docs/images/production-contact-sheet.jpg}")
step=${3:-8}
size=${4:-960x540}
samples=${5:-2x2}
tile_width=${6:-320}
# The last still is the last step before the end of the built music (the
# production ends there); without the music, the end of the keyed timeline.
end_beat=421.076
if [ -f "$build_dir/track.flac" ]; then
  end_beat=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$build_dir/track.flac" |
    awk '{ print $1 * 105 / 60 }')
fi
last_beat=$(awk -v end="$end_beat" -v step="$step" 'BEGIN { b = int(end / step) * step; if (b >= end) b -= step; print b }')

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stills_dir="${out%.*}-stills"
if [ "${STILLS:-0}" = 1 ]; then mkdir -p "$stills_dir"; fi
cd "$build_dir"

count=0
for ((beat = 0; beat <= last_beat; beat += step)); do
  raw=$(printf '%s/raw-%03d.png' "$work" "$beat")
  if ! ./tolmero render --beat "$beat" --resolution "$size" --samples "$samples" --out "$raw" 2>"$work/render.log"; then
    cat "$work/render.log" >&2
    exit 1
  fi
  if [ "${STILLS:-0}" = 1 ]; then cp "$raw" "$stills_dir/"; fi
  # Scale to the tile size and label each still with its beat.
  ffmpeg -hide_banner -loglevel error -y -i "$raw" \
    -vf "scale=${tile_width}:-2:flags=area,drawtext=text='$beat':x=5:y=5:fontsize=16:fontcolor=white:box=1:boxcolor=black@0.6:boxborderw=3" \
    -frames:v 1 -update 1 "$(printf '%s/tile-%04d.png' "$work" "$count")"
  echo "beat $beat"
  count=$((count + 1))
done

columns=8
rows=$(((count + columns - 1) / columns))
ffmpeg -hide_banner -loglevel error -y -framerate 1 -i "$work/tile-%04d.png" \
  -vf "tile=${columns}x${rows}:padding=2:color=black" -q:v 3 -frames:v 1 -update 1 "$out"
echo "contact sheet of $count stills: $out"
