#!/usr/bin/env bash
# A capture split into pieces of the frame grid and rendered by GNU Parallel,
# on this machine (-j N) or on many (--sshloginfile FILE), then joined
# without re-encoding into one MP4 with the music muxed once over the whole.
#
#   scripts/capture-farm.sh --out tolmero.mp4 [--from B] [--to B | --frames A:B]
#       [--fps 60] [--resolution 1920x1080] [--samples 4x4] [--crf 18]
#       [--music FILE] [--chunk-frames N] [-j N] [--sshloginfile FILE]
#       [--shared-folder] [--retries N] [--chunks DIR] [--tolmero PATH]
#       [--join-only] [--keep-chunks] [--raw-frames]
#
# Each piece is `tolmero capture --frames A:B --video-only` into
# <chunks>/chunk-A-B.mp4: frames A to B - 1 of the grid of --fps, caught up
# exactly, so that the pieces laid end to end are the frames of one long
# capture. A piece is renamed into place only when its capture succeeded; a
# rerun of the same command renders only the pieces still missing (finished
# ones are kept), and a failed piece is tried again (--retries, default 2; on
# many hosts the retry may go to another host). The join checks that every
# piece is there with all its frames and refuses, naming the first hole,
# otherwise.
#
# Remote hosts: every host has the project built at the same path (this
# script and the tolmero program), ffmpeg and the music where this machine
# has them. The pieces are written under the same absolute --chunks folder
# there and copied back by GNU Parallel (--return), unless --shared-folder
# says that folder is one shared file system on every host.
#
# --raw-frames also writes <out>.rgba, the raw RGBA frames before encoding,
# one after another (TOLMERO_CAPTURE_RAW_FRAMES of every piece), for checks.
#
# Exit codes: 0 joined; 2 bad input; 1 a piece failed on every try (each
# failed piece named on one line with its host) or the join refused or failed.
set -euo pipefail

script="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")"
say() { printf 'capture-farm: %s\n' "$*" >&2; }
die() { say "$1"; exit "${2:-1}"; }

# One piece, run by GNU Parallel on whichever host: capture it under a
# temporary name in the chunks folder and rename it when it is complete.
# Arguments: chunks-folder name first end, then the capture's own options.
if [ "${1:-}" = "--run-chunk" ]; then
  shift
  folder="$1" name="$2" first="$3" end="$4"
  shift 4
  mkdir -p "$folder"
  cd "$folder"
  rm -f "$name.mp4.part" "$name.rgba.part"
  raw=()
  [ "${FARM_RAW_FRAMES:-0}" = 1 ] && raw=("TOLMERO_CAPTURE_RAW_FRAMES=$name.rgba.part")
  started=$SECONDS
  if env "${raw[@]}" "$@" --frames "$first:$end" --video-only --out "$name.mp4.part" >"$name.log" 2>&1; then
    [ "${#raw[@]}" -eq 0 ] || mv -f "$name.rgba.part" "$name.rgba"
    mv -f "$name.mp4.part" "$name.mp4"
    printf 'capture-farm: %s (frames %s:%s) done on host %s in %d s\n' "$name" "$first" "$end" "$(hostname)" \
      $((SECONDS - started))
  else
    code=$?
    printf 'capture-farm: %s (frames %s:%s) failed on host %s with exit code %d: %s\n' "$name" "$first" "$end" \
      "$(hostname)" "$code" "$(grep -v '^\s*$' "$name.log" | tail -n 1 | tr -d '\r' | cut -c1-200)" >&2
    exit "$code"
  fi
  exit 0
fi

out="" from="" to="" frames="" fps=60 resolution=1920x1080 samples=4x4 crf=18 music=""
chunk_frames="" jobs="" sshloginfile="" shared=0 retries=2 chunks="" tolmero="" join_only=0 keep=0 raw=0
repo="$(cd "$(dirname "$script")/.." && pwd)"
while [ $# -gt 0 ]; do
  option="$1"
  case "$option" in
    --shared-folder) shared=1; shift; continue ;;
    --join-only) join_only=1; shift; continue ;;
    --keep-chunks) keep=1; shift; continue ;;
    --raw-frames) raw=1; shift; continue ;;
    -h|--help) sed -n '2,/^set -euo/p' "$script" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
  esac
  [ $# -ge 2 ] || die "$option needs a value" 2
  value="$2"
  shift 2
  case "$option" in
    --out) out="$value" ;;
    --from) from="$value" ;;
    --to) to="$value" ;;
    --frames) frames="$value" ;;
    --fps) fps="$value" ;;
    --resolution) resolution="$value" ;;
    --samples) samples="$value" ;;
    --crf) crf="$value" ;;
    --music) music="$value" ;;
    --chunk-frames) chunk_frames="$value" ;;
    -j|--jobs) jobs="$value" ;;
    --sshloginfile) sshloginfile="$value" ;;
    --retries) retries="$value" ;;
    --chunks) chunks="$value" ;;
    --tolmero) tolmero="$value" ;;
    *) die "unknown option $option (--help lists them)" 2 ;;
  esac
done

[ -n "$out" ] || die "--out names the video file to write" 2
[ -z "$frames" ] || [ -z "$from$to" ] || die "--frames excludes --from and --to" 2
for number in "$fps" "$retries" ${chunk_frames:+"$chunk_frames"} ${jobs:+"$jobs"}; do
  [[ "$number" =~ ^[0-9]+$ ]] || die "'$number' is not a whole number" 2
done
[ -z "$chunk_frames" ] || [ "$chunk_frames" -gt 0 ] || die "--chunk-frames must be positive" 2
[ -n "$tolmero" ] || tolmero="$repo/build/tolmero"
[ -x "$tolmero" ] || die "no tolmero program at $tolmero (build it, or name it with --tolmero)"
tolmero="$(cd "$(dirname "$tolmero")" && pwd)/$(basename "$tolmero")"
command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null || die "ffmpeg and ffprobe are needed (Debian: apt-get install ffmpeg)"
command -v parallel >/dev/null || die "GNU Parallel is needed (Debian: apt-get install parallel)"
[ -z "$sshloginfile" ] || [ -r "$sshloginfile" ] || die "cannot read the host list $sshloginfile" 2
[ -z "$sshloginfile" ] || [ "$shared" = 1 ] || command -v rsync >/dev/null ||
  die "rsync is needed to bring the pieces back from other hosts (Debian: apt-get install rsync), or use --shared-folder"

# The music as the capture command finds it: --music, else track.flac in the
# working directory, else beside the program. Named explicitly to every piece
# so that each host plans the same production.
if [ -z "$music" ]; then
  if [ -f track.flac ]; then music="$PWD/track.flac"
  elif [ -f "$(dirname "$tolmero")/track.flac" ]; then music="$(dirname "$tolmero")/track.flac"
  fi
fi
[ -z "$music" ] || music="$(cd "$(dirname "$music")" && pwd)/$(basename "$music")"
music_option=()
[ -z "$music" ] || music_option=(--music "$music")

# The grid frames of the request, checked by the program itself (one line
# and exit code 2 for a range outside the production).
range=()
[ -z "$frames" ] || range=(--frames "$frames")
[ -z "$from" ] || range+=(--from "$from")
[ -z "$to" ] || range+=(--to "$to")
grid="$("$tolmero" capture --print-frames --fps "$fps" "${range[@]}" "${music_option[@]}" 2>&1)" ||
  die "${grid#tolmero: }" 2
first="${grid%%:*}" end="${grid##*:}"
total=$((end - first))
# Ten seconds of video a piece unless told: long enough that a piece's start
# (device, fields, particle catch-up) is a small share of it.
[ -n "$chunk_frames" ] || chunk_frames=$((10 * fps))

out_dir="$(cd "$(dirname "$out")" 2>/dev/null && pwd)" || die "cannot write $out: no folder $(dirname "$out")"
out="$out_dir/$(basename "$out")"
[ -n "$chunks" ] || chunks="$out.chunks"
mkdir -p "$chunks"
chunks="$(cd "$chunks" && pwd)"

# The settings of the pieces: a rerun must not mix pieces of another capture.
settings="fps=$fps resolution=$resolution samples=$samples crf=$crf music=${music:-none} program=$(cksum <"$tolmero" | cut -d' ' -f1)"
if [ -f "$chunks/settings" ] && [ "$(cat "$chunks/settings")" != "$settings" ]; then
  die "$chunks holds pieces of another capture ($(cat "$chunks/settings")); remove it or name another --chunks folder" 2
fi
printf '%s\n' "$settings" >"$chunks/settings"

plan="$chunks/plan"
: >"$plan"
for ((a = first; a < end; a += chunk_frames)); do
  b=$((a + chunk_frames < end ? a + chunk_frames : end))
  printf 'chunk-%08d-%08d %d %d\n' "$a" "$b" "$a" "$b" >>"$plan"
done
count=$(wc -l <"$plan")
pending="$chunks/pending"
: >"$pending"
while read -r name a b; do
  [ -s "$chunks/$name.mp4" ] || printf '%s %d %d\n' "$name" "$a" "$b" >>"$pending"
done <"$plan"
todo=$(wc -l <"$pending")

say "frames $first:$end at $fps frames/s ($total frames, $resolution, $samples samples) in $count pieces of up to $chunk_frames frames; $((count - todo)) already done, $todo to render"

capture=("$tolmero" capture --fps "$fps" --resolution "$resolution" --samples "$samples" --crf "$crf"
  "${music_option[@]}")
if [ "$join_only" = 0 ] && [ "$todo" -gt 0 ]; then
  where=()
  if [ -n "$sshloginfile" ]; then
    where=(--sshloginfile "$sshloginfile")
    if [ "$shared" = 0 ]; then
      where+=(--return "$chunks/{1}.mp4" --return "$chunks/{1}.log" --cleanup)
      [ "$raw" = 0 ] || where+=(--return "$chunks/{1}.rgba")
    fi
  fi
  progress=()
  [ -t 2 ] && progress=(--bar)
  joblog="$chunks/joblog"
  rm -f "$joblog"
  # The chunk command, quoted for the shell that runs it on the host.
  set +e
  FARM_RAW_FRAMES=$raw parallel --colsep ' ' ${jobs:+-j "$jobs"} --retries "$((retries + 1))" \
    --joblog "$joblog" --env FARM_RAW_FRAMES --line-buffer "${progress[@]}" "${where[@]}" \
    bash "$script" --run-chunk "$chunks" {1} {2} {3} "${capture[@]}" :::: "$pending"
  status=$?
  set -e
  # The joblog's last try of each piece: the pieces that failed on every
  # try, with the host of the last one (each try's reason is above, one line
  # from the host that ran it).
  failed=()
  if [ -f "$joblog" ]; then
    while IFS=$'\t' read -r _ host _ _ _ _ code signal command; do
      [ "$code" != 0 ] || [ "$signal" != 0 ] || continue
      piece="$(printf '%s\n' "$command" | grep -o 'chunk-[0-9]*-[0-9]*' | head -n 1)"
      [ -n "$piece" ] && [ ! -s "$chunks/$piece.mp4" ] || continue
      [ "$host" != ":" ] || host="$(hostname)"
      failed+=("$piece (host $host)")
    done < <(tail -n +2 "$joblog" | awk -F'\t' '{ last[$NF] = $0 } END { for (c in last) print last[c] }' | sort)
  fi
  if [ "$status" -ne 0 ] || [ "${#failed[@]}" -gt 0 ]; then
    die "${#failed[@]} of $todo pieces failed on every try: ${failed[*]:-see above}; the same command again renders only what is missing"
  fi
fi

# The join: every piece there with all its frames, in order, else nothing.
list="$chunks/concat.txt"
: >"$list"
while read -r name a b; do
  piece="$chunks/$name.mp4"
  [ -s "$piece" ] || die "cannot join: $name (frames $a:$b) is missing ($piece); run the same command again to render it"
  got="$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$piece" 2>/dev/null || true)"
  [ "$got" = "$((b - a))" ] ||
    die "cannot join: $name (frames $a:$b) holds ${got:-no} frames instead of $((b - a)) ($piece); remove it and run the same command again"
  printf "file '%s'\n" "$name.mp4" >>"$list"
done <"$plan"

# The music from the first frame's time for exactly the frames' length, as a
# single capture muxes it: frames before beat 0 get silence until it starts.
audio=()
if [ -n "$music" ]; then
  start="$(awk -v f="$first" -v r="$fps" 'BEGIN { printf "%.6f", f / r }')"
  if [ "$first" -ge 0 ]; then
    audio=(-ss "$start" -i "file:$music" -map 0:v:0 -map 1:a:0 -c:a aac -b:a 192k)
  else
    delay="$(awk -v f="$first" -v r="$fps" 'BEGIN { printf "%d", -f / r * 1000 + 0.5 }')"
    audio=(-i "file:$music" -map 0:v:0 -map 1:a:0 -af "adelay=delays=$delay:all=1" -c:a aac -b:a 192k)
  fi
else
  say "no music: the video has no sound"
  audio=(-map 0:v:0)
fi
duration="$(awk -v n="$total" -v r="$fps" 'BEGIN { printf "%.6f", n / r }')"
rm -f "$out.part"
ffmpeg -hide_banner -loglevel error -nostdin -y -f concat -safe 0 -i "file:$list" "${audio[@]}" -c:v copy \
  -t "$duration" -movflags +frag_keyframe+delay_moov+default_base_moof -frag_duration 1000000 -f mp4 \
  "file:$out.part" || die "the join failed (ffmpeg above); the pieces are kept in $chunks"
mv -f "$out.part" "$out"
if [ "$raw" = 1 ]; then
  while read -r name _ _; do cat "$chunks/$name.rgba"; done <"$plan" >"$out.rgba"
fi
if [ "$keep" = 0 ]; then
  # Only what this script put there: a --chunks folder may hold more.
  while read -r name _ _; do rm -f "$chunks/$name".{mp4,log,rgba}; done <"$plan"
  rm -f "$chunks"/{plan,pending,settings,joblog,concat.txt}
  rmdir "$chunks" 2>/dev/null || true
fi
say "wrote $out: $total frames ($duration s) from $count pieces"
