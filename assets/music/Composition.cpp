#include "Composition.h"

#include "Cues.h"
#include "Instruments.h"
#include "Master.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace music {

namespace {

// ---------------------------------------------------------------------------
// Harmony

struct Chord {
    int root;                // bass note, kept between Bb1 and A2 so the low end stays tight
    std::vector<int> tones;  // pad voicing around middle C
};

// D minor
const Chord kDm{38, {57, 62, 65, 69}};
const Chord kDm9{38, {53, 57, 60, 64}};     // F A C E over D
const Chord kDmOverC{36, {57, 62, 65, 69}};
const Chord kDmOverF{41, {57, 62, 65, 69}};
const Chord kBb{34, {58, 62, 65, 70}};
const Chord kBbMaj7{34, {57, 62, 65, 70}};
const Chord kF{41, {57, 60, 65, 69}};
const Chord kFOverA{45, {57, 60, 65, 72}};
const Chord kC{36, {55, 60, 64, 67}};
const Chord kCOverE{40, {55, 60, 64, 67}};
const Chord kGm{43, {55, 58, 62, 67}};
const Chord kGm7{43, {55, 58, 62, 65}};
const Chord kGm9{43, {53, 58, 62, 69}};
const Chord kA{45, {57, 61, 64, 69}};
const Chord kAsus4{45, {57, 62, 64, 69}};
const Chord kA7{45, {55, 61, 64, 69}};
const Chord kAm{45, {57, 60, 64, 69}};
const Chord kEb{39, {55, 58, 63, 67}};     // the flat second: the machines' darkest bar
// E minor, for the last part of the fire
const Chord kEm{40, {59, 64, 67, 71}};
const Chord kEmAdd9{40, {59, 64, 66, 67, 71}};
const Chord kG{43, {55, 59, 62, 67}};
const Chord kD{38, {57, 62, 66, 69}};
const Chord kCmaj7{36, {55, 59, 64, 67}};
const Chord kB7{35, {57, 63, 66, 71}};
const Chord kBsus4{35, {59, 64, 66, 71}};

// A bar's harmony: one chord, or two of two beats each.
struct BarChords {
    const Chord* first;
    const Chord* second = nullptr;
};

// ---------------------------------------------------------------------------
// Melodies: beats from the phrase start.

struct Note {
    double beat;
    double length;
    int midi;
};
using Phrase = std::vector<Note>;

// Theme A, eight bars over Dm Bb F C | Gm Bb A Dm: a rising figure and its
// sequence a third down, climbing to a half close on C; the answer starts at
// the top and falls back through the dominant to D.
const Phrase kThemeA = {
    {0, .5, 69}, {.5, .5, 74}, {1, .5, 76}, {1.5, 1, 77}, {2.5, .5, 76}, {3, 1, 74},
    {4, .5, 65}, {4.5, .5, 70}, {5, .5, 72}, {5.5, 1, 74}, {6.5, .5, 72}, {7, 1, 70},
    {8, .5, 72}, {8.5, .5, 77}, {9, .5, 79}, {9.5, 1.5, 81}, {11, .5, 79}, {11.5, .5, 77},
    {12, .75, 79}, {12.75, .25, 77}, {13, 1, 76}, {14, .5, 72}, {14.5, 1.5, 76},
    {16, .5, 86}, {16.5, .5, 82}, {17, .5, 81}, {17.5, 1, 79}, {18.5, .5, 81}, {19, 1, 82},
    {20, 1, 81}, {21, .5, 79}, {21.5, .5, 77}, {22, 1, 74}, {23, 1, 77},
    {24, .5, 76}, {24.5, .5, 77}, {25, .5, 79}, {25.5, 1, 81}, {26.5, .5, 79}, {27, .5, 76}, {27.5, .5, 73},
    {28, 3, 74},
};

// Theme A as the stumps play it: pushed sixteenths, the sequence answered
// upwards, the third bar reaching C6, a suspended close.
const Phrase kThemeAPushed = {
    {0, .5, 69}, {.5, .25, 74}, {.75, .75, 76}, {1.5, .75, 77}, {2.25, .25, 79}, {2.5, .5, 77}, {3, .75, 76},
    {3.75, .25, 74},
    {4, .75, 74}, {4.75, .75, 70}, {5.5, .5, 72}, {6, .5, 74}, {6.5, 1.5, 77},
    {8, .5, 72}, {8.5, .5, 77}, {9, .5, 79}, {9.5, .5, 81}, {10, 1, 84}, {11, .5, 81}, {11.5, .5, 79},
    {12, 1.5, 79}, {13.5, .5, 76}, {14, .5, 74}, {14.5, 1.5, 76},
    {16, .75, 86}, {16.75, .75, 82}, {17.5, .5, 81}, {18, 1, 79}, {19, 1, 82},
    {20, .5, 86}, {20.5, .5, 84}, {21, 1, 81}, {22, .5, 79}, {22.5, 1.5, 77},
    {24, .5, 74}, {24.5, .5, 76}, {25, 1, 74}, {26, .5, 73}, {26.5, .5, 76}, {27, 1, 81},
    {28, 2, 74}, {30, .5, 77}, {30.5, .5, 76}, {31, 1, 74},
};

// Theme A the last time, a tone up in E minor: the answer climbs to E6
// instead of settling.
const Phrase kThemeAHigh = [] {
    Phrase phrase;
    for (const Note& note : kThemeA)
        if (note.beat < 28) phrase.push_back({note.beat, note.length, note.midi + 2});
    for (const Note& note : Phrase{{28, 1.5, 76}, {29.5, .5, 79}, {30, .5, 83}, {30.5, 1.5, 88}})
        phrase.push_back(note);
    return phrase;
}();

// The counter-line under theme A in the fire: long notes in the middle,
// moving against the tune.
const Phrase kCounterA = {
    {0, 2, 65}, {2, 2, 64}, {4, 2, 62}, {6, 2, 65}, {8, 2, 60}, {10, 2, 65}, {12, 2, 67}, {14, 2, 64},
    {16, 2, 62}, {18, 2, 65}, {20, 2, 65}, {22, 2, 62}, {24, 2, 61}, {26, 2, 64}, {28, 4, 62},
};

// Theme B, eight bars over Bbmaj7 Gm7 Dm A | Bb Gm Dm/F A7: long falling
// lines that end on the dominant.
const Phrase kThemeB = {
    {0, 1.5, 77}, {1.5, .5, 74}, {2, 1, 72}, {3, 1, 74},
    {4, 1.5, 70}, {5.5, .5, 69}, {6, 1, 67}, {7, 1, 70},
    {8, 1.5, 69}, {9.5, .5, 74}, {10, 1, 77}, {11, .5, 76}, {11.5, .5, 74},
    {12, 2, 73}, {14, 1, 76}, {15, 1, 69},
    {16, 1, 77}, {17, .5, 79}, {17.5, .5, 77}, {18, 1, 74}, {19, .5, 72}, {19.5, .5, 74},
    {20, 1.5, 79}, {21.5, .5, 77}, {22, 1, 74}, {23, 1, 70},
    {24, 1, 74}, {25, .5, 77}, {25.5, 1.5, 81}, {27, .5, 79}, {27.5, .5, 77},
    {28, 2, 76}, {30, 1, 73}, {31, 1, 69},
};

// Theme B's answer at the end of the water: four bars climbing by sequence
// towards the stumps.
const Phrase kThemeBAnswer = {
    {0, .5, 74}, {.5, .5, 77}, {1, 1, 79}, {2, 2, 82},
    {4, .5, 81}, {4.5, .5, 79}, {5, 1, 77}, {6, 2, 74},
    {8, .5, 76}, {8.5, .5, 79}, {9, 1, 81}, {10, 2, 84},
    {12, 1, 85}, {13, 1, 81}, {14, 1, 79}, {15, .5, 76},
};

// Theme B driven, for the fire: the same falls cut into dotted eighths and
// thrown back up at the end of each bar.
const Phrase kThemeBDriven = {
    {0, .75, 77}, {.75, .75, 74}, {1.5, .5, 72}, {2, .5, 74}, {2.5, .5, 77}, {3, 1, 81},
    {4, .75, 79}, {4.75, .75, 74}, {5.5, .5, 70}, {6, 1, 67}, {7, .5, 70}, {7.5, .5, 74},
    {8, .75, 81}, {8.75, .75, 77}, {9.5, .5, 74}, {10, 1, 77}, {11, .5, 76}, {11.5, .5, 74},
    {12, 1.5, 73}, {13.5, .5, 76}, {14, .5, 81}, {14.5, 1.5, 79},
    {16, .75, 82}, {16.75, .75, 81}, {17.5, .5, 77}, {18, .5, 74}, {18.5, .5, 77}, {19, 1, 82},
    {20, .75, 86}, {20.75, .75, 82}, {21.5, .5, 79}, {22, 1, 74}, {23, 1, 79},
    {24, .5, 81}, {24.5, .5, 77}, {25, .5, 74}, {25.5, 1, 81}, {26.5, .5, 84}, {27, 1, 81},
    {28, 1.5, 85}, {29.5, .5, 81}, {30, 1, 79}, {31, 1, 76},
};

// Theme A's opening figure on bells, answering theme B in the fire.
const Phrase kBellAnswers = {
    {6, .5, 74}, {6.5, .5, 79}, {7, .5, 81}, {7.5, .5, 82},
    {14, .5, 76}, {14.5, .5, 81}, {15, .5, 83}, {15.5, .5, 85},
    {22, .5, 77}, {22.5, .5, 82}, {23, .5, 84}, {23.5, .5, 86},
    {30, .5, 76}, {30.5, .5, 81}, {31, .5, 83}, {31.5, .5, 85},
};

// The water's breakdown: theme B's first bars slowed down on electric piano.
const Phrase kWaterPrelude = {
    {4, 1.5, 77}, {5.5, .5, 74}, {6, 2, 72},
    {8, 1.5, 70}, {9.5, .5, 69}, {10, 2, 67},
    {12, 1.5, 69}, {13.5, .5, 74}, {14, 2, 76},
};

// Theme A's opening in the dark: the machines' low lead.
const Phrase kMachineMotif = {
    {4, .5, 57}, {4.5, .5, 62}, {5, .5, 64}, {5.5, 1.5, 65},
    {10, .5, 65}, {10.5, .5, 64}, {11, 1, 62},
    {12, .5, 55}, {12.5, .5, 60}, {13, .5, 62}, {13.5, 1.5, 63},
    {17.5, .5, 62}, {18, 2, 57},
    {20, .5, 57}, {20.5, .5, 62}, {21, .5, 64}, {21.5, .5, 65}, {22, .5, 67}, {22.5, 1.5, 69},
    {24, .5, 70}, {24.5, .5, 67}, {25, 1, 63}, {26, .5, 62}, {26.5, 1.5, 63},
    {28, 1, 64}, {29, 1, 61}, {30, 1.5, 57},
};

// The opening figure, slowed down, for bells in the forest.
const Phrase kForestBells = {
    {8, 1, 69}, {9, 1, 74}, {10, 1, 76}, {11, 2, 77}, {13, 1, 76}, {14, 2, 74},
    {16, 1, 65}, {17, 1, 70}, {18, 1, 72}, {19, 2, 74}, {21, 1, 72}, {22, 2, 70},
    {24, 1, 67}, {25, 1, 72}, {26, 1, 76}, {27, 1.5, 79}, {28.5, 1.5, 76}, {30, 1.5, 73},
};

// ---------------------------------------------------------------------------
// Drum patterns: one character per sixteenth, 'x' a hit, '-' none.

uint16_t steps(std::string_view pattern) {
    uint16_t bits = 0;
    for (size_t i = 0; i < 16 && i < pattern.size(); ++i)
        if (pattern[i] != '-') bits = uint16_t(bits | (1u << i));
    return bits;
}
bool has(uint16_t bits, int step) { return (bits >> step) & 1u; }

struct Groove {
    uint16_t kick = 0, snare = 0, clap = 0, hat = 0, openHat = 0, shaker = 0, rim = 0;
    float kickVelocity = 0.9f, snareVelocity = 0.4f, clapVelocity = 0.45f, hatVelocity = 0.25f,
          openVelocity = 0.2f, shakerVelocity = 0.2f, rimVelocity = 0.25f;
    float ghosts = 0.0f;  // chance of a ghost snare on a free off-sixteenth
    const KickStyle* kickStyle = nullptr;
};

enum class Fill { SnareRun, Toms, ClapsAndOpenHat, Drop, SnareBuild };

// ---------------------------------------------------------------------------
// Sounds of the sections

const KickStyle kDistantKick{0.12f, 110.0f, 52.0f, 1.2f, 0.0f, 240.0f};
const KickStyle kKick{0.14f, 165.0f, 55.0f, 1.8f, 0.35f, 0.0f};
const KickStyle kTightKick{0.12f, 180.0f, 56.0f, 2.2f, 0.45f, 0.0f};
const KickStyle kHeavyKick{0.15f, 190.0f, 54.0f, 2.6f, 0.5f, 0.0f};

const BassStyle kWarmBass{300.0f, 2.2f, 0.14f, 1.1f, 1.0f, 0.0f, 0.45f, 1.5f, 0.06f};
const BassStyle kRollingBass{460.0f, 3.0f, 0.09f, 1.6f, 1.0f, 0.3f, 0.4f, 1.8f, 0.03f};
const BassStyle kDrivingBass{560.0f, 3.5f, 0.1f, 1.5f, 1.0f, 0.25f, 0.45f, 2.2f, 0.03f};
const BassStyle kFireBass{700.0f, 4.0f, 0.08f, 1.8f, 1.0f, 0.35f, 0.4f, 2.6f, 0.025f};

const PadStyle kMistPad{750.0f, 0.7f, 2.8f, 2.8f, 0.10f, 3, 0.35f};
const PadStyle kSoftPad{1500.0f, 0.8f, 0.5f, 0.6f, 0.12f, 3, 0.25f};
const PadStyle kWaterPad{2000.0f, 0.9f, 0.9f, 0.9f, 0.14f, 3, 0.4f};
const PadStyle kNightPad{900.0f, 1.4f, 0.7f, 0.7f, 0.09f, 3, 0.3f};
const PadStyle kFirePad{3400.0f, 0.8f, 0.25f, 0.5f, 0.22f, 3, 0.2f};

const LeadStyle kSoftLead{2600.0f, 1.6f, 0.18f, 1.1f, 0.01f, 0.5f, 0.35f, 0.10f, 0.25f, 0.04f, 0.4f};
const LeadStyle kFluteLead{1800.0f, 1.0f, 0.3f, 0.9f, 0.04f, 0.8f, 0.4f, 0.16f, 0.5f, 0.06f, 0.35f};
const LeadStyle kFullLead{4000.0f, 2.2f, 0.22f, 1.3f, 0.006f, 0.75f, 0.25f, 0.15f, 0.3f, 0.025f, 0.7f};
const LeadStyle kFireLead{5000.0f, 2.0f, 0.25f, 1.4f, 0.005f, 0.8f, 0.3f, 0.18f, 0.3f, 0.025f, 0.9f};
const LeadStyle kCounterLead{1100.0f, 0.8f, 0.4f, 0.8f, 0.06f, 0.8f, 0.5f, 0.08f, 0.6f, 0.08f, 0.1f};
const LeadStyle kMachineLead{1300.0f, 3.5f, 0.12f, 2.4f, 0.004f, 0.6f, 0.15f, 0.05f, 0.7f, 0.02f, 0.35f};

// Timing of the parts: how far each may wander from the grid (ms, either
// way) and how late it sits on average.
struct Timing {
    double wander, late;
};
constexpr Timing kKickTiming{1.0, 0.0}, kSnareTiming{3.0, 3.0}, kHatTiming{4.0, 0.0}, kBassTiming{2.5, 1.0},
    kPadTiming{6.0, 0.0}, kArpTiming{2.5, 0.0}, kLeadTiming{5.0, 6.0}, kBellTiming{6.0, 2.0};

class Arrangement {
public:
    // Without a mixer the arrangement only writes its score.
    Arrangement(Mixer* mixer, const Cues& cues) : mixer_(mixer) {
        for (const Cue& cue : cues.all()) cueBeats_.push_back(cue.beat);
        // Bus, reverb send, delay send, fader.
        Mixer& m = mixer ? *mixer : scratch();
        drums_ = {&m.drums, 0.05f, 0.0f, 0.46f};
        snares_ = {&m.drums, 0.2f, 0.0f, 0.55f, 0.5f};
        hats_ = {&m.drums, 0.06f, 0.0f, 2.6f};
        metal_ = {&m.drums, 0.15f, 0.12f, 0.6f, 0.8f};
        bass_ = {&m.bass, 0.0f, 0.0f, 0.75f};
        acid_ = {&m.bass, 0.06f, 0.2f, 0.75f};
        pads_ = {&m.ducked, 0.3f, 0.0f, 1.35f, 0.6f};
        keys_ = {&m.ducked, 0.3f, 0.18f, 1.3f, 0.7f};
        arps_ = {&m.ducked, 0.18f, 0.3f, 1.5f};
        leads_ = {&m.melody, 0.2f, 0.25f, 0.8f, 0.45f};
        bells_ = {&m.plain, 0.45f, 0.4f, 1.1f};
        atmos_ = {&m.plain, 0.3f, 0.0f, 1.0f, 0.6f};
        impacts_ = {&m.plain, 0.35f, 0.0f, 0.8f, 0.6f};
    }

    void compose() {
        forest();
        logo();
        water();
        stumps();
        machines();
        titles();
        fire();
        ending();
        std::stable_sort(score_.begin(), score_.end(),
                         [](const ScoreNote& a, const ScoreNote& b) { return a.at < b.at; });
    }

    const std::vector<int64_t>& kicks() const { return kicks_; }
    const std::vector<ScoreNote>& score() const { return score_; }

private:
    static Mixer& scratch() {
        static Mixer empty(0);
        return empty;
    }

    // --- time ----------------------------------------------------------------

    // A note written on the integer beat nearest a cue sounds on the cue
    // itself: the picture's moments are caught, whatever the grid says.
    bool catchesCue(double beat, double* cue) const {
        for (double c : cueBeats_)
            if (std::fabs(beat - std::round(c)) < 1e-9 && std::fabs(c - beat) < 0.25) {
                if (cue) *cue = c;
                return true;
            }
        return false;
    }
    // Any other note this close to a cue would smear the hit: left out.
    bool masked(double beat) const {
        for (double c : cueBeats_)
            if (std::fabs(beat - c) < 0.2 && !catchesCue(beat, nullptr)) return true;
        return false;
    }
    // Where a note written at `beat` sounds: on its cue, or with the swing on
    // the off-sixteenths and a small wander of its own.
    double when(double beat, const Timing& timing) const {
        double cue;
        if (catchesCue(beat, &cue)) return cue;
        double at = beat;
        const double sixteenths = beat * 4.0;
        const double nearest = std::round(sixteenths);
        if (std::fabs(sixteenths - nearest) < 1e-6 && int64_t(nearest) % 2 != 0) at += swing_;
        Rng rng(seedOf(0x71AEu, uint32_t(beatToFrame(beat)), uint32_t(timing.wander * 100 + timing.late)));
        at += (rng.bipolar() * timing.wander + timing.late) * 0.001 * (105.0 / 60.0);
        return at;
    }
    int64_t frameOf(double beat, const Timing& timing) const { return beatToFrame(when(beat, timing)); }

    float humanise(double beat, float velocity, float amount = 0.12f) const {
        Rng rng(seedOf(0xB0A7u, uint32_t(beatToFrame(beat))));
        return velocity * (1.0f - amount * rng.uniform());
    }

    void note(const char* part, double beat, double length, int midi, float velocity, double at) {
        score_.push_back({part, beat, length, midi, velocity, at});
    }
    bool rendering() const { return mixer_ != nullptr; }

    // --- drums -----------------------------------------------------------------

    void kickAt(double beat, float velocity, const KickStyle& style, bool duck = true) {
        if (masked(beat)) return;
        const double at = when(beat, kKickTiming);
        note("drums", beat, 0.25, 36, velocity, at);
        if (rendering()) kick(*mixer_, drums_, beatToFrame(at), velocity, style);
        if (duck) kicks_.push_back(beatToFrame(at));
    }
    void snareAt(double beat, float velocity, float pan = 0.0f, int midi = 38) {
        if (masked(beat)) return;
        const double at = when(beat, kSnareTiming);
        note("drums", beat, 0.25, midi, velocity, at);
        if (rendering()) snare(*mixer_, snares_, beatToFrame(at), velocity, pan);
    }
    void clapAt(double beat, float velocity) {
        if (masked(beat)) return;
        const double at = when(beat, kSnareTiming);
        note("drums", beat, 0.25, 39, velocity, at);
        if (rendering()) clap(*mixer_, snares_, beatToFrame(at), velocity);
    }
    void hatAt(double beat, float velocity, float decay, float pan) {
        if (masked(beat)) return;
        const double at = when(beat, kHatTiming);
        note("drums", beat, 0.25, decay > 0.08f ? 46 : 42, velocity, at);
        if (rendering()) hat(*mixer_, hats_, beatToFrame(at), velocity, decay, pan);
    }
    void shakerAt(double beat, float velocity, float pan) {
        if (masked(beat)) return;
        const double at = when(beat, kHatTiming);
        note("drums", beat, 0.25, 70, velocity, at);
        if (rendering()) shaker(*mixer_, hats_, beatToFrame(at), velocity, pan);
    }
    void rimAt(double beat, float velocity, float pan) {
        if (masked(beat)) return;
        const double at = when(beat, kSnareTiming);
        note("drums", beat, 0.25, 37, velocity, at);
        if (rendering()) rim(*mixer_, snares_, beatToFrame(at), velocity, pan);
    }
    void tomAt(double beat, float velocity, float hz, float pan) {
        if (masked(beat)) return;
        const double at = when(beat, kSnareTiming);
        note("drums", beat, 0.25, 41 + int(hz / 40.0f), velocity, at);
        if (rendering()) tom(*mixer_, snares_, beatToFrame(at), velocity, hz, pan);
    }
    void crashAt(double beat, float velocity, float decay = 1.25f) {
        if (masked(beat)) return;
        const double at = when(beat, kKickTiming);
        note("drums", beat, 1.0, 49, velocity, at);
        if (rendering()) crash(*mixer_, impacts_, beatToFrame(at), velocity, decay);
    }
    void clankAt(double beat, float velocity, float hz, float pan) {
        if (masked(beat)) return;
        const double at = when(beat, kHatTiming);
        note("drums", beat, 0.25, 56 + int(hz / 100.0f), velocity, at);
        if (rendering()) clank(*mixer_, metal_, beatToFrame(at), velocity, hz, pan);
    }

    // One groove over bars [fromBar, toBar) counted from `origin`; the last
    // bar of every eight-bar phrase (and `toBar - 1` when `fillLast`) ends
    // with a fill, the fills taking turns from `fills`.
    void groove(double origin, int fromBar, int toBar, const Groove& g, std::vector<Fill> fills = {},
                bool fillLast = true) {
        int fillCount = 0;
        for (int bar = fromBar; bar < toBar; ++bar) {
            const double start = origin + 4.0 * bar;
            const bool filled = !fills.empty() && (bar % 8 == 7 || (fillLast && bar == toBar - 1));
            const Fill fill = filled ? fills[size_t(fillCount++) % fills.size()] : Fill::SnareRun;
            Rng ghosts(seedOf(0x6057u, uint32_t(start * 4)));
            for (int step = 0; step < 16; ++step) {
                const double beat = start + 0.25 * step;
                const bool inFill = filled && step >= (fill == Fill::Drop ? 12 : 8);
                const float pan = step % 2 ? 0.3f : -0.2f;
                if (!inFill || fill == Fill::ClapsAndOpenHat) {
                    if (has(g.kick, step) && g.kickStyle) kickAt(beat, humanise(beat, g.kickVelocity, 0.05f), *g.kickStyle);
                    if (has(g.hat, step))
                        hatAt(beat, humanise(beat, g.hatVelocity * (step % 4 == 2 ? 1.0f : step % 2 ? 0.55f : 0.75f)),
                              0.035f, pan);
                    if (has(g.openHat, step)) hatAt(beat, humanise(beat, g.openVelocity), 0.17f, 0.15f);
                    if (has(g.shaker, step))
                        shakerAt(beat, humanise(beat, g.shakerVelocity * (step % 2 ? 0.7f : 1.0f)), 0.45f);
                }
                if (!inFill) {
                    if (has(g.snare, step)) snareAt(beat, humanise(beat, g.snareVelocity, 0.06f));
                    if (has(g.clap, step)) clapAt(beat, humanise(beat, g.clapVelocity, 0.06f));
                    if (has(g.rim, step)) rimAt(beat, humanise(beat, g.rimVelocity), -0.35f);
                    const bool free = !has(g.snare, step) && !has(g.clap, step) && !has(g.kick, step);
                    if (g.ghosts > 0 && step % 2 == 1 && free && ghosts.uniform() < g.ghosts)
                        snareAt(beat, humanise(beat, g.snareVelocity * 0.28f), 0.25f, 37);
                }
            }
            if (filled) playFill(fill, start, g);
        }
    }

    void playFill(Fill fill, double start, const Groove& g) {
        const float v = std::max(g.snareVelocity, g.clapVelocity);
        switch (fill) {
        case Fill::SnareRun:  // eighths, then sixteenths, growing
            for (int i = 0; i < 4; ++i) snareAt(start + 2 + 0.5 * i, v * (0.55f + 0.1f * float(i)), i % 2 ? 0.2f : -0.2f);
            for (int i = 0; i < 4; ++i) snareAt(start + 3 + 0.25 * i, v * (0.8f + 0.07f * float(i)), i % 2 ? 0.2f : -0.2f);
            if (g.kickStyle) kickAt(start + 2, g.kickVelocity, *g.kickStyle);
            break;
        case Fill::Toms: {  // down the kit
            static const float kHz[8] = {220.0f, 200.0f, 175.0f, 160.0f, 140.0f, 125.0f, 110.0f, 98.0f};
            for (int i = 0; i < 8; ++i)
                if (i != 2 && i != 5) tomAt(start + 2 + 0.25 * i, v * (0.7f + 0.05f * float(i)), kHz[i], 0.6f - 0.17f * float(i));
            snareAt(start + 2.5, v * 0.8f);
            if (g.kickStyle) kickAt(start + 2, g.kickVelocity, *g.kickStyle);
            break;
        }
        case Fill::ClapsAndOpenHat:  // a clap flam and open hats over the kick
            clapAt(start + 2.75, v * 0.7f);
            clapAt(start + 3.0, v);
            clapAt(start + 3.5, v * 0.8f);
            hatAt(start + 3.5, g.hatVelocity * 1.2f, 0.22f, -0.2f);
            break;
        case Fill::Drop:  // the last beat empty but for a pickup
            snareAt(start + 3.5, v * 0.6f);
            snareAt(start + 3.75, v * 0.8f);
            break;
        case Fill::SnareBuild:  // sixteenths all through the second half
            for (int i = 0; i < 8; ++i) snareAt(start + 2 + 0.25 * i, v * (0.5f + 0.07f * float(i)), i % 2 ? 0.2f : -0.2f);
            break;
        }
    }

    void snareRoll(double from, double to, double step, float velocityFrom, float velocityTo) {
        const int count = int(std::lround((to - from) / step));
        for (int i = 0; i < count; ++i) {
            const double beat = from + i * step;
            const float progress = count > 1 ? float(i) / float(count - 1) : 1.0f;
            snareAt(beat, humanise(beat, velocityFrom + (velocityTo - velocityFrom) * progress, 0.05f),
                    i % 2 ? 0.15f : -0.15f);
        }
    }

    // --- harmony and pitched parts ----------------------------------------------

    void chords(double origin, const std::vector<BarChords>& bars) {
        for (size_t i = 0; i < bars.size(); ++i) {
            const double start = origin + 4.0 * double(i);
            harmony_.push_back({start, bars[i].first});
            if (bars[i].second) harmony_.push_back({start + 2.0, bars[i].second});
        }
        std::stable_sort(harmony_.begin(), harmony_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    const Chord& chordAt(double beat) const {
        const Chord* chord = &kDm;
        for (const auto& [start, c] : harmony_) {
            if (start > beat + 1e-9) break;
            chord = c;
        }
        return *chord;
    }

    // One pad chord per harmony change in [from, to).
    void pads(double from, double to, const PadStyle& style, float velocity, int transpose = 0) {
        double start = from;
        while (start < to - 1e-9) {
            const Chord& chord = chordAt(start);
            double end = to;
            for (const auto& [at, c] : harmony_)
                if (at > start + 1e-9 && at < end) {
                    end = at;
                    break;
                }
            std::vector<int> notes = chord.tones;
            for (int& n : notes) n += transpose;
            padChord(start, end - start, notes, velocity, style);
            start = end;
        }
    }
    void padChord(double beat, double length, const std::vector<int>& notes, float velocity, const PadStyle& style) {
        const double at = when(beat, kPadTiming);
        for (int n : notes) note("pad", beat, length, n, velocity, at);
        if (rendering()) pad(*mixer_, pads_, beatToFrame(at), beatToFrame(length), notes, velocity, style);
    }
    void stabChord(double beat, double length, const std::vector<int>& notes, float velocity, float brightness) {
        if (masked(beat)) return;
        const double at = when(beat, kKickTiming);
        for (int n : notes) note("stab", beat, length, n, velocity, at);
        if (rendering()) stab(*mixer_, pads_, beatToFrame(at), beatToFrame(length), notes, velocity, brightness);
    }

    struct BassHit {
        int step, length, interval;
        float velocity;
    };
    // A bass line from one-bar patterns, the pattern of each bar chosen by
    // `patternOf(bar)`; the root follows the harmony at every hit.
    template <typename PatternOf>
    void bassline(double origin, int fromBar, int toBar, PatternOf patternOf, const BassStyle& style, float velocity) {
        for (int bar = fromBar; bar < toBar; ++bar) {
            for (const BassHit& hit : patternOf(bar)) {
                const double beat = origin + 4.0 * bar + 0.25 * hit.step;
                bassNote(beat, 0.25 * hit.length, chordAt(beat).root + hit.interval,
                         humanise(beat, velocity * hit.velocity, 0.05f), style);
            }
        }
    }
    void bassNote(double beat, double length, int midi, float velocity, const BassStyle& style, int slideFrom = -1) {
        if (masked(beat)) return;
        const double at = when(beat, kBassTiming);
        note("bass", beat, length, midi, velocity, at);
        if (rendering())
            bass(*mixer_, bass_, beatToFrame(at), std::max<int64_t>(600, beatToFrame(length) - 300), midi, velocity,
                 style, slideFrom);
    }

    // Sixteenths through the chord of the moment; `order` indexes the pad
    // voicing (4 is the lowest tone an octave up).
    void arpeggio(double from, double to, const std::array<int, 16>& order, int octave, float velocity,
                  float brightness, float decay = 0.16f) {
        for (double beat = from; beat < to - 1e-9; beat += 0.25) {
            const int step = int(std::lround((beat - from) * 4.0)) % 16;
            const std::vector<int>& tones = chordAt(beat).tones;
            const int index = order[size_t(step)];
            if (index < 0) continue;
            const int midi = (index < 4 ? tones[size_t(index)] : tones[0] + 12) + 12 * octave;
            const float accent = step % 4 == 0 ? 1.0f : (step % 2 ? 0.65f : 0.8f);
            pluckNote(beat, midi, humanise(beat, velocity * accent, 0.1f), step % 2 ? 0.5f : -0.5f, brightness, decay);
        }
    }
    void pluckNote(double beat, int midi, float velocity, float pan, float brightness, float decay) {
        if (masked(beat)) return;
        const double at = when(beat, kArpTiming);
        note("arp", beat, 0.25, midi, velocity, at);
        if (rendering()) pluck(*mixer_, arps_, beatToFrame(at), midi, velocity, pan, brightness, decay);
    }
    void bellNote(double beat, int midi, float velocity, float pan, float decay) {
        if (masked(beat)) return;
        const double at = when(beat, kBellTiming);
        note("bells", beat, decay, midi, velocity, at);
        if (rendering()) bell(*mixer_, bells_, beatToFrame(at), midi, velocity, pan, decay);
    }
    void keysNote(double beat, double length, int midi, float velocity, float pan) {
        if (masked(beat)) return;
        const double at = when(beat, kPadTiming);
        note("keys", beat, length, midi, velocity, at);
        if (rendering()) epiano(*mixer_, keys_, beatToFrame(at), beatToFrame(length), midi, velocity, pan);
    }

    // A phrase on a lead voice; notes that follow without a gap glide.
    // A phrase on a lead voice: one note at a time, each cut where the next
    // begins; notes that follow without a gap glide.
    void melody(const Phrase& phrase, double start, int transpose, const LeadStyle& style, float velocity,
                const char* part = "lead", double fromBeat = 0, double toBeat = 1e9) {
        std::vector<const Note*> notes;
        for (const Note& n : phrase)
            if (n.beat >= fromBeat && n.beat < toBeat && !masked(start + n.beat - fromBeat)) notes.push_back(&n);
        int previous = -1;
        double previousEnd = -1.0;
        for (size_t i = 0; i < notes.size(); ++i) {
            const Note& n = *notes[i];
            const double beat = start + n.beat - fromBeat;
            const double at = when(beat, kLeadTiming);
            const int glide = std::fabs(beat - previousEnd) < 1e-6 ? previous : -1;
            const int midi = n.midi + transpose;
            // Longer notes speak a little louder; the phrase breathes.
            const float v = humanise(beat, velocity * float(0.9 + 0.1 * std::min(2.0, n.length)), 0.08f);
            note(part, beat, n.length, midi, v, at);
            if (rendering()) {
                const int64_t cut = i + 1 < notes.size()
                                        ? frameOf(start + notes[i + 1]->beat - fromBeat, kLeadTiming) - beatToFrame(at)
                                        : 0;
                lead(*mixer_, leads_, beatToFrame(at), beatToFrame(n.length) - 400, midi, v, style, glide,
                     std::max<int64_t>(1, cut));
            }
            previous = midi;
            previousEnd = beat + n.length;
        }
    }
    void bellMelody(const Phrase& phrase, double start, int transpose, float velocity, float decay) {
        int i = 0;
        for (const Note& n : phrase)
            bellNote(start + n.beat, n.midi + transpose, humanise(start + n.beat, velocity, 0.1f),
                     (i++ % 2 ? 0.35f : -0.35f), decay * float(0.6 + 0.4 * n.length));
    }

    // Water drops: bells on chord tones at random sixteenths.
    void droplets(double from, double to, float velocity, float density) {
        for (double bar = from; bar < to - 1e-9; bar += 4.0) {
            Rng rng(seedOf(0xD209u, uint32_t(bar * 4)));
            for (int step = 0; step < 16; ++step) {
                const double beat = bar + step * 0.25;
                const std::vector<int>& tones = chordAt(beat).tones;
                const float roll = rng.uniform();
                const int tone = tones[rng.next() % tones.size()] + (rng.uniform() < 0.45f ? 24 : 12);
                const float pan = rng.bipolar() * 0.8f;
                const float level = 0.55f + 0.45f * rng.uniform();
                if (roll >= density || beat >= to) continue;
                bellNote(beat, tone, velocity * level, pan, 0.5f);
            }
        }
    }

    // --- effects ------------------------------------------------------------

    void fx(double from, double to) { note("fx", from, to - from, 0, 0.0f, from); }
    void riserFx(double from, double to, float velocity, float fromHz, float toHz) {
        fx(from, to);
        if (rendering()) riser(*mixer_, atmos_, beatToFrame(from), beatToFrame(to), velocity, fromHz, toHz);
    }
    // A reversed cymbal that ends `gap` seconds before `end`, so the hit on
    // `end` speaks into a moment of air.
    void swellInto(double end, double lengthBeats, float velocity, double gap = 0.012) {
        const int64_t to = beatToFrame(end) - int64_t(gap * kSampleRate);
        fx(end - lengthBeats, end);
        if (rendering()) reverseCymbal(*mixer_, impacts_, to, beatToFrame(lengthBeats), velocity);
    }
    void whooshFx(double from, double to, float velocity, float peakHz) {
        fx(from, to);
        if (rendering()) whoosh(*mixer_, atmos_, beatToFrame(from), beatToFrame(to), velocity, peakHz);
    }
    void boomAt(double beat, float velocity) {
        const double at = when(beat, kKickTiming);
        note("drums", beat, 2.0, 35, velocity, at);
        if (rendering()) subBoom(*mixer_, drums_, beatToFrame(at), velocity);
    }

    // --- sections ------------------------------------------------------------

    // Beats 0-32: a misty forest. Pad and wind, the theme's opening far away
    // on bells, birds, and from bar 4 a muffled heartbeat that quickens.
    void forest() {
        swing_ = 0.0;
        chords(0, {{&kDm9}, {&kDm9}, {&kBbMaj7}, {&kBbMaj7}, {&kGm9}, {&kFOverA}, {&kBbMaj7}, {&kAsus4, &kA}});
        if (rendering()) wind(*mixer_, atmos_, 0, beatToFrame(36), 0.5f);
        fx(0, 36);
        pads(0, 32, kMistPad, 0.42f);
        bellMelody(kForestBells, 0, 0, 0.5f, 1.4f);
        for (double beat : {2.5, 5.25, 11.75, 18.5, 21.0, 27.25}) {
            Rng rng(seedOf(0xB12Du, uint32_t(beat * 100)));
            note("fx", beat, 0.5, 0, 0.05f, beat);
            if (rendering()) chirp(*mixer_, atmos_, beatToFrame(beat), 0.05f, rng.bipolar() * 0.7f);
        }
        // The heartbeat: lub-dub every two beats, then every beat.
        for (double beat = 16; beat < 31; beat += beat < 24 ? 2.0 : 1.0) {
            const float v = 0.3f + 0.25f * float((beat - 16.0) / 16.0);
            kickAt(beat, v, kDistantKick, false);
            kickAt(beat + 0.25, v * 0.6f, kDistantKick, false);
        }
        // Warm bass notes under the last four bars.
        for (int bar = 4; bar < 8; ++bar) bassNote(4.0 * bar, 3.8, chordAt(4.0 * bar).root, 0.22f, kWarmBass);
        riserFx(26, 31.9, 0.14f, 400.0f, 5000.0f);
        swellInto(32, 3, 0.22f);
    }

    // Beats 32-97: the logo forms. The groove comes in on the cut; offbeat
    // bass, shaker and hats; in the second half the clap, an arpeggio and
    // theme A on a soft lead. The last bar stops for the water's splash.
    void logo() {
        swing_ = 0.03;
        const double o = 32;
        chords(o, {{&kDm}, {&kBb}, {&kF}, {&kC}, {&kDm}, {&kBb}, {&kGm}, {&kA},
                   {&kDm}, {&kBb}, {&kF}, {&kC}, {&kGm}, {&kBb}, {&kA}, {&kDm}});
        // The entry: the first kick with a bright bell chord on the cut.
        crashAt(o, 0.16f, 0.8f);
        for (int midi : {81, 86, 89}) bellNote(o, midi, 0.22f, midi == 86 ? 0.0f : (midi == 81 ? -0.4f : 0.4f), 1.6f);

        Groove first;
        first.kick = steps("x---x---x---x---");
        first.hat = steps("--x---x---x---x-");
        first.shaker = steps("x-xxx-xxx-xxx-xx");
        first.kickStyle = &kKick;
        first.kickVelocity = 0.8f;
        first.hatVelocity = 0.22f;
        first.shakerVelocity = 0.16f;
        groove(o, 0, 8, first, {Fill::ClapsAndOpenHat});

        Groove second = first;
        second.clap = steps("----x-------x---");
        second.hat = steps("x-x-x-xxx-x-x-xx");
        second.openHat = steps("--------------x-");
        second.ghosts = 0.22f;
        second.kickVelocity = 0.85f;
        second.clapVelocity = 0.4f;
        second.snareVelocity = 0.35f;
        groove(o, 8, 15, second, {Fill::Toms}, false);
        // Bar 15: three beats of groove and a tom run, then a stop; the
        // splash waits on the cut.
        for (double beat : {o + 60, o + 61, o + 62}) kickAt(beat, 0.85f, kKick);
        clapAt(o + 61, 0.4f);
        static const float kTomHz[6] = {210.0f, 185.0f, 160.0f, 140.0f, 120.0f, 105.0f};
        for (int i = 0; i < 6; ++i) tomAt(o + 62 + 0.25 * i, 0.3f + 0.04f * float(i), kTomHz[i], 0.5f - 0.2f * float(i));
        snareAt(o + 63.5, 0.32f);
        clapAt(o + 63.5, 0.38f);

        static const std::vector<BassHit> offbeat = {{2, 2, 0, 1.0f}, {6, 2, 0, 0.85f}, {10, 2, 12, 1.0f}, {14, 2, 0, 0.8f}};
        static const std::vector<BassHit> offbeatTurn = {
            {2, 2, 0, 1.0f}, {6, 2, 0, 0.85f}, {10, 1, 12, 1.0f}, {12, 1, 7, 0.7f}, {14, 1, 10, 0.8f}, {15, 1, 12, 0.6f}};
        static const std::vector<BassHit> bounce = {
            {0, 2, 0, 0.9f}, {3, 1, 12, 0.7f}, {6, 2, 0, 1.0f}, {8, 1, 0, 0.6f}, {10, 2, 12, 1.0f}, {14, 1, 7, 0.8f}};
        static const std::vector<BassHit> bounceWalk = {
            {0, 2, 0, 0.9f}, {3, 1, 12, 0.7f}, {6, 2, 0, 1.0f}, {8, 1, 0, 0.6f}, {10, 1, 12, 1.0f}, {12, 1, 10, 0.7f},
            {13, 1, 7, 0.7f}, {14, 1, 5, 0.8f}};
        bassline(o, 0, 8, [&](int bar) -> const std::vector<BassHit>& { return bar % 4 == 3 ? offbeatTurn : offbeat; },
                 kWarmBass, 0.5f);
        bassline(o, 8, 15, [&](int bar) -> const std::vector<BassHit>& { return bar % 4 == 3 ? bounceWalk : bounce; },
                 kRollingBass, 0.46f);
        bassNote(o + 60, 2.0, 38, 0.42f, kRollingBass);

        pads(o, o + 64, kSoftPad, 0.34f);
        static const std::array<int, 16> rolling = {0, 1, 2, 3, 4, 3, 2, 1, 0, 1, 2, 3, 4, 3, 2, 3};
        arpeggio(o + 16, o + 32, rolling, 0, 0.14f, 2600.0f);
        arpeggio(o + 32, o + 62, rolling, 0, 0.2f, 3600.0f);
        melody(kThemeA, o + 32, 0, kSoftLead, 0.3f);

        // Into the water: a rising drop and the splash on the cut.
        swellInto(97, 1.8, 0.3f);
        note("drums", 97, 0.5, 55, 0.42f, when(97, kKickTiming));  // a splash cymbal
        if (rendering()) crash(*mixer_, impacts_, frameOf(97, kKickTiming), 0.42f, 0.35f);
        for (int midi : {86, 93, 98}) bellNote(97, midi, 0.32f, midi == 93 ? 0.0f : (midi == 86 ? -0.5f : 0.5f), 1.2f);
    }

    // Beats 97-160: water. Four bars without drums: electric piano, the pad,
    // drops; then a light, swung groove returns under theme B on a flute-like
    // lead, answered by a climbing sequence into the stumps.
    void water() {
        swing_ = 0.05;
        const double o = 96;
        chords(o, {{&kBbMaj7}, {&kBbMaj7}, {&kGm9}, {&kAsus4, &kA},
                   {&kBbMaj7}, {&kGm7}, {&kDm}, {&kA}, {&kBb}, {&kGm}, {&kDmOverF}, {&kA7},
                   {&kGm}, {&kBb}, {&kC}, {&kA}});
        pads(97, o + 16, kWaterPad, 0.3f);
        pads(o + 16, o + 64, kWaterPad, 0.34f);
        droplets(97, o + 16, 0.2f, 0.45f);
        droplets(o + 16, o + 48, 0.13f, 0.3f);
        droplets(o + 48, o + 63, 0.11f, 0.22f);
        // The electric piano: broken chords under the slowed theme.
        for (int bar = 0; bar < 4; ++bar) {
            const double start = o + 4.0 * bar;
            const std::vector<int>& tones = chordAt(start).tones;
            for (int i = 0; i < 4; ++i) {
                const double beat = start + (bar == 0 ? 1.0 : 0.0) + i * (bar == 0 ? 0.75 : 1.0);
                keysNote(beat, 1.8, tones[size_t(i)] - 12 + (i == 3 ? 12 : 0), 0.22f, i % 2 ? 0.3f : -0.3f);
            }
        }
        for (const Note& n : kWaterPrelude) keysNote(o + n.beat, n.length, n.midi, 0.3f, 0.0f);
        for (int bar = 1; bar < 4; ++bar) bassNote(o + 4.0 * bar, 3.8, chordAt(o + 4.0 * bar).root, 0.36f, kWarmBass);
        riserFx(o + 12, o + 16, 0.16f, 500.0f, 6000.0f);

        // Bar 4 on: the light groove.
        Groove light;
        light.kick = steps("x-----x---x-----");
        light.rim = steps("----x-------x---");
        light.shaker = steps("xxxxxxxxxxxxxxxx");
        light.hat = steps("--x---x---x---x-");
        light.kickStyle = &kKick;
        light.kickVelocity = 0.78f;
        light.rimVelocity = 0.3f;
        light.shakerVelocity = 0.15f;
        light.hatVelocity = 0.2f;
        light.ghosts = 0.15f;
        light.snareVelocity = 0.3f;
        crashAt(o + 16, 0.18f);
        groove(o, 4, 12, light, {Fill::ClapsAndOpenHat});
        Groove lighter = light;
        lighter.kick = steps("x---x-----x-x---");
        lighter.clap = steps("------------x---");
        lighter.clapVelocity = 0.3f;
        groove(o, 12, 16, lighter, {Fill::SnareBuild});
        static const std::vector<BassHit> rolling = {
            {0, 1, 0, 0.8f}, {2, 1, 12, 1.0f}, {3, 1, 0, 0.6f}, {5, 1, 12, 0.7f}, {6, 2, 0, 1.0f},
            {9, 1, 0, 0.6f}, {10, 1, 12, 1.0f}, {12, 1, 0, 0.6f}, {13, 1, 7, 0.7f}, {14, 2, 0, 0.9f}};
        static const std::vector<BassHit> rollingTurn = {
            {0, 1, 0, 0.8f}, {2, 1, 12, 1.0f}, {3, 1, 0, 0.6f}, {5, 1, 12, 0.7f}, {6, 2, 0, 1.0f},
            {9, 1, 0, 0.6f}, {10, 1, 3, 0.8f}, {11, 1, 5, 0.7f}, {12, 1, 7, 0.8f}, {14, 1, 10, 0.9f}, {15, 1, 12, 0.7f}};
        bassline(o, 4, 16, [&](int bar) -> const std::vector<BassHit>& { return bar % 4 == 3 ? rollingTurn : rolling; },
                 kRollingBass, 0.44f);
        melody(kThemeB, o + 16, 0, kFluteLead, 0.32f);
        melody(kThemeBAnswer, o + 48, 0, kFluteLead, 0.34f);
        static const std::array<int, 16> ripple = {0, -1, 2, -1, 1, -1, 3, 2, -1, 0, -1, 2, 4, -1, 3, -1};
        arpeggio(o + 48, o + 63.5, ripple, 1, 0.12f, 2800.0f, 0.2f);
        riserFx(o + 56, o + 63.8, 0.2f, 300.0f, 7000.0f);
    }

    // Beats 160-224: the stumps grow. The full groove on the cut; theme A
    // pushed and reharmonised, bells answering; the growth builds up to a
    // climax, and a spin-down announces the machines.
    void stumps() {
        swing_ = 0.035;
        const double o = 160;
        chords(o, {{&kDm}, {&kDmOverC}, {&kBbMaj7}, {&kC, &kA7},
                   {&kDm}, {&kBbMaj7}, {&kF}, {&kCOverE}, {&kGm7}, {&kBbMaj7}, {&kAsus4, &kA}, {&kDm},
                   {&kBb}, {&kC}, {&kDm, &kDmOverC}, {&kBb, &kA}});
        crashAt(o, 0.34f);
        clapAt(o, 0.5f);
        Groove full;
        full.kick = steps("x---x---x---x---");
        full.snare = steps("----x-------x---");
        full.clap = steps("----x-------x---");
        full.hat = steps("xxxxxxxxxxxxxxxx");
        full.kickStyle = &kKick;
        full.kickVelocity = 0.92f;
        full.snareVelocity = 0.32f;
        full.clapVelocity = 0.48f;
        full.hatVelocity = 0.24f;
        full.ghosts = 0.25f;
        groove(o, 0, 4, full, {Fill::Drop});
        Groove open = full;
        open.hat = steps("x-x-x-x-x-x-x-xx");
        open.openHat = steps("--x---x---x---x-");
        open.openVelocity = 0.17f;
        groove(o, 4, 12, open, {Fill::SnareRun});
        Groove climb = open;
        climb.kick = steps("x---x---x---x-x-");
        climb.shaker = steps("xxxxxxxxxxxxxxxx");
        climb.shakerVelocity = 0.14f;
        groove(o, 12, 15, climb, {});
        // Bar 15: two beats of groove, then the spin-down and silence.
        for (double beat : {o + 60, o + 61}) kickAt(beat, 0.9f, kKick);
        clapAt(o + 61, 0.5f);
        snareRoll(o + 61.5, o + 62, 0.125, 0.25f, 0.4f);

        static const std::vector<BassHit> driving = {
            {0, 1, 0, 0.6f}, {2, 1, 0, 1.0f}, {3, 1, 0, 0.65f}, {6, 1, 12, 1.0f}, {7, 1, 0, 0.65f},
            {10, 1, 0, 1.0f}, {11, 1, 0, 0.65f}, {14, 1, 12, 1.0f}, {15, 1, 7, 0.7f}};
        static const std::vector<BassHit> drivingPush = {
            {0, 1, 0, 0.6f}, {2, 1, 0, 1.0f}, {3, 1, 0, 0.65f}, {6, 1, 12, 1.0f}, {7, 1, 0, 0.65f},
            {10, 1, 0, 1.0f}, {12, 1, 12, 0.8f}, {13, 1, 10, 0.7f}, {14, 1, 7, 0.9f}, {15, 1, 5, 0.7f}};
        bassline(o, 0, 15, [&](int bar) -> const std::vector<BassHit>& { return bar % 4 == 3 ? drivingPush : driving; },
                 kDrivingBass, 0.5f);
        bassNote(o + 60, 1.0, 34, 0.5f, kDrivingBass);
        bassNote(o + 61, 1.0, 33 + 12, 0.5f, kDrivingBass);

        pads(o, o + 62, kSoftPad, 0.36f);
        static const std::array<int, 16> climbing = {0, 2, 1, 3, 2, 4, 3, 1, 0, 2, 1, 3, 2, 4, 3, 4};
        arpeggio(o, o + 60, climbing, 1, 0.15f, 3400.0f);
        bellMelody({{0, 1, 69}, {1, 1, 74}, {2, 1, 76}, {3, 3, 77}, {8, 1, 72}, {9, 1, 77}, {10, 1, 79}, {11, 3, 81}},
                   o, 12, 0.22f, 0.9f);
        melody(kThemeAPushed, o + 16, 0, kFullLead, 0.34f);
        // The climax of the growth: a last high answer over Bb C Dm, long
        // bell tones rising under it.
        melody({{0, .5, 86}, {.5, .5, 82}, {1, .5, 81}, {1.5, 1, 77}, {2.5, .5, 79}, {3, 1, 81},
                {4, 1, 84}, {5, .5, 81}, {5.5, .5, 79}, {6, 1, 76}, {7, 1, 79},
                {8, .5, 81}, {8.5, .5, 77}, {9, .5, 74}, {9.5, 1.5, 77}, {11, 1, 76},
                {12, 2, 74}, {14, 1.5, 73}},
               o + 48, 0, kFullLead, 0.3f);
        bellMelody({{0, 2, 74}, {2, 2, 77}, {4, 2, 76}, {6, 2, 79}, {8, 2, 77}, {10, 2, 81}}, o + 48, 0, 0.16f, 0.9f);
        riserFx(o + 56, o + 61.8, 0.18f, 300.0f, 6000.0f);
        fx(o + 61.5, o + 63.6);
        if (rendering()) powerDown(*mixer_, atmos_, beatToFrame(o + 61.5), beatToFrame(o + 63.6), 0.12f);
    }

    // Beats 224-256: machines at night. The arrival: metal, a hydraulic hiss
    // and the low boom on the cut. A tight kick, clanks, an acid bass whose
    // filter opens bar by bar, dark chords and theme A's figure low down.
    void machines() {
        swing_ = 0.015;
        const double o = 224;
        chords(o, {{&kDm}, {&kDm}, {&kBb}, {&kGm}, {&kDm}, {&kDm}, {&kEb}, {&kA}});
        boomAt(o, 0.55f);
        crashAt(o, 0.3f, 0.9f);
        for (const auto& [hz, pan] : {std::pair{410.0f, -0.6f}, {690.0f, 0.6f}, {1240.0f, 0.0f}})
            clankAt(o, 0.5f, hz, pan);
        whooshFx(o, o + 3, 0.2f, 4000.0f);

        Groove night;
        night.kick = steps("x---x---x---x---");
        night.clap = steps("------------x---");
        night.hat = steps("xxxxxxxxxxxxxxxx");
        night.openHat = steps("------x-------x-");
        night.kickStyle = &kTightKick;
        night.kickVelocity = 1.0f;
        night.clapVelocity = 0.5f;
        night.hatVelocity = 0.28f;
        night.openVelocity = 0.14f;
        night.ghosts = 0.3f;
        night.snareVelocity = 0.36f;
        groove(o, 0, 8, night, {Fill::Drop, Fill::ClapsAndOpenHat}, false);
        static const float kClankHz[4] = {410.0f, 560.0f, 365.0f, 690.0f};
        for (int bar = 0; bar < 8; ++bar) {
            int i = 0;
            for (int step : {3, 6, 11, 14}) {
                const double beat = o + 4.0 * bar + step * 0.25;
                if (bar == 7 && step > 8) break;
                clankAt(beat, humanise(beat, 0.24f), kClankHz[size_t(i + bar) % 4], i % 2 ? 0.65f : -0.65f);
                ++i;
            }
            if (bar % 2 == 1) whooshFx(o + 4.0 * bar + 1.5, o + 4.0 * bar + 3.5, 0.1f, 2500.0f);
        }
        // The acid line: the root with its fifth and octave, accents on the
        // off-beats; its filter opens bar by bar. Bar 3 and 7 turn it round.
        static const int kAcid[16] = {0, 12, 0, 0, 7, 0, 12, 0, 0, 5, 0, 12, 0, 7, 12, 0};
        static const int kAcidTurn[16] = {0, 12, 0, 3, 7, 0, 12, 15, 0, 10, 12, 7, 5, 3, 2, 0};
        static const float kAccent[16] = {1.0f, 0.6f, 0.7f, 0.5f, 0.9f, 0.5f, 1.0f, 0.5f,
                                          0.8f, 0.6f, 0.6f, 1.0f, 0.6f, 0.9f, 1.0f, 0.5f};
        for (int bar = 0; bar < 8; ++bar) {
            const BassStyle acid{300.0f + 120.0f * float(bar), 4.5f, 0.08f, 4.2f, 1.0f, 0.0f, 0.35f, 2.4f, 0.02f};
            const int* line = bar % 4 == 3 ? kAcidTurn : kAcid;
            int previous = -1;
            for (int step = 0; step < 16; ++step) {
                const double beat = o + 4.0 * bar + step * 0.25;
                if (bar == 7 && step >= 12) break;
                const int midi = chordAt(beat).root + 12 + line[step];
                const int slide = line[step] >= 12 ? previous : -1;
                if (!masked(beat)) {
                    const double at = when(beat, kBassTiming);
                    const float v = humanise(beat, 0.4f * kAccent[step], 0.04f);
                    note("bass", beat, 0.22, midi, v, at);
                    if (rendering()) bass(*mixer_, acid_, beatToFrame(at), beatToFrame(0.22), midi, v, acid, slide);
                }
                previous = midi;
            }
        }
        pads(o, o + 31, kNightPad, 0.34f, 0);
        melody(kMachineMotif, o, 0, kMachineLead, 0.3f);
        for (double beat : {o + 8, o + 16, o + 24})
            bellNote(beat, beat == o + 24 ? 87 : 86, 0.14f, beat == o + 16 ? 0.5f : -0.5f, 1.2f);
        riserFx(o + 28, o + 31.8, 0.18f, 600.0f, 8000.0f);
    }

    // Beats 256-287: the four title cards, eight beats each. Every card
    // lands with a chord stab, a clap and a cymbal, bigger each time, and a
    // call on the lead; the snare doubles its speed with each card and the
    // chords' filter opens. The last card leaves on a stop: the breath.
    void titles() {
        swing_ = 0.02;
        const double o = 256;
        chords(o, {{&kBb}, {&kGm}, {&kC}, {&kAm}, {&kDm}, {&kBb}, {&kGm}, {&kA}});
        static const Phrase kCalls[4] = {
            {{1, .5, 74}, {1.5, .5, 77}, {2, 1.5, 81}, {5, .5, 79}, {5.5, .5, 77}, {6, 1.5, 74}},
            {{1, .5, 76}, {1.5, .5, 79}, {2, 1.5, 84}, {5, .5, 81}, {5.5, .5, 79}, {6, 1.5, 76}},
            {{1, .5, 77}, {1.5, .5, 81}, {2, 1.5, 86}, {5, .5, 84}, {5.5, .5, 82}, {6, 1.5, 77}},
            {{1, .5, 79}, {1.5, .5, 82}, {2, 1, 86}, {3, .5, 84}, {5, .5, 85}, {5.5, .5, 81}, {6, .5, 76}, {6.5, .4, 73}},
        };
        static const float kPadCutoff[4] = {900.0f, 1500.0f, 2600.0f, 4400.0f};
        for (int card = 0; card < 4; ++card) {
            const double start = o + 8.0 * card;
            const float grow = float(card) / 3.0f;
            // The hit on the card.
            std::vector<int> notes = chordAt(start).tones;
            notes.push_back(notes[0] + 12);
            stabChord(start, 0.45, notes, 0.32f + 0.08f * grow, 3000.0f + 3000.0f * grow);
            clapAt(start, 0.6f + 0.25f * grow);
            crashAt(start, 0.26f + 0.2f * grow, 0.7f + 0.6f * grow);
            kickAt(start, 0.95f, kKick);
            // The chords stop short of the next card and let go quickly: a
            // moment of air for its hit.
            PadStyle style = kSoftPad;
            style.cutoff = kPadCutoff[card];
            style.attack = 0.3f;
            style.release = 0.12f;
            pads(start, card == 3 ? 287.0 : start + 7.7, style, 0.3f + 0.03f * float(card));
            melody(kCalls[card], start, 0, kFullLead, 0.26f + 0.03f * float(card));
            // Bass pulses in eighths, sixteenths on the last card.
            const double stepBeats = card == 3 ? 0.25 : 0.5;
            const double end = card == 3 ? 287.0 : start + 8.0;
            BassStyle pulse = kDrivingBass;
            pulse.cutoff = 300.0f + 200.0f * float(card);
            int i = 0;
            for (double beat = start; beat < end - 1e-9; beat += stepBeats, ++i)
                bassNote(beat, stepBeats * 0.8, chordAt(beat).root + (i % 4 == 2 ? 12 : 0), 0.3f + 0.05f * float(card),
                         pulse);
            static const std::array<int, 16> lift = {0, 1, 2, 4, 0, 1, 2, 4, 1, 2, 3, 4, 1, 2, 3, 4};
            arpeggio(start, std::min(end, 286.75), lift, card >= 2 ? 1 : 0, 0.11f + 0.03f * float(card), 1500.0f + 900.0f * float(card));
        }
        // Drums: the kick on every beat, the snare in quarters, eighths,
        // sixteenths, then thirty-seconds before the stop.
        for (double beat = o + 1; beat < 287; beat += 1.0)
            if (std::fmod(beat - o, 8.0) != 0.0) kickAt(beat, 0.95f, kKick);
        snareRoll(o + 1, o + 8, 1.0, 0.2f, 0.3f);
        snareRoll(o + 9, o + 15.5, 0.5, 0.25f, 0.36f);
        snareRoll(o + 17, o + 23.5, 0.25, 0.28f, 0.44f);
        snareRoll(o + 25, o + 29, 0.25, 0.34f, 0.5f);
        snareRoll(o + 29, 286.75, 0.125, 0.32f, 0.48f);
        for (int card = 0; card < 4; ++card)
            for (double beat = o + 8.0 * card + 0.5; beat < std::min(287.0, o + 8.0 * card + 8.0); beat += 1.0)
                hatAt(beat, 0.14f + 0.04f * float(card), card >= 2 ? 0.12f : 0.04f, 0.2f);
        // A riser to each card, each starting higher than the last, each
        // giving way to the hit.
        for (int card = 0; card < 4; ++card) {
            const double from = o + 8.0 * card + 0.5;
            const double to = card == 3 ? 286.6 : o + 8.0 * card + 7.75;
            const float low = 250.0f * std::pow(2.0f, float(card)), high = 3000.0f * std::pow(1.4f, float(card));
            riserFx(from, to, 0.12f + 0.03f * float(card), low, high);
        }
        // The stop, as the last card leaves: one short stab on A, then nothing.
        stabChord(287, 0.12, {57, 61, 64, 69, 73}, 0.5f, 6000.0f);
        clapAt(287, 0.75f);
        kickAt(287, 1.0f, kKick);
    }

    // Beats 289-421: fire. Theme A with a counter-line (289-321), theme B
    // driven with bells answering in theme A's figure (321-353), a breakdown
    // and a build (353-385), then theme A a tone higher in E minor over the
    // fullest groove (385-417), and the cadence into the last chord.
    void fire() {
        swing_ = 0.03;
        const double o = 289;
        chords(o, {{&kDm}, {&kBb}, {&kF}, {&kC}, {&kGm}, {&kBb}, {&kA7}, {&kDm},
                   {&kBbMaj7}, {&kGm7}, {&kDm}, {&kA}, {&kBb}, {&kGm}, {&kDmOverF}, {&kA7},
                   {&kBbMaj7}, {&kBbMaj7}, {&kGm9}, {&kGm9}, {&kGm}, {&kBb}, {&kC}, {&kBsus4, &kB7},
                   {&kEm}, {&kCmaj7}, {&kG}, {&kD}, {&kAm}, {&kC}, {&kB7}, {&kC, &kD}});
        // The fire catches: a breath in, then the full band on the cut.
        swellInto(o, 0.7, 0.3f, 0.03);
        boomAt(o, 0.6f);
        crashAt(o, 0.45f, 1.6f);
        clapAt(o, 0.6f);
        whooshFx(o, o + 2, 0.4f, 5000.0f);
        fx(o, kLengthBeats);
        if (rendering()) crackle(*mixer_, atmos_, beatToFrame(o), kLengthFrames, 22.0f, 0.2f);

        Groove blaze;
        blaze.kick = steps("x---x---x---x---");
        blaze.snare = steps("----x-------x---");
        blaze.clap = steps("----x-------x---");
        blaze.hat = steps("x-xxx-xxx-xxx-xx");
        blaze.openHat = steps("--x---x---x---x-");
        blaze.kickStyle = &kHeavyKick;
        blaze.kickVelocity = 0.85f;
        blaze.snareVelocity = 0.3f;
        blaze.clapVelocity = 0.4f;
        blaze.hatVelocity = 0.3f;
        blaze.openVelocity = 0.18f;
        blaze.ghosts = 0.3f;
        groove(o, 0, 16, blaze, {Fill::SnareRun, Fill::Toms}, false);
        crashAt(o + 32, 0.35f);
        // Breakdown: no kick, a clap on three, the pad and bells; then the
        // kick returns in quarters under a snare build.
        Groove sparse;
        sparse.clap = steps("--------x-------");
        sparse.hat = steps("--x---x---x---x-");
        sparse.clapVelocity = 0.35f;
        sparse.hatVelocity = 0.16f;
        groove(o, 16, 20, sparse, {});
        Groove build;
        build.kick = steps("x---x---x---x---");
        build.hat = steps("x-x-x-x-x-x-x-x-");
        build.kickStyle = &kHeavyKick;
        build.kickVelocity = 0.9f;
        build.hatVelocity = 0.2f;
        groove(o, 20, 23, build, {});
        kickAt(o + 92, 0.9f, kHeavyKick);
        kickAt(o + 93, 0.9f, kHeavyKick);
        snareRoll(o + 80, o + 88, 0.5, 0.2f, 0.34f);
        snareRoll(o + 88, o + 92, 0.25, 0.3f, 0.46f);
        snareRoll(o + 92, o + 94, 0.125, 0.34f, 0.5f);
        // The last part, fullest: a ride-like open hat on every offbeat and a
        // second clap.
        crashAt(o + 96, 0.5f, 1.8f);
        Groove peak = blaze;
        peak.clap = steps("----x-------x--x");
        peak.kick = steps("x---x---x---x---");
        peak.hat = steps("xxxxxxxxxxxxxxxx");
        peak.shaker = steps("x-x-x-x-x-x-x-x-");
        peak.shakerVelocity = 0.12f;
        groove(o, 24, 32, peak, {Fill::ClapsAndOpenHat}, false);

        // Bass: a galloping line of its own (not the stumps'), long notes in
        // the breakdown, eighth pulses in the build.
        static const std::vector<BassHit> gallop = {
            {0, 1, 0, 0.9f}, {2, 1, 12, 0.6f}, {3, 1, 0, 0.8f}, {4, 1, 0, 0.5f}, {6, 1, 12, 0.8f}, {7, 1, 0, 0.7f},
            {8, 1, 0, 0.6f}, {10, 1, 12, 0.8f}, {11, 1, 0, 0.7f}, {13, 1, 7, 0.8f}, {14, 1, 12, 0.8f}};
        static const std::vector<BassHit> gallopTurn = {
            {0, 1, 0, 0.9f}, {2, 1, 12, 0.6f}, {3, 1, 0, 0.8f}, {4, 1, 0, 0.5f}, {6, 1, 12, 0.8f}, {7, 1, 0, 0.7f},
            {8, 1, 7, 0.8f}, {9, 1, 5, 0.7f}, {10, 1, 3, 0.8f}, {11, 1, 2, 0.7f}, {12, 1, 0, 0.9f}, {14, 1, -2, 0.9f},
            {15, 1, -1, 0.8f}};
        static const std::vector<BassHit> pulse = {{0, 2, 0, 0.9f}, {2, 2, 0, 0.7f}, {4, 2, 0, 0.9f}, {6, 2, 0, 0.7f},
                                                   {8, 2, 0, 0.9f}, {10, 2, 0, 0.7f}, {12, 2, 0, 0.9f}, {14, 2, 12, 0.8f}};
        bassline(o, 0, 16, [&](int bar) -> const std::vector<BassHit>& { return bar % 4 == 3 ? gallopTurn : gallop; },
                 kFireBass, 0.45f);
        for (int bar = 16; bar < 20; bar += 2) bassNote(o + 4.0 * bar, 7.5, chordAt(o + 4.0 * bar).root, 0.4f, kWarmBass);
        bassline(o, 20, 23, [&](int) -> const std::vector<BassHit>& { return pulse; }, kDrivingBass, 0.5f);
        for (int i = 0; i < 4; ++i) bassNote(o + 92 + 0.5 * i, 0.4, chordAt(o + 92 + 0.5 * i).root, 0.45f, kDrivingBass);
        bassline(o, 24, 32, [&](int bar) -> const std::vector<BassHit>& { return bar % 4 == 3 ? gallopTurn : gallop; },
                 kFireBass, 0.48f);

        pads(o, o + 64, kFirePad, 0.4f);
        pads(o + 64, o + 80, kWaterPad, 0.4f);
        pads(o + 80, o + 96, kFirePad, 0.4f);
        pads(o + 96, o + 128, kFirePad, 0.42f);
        // The blaze: the chords again an octave up, brighter, in the loud parts.
        PadStyle blazing = kFirePad;
        blazing.cutoff = 7000.0f;
        pads(o + 32, o + 64, blazing, 0.2f, 12);
        pads(o + 96, o + 128, blazing, 0.24f, 12);
        static const std::array<int, 16> blazeArp = {0, 1, 2, 3, 4, 3, 2, 1, 0, 2, 4, 2, 3, 1, 2, 3};
        static const std::array<int, 16> fanfare = {0, 2, 4, 2, 1, 3, 4, 3, 0, 2, 4, 2, 1, 3, 4, 4};
        arpeggio(o, o + 64, blazeArp, 1, 0.14f, 3800.0f);
        arpeggio(o + 80, o + 96, fanfare, 1, 0.1f, 2500.0f);
        arpeggio(o + 96, o + 128, fanfare, 1, 0.15f, 4400.0f);

        melody(kThemeA, o, 0, kFireLead, 0.36f);
        melody(kCounterA, o, 0, kCounterLead, 0.28f, "counter");
        melody(kThemeBDriven, o + 32, 0, kFireLead, 0.36f);
        bellMelody(kBellAnswers, o + 32, 0, 0.22f, 0.8f);
        // Breakdown: theme A's opening, alone on bells, then the lead climbs
        // through it in sequence over the build.
        bellMelody({{0, 1, 69}, {1, 1, 74}, {2, 1, 76}, {3, 3, 77}, {6, 2, 74},
                    {8, 1, 70}, {9, 1, 74}, {10, 1, 77}, {11, 3, 81}, {14, 2, 79}},
                   o + 64, 0, 0.3f, 1.4f);
        melody({{0, .5, 69}, {.5, .5, 74}, {1, .5, 76}, {1.5, 2.5, 77},
                {4, .5, 70}, {4.5, .5, 74}, {5, .5, 77}, {5.5, 2.5, 79},
                {8, .5, 72}, {8.5, .5, 76}, {9, .5, 79}, {9.5, 2.5, 81},
                {12, .5, 78}, {12.5, .5, 81}, {13, .5, 83}, {13.5, 2, 87}},
               o + 80, 0, kFullLead, 0.3f);
        riserFx(o + 84, o + 95.8, 0.24f, 250.0f, 9000.0f);
        swellInto(o + 96, 2, 0.3f);
        melody(kThemeAHigh, o + 96, 0, kFireLead, 0.38f);
        melody(kThemeAHigh, o + 96, 12, kFireLead, 0.16f, "lead", 16, 32);
        melody(kCounterA, o + 96, 2, kCounterLead, 0.3f, "counter");
    }

    // The theme's last bar (413-417) turns C, D under its rising flourish, a
    // tom fill runs down into the last chord, E minor with an added ninth, on
    // the beat after the picture has gone white, the theme's opening on bells
    // over it; then it rings out.
    void ending() {
        swing_ = 0.0;
        static const float kTomHz[8] = {210.0f, 190.0f, 170.0f, 150.0f, 135.0f, 120.0f, 105.0f, 92.0f};
        for (int i = 0; i < 8; ++i)
            tomAt(kLastChordBeat - 2 + 0.25 * i, 0.35f + 0.05f * float(i), kTomHz[i], 0.6f - 0.17f * float(i));

        const double last = kLastChordBeat;
        kickAt(last, 1.0f, kHeavyKick);
        crashAt(last, 0.5f, 1.8f);
        PadStyle chord = kFirePad;
        chord.release = 1.6f;
        chord.attack = 0.06f;
        chord.cutoff = 2400.0f;
        padChord(last, 2, kEmAdd9.tones, 0.3f, chord);
        BassStyle lastBass = kWarmBass;
        lastBass.release = 1.0f;
        bassNote(last, 2, 40, 0.38f, lastBass);
        LeadStyle lastLead = kFireLead;
        lastLead.release = 0.9f;
        lastLead.vibrato = 0.06f;
        const double at = when(last, kLeadTiming);
        note("lead", last, 2, 76, 0.26f, at);
        if (rendering()) lead(*mixer_, leads_, beatToFrame(at), beatToFrame(2), 76, 0.26f, lastLead, 78);
        for (int midi : {83, 88, 95}) bellNote(last, midi, 0.2f, midi == 88 ? 0.0f : (midi == 83 ? -0.5f : 0.5f), 1.8f);
        fx(last, kLengthBeats);
        if (rendering()) wind(*mixer_, atmos_, beatToFrame(last), kLengthFrames, 0.3f);
    }

    Mixer* mixer_;
    std::vector<double> cueBeats_;
    double swing_ = 0.0;  // beats an off-sixteenth sounds late
    std::vector<std::pair<double, const Chord*>> harmony_;
    std::vector<int64_t> kicks_;
    std::vector<ScoreNote> score_;
    Route drums_, snares_, hats_, metal_, bass_, acid_, pads_, keys_, arps_, leads_, bells_, atmos_, impacts_;
};

// ---------------------------------------------------------------------------
// Mixing

// How far the side-chained buses dip after each kick: 0 (no dip) to 1.
std::vector<float> kickEnvelope(const std::vector<int64_t>& kicks, size_t frames) {
    std::vector<float> envelope(frames, 0.0f);
    const int64_t attack = kSampleRate / 400;  // 2.5 ms
    const int64_t length = kBeatFrames;
    for (int64_t at : kicks) {
        Decay release(1.0f, 0.09f);
        for (int64_t n = 0; n < length; ++n) {
            const int64_t i = at + n;
            if (i < 0 || i >= int64_t(frames)) break;
            const float value = n < attack ? float(n) / float(attack) : release.next();
            envelope[size_t(i)] = std::max(envelope[size_t(i)], value);
        }
    }
    return envelope;
}

// The arc of the piece: the mix's level (dB) through the sections, rising
// to the fire with a real dip for the water's breakdown and the fire's own.
// Linear between breakpoints; at a cue the level steps in the last 10 ms
// before the hit, so the hit already speaks at the new level.
std::vector<std::pair<double, float>> arcPoints(const Cues& c) {
    const double step = 0.02;
    const std::vector<double>& scene = c.sceneChanges;
    return {
        {0.0, -11.0f}, {scene[0] - step, -10.0f},
        {scene[0], -8.5f}, {60.0, -8.0f}, {64.0, -6.0f}, {scene[1] - step, -5.5f},
        {scene[1], -10.0f}, {110.0, -9.5f}, {112.0, -6.0f}, {scene[2] - step, -5.0f},
        {scene[2], -6.3f}, {scene[3] - step, -5.7f},
        {scene[3], -4.8f}, {c.cards[0] - step, -4.8f},
        {c.cards[0], -6.0f}, {c.cardsEnd, -1.5f},
        {c.flames - step, 0.0f}, {c.flames, 1.0f}, {352.0, 1.0f}, {353.0, -6.5f}, {368.0, -5.5f}, {369.0, -4.0f}, {377.0, 0.5f},
        {385.0, 1.5f}, {440.0, 1.5f},
    };
}

StereoBuffer mixDown(Mixer& mixer, const std::vector<int64_t>& kicks, const Cues& cues) {
    const size_t frames = mixer.frames();
    {
        PingPongDelay delay(beatToFrame(0.75), 0.38f, 3200.0f);  // dotted eighth
        delay.process(mixer.delaySend);
        for (size_t i = 0; i < frames; ++i) {  // echoes reverberate a little too
            mixer.reverbSend.left[i] += 0.2f * mixer.delaySend.left[i];
            mixer.reverbSend.right[i] += 0.2f * mixer.delaySend.right[i];
        }
        Reverb reverb(0.55f, 0.45f);
        reverb.process(mixer.reverbSend);
    }
    const std::vector<float> duck = kickEnvelope(kicks, frames);
    // The drum bus: a soft clip that rounds the hits above about -6 dBFS
    // (kick, clap and snare landing together) by a few dB and leaves the
    // rest of the kit untouched, so the limiter does not have to pump.
    const float drumCeiling = dbToGain(-6.0f);
    for (std::vector<float>* side : {&mixer.drums.left, &mixer.drums.right})
        for (float& sample : *side) sample = drumCeiling * softClip(sample / drumCeiling);
    StereoBuffer mix(frames);
    for (size_t i = 0; i < frames; ++i) {
        const float padGain = 1.0f - 0.5f * duck[i];
        const float bassGain = 1.0f - 0.7f * duck[i];
        const float melodyGain = 1.0f - 0.3f * duck[i];
        const float effectGain = 1.0f - 0.3f * duck[i];
        mix.left[i] = mixer.plain.left[i] + mixer.drums.left[i] + melodyGain * mixer.melody.left[i] +
                      padGain * mixer.ducked.left[i] + bassGain * mixer.bass.left[i] +
                      effectGain * (0.9f * mixer.reverbSend.left[i] + 0.5f * mixer.delaySend.left[i]);
        mix.right[i] = mixer.plain.right[i] + mixer.drums.right[i] + melodyGain * mixer.melody.right[i] +
                       padGain * mixer.ducked.right[i] + bassGain * mixer.bass.right[i] +
                       effectGain * (0.9f * mixer.reverbSend.right[i] + 0.5f * mixer.delaySend.right[i]);
    }
    const std::vector<std::pair<double, float>> arc = arcPoints(cues);
    size_t segment = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double beat = double(i) / double(kBeatFrames);
        while (segment + 2 < arc.size() && arc[segment + 1].first <= beat) ++segment;
        const auto& [b0, d0] = arc[segment];
        const auto& [b1, d1] = arc[segment + 1];
        const double t = std::clamp((beat - b0) / std::max(1e-9, b1 - b0), 0.0, 1.0);
        const float gain = dbToGain(float(d0 + (d1 - d0) * t));
        mix.left[i] *= gain;
        mix.right[i] *= gain;
    }
    // The breath: after the stop on the last card everything is muted, the
    // rooms and echoes with it, until the swell into the fire.
    const int64_t from = beatToFrame(cues.cardsEnd) + int64_t(0.06 * kSampleRate);
    const int64_t to = beatToFrame(cues.flames - 0.72);
    const int64_t ramp = int64_t(0.015 * kSampleRate);
    for (int64_t i = std::max<int64_t>(0, from); i < std::min<int64_t>(to + ramp, int64_t(frames)); ++i) {
        const float gain = std::clamp(std::max(float(from + ramp - i), float(i - to)) / float(ramp), 0.0f, 1.0f);
        mix.left[size_t(i)] *= gain;
        mix.right[size_t(i)] *= gain;
    }
    return mix;
}

}  // namespace

std::vector<ScoreNote> composeScore() {
    Arrangement arrangement(nullptr, productionCues());
    arrangement.compose();
    return arrangement.score();
}

StereoBuffer composeSoundtrack() {
    const Cues& cues = productionCues();
    StereoBuffer result;
    {
        Mixer mixer{static_cast<size_t>(kLengthFrames)};
        Arrangement arrangement(&mixer, cues);
        arrangement.compose();
        result = mixDown(mixer, arrangement.kicks(), cues);
    }
    const MasterResult figures = master(result);
    std::printf("master: %.1f LUFS, true peak %.1f dBTP, compression up to %.1f dB, limiting up to %.1f dB\n",
                figures.loudnessLufs, figures.truePeakDbtp, figures.maxCompressionDb, figures.maxLimitingDb);
    return result;
}

}  // namespace music
