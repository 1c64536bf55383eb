#pragma once
// The soundtrack's instruments. Each call renders one note or event into the
// mixer, at a sample position, through a route (a bus plus reverb and delay
// sends). Every instrument draws its noise from a generator seeded by its own
// start time, so a note sounds the same whatever else is rendered.

#include "Effects.h"

#include <vector>

namespace music {

// The buses of the mix. `plain` is mixed as it is; `drums` has its peaks
// rounded off before it joins; `melody`, `ducked` and `bass` dip under the
// kick drum (side-chain): the leads a little, the pads more, the bass most.
class Mixer {
public:
    explicit Mixer(size_t frames)
        : plain(frames), drums(frames), melody(frames), ducked(frames), bass(frames), reverbSend(frames),
          delaySend(frames) {}

    size_t frames() const { return plain.frames(); }

    StereoBuffer plain, drums, melody, ducked, bass, reverbSend, delaySend;
};

struct Route {
    StereoBuffer* dry = nullptr;
    float reverb = 0.0f;  // send levels, after the fader
    float delay = 0.0f;
    float fader = 1.0f;
    float width = 1.0f;   // side gain: 1 as played, 0 mono
};

// Writes one stereo sample through a route, ignoring positions past the end.
class Out {
public:
    Out(Mixer& mixer, const Route& route) : mixer_(mixer), route_(route), frames_(int64_t(mixer.frames())) {}
    void add(int64_t i, float left, float right) {
        if (i < 0 || i >= frames_) return;
        const float mid = 0.5f * (left + right), side = 0.5f * (left - right) * route_.width;
        left = (mid + side) * route_.fader;
        right = (mid - side) * route_.fader;
        route_.dry->left[size_t(i)] += left;
        route_.dry->right[size_t(i)] += right;
        if (route_.reverb > 0) {
            mixer_.reverbSend.left[size_t(i)] += left * route_.reverb;
            mixer_.reverbSend.right[size_t(i)] += right * route_.reverb;
        }
        if (route_.delay > 0) {
            mixer_.delaySend.left[size_t(i)] += left * route_.delay;
            mixer_.delaySend.right[size_t(i)] += right * route_.delay;
        }
    }

private:
    Mixer& mixer_;
    Route route_;
    int64_t frames_;
};

struct KickStyle {
    float decay = 0.15f;       // level decay after the drive, seconds
    float pitchTop = 165.0f;   // Hz at the hit
    float pitchBottom = 54.0f; // Hz it settles to
    float drive = 1.8f;
    float click = 0.35f;
    float lowpass = 0.0f;      // 0 = open; else a muffled (distant) kick
};
void kick(Mixer&, const Route&, int64_t at, float velocity, const KickStyle& style);

void snare(Mixer&, const Route&, int64_t at, float velocity, float pan = 0.0f);
void clap(Mixer&, const Route&, int64_t at, float velocity);
void hat(Mixer&, const Route&, int64_t at, float velocity, float decaySeconds, float pan);
void crash(Mixer&, const Route&, int64_t at, float velocity, float decaySeconds = 1.25f);
void tom(Mixer&, const Route&, int64_t at, float velocity, float hz, float pan);

struct BassStyle {
    float cutoff = 320.0f;     // Hz, filter at rest
    float envelope = 3.0f;     // filter opening at the attack, in multiples of the cutoff
    float decay = 0.12f;       // filter envelope decay, seconds
    float resonance = 1.2f;    // filter Q
    float saw = 1.0f;
    float square = 0.0f;
    float sub = 0.7f;          // sine at the note's own pitch, under the filtered tone
    float drive = 1.6f;
    float release = 0.05f;
};
void bass(Mixer&, const Route&, int64_t at, int64_t length, int midi, float velocity, const BassStyle& style,
          int slideFrom = -1);

struct PadStyle {
    float cutoff = 1400.0f;
    float resonance = 0.8f;
    float attack = 0.6f;
    float release = 1.2f;
    float detune = 0.12f;      // semitones between the outer voices and the centre
    int voices = 3;            // per side
    float wobble = 0.25f;      // slow filter movement, fraction of the cutoff
};
void pad(Mixer&, const Route&, int64_t at, int64_t length, const std::vector<int>& notes, float velocity,
         const PadStyle& style);

struct LeadStyle {
    float cutoff = 1600.0f;
    float envelope = 2.5f;
    float decay = 0.25f;
    float resonance = 1.4f;
    float attack = 0.008f;
    float sustain = 0.75f;
    float release = 0.22f;
    float vibrato = 0.14f;     // semitones, fades in after the attack
    float square = 0.35f;      // square one octave down, for body
    float glide = 0.045f;      // seconds, when a note follows another without a gap
    float presence = 0.0f;     // a band around 3 kHz added to the tone, for bite
};
// A monophonic voice: `cutAfter` (samples from the start, 0 = never) is where
// the next note of the line takes over, and this one's tail is faded out.
void lead(Mixer&, const Route&, int64_t at, int64_t length, int midi, float velocity, const LeadStyle& style,
          int glideFrom = -1, int64_t cutAfter = 0);

void pluck(Mixer&, const Route&, int64_t at, int midi, float velocity, float pan, float brightness,
           float decaySeconds);
void bell(Mixer&, const Route&, int64_t at, int midi, float velocity, float pan, float decaySeconds);

// A short chord of detuned saws with a snapping filter: the hit on a card.
void stab(Mixer&, const Route&, int64_t at, int64_t length, const std::vector<int>& notes, float velocity,
          float brightness);
// Two-operator FM electric piano with a slow tremolo between the sides.
void epiano(Mixer&, const Route&, int64_t at, int64_t length, int midi, float velocity, float pan);
void shaker(Mixer&, const Route&, int64_t at, float velocity, float pan);
void rim(Mixer&, const Route&, int64_t at, float velocity, float pan);

// Band-passed noise whose centre sweeps exponentially from `fromHz` to `toHz`
// while its level rises: the build-up riser.
void riser(Mixer&, const Route&, int64_t from, int64_t to, float velocity, float fromHz, float toHz);
void reverseCymbal(Mixer&, const Route&, int64_t end, int64_t length, float velocity);
// Low-passed noise opening and closing again: air moving, a hydraulic hiss, fire catching.
void whoosh(Mixer&, const Route&, int64_t from, int64_t to, float velocity, float peakHz);
void wind(Mixer&, const Route&, int64_t from, int64_t to, float velocity);
void subBoom(Mixer&, const Route&, int64_t at, float velocity);
void clank(Mixer&, const Route&, int64_t at, float velocity, float hz, float pan);
void crackle(Mixer&, const Route&, int64_t from, int64_t to, float clicksPerSecond, float velocity);
void chirp(Mixer&, const Route&, int64_t at, float velocity, float pan);
// A falling tone and noise: a machine spinning down.
void powerDown(Mixer&, const Route&, int64_t from, int64_t to, float velocity);

}  // namespace music
