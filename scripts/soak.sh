#!/usr/bin/env bash
# A long run with every check on: the whole production captured at 160x90,
# 2 frames a second, with the Vulkan validation layers and their
# synchronization checks, while the process's resident memory is sampled.
#
#   scripts/soak.sh [BUILD_FOLDER] [OUT_FOLDER] [EXTRA CAPTURE OPTIONS...]
#
# Prints the validation message count, the peak resident memory of the first
# and the last quarter of the run, the exit code and the wall time. The video,
# the log and the memory samples (seconds, kB) stay in OUT_FOLDER.
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
out=${2:-$build/soak}
shift 2 2>/dev/null || shift $#
mkdir -p "$out"
out=$(cd "$out" && pwd)
interval=${TOLMERO_SOAK_INTERVAL:-5}

start=$(date +%s)
(cd "$build" && exec env TOLMERO_VALIDATION=sync ./tolmero capture --out "$out/soak.mp4" \
   --resolution 160x90 --samples 1x1 --fps 2 "$@") 2>"$out/soak.log" &
pid=$!
: >"$out/memory.tsv"
while kill -0 "$pid" 2>/dev/null; do
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
  [ -n "$rss" ] && printf '%s\t%s\n' "$(( $(date +%s) - start ))" "$rss" >>"$out/memory.tsv"
  sleep "$interval"
done
wait "$pid"
code=$?
seconds=$(( $(date +%s) - start ))

messages=$(grep -c "Vulkan validation" "$out/soak.log" || true)
read -r first last samples < <(awk '{ t[NR] = $1; m[NR] = $2 } END {
    n = NR; q = int(n / 4); if (q < 1) q = 1
    for (i = 1; i <= q; ++i) if (m[i] > a) a = m[i]
    for (i = n - q + 1; i <= n; ++i) if (m[i] > b) b = m[i]
    print a + 0, b + 0, n }' "$out/memory.tsv")
echo "soak: exit code $code after $seconds s"
echo "soak: validation messages $messages (synchronization checks on)"
echo "soak: peak resident memory, first quarter $(( first / 1024 )) MB, last quarter $(( last / 1024 )) MB ($samples samples every $interval s)"
if [ "$first" -gt 0 ]; then
  awk -v a="$first" -v b="$last" 'BEGIN { printf "soak: last quarter against first: %+.1f%%\n", (b - a) * 100 / a }'
fi
tail -n 1 "$out/soak.log" | tr '\r' '\n' | tail -n 1
exit "$code"
