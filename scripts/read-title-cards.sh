#!/usr/bin/env bash
# Renders the four title cards at 640x360 (2x2 samples) and asks tesseract
# what it reads on each, straight from the still and after keeping only the
# near-white pixels (the letters are white on the night sky); prints each
# card's name and whether either reading holds it. With an output path, also
# tiles the four stills 2x2 into that PNG (docs/images/title-cards.png).
#
#   scripts/read-title-cards.sh [build-dir] [title-cards.png]
#
# Needs tesseract-ocr and ffmpeg.
set -euo pipefail
build_dir=$(realpath "${1:-build}")
sheet=${2:+$(realpath -m "$2")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One beat inside each card's span, and the name it shows.
cards=("260 Kelvad" "268 Ostiv" "276 Tumbe" "284 Remba")
read_count=0
stills=()
for card in "${cards[@]}"; do
  read -r beat name <<<"$card"
  still="$work/card-$beat.png"
  stills+=(-i "$still")
  if ! (cd "$build_dir" && ./tolmero render --beat "$beat" --resolution 640x360 --samples 2x2 --out "$still" \
    >"$work/render.log" 2>&1); then
    cat "$work/render.log" >&2
    exit 1
  fi
  ffmpeg -v error -y -i "$still" -vf "format=gray,lut=y='if(gt(val,215),0,255)'" "$work/white-$beat.png"
  raw=$(tesseract "$still" - --psm 11 2>/dev/null | tr -s '\n' ' ')
  white=$(tesseract "$work/white-$beat.png" - --psm 11 2>/dev/null | tr -s '\n' ' ')
  verdict="not read"
  if [[ "$raw" == *"$name"* ]]; then
    verdict="read from the still"
  elif [[ "$white" == *"$name"* ]]; then
    verdict="read after keeping the near-white pixels"
  fi
  [ "$verdict" != "not read" ] && read_count=$((read_count + 1))
  printf 'beat %s, "%s": %s\n  still: %s\n  near-white: %s\n' "$beat" "$name" "$verdict" "$raw" "$white"
done
echo "$read_count of ${#cards[@]} names read"

if [ -n "$sheet" ]; then
  ffmpeg -v error -y "${stills[@]}" \
    -filter_complex "[0][1]hstack[top];[2][3]hstack[bottom];[top][bottom]vstack" -frames:v 1 -update 1 "$sheet"
  echo "the four cards: $sheet"
fi
