#!/usr/bin/env bash
# Tries the program with bad input, as a new user would, and prints one
# Markdown table row per try: the command, its exit code, the lines it wrote
# to standard error, the wall time, the peak resident memory and the message.
#
#   scripts/bad-inputs.sh [BUILD_FOLDER]
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf 'not music' >"$scratch/fake.flac"

tries=(
  "render --beat 1e30 --out $scratch/x.png"
  "render --beat 5000 --out $scratch/x.png"
  "render --beat -100 --out $scratch/x.png"
  "render --beat nan --out $scratch/x.png"
  "render --beat ten --out $scratch/x.png"
  "render --beat 10 --out /no/such/dir/x.png"
  "render --beat 10 --out $scratch"
  "render --beat 10 --out $scratch/x.png --resolution 0x1080"
  "render --beat 10 --out $scratch/x.png --resolution 1920x"
  "render --beat 10 --out $scratch/x.png --samples 17x1"
  "render --beat 10 --out $scratch/x.png --resolution 99999x99999"
  "render --beat 10 --out $scratch/x.png --music /no/such.flac"
  "render --beat 10 --out $scratch/x.png --music $scratch/fake.flac"
  "bench --beat 1e9"
  "bench --scene 7"
  "bench --frames 0"
  "capture --out $scratch/x.mp4 --from 1e9"
  "capture --out $scratch/x.mp4 --from -50 --to 10"
  "capture --out $scratch/x.mp4 --from 20 --to 10"
  "capture --out $scratch/x.mp4 --fps 0"
  "capture --out $scratch/x.mp4 --crf 99"
  "capture --out $scratch/x.mp4 --resolution 641x360"
  "capture --out /no/such/dir/x.mp4"
  "capture --out $scratch/x.mp4 --music /no/such.flac"
  "play --music $scratch/fake.flac"
  "play --resolution 0x0"
  "inspect --beats 10,,20"
  "inspect --beats inf"
  "dump-randoms --out /no/such/dir/r.f32"
  "no-such-command"
)
echo "| Command | Exit | Lines | Seconds | Peak MB | Message |"
echo "|---|---|---|---|---|---|"
for try in "${tries[@]}"; do
  # shellcheck disable=SC2086
  /usr/bin/time -f '%e %M' -o "$scratch/time" timeout 20 "$build/tolmero" $try >/dev/null 2>"$scratch/err"
  code=$?
  read -r seconds kb < <(tail -n 1 "$scratch/time") || { seconds=?; kb=0; }
  lines=$(grep -c '' "$scratch/err")
  message=$(head -n 1 "$scratch/err" | sed "s|$scratch|/tmp/…|g; s/|/\\\\|/g")
  shown=$(printf '%s' "$try" | sed "s|$scratch|/tmp/…|g")
  printf '| `tolmero %s` | %s | %s | %s | %s | %s |\n' "$shown" "$code" "$lines" "$seconds" "$(( kb / 1024 ))" "$message"
done
