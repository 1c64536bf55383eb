#!/usr/bin/env bash
# Measures the soundtrack the build composed and prints its figures against
# the targets it is mixed to:
#   scripts/soundtrack-report.sh [BUILD_DIR]        (default: build)
# Loudness, range and true peak come from ffmpeg's EBU R128 meter; band
# energies, the 50 Hz excess, stereo correlation and the hit offsets are
# measured with numpy on the decoded audio. The cue beats (scene changes, title
# cards, fire) come from the production's tracks through `tolmero_compose
# --cues`; the offsets are the onsets found in the audio around them. The
# phrase count reads the score (`tolmero_compose --score`).
# Needs ffmpeg and /usr/bin/python3 with numpy (python3-numpy).
set -euo pipefail

build=${1:-build}
track="$build/track.flac"
composer="$build/assets/music/tolmero_compose"
for f in "$track" "$composer"; do
  [ -e "$f" ] || { echo "soundtrack-report: $f is missing (build tolmero_music first)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -v error -i "$track" -f f32le -acodec pcm_f32le -ac 2 -ar 44100 "$work/track.f32"
"$composer" --cues > "$work/cues.tsv"
"$composer" --score > "$work/score.tsv"

# Sections, in beats, from the cues: forest, logo, water, stumps, machines,
# titles, fire, and the last chord ringing out.
mapfile -t cue < <(cut -f2 "$work/cues.tsv")
# The last chord: the latest note of the score that is not an effect.
last_chord=$(awk -F'\t' 'NR > 1 && $1 != "fx" && $2 + 0 > last { last = $2 + 0 } END { print last }' "$work/score.tsv")
end_beat=$(/usr/bin/python3 -c "import os; print(os.path.getsize('$work/track.f32') / 8 / 44100 * 105 / 60)")
sections="forest 0 ${cue[0]}
logo ${cue[0]} ${cue[1]}
water ${cue[1]} ${cue[2]}
stumps ${cue[2]} ${cue[3]}
machines ${cue[3]} ${cue[4]}
titles ${cue[4]} ${cue[8]}
fire ${cue[9]} $last_chord
ending $last_chord $end_beat"
echo "$sections" > "$work/sections.txt"

# EBU R128: the whole track, then each section (one decode, one meter per section).
ffmpeg -nostats -hide_banner -i "$track" -af ebur128=peak=true -f null - 2> "$work/whole.log"
filter=""
n=0
while read -r name from to; do
  s=$(/usr/bin/python3 -c "print($from * 60 / 105)")
  e=$(/usr/bin/python3 -c "print($to * 60 / 105)")
  filter+="[a$n]atrim=start=$s:end=$e,ebur128[o$n];"
  n=$((n + 1))
done < "$work/sections.txt"
split="asplit=$n"
maps=()
for i in $(seq 0 $((n - 1))); do split+="[a$i]"; maps+=(-map "[o$i]" -f null -); done
ffmpeg -nostats -hide_banner -i "$track" -filter_complex "$split;${filter%;}" "${maps[@]}" 2> "$work/sections.log"

/usr/bin/python3 - "$work" "$last_chord" <<'PY'
import re, sys
import numpy as np

work = sys.argv[1]
last_chord = float(sys.argv[2])
rate = 44100
spb = 60.0 / 105.0
audio = np.fromfile(f"{work}/track.f32", dtype=np.float32).reshape(-1, 2).astype(np.float64)
left, right = audio[:, 0], audio[:, 1]
sections = [(l.split()[0], float(l.split()[1]), float(l.split()[2])) for l in open(f"{work}/sections.txt")]
cues = [(l.split("\t")[0], float(l.split("\t")[1])) for l in open(f"{work}/cues.tsv")]

def frames(beat):
    return int(round(beat * spb * rate))

failures = []
def check(label, ok):
    if not ok:
        failures.append(label)
    return "ok" if ok else "MISSED"

# --- loudness -----------------------------------------------------------------
whole = open(f"{work}/whole.log").read()
summary = whole[whole.rfind("Summary:"):]
integrated = float(re.search(r"I:\s+(-?[\d.]+) LUFS", summary).group(1))
lra = float(re.search(r"LRA:\s+(-?[\d.]+) LU", summary).group(1))
true_peak = float(re.search(r"Peak:\s+(-?[\d.]+|-inf) dBFS", summary).group(1))
sample_peak = 20 * np.log10(np.max(np.abs(audio)) + 1e-12)
rms = 10 * np.log10(np.mean(audio ** 2) + 1e-20)

section_log = open(f"{work}/sections.log").read()
# ffmpeg names the meters by their place in the graph (asplit 0, then atrim
# and ebur128 by turns) and prints their summaries in no fixed order.
meters = {int(k): float(v) for k, v in re.findall(
    r"\[Parsed_ebur128_(\d+) @ [^\]]*\] Summary:\s+Integrated loudness:\s+I:\s+(-?[\d.]+|-inf) LUFS", section_log)}
section_lufs = [meters.get(2 * i + 2, float("nan")) for i in range(len(sections))]

print("Soundtrack report: %s, %.1f s" % ("track.flac", len(audio) / rate))
print()
print("Master")
print("  integrated loudness  %6.1f LUFS   target -9.5 +-1      %s" % (integrated, check("loudness", abs(integrated + 9.5) <= 1.0)))
print("  loudness range       %6.1f LU     target 5 to 9        %s" % (lra, check("range", 5.0 <= lra <= 9.0)))
print("  true peak            %6.1f dBTP   target <= -1         %s" % (true_peak, check("true peak", true_peak <= -1.0)))
print("  sample peak          %6.1f dBFS" % sample_peak)
print("  crest factor         %6.1f dB     (sample peak over RMS)" % (sample_peak - rms))

# --- spectrum -----------------------------------------------------------------
def power_spectrum(a, b):
    """Summed power spectrum of both channels, Hann frames of 8192, hop 4096."""
    size, hop = 8192, 4096
    window = np.hanning(size)
    total = np.zeros(size // 2 + 1)
    for side in (a, b):
        if len(side) < size:
            side = np.pad(side, (0, size - len(side)))
        count = 1 + (len(side) - size) // hop
        for start in range(0, count * hop, hop * 64):
            block = np.lib.stride_tricks.sliding_window_view(side[start:start + hop * 63 + size], size)[::hop]
            total += np.sum(np.abs(np.fft.rfft(block * window, axis=1)) ** 2, axis=0)
    return np.fft.rfftfreq(size, 1.0 / rate), total

def band_share(freqs, power, low, high):
    return power[(freqs >= low) & (freqs < high)].sum() / power[freqs > 0].sum()

def third_octave(freqs, power, centre):
    band = (freqs >= centre * 2 ** (-1 / 6)) & (freqs < centre * 2 ** (1 / 6))
    return 10 * np.log10(power[band].sum() + 1e-30)

freqs, power = power_spectrum(left, right)
sub = band_share(freqs, power, 0, 60)
presence = band_share(freqs, power, 2000, 6000)
excess = third_octave(freqs, power, 50) - np.mean([third_octave(freqs, power, c) for c in (100, 125, 160, 200, 250)])
print()
print("Spectrum (whole track)")
for low, high in ((0, 60), (60, 250), (250, 2000), (2000, 6000), (6000, 22050)):
    print("  %5d to %5d Hz     %5.1f %%" % (low, high, 100 * band_share(freqs, power, low, high)))
print("  below 60 Hz          %5.1f %%      target <= 30 %%       %s" % (100 * sub, check("low end", sub <= 0.30)))
print("  2 to 6 kHz           %5.1f %%      target >= 5 %%        %s" % (100 * presence, check("presence", presence >= 0.05)))
print("  50 Hz band excess    %5.1f dB     target <= 6 dB       %s" % (excess, check("50 Hz", excess <= 6.0)))
print("    (50 Hz third-octave over the mean of the 100 to 250 Hz bands)")

# --- sections -----------------------------------------------------------------
print()
print("Sections                beats        LUFS   below 60 Hz   L/R corr.")
levels = {}
for (name, start, stop), lufs in zip(sections, section_lufs):
    a, b = frames(start), frames(stop)
    l, r = left[a:b], right[a:b]
    f, p = power_spectrum(l, r)
    share = band_share(f, p, 0, 60)
    corr = np.sum(l * r) / np.sqrt(np.sum(l * l) * np.sum(r * r) + 1e-30)
    levels[name] = lufs
    marks = [check(f"{name} low end", share <= 0.30), check(f"{name} correlation", 0.5 <= corr <= 0.85)]
    print("  %-9s %7.2f-%7.2f   %6.1f     %5.1f %% %-6s   %5.2f %s" % (name, start, stop, lufs, 100 * share, marks[0], corr, marks[1]))
print("  targets: below 60 Hz <= 30 %, correlation 0.5 to 0.85 in every section")
print("  fire over forest     %5.1f LU     target >= 3          %s" % (levels["fire"] - levels["forest"], check("fire over forest", levels["fire"] - levels["forest"] >= 3)))
print("  fire over stumps     %5.1f LU     target >= 1.5        %s" % (levels["fire"] - levels["stumps"], check("fire over stumps", levels["fire"] - levels["stumps"] >= 1.5)))

# --- hits -----------------------------------------------------------------------
mono = 0.5 * (left + right)
energy = np.concatenate([[0.0], np.cumsum(mono ** 2)])
def mean_energy(a, b):
    return (energy[b] - energy[a]) / max(1, b - a)

def high_pass(x, hz):
    """Second-order Butterworth high-pass (RBJ biquad), run forward only."""
    w = 2 * np.pi * hz / rate
    alpha, c = np.sin(w) / (2 * 0.7071), np.cos(w)
    a0 = 1 + alpha
    b0, b1, b2 = (1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0
    a1, a2 = -2 * c / a0, (1 - alpha) / a0
    y = np.zeros(len(x))
    x1 = x2 = y1 = y2 = 0.0
    for i, v in enumerate(x.tolist()):
        out = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2
        x2, x1, y2, y1 = x1, v, y1, out
        y[i] = out
    return y

def onset_near(beat, reach=0.1):
    """The strongest attack within `reach` seconds of the beat, timed on the
    signal above 800 Hz (where hits have their edge and bass waveforms do not
    ripple the envelope; a causal filter, so nothing rings ahead of a hit):
    the place where the power of the next 10 ms grows most over that of the
    50 ms before; the onset is where the 1 ms envelope first gets halfway (in
    dB) from the level before to the attack's peak."""
    centre = int(round(beat * spb * rate))
    pad = int(0.5 * rate)
    high = high_pass(mono[centre - 2 * pad:centre + pad], 800.0)[pad:]
    e = np.concatenate([[0.0], np.cumsum(high ** 2)])
    ahead, behind, short = int(0.01 * rate), int(0.05 * rate), int(0.001 * rate)
    at = np.arange(pad - int(reach * rate), pad + int(reach * rate))
    after = (e[at + ahead] - e[at]) / ahead
    before = (e[at] - e[at - behind]) / behind
    rise = after - before
    best = int(at[np.argmax(rise)])
    base = (e[best] - e[best - behind]) / behind
    peak = max((e[i + short] - e[i]) / short for i in range(best, best + ahead + int(0.005 * rate)))
    halfway = np.sqrt(max(base, 1e-14) * peak)
    onset = best
    for i in range(best - int(0.015 * rate), best + ahead + int(0.005 * rate)):
        if (e[i + short] - e[i]) / short >= halfway:
            onset = i + short // 2
            break
    return (onset - pad) / rate, 10 * np.log10(peak / max(base, 1e-14))

print()
print("Hits (onset found in the audio near each cue of the tracks)")
worst = 0.0
for what, beat in cues:
    offset, rise = onset_near(beat)
    worst = max(worst, abs(offset))
    print("  %-15s beat %8.3f   offset %+6.1f ms   (attack %4.1f dB over the 50 ms before)" % (what, beat, 1000 * offset, rise))
print("  largest offset       %5.1f ms     target <= 10 ms      %s" % (1000 * worst, check("hit offsets", worst <= 0.010)))

# --- breath and ending ----------------------------------------------------------
def level(a_beat, b_beat):
    a, b = frames(a_beat), frames(b_beat)
    return 10 * np.log10(np.mean(audio[a:b] ** 2) + 1e-20)
cards_end = dict(cues)["cards end"]
flames = dict(cues)["flames"]
breath = level(cards_end + 0.15, flames - 0.75)
print()
print("Breath %.2f to %.2f  %6.1f dBFS RMS   (titles %.1f dBFS)" % (cards_end + 0.15, flames - 0.75, breath, level(256, 287)))

# After the last chord nothing may start: in no third-octave band
# above 100 Hz that holds something (within 40 dB of the loudest band) may a
# 46 ms frame rise more than 6 dB over the loudest frame of the 600 ms before
# it (frames that end before it begins; a new note does, the chord's own
# beating and decay do not).
start = frames(last_chord + 0.25) - int(0.6 * rate)
size, hop = 2048, 441
tail = mono[start:]
count = max(0, 1 + (len(tail) - size) // hop)
spectra = np.abs(np.fft.rfft(np.lib.stride_tricks.sliding_window_view(tail, size)[::hop][:count] * np.hanning(size), axis=1)) ** 2
f = np.fft.rfftfreq(size, 1.0 / rate)
centres = [100 * 2 ** (k / 3) for k in range(0, 22)]
bands = np.stack([spectra[:, (f >= c * 2 ** (-1 / 6)) & (f < c * 2 ** (1 / 6))].sum(axis=1) for c in centres], axis=1) + 1e-20
history, width = 60, size // hop + 1
peak_rise, peak_at, peak_band = -99.0, 0, 0
for i in range(history + width, count):
    before = bands[i - width - history:i - width + 1].max(axis=0)
    present = bands[i] >= bands[i].max() * 1e-4
    rise = 10 * np.log10(bands[i] / before)
    rise[~present] = -99.0
    k = int(np.argmax(rise))
    if rise[k] > peak_rise:
        peak_rise, peak_at, peak_band = rise[k], start + i * hop + size // 2, k
print("After beat %.2f: largest rise %.1f dB (%.0f Hz band, beat %.2f)   target < 6 dB   %s" % (
    last_chord + 0.25, peak_rise, centres[peak_band], peak_at / rate / spb, check("after the last chord", peak_rise < 6.0)))

# --- score ----------------------------------------------------------------------
notes = {}
for line in list(open(f"{work}/score.tsv"))[1:]:
    part, beat, length, midi = line.split("\t")[:4]
    notes.setdefault(part, []).append((float(beat), float(length), int(midi)))
if notes:
    last = max(n[0] for ns in notes.values() for n in ns)
    print("Last note of the score starts at beat %.3f" % last)
    print()
    print("Phrases: the most times one 8-bar stretch (same notes, same rhythm) is played, per part")
    line = []
    worst_count = 0
    for part, ns in sorted(notes.items()):
        ns.sort()
        beats = np.array([n[0] for n in ns])
        seen = {}
        for start in range(0, int(beats.max()) + 1):
            a, b = np.searchsorted(beats, start - 1e-6), np.searchsorted(beats, start + 32 - 1e-6)
            if b - a < 4:
                continue
            key = tuple((round(ns[i][0] - start, 3), round(ns[i][1], 3), ns[i][2]) for i in range(a, b))
            seen.setdefault(key, set()).add(start)
        # Overlapping starts of one stretch count once per bar of distance.
        count = 0
        for starts in seen.values():
            kept, last_start = 0, -1e9
            for s in sorted(starts):
                if s - last_start >= 32:
                    kept, last_start = kept + 1, s
            count = max(count, kept)
        worst_count = max(worst_count, count)
        line.append("%s %d" % (part, count))
    print("  " + ", ".join(line))
    print("  most repeats         %5d        target <= 2          %s" % (worst_count, check("phrases", worst_count <= 2)))

print()
print("All targets met." if not failures else "Missed: " + ", ".join(failures))
PY
