#!/usr/bin/env bash
# Plays the production from the build folder, where the build puts "track.flac":
# the setup dialog, then the production.
#
# Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) nothing can be
# shown, so it renders a preview instead, into <build>/preview/: a contact
# sheet with one still of each scene and a short video of the opening with
# its music. Small sizes keep this to a few minutes on a CPU Vulkan driver.
set -euo pipefail
build_dir=${1:-build}
cd "$build_dir"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./tolmero
fi

echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): rendering a preview instead of playing."
preview=preview
mkdir -p "$preview"
started=$SECONDS

# One beat per scene, in the order they appear: 2 (the forest alone),
# 0 (the logo's particles), 1 (water), 0 again (stumps growing), 3 (machines
# at night). None of them needs a long particle catch-up: the flames, which
# would, start at beat 289.
beats=(10 45 130 210 250)
stills=()
for beat in "${beats[@]}"; do
  still="$preview/beat-$beat.png"
  echo "Rendering the still of beat $beat ..."
  # The renderer's per-frame timing lines are noise here; show them only if it fails.
  if ! ./tolmero render --beat "$beat" --resolution 384x216 --samples 1x1 --out "$still" 2>"$preview/render.log"; then
    cat "$preview/render.log" >&2
    exit 1
  fi
  stills+=(-i "$still")
done
ffmpeg -hide_banner -loglevel error -y "${stills[@]}" \
  -filter_complex "hstack=inputs=${#beats[@]}" -frames:v 1 -update 1 "$preview/contact-sheet.png"
rm -f "$preview/render.log"

echo "Capturing the opening (beats 0 to 8, 30 frames/s, 480x270) ..."
./tolmero capture --from 0 --to 8 --fps 30 --resolution 480x270 --samples 1x1 --out "$preview/opening.mp4"

elapsed=$((SECONDS - started))
folder=$(pwd)/$preview
cat <<MESSAGE

Preview done in $((elapsed / 60)) min $((elapsed % 60)) s, in $folder:
  contact-sheet.png  one still of each scene, beats ${beats[*]}
  beat-*.png         the same stills one by one
  opening.mp4        the first 8 beats (4.6 s) with the music

To capture the whole production (hours on a CPU Vulkan driver; see README.md):
  cd $(pwd) && ./tolmero capture --out tolmero.mp4 --resolution 640x360 --samples 1x1 --fps 30
On a machine with a display, 'make run' plays it.
MESSAGE
