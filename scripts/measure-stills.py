#!/usr/bin/env python3
"""Measures a folder of stills named raw-BBB.png (as contact-sheet.sh keeps
them with STILLS=1): for each still, the share of pixels whose three channels
are all 245 or more (burnt white), and the correlation of its pixels with the
next still's (near 1: the picture barely changed between the two beats).

    scripts/measure-stills.py <stills-dir> [--burnt-limit 0.03] [--correlation-limit 0.9]

Prints one line per still, then the runs of three or more stills whose
neighbouring pairs all correlate above the limit and the stills above the
burnt limit. Needs python3-numpy and ffmpeg (to decode the PNGs).
"""
import argparse
import pathlib
import re
import subprocess
import sys

import numpy as np


def load(path):
    probe = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                            "stream=width,height", "-of", "csv=p=0", str(path)],
                           check=True, capture_output=True, text=True).stdout.strip()
    width, height = (int(v) for v in probe.split(",")[:2])
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", str(path), "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         check=True, capture_output=True).stdout
    return np.frombuffer(raw, dtype=np.uint8).reshape(height, width, 3)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("stills")
    parser.add_argument("--burnt-limit", type=float, default=0.03)
    parser.add_argument("--correlation-limit", type=float, default=0.9)
    args = parser.parse_args()

    stills = []
    for path in sorted(pathlib.Path(args.stills).glob("raw-*.png")):
        match = re.match(r"raw-(\d+)\.png", path.name)
        if match:
            stills.append((int(match.group(1)), path))
    if not stills:
        sys.exit(f"no raw-BBB.png stills in {args.stills}")

    beats, burnt, correlation = [], [], []
    previous = None
    for beat, path in stills:
        image = load(path)
        beats.append(beat)
        burnt.append(float(np.mean(np.all(image >= 245, axis=2))))
        grey = image.astype(np.float64).mean(axis=2).ravel()
        if previous is not None:
            a, b = previous - previous.mean(), grey - grey.mean()
            denominator = np.sqrt((a * a).sum() * (b * b).sum())
            correlation.append(float((a * b).sum() / denominator) if denominator > 0 else 1.0)
        previous = grey

    for k, beat in enumerate(beats):
        with_next = f"{correlation[k]:.3f}" if k < len(correlation) else "-"
        print(f"beat {beat:3d}  burnt {100 * burnt[k]:5.1f} %  correlation with next {with_next}")

    run_start = None
    runs = []
    for k, value in enumerate(correlation + [0.0]):
        if value > args.correlation_limit:
            run_start = k if run_start is None else run_start
        else:
            if run_start is not None and k - run_start >= 2:  # two pairs: three stills
                runs.append((beats[run_start], beats[k]))
            run_start = None
    print("holds (three or more stills, neighbours above %.2f):" % args.correlation_limit,
          ", ".join(f"{a}-{b}" for a, b in runs) or "none")
    over = [f"{beat} ({100 * value:.1f} %)" for beat, value in zip(beats, burnt) if value > args.burnt_limit]
    print("burnt above %.0f %%:" % (100 * args.burnt_limit), ", ".join(over) or "none")


if __name__ == "__main__":
    main()
