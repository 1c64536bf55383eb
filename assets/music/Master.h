#pragma once
// The master bus: what happens to the finished mix before it is written.
// A high-pass, the low end made mono and the rest widened, a gentle glue
// compressor, the gain that brings the piece to its loudness, and a
// look-ahead limiter that keeps the true peak under its ceiling. Also the
// meters the master is set by: integrated loudness (ITU-R BS.1770, gated) and
// true peak (8x oversampled).

#include "Effects.h"

namespace music {

struct MasterSettings {
    float highPassHz = 32.0f;      // fourth-order, below the lowest kick
    float monoBelowHz = 140.0f;    // the side signal is removed below this
    float width = 1.15f;           // side gain above it
    float presenceDb = 2.0f;       // a broad lift around 3.5 kHz
    float mudDb = -1.5f;           // a broad dip around 350 Hz
    float compressThresholdDb = -9.0f;   // relative to the mix brought to -14 LUFS
    float compressRatio = 2.0f;
    float targetLufs = -10.0f;
    float ceilingDbtp = -1.2f;
    float fadeSeconds = 3.0f;      // the last chord's ring fades to silence over this
};

struct MasterResult {
    double loudnessLufs = 0.0;     // integrated, after the limiter
    double truePeakDbtp = 0.0;
    double maxCompressionDb = 0.0;
    double maxLimitingDb = 0.0;
};

MasterResult master(StereoBuffer& mix, const MasterSettings& settings = {});

// Integrated loudness in LUFS (K-weighting, 400 ms blocks with 75 % overlap,
// absolute gate -70 LUFS, relative gate -10 LU). -inf for silence.
double integratedLoudness(const StereoBuffer& buffer, size_t from = 0, size_t to = SIZE_MAX);

// The highest sample or inter-sample peak (8x oversampled), in dBFS.
double truePeakDb(const StereoBuffer& buffer);

}  // namespace music
