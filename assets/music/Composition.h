#pragma once
// The production's soundtrack: a piece in D minor at 105 beats per minute
// whose sections follow the production's scenes (in beats):
//     0 -  32  misty forest: pad, wind, bells, birds, a distant heartbeat
//    32 -  96  the logo: the groove starts, the theme is first heard softly
//    96 - 160  water: rippling bells, a breakdown, a second theme
//   160 - 224  stumps: the full groove and the main theme
//   224 - 256  machines at night: acid bass, metal percussion
//   256 - 288  four title cards: a build-up in four steps of eight beats
//   288 - 420  fire: the climax, both themes over crackling flames
//   420 - 434  the last chord rings out.

#include "Effects.h"

#include <cstdint>

namespace music {

constexpr int64_t kBeatFrames = 25200;  // 60 / 105 * 44100, exactly
constexpr double kLengthBeats = 434.0;  // 248 s
constexpr int64_t kLengthFrames = int64_t(kLengthBeats) * kBeatFrames;

inline int64_t beatToFrame(double beat) { return int64_t(beat * double(kBeatFrames) + 0.5); }

// Renders and masters the whole piece: stereo, 44.1 kHz, peak at -1.1 dBFS.
StereoBuffer composeSoundtrack();

}  // namespace music
