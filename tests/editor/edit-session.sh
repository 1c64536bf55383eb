#!/usr/bin/env bash
# `tolmero edit` as an author uses it, under Xvfb with xdotool: open on a
# short generated music file, pick a track, scrub, select a key, type its
# value, nudge it, undo, redo, undo, save into a copy of the track data and
# close. Then check the saved keys, that a crash-free close left no stale
# autosave and that a killed editor leaves one, and that the saved file
# builds and passes the track tests.
#   tests/editor/edit-session.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

sox -n -r 44100 -c 2 -b 16 "$work/short.flac" synth 30 sine 440 vol 0.05
mkdir -p "$work/src/tracks"
cp "$source/tracks/TrackData.cpp" "$work/original.cpp"
cp "$source/tracks/TrackData.cpp" "$work/src/tracks/TrackData.cpp"
tracks="$work/src/tracks/TrackData.cpp"

start_editor() {
    "$build/tolmero" edit --resolution 320x180 --samples 1x1 --music "$work/short.flac" --tracks "$tracks" \
        --beat 240 >"$work/log" 2>&1 &
    pid=$!
    window=
    for _ in $(seq 1 240); do
        window=$(xdotool search --onlyvisible --name '^Tolmero editor$' 2>/dev/null | head -n 1 || true)
        if [ -n "$window" ] && grep -q "editor ready" "$work/log" 2>/dev/null; then break; fi
        if ! kill -0 "$pid" 2>/dev/null; then cat "$work/log"; echo "the editor ended early"; exit 1; fi
        sleep 0.5
    done
    [ -n "$window" ] || { cat "$work/log"; echo "no editor window"; exit 1; }
    sleep 2  # the first frames
}
# Each key, then its answer: the editor prints every message it shows. A
# frame on lavapipe can take most of a second, and two presses of one key
# within a frame count once, so the next key waits for the answer.
key() {
    local lines
    lines=$(wc -l <"$work/log")
    xdotool windowfocus --sync "$window" key "$1"
    for _ in $(seq 1 60); do
        if tail -n +"$((lines + 1))" "$work/log" | grep -q -- "$2"; then return 0; fi
        sleep 0.25
    done
    cat "$work/log"
    echo "no answer \"$2\" to $1"
    exit 1
}

start_editor
# Camera position is selected; seven tracks down is "Kauha 1". Scrub: a beat,
# a bar and a row (1/4), then to the next key, and select it.
pick_kauha() {
    for track in "Camera x angle" "Camera y angle" "Field of view" "Flames enabled" "Kaivin angle" \
                 "Kaivin pos" "Kauha 1"; do
        key Down "track $track"
    done
}
type_value() {
    key Return "type value: $"
    key minus "type value: -$"
    key 0 "type value: -0$"
    key period "type value: -0.$"
    key 5 "type value: -0.5$"
    key Return "Kauha 1: set key 3"
}
pick_kauha
key Right "beat 241.000"
key shift+Right "beat 244.000"
key ctrl+Right "beat 244.250"
key Next "beat 250.000"
key k "selected the key"
# Type -0.5 as its value, nudge it down, undo, redo, undo: -0.5 stays.
type_value
key ctrl+Down "moved 1 key"
key ctrl+z "undone"
key ctrl+y "redone"
key ctrl+z "undone"
sleep 1.5
[ -f "$tracks.autosave" ] || { cat "$work/log"; echo "no autosave after an edit"; exit 1; }
key ctrl+s "saved 1 track"
xdotool windowfocus --sync "$window" key Escape
wait "$pid"
pid=
cat "$work/log"
[ ! -f "$tracks.autosave" ] || { echo "the autosave outlived the save"; exit 1; }
if grep -q "VUID\|Validation Error" "$work/log"; then echo "validation messages"; exit 1; fi

/usr/bin/python3 - "$work/original.cpp" "$tracks" "$work/log" <<'PY'
import re, sys
original, saved, log = (open(p).read() for p in sys.argv[1:4])
def rows(text, array):
    body = re.search(r"const Row " + array + r"\[\] = \{\n(.*?)\};\n", text, re.S).group(1)
    return [[float(n.rstrip("f")) for n in re.findall(r"-?[0-9.]+(?:e-?[0-9]+)?f", line)]
            for line in body.splitlines()]
before, after = rows(original, "kKauha1"), rows(saved, "kKauha1")
assert len(before) == len(after) == 19, (len(before), len(after))
changed = [i for i in range(19) if before[i] != after[i]]
assert len(changed) == 1, changed
i = changed[0]
assert after[i][2] == -0.5 and after[i][:2] == before[i][:2], (before[i], after[i])
# The key is the first after beat 244.25, and the editor closed on its time.
assert before[i][0] == min(r[0] for r in before if r[0] > 244.25), before[i]
closed = float(re.search(r"editor closed at beat ([0-9.]+)", log).group(1))
assert abs(closed - before[i][0]) < 1e-3, (closed, before[i][0])
# Nothing else of the file changed.
old_lines, new_lines = original.splitlines(), saved.splitlines()
assert len(old_lines) == len(new_lines)
assert sum(a != b for a, b in zip(old_lines, new_lines)) == 1
print(f"saved: Kauha 1 key {i} at beat {before[i][0]}: y {before[i][2]} -> {after[i][2]}")
PY
cp "$tracks" "$work/saved.cpp"

# A killed editor leaves its edits in the autosave.
cp "$work/original.cpp" "$tracks"
start_editor
pick_kauha
key Next "beat 250.000"
key k "selected the key"
type_value
sleep 2
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
pid=
grep -q "250.0f, 250.0f, -0.5f, 0.0f, kSmooth" "$tracks.autosave" ||
    { cat "$work/log"; echo "no edit in the autosave of a killed editor"; exit 1; }
cmp -s "$tracks" "$work/original.cpp" || { echo "a killed editor changed the track data"; exit 1; }
echo "autosave kept the edit of a killed editor"

# The saved file builds and the track tests pass on it.
cp "$work/saved.cpp" "$work/src/tracks/TrackData.cpp"
c++ -std=c++20 -O1 -I"$source" -DTOLMERO_SOURCE_DIR="\"$work/src\"" -o "$work/track_tests" \
    "$work/src/tracks/TrackData.cpp" "$source/tracks/SceneIndex.cpp" "$source/tracks/TrackSet.cpp" "$source/tracks/TrackBounds.cpp" \
    "$source/tracks/TrackSource.cpp" "$source/tests/tracks/TrackSetTest.cpp" \
    "$source/tests/tracks/ProductionTracksTest.cpp" "$source/tests/tracks/TrackSourceTest.cpp" \
    -lgtest -lgtest_main -pthread
"$work/track_tests" --gtest_brief=1
echo "the saved track data builds and passes the track tests"
