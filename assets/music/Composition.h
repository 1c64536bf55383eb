#pragma once
// The production's soundtrack: a piece in D minor at 105 beats per minute
// whose sections follow the production's scenes. The hits that mark a scene
// change, a title card or the fire catching are placed on the moments read
// from the production's tracks (Cues.h), not on hand-typed beats:
//     0 -  32  misty forest: pad, wind, bells, birds, a distant heartbeat
//    32 -  97  the logo: the groove starts; theme A, first heard softly
//    97 - 160  water: a breakdown on electric piano, then theme B on a flute
//   160 - 224  the stumps: the full groove and theme A varied; a spin-down
//   224 - 256  machines at night: acid bass, metal, theme A's motif in the dark
//   256 - 287  four title cards: a stab on each and a build in four steps
//   287 - 289  a breath of silence
//   289 - 417  fire: theme A with a counter-line, theme B driven, a breakdown,
//              then theme A again a tone higher, in E minor, closing on C, D
//   417 - 423  the last chord rings out while the picture has gone white.

#include "Effects.h"

#include <cstdint>
#include <string>
#include <vector>

namespace music {

constexpr int64_t kBeatFrames = 25200;  // 60 / 105 * 44100, exactly
// The last chord lands just after the picture's fade to white is complete
// (the last "bloom" key, 415.637) and rings out in the white; the piece ends
// six beats later, so the white lasts no longer than the last bars.
constexpr double kLastChordBeat = 417.0;
constexpr double kLengthBeats = 423.0;  // 241.7 s
constexpr int64_t kLengthFrames = int64_t(kLengthBeats) * kBeatFrames;

inline int64_t beatToFrame(double beat) { return int64_t(beat * double(kBeatFrames) + 0.5); }

// One note of the score. `beat` is where it is written (on the grid), `at`
// where it sounds (moved onto a cue, swung, or played a little early or late).
// Drums use General MIDI numbers (36 kick, 38 snare, 42 closed hat ...);
// effects have midi 0.
struct ScoreNote {
    std::string part;  // drums, bass, pad, stab, keys, arp, lead, counter, bells, fx
    double beat = 0.0;
    double length = 0.0;
    int midi = 0;
    float velocity = 0.0f;
    double at = 0.0;
};

// The score alone, in time order, without rendering a sample.
std::vector<ScoreNote> composeScore();

// Renders, mixes and masters the whole piece: stereo, 44.1 kHz, at about
// -9.5 LUFS with its true peak under -1 dBTP.
StereoBuffer composeSoundtrack();

}  // namespace music
