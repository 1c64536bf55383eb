#include "Composition.h"

#include "Instruments.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace music {

namespace {

// ---------------------------------------------------------------------------
// Harmony and melodies

struct Chord {
    int root;                // bass note
    std::vector<int> tones;  // pad voicing around middle C
};

const Chord kDm{38, {57, 62, 65, 69}};  // D F A
const Chord kBb{34, {58, 62, 65, 69}};  // Bb D F A (major seventh)
const Chord kF{41, {57, 60, 65, 69}};   // F A C
const Chord kC{36, {55, 60, 64, 67}};   // C E G
const Chord kGm{31, {55, 58, 62, 65}};  // G Bb D F (minor seventh)
const Chord kA{33, {57, 61, 64, 69}};   // A C# E, the dominant that pulls back to D minor

// The chord of each bar (4 beats).
const Chord& harmony(int bar) {
    static const std::array<const Chord*, 4> home = {&kDm, &kBb, &kF, &kC};
    static const std::array<const Chord*, 4> water = {&kBb, &kGm, &kDm, &kA};
    static const std::array<const Chord*, 4> night = {&kDm, &kBb, &kGm, &kA};
    static const std::array<const Chord*, 4> titles = {&kBb, &kC, &kDm, &kA};
    if (bar < 4) return kDm;
    if (bar < 6) return kBb;
    if (bar < 8) return kC;
    if (bar < 24) return *home[size_t(bar - 8) % 4];
    if (bar < 40) return *water[size_t(bar - 24) % 4];
    if (bar < 56) return *home[size_t(bar - 40) % 4];
    if (bar < 64) return *night[size_t(bar - 56) % 4];
    if (bar < 72) return *titles[size_t(bar - 64) / 2];
    if (bar < 88) return *home[size_t(bar - 72) % 4];
    if (bar < 104) return *water[size_t(bar - 88) % 4];
    return kDm;
}

struct Note {
    double beat;    // from the phrase start
    double length;  // beats
    int midi;
};

// The main theme, eight bars over Dm Bb F C: a rising figure answered a
// third lower, climbing again and settling on D.
const std::vector<Note> kThemeA = {
    {0, 0.5, 69}, {0.5, 0.5, 74}, {1, 0.5, 76}, {1.5, 1, 77}, {2.5, 0.5, 76}, {3, 1, 74},
    {4, 0.5, 65}, {4.5, 0.5, 70}, {5, 0.5, 72}, {5.5, 1, 74}, {6.5, 0.5, 72}, {7, 1, 70},
    {8, 0.5, 72}, {8.5, 0.5, 77}, {9, 0.5, 79}, {9.5, 1, 81}, {10.5, 0.5, 79}, {11, 1, 77},
    {12, 1, 76}, {13, 0.5, 74}, {13.5, 0.5, 72}, {14, 2, 74},
    {16, 0.5, 69}, {16.5, 0.5, 74}, {17, 0.5, 76}, {17.5, 1, 77}, {18.5, 0.5, 76}, {19, 1, 74},
    {20, 0.5, 65}, {20.5, 0.5, 70}, {21, 0.5, 72}, {21.5, 1, 74}, {22.5, 0.5, 72}, {23, 1, 70},
    {24, 0.5, 72}, {24.5, 0.5, 77}, {25, 0.5, 79}, {25.5, 1, 81}, {26.5, 0.5, 82}, {27, 1, 81},
    {28, 1, 79}, {29, 0.5, 76}, {29.5, 0.5, 72}, {30, 2, 74},
};

// The second theme, eight bars over Bb Gm Dm A: long falling lines that end
// on the dominant.
const std::vector<Note> kThemeB = {
    {0, 1.5, 77}, {1.5, 0.5, 74}, {2, 1, 72}, {3, 1, 74},
    {4, 1.5, 70}, {5.5, 0.5, 69}, {6, 1, 67}, {7, 1, 70},
    {8, 1.5, 69}, {9.5, 0.5, 74}, {10, 1, 77}, {11, 0.5, 76}, {11.5, 0.5, 74},
    {12, 2, 73}, {14, 1, 76}, {15, 1, 69},
    {16, 1.5, 77}, {17.5, 0.5, 74}, {18, 1, 72}, {19, 1, 74},
    {20, 1.5, 79}, {21.5, 0.5, 77}, {22, 1, 74}, {23, 1, 70},
    {24, 1, 74}, {25, 0.5, 77}, {25.5, 1.5, 81}, {27, 0.5, 79}, {27.5, 0.5, 77},
    {28, 2, 76}, {30, 1, 73}, {31, 1, 69},
};

// The first theme's opening, slowed down, for bells in the intro and the coda.
const std::vector<Note> kIntroBells = {
    {8, 1, 69}, {9, 1, 74}, {10, 1, 76}, {11, 2, 77}, {13, 1, 76}, {14, 2, 74},
    {16, 1, 65}, {17, 1, 70}, {18, 1, 72}, {19, 2, 74}, {21, 1, 72}, {22, 2, 70},
    {24, 1, 67}, {25, 1, 72}, {26, 1, 76}, {27, 1.5, 79}, {28.5, 1.5, 76}, {30, 2, 74},
};

// ---------------------------------------------------------------------------
// Sounds of the sections

const KickStyle kDistantKick{0.22f, 120.0f, 45.0f, 1.2f, 0.0f, 260.0f};
const KickStyle kKick{};
const KickStyle kHeavyKick{0.38f, 190.0f, 44.0f, 2.6f, 0.45f, 0.0f};

const BassStyle kWarmBass{300.0f, 2.2f, 0.14f, 1.1f, 1.0f, 0.0f, 0.75f, 1.5f, 0.06f};
const BassStyle kRollingBass{420.0f, 3.0f, 0.09f, 1.6f, 1.0f, 0.3f, 0.6f, 1.8f, 0.03f};
const BassStyle kDrivingBass{520.0f, 3.5f, 0.1f, 1.5f, 1.0f, 0.25f, 0.7f, 2.2f, 0.03f};
const BassStyle kSubDrone{120.0f, 0.5f, 0.5f, 0.7f, 0.3f, 0.0f, 1.0f, 1.1f, 1.2f};

const PadStyle kMistPad{650.0f, 0.7f, 2.8f, 2.8f, 0.10f, 3, 0.35f};
const PadStyle kSoftPad{1300.0f, 0.8f, 0.5f, 0.6f, 0.12f, 3, 0.25f};
const PadStyle kWaterPad{1800.0f, 0.9f, 0.9f, 0.9f, 0.14f, 3, 0.4f};
const PadStyle kNightPad{700.0f, 1.4f, 0.7f, 0.7f, 0.09f, 3, 0.3f};
const PadStyle kFirePad{3200.0f, 0.8f, 0.25f, 0.5f, 0.22f, 5, 0.2f};

const LeadStyle kSoftLead{1400.0f, 1.6f, 0.18f, 1.2f, 0.01f, 0.45f, 0.35f, 0.10f, 0.25f, 0.04f};
const LeadStyle kFluteLead{900.0f, 1.0f, 0.3f, 0.9f, 0.04f, 0.8f, 0.4f, 0.16f, 0.7f, 0.06f};
const LeadStyle kFullLead{1700.0f, 2.6f, 0.22f, 1.5f, 0.006f, 0.75f, 0.25f, 0.15f, 0.35f, 0.025f};
const LeadStyle kFireLead{2300.0f, 2.2f, 0.25f, 1.7f, 0.005f, 0.8f, 0.3f, 0.18f, 0.4f, 0.025f};

class Arrangement {
public:
    explicit Arrangement(Mixer& mixer) : mixer_(mixer) {
        // Bus, reverb send, delay send, fader.
        drums_ = {&mixer.plain, 0.06f, 0.0f, 0.75f};
        snares_ = {&mixer.plain, 0.28f, 0.0f, 1.4f};
        hats_ = {&mixer.plain, 0.05f, 0.0f, 1.9f};
        bass_ = {&mixer.bass, 0.0f, 0.0f, 0.7f};
        pads_ = {&mixer.ducked, 0.3f, 0.0f, 1.2f};
        arps_ = {&mixer.ducked, 0.22f, 0.3f, 1.6f};
        leads_ = {&mixer.plain, 0.25f, 0.28f, 1.5f};
        bells_ = {&mixer.plain, 0.55f, 0.45f, 1.2f};
        atmos_ = {&mixer.plain, 0.35f, 0.0f, 1.0f};
        impacts_ = {&mixer.plain, 0.45f, 0.0f, 1.0f};
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
    }

    // Kick positions, for the side-chain.
    const std::vector<int64_t>& kicks() const { return kicks_; }

private:
    // --- helpers -------------------------------------------------------------

    float humanise(double beat, float velocity, float amount = 0.12f) const {
        Rng rng(seedOf(0xB0A7u, uint32_t(beatToFrame(beat))));
        return velocity * (1.0f - amount * rng.uniform());
    }

    void kickAt(double beat, float velocity, const KickStyle& style, bool duck = true) {
        kick(mixer_, drums_, beatToFrame(beat), velocity, style);
        if (duck) kicks_.push_back(beatToFrame(beat));
    }

    void fourOnFloor(int fromBar, int toBar, float velocity, const KickStyle& style) {
        for (int bar = fromBar; bar < toBar; ++bar)
            for (int b = 0; b < 4; ++b) kickAt(bar * 4 + b, velocity, style);
    }

    // Clap (and optionally snare) on beats 2 and 4.
    void backbeat(int fromBar, int toBar, float velocity, bool withSnare) {
        for (int bar = fromBar; bar < toBar; ++bar) {
            for (int b : {1, 3}) {
                const double beat = bar * 4 + b;
                clap(mixer_, snares_, beatToFrame(beat), humanise(beat, velocity, 0.06f));
                if (withSnare) snare(mixer_, snares_, beatToFrame(beat), humanise(beat, velocity * 0.7f, 0.06f));
            }
        }
    }

    enum class HatPattern { Offbeats, Sixteenths, Driving, Tight };
    void hats(int fromBar, int toBar, HatPattern pattern, float velocity) {
        for (int bar = fromBar; bar < toBar; ++bar) {
            for (int step = 0; step < 16; ++step) {
                const double beat = bar * 4 + step * 0.25;
                const bool offbeat = step % 4 == 2;
                const float pan = (step % 2 ? 0.25f : -0.15f);
                switch (pattern) {
                case HatPattern::Offbeats:
                    if (offbeat) hat(mixer_, hats_, beatToFrame(beat), humanise(beat, velocity), 0.04f, pan);
                    break;
                case HatPattern::Sixteenths:
                    hat(mixer_, hats_, beatToFrame(beat),
                        humanise(beat, offbeat ? velocity : velocity * (step % 2 ? 0.38f : 0.5f)), 0.035f, pan);
                    break;
                case HatPattern::Driving:
                    if (offbeat) hat(mixer_, hats_, beatToFrame(beat), humanise(beat, velocity * 0.8f), 0.16f, 0.1f);
                    else hat(mixer_, hats_, beatToFrame(beat), humanise(beat, velocity * (step % 2 ? 0.4f : 0.55f)),
                             0.03f, pan);
                    break;
                case HatPattern::Tight:
                    hat(mixer_, hats_, beatToFrame(beat),
                        humanise(beat, velocity * (offbeat ? 1.0f : (step % 2 ? 0.55f : 0.7f))), 0.022f, pan);
                    break;
                }
            }
        }
    }

    void snareRoll(double from, double to, double step, float velocityFrom, float velocityTo) {
        const int count = int(std::lround((to - from) / step));
        for (int i = 0; i < count; ++i) {
            const double beat = from + i * step;
            const float progress = count > 1 ? float(i) / float(count - 1) : 1.0f;
            const float velocity = velocityFrom + (velocityTo - velocityFrom) * progress;
            snare(mixer_, snares_, beatToFrame(beat), humanise(beat, velocity, 0.05f), (i % 2 ? 0.15f : -0.15f));
        }
    }

    // One pad chord per run of bars that share a chord.
    void pads(int fromBar, int toBar, const PadStyle& style, float velocity, int transpose = 0) {
        int bar = fromBar;
        while (bar < toBar) {
            int end = bar + 1;
            while (end < toBar && &harmony(end) == &harmony(bar)) ++end;
            std::vector<int> notes = harmony(bar).tones;
            for (int& note : notes) note += transpose;
            pad(mixer_, pads_, beatToFrame(bar * 4), beatToFrame((end - bar) * 4), notes, velocity, style);
            bar = end;
        }
    }

    // A bass line from a one-bar pattern of (sixteenth step, length in steps,
    // interval above the root, velocity).
    struct BassHit {
        int step, length, interval;
        float velocity;
    };
    void bassline(int fromBar, int toBar, const std::vector<BassHit>& pattern, const BassStyle& style,
                  float velocity) {
        for (int bar = fromBar; bar < toBar; ++bar) {
            const int root = harmony(bar).root;
            for (const BassHit& hit : pattern) {
                const double beat = bar * 4 + hit.step * 0.25;
                bass(mixer_, bass_, beatToFrame(beat), beatToFrame(hit.length * 0.25) - 300, root + hit.interval,
                     humanise(beat, velocity * hit.velocity, 0.05f), style);
            }
        }
    }

    // Sixteenth-note arpeggio through the bar's chord.
    void arpeggio(int fromBar, int toBar, int octave, float velocity, float brightness, double stopBeat = 1e9) {
        static const int kOrder[16] = {0, 1, 2, 3, 4, 3, 2, 1, 0, 1, 2, 3, 4, 3, 2, 3};
        for (int bar = fromBar; bar < toBar; ++bar) {
            const std::vector<int>& tones = harmony(bar).tones;
            for (int step = 0; step < 16; ++step) {
                const double beat = bar * 4 + step * 0.25;
                if (beat >= stopBeat) break;
                const int index = kOrder[step];
                const int midi = (index < 4 ? tones[size_t(index)] : tones[0] + 12) + 12 * octave;
                const float accent = step % 4 == 0 ? 1.0f : (step % 2 ? 0.65f : 0.8f);
                pluck(mixer_, arps_, beatToFrame(beat), midi, humanise(beat, velocity * accent, 0.1f),
                      (step % 2 ? 0.45f : -0.45f), brightness, 0.16f);
            }
        }
    }

    // Water drops: bells on chord tones at random sixteenths.
    void droplets(int fromBar, int toBar, float velocity, float density) {
        for (int bar = fromBar; bar < toBar; ++bar) {
            const std::vector<int>& tones = harmony(bar).tones;
            Rng rng(seedOf(0xD209u, uint32_t(bar)));
            for (int step = 0; step < 16; ++step) {
                const float roll = rng.uniform();
                const int tone = tones[rng.next() % tones.size()] + (rng.uniform() < 0.45f ? 24 : 12);
                const float pan = rng.bipolar() * 0.8f;
                if (roll >= density && step % 4 != 0) continue;
                const double beat = bar * 4 + step * 0.25;
                bell(mixer_, bells_, beatToFrame(beat), tone, velocity * (0.55f + 0.45f * rng.uniform()), pan, 0.5f);
            }
        }
    }

    void melody(const std::vector<Note>& notes, double startBeat, int transpose, const LeadStyle& style,
                float velocity, double fromBeat = 0, double toBeat = 1e9) {
        int previous = -1;
        double previousEnd = -1.0;
        for (const Note& note : notes) {
            if (note.beat < fromBeat || note.beat >= toBeat) continue;
            const double beat = startBeat + note.beat - fromBeat;
            const int glide = std::abs(beat - previousEnd) < 1e-6 ? previous : -1;
            lead(mixer_, leads_, beatToFrame(beat), beatToFrame(note.length) - 400, note.midi + transpose,
                 humanise(beat, velocity, 0.08f), style, glide);
            previous = note.midi + transpose;
            previousEnd = beat + note.length;
        }
    }

    void bellMelody(const std::vector<Note>& notes, double startBeat, int transpose, float velocity, float decay,
                    double fromBeat = 0, double toBeat = 1e9) {
        int i = 0;
        for (const Note& note : notes) {
            if (note.beat < fromBeat || note.beat >= toBeat) continue;
            const double beat = startBeat + note.beat - fromBeat;
            bell(mixer_, bells_, beatToFrame(beat), note.midi + transpose, humanise(beat, velocity, 0.1f),
                 (i++ % 2 ? 0.3f : -0.3f), decay * float(0.6 + 0.4 * note.length));
        }
    }

    void impact(double beat, float velocity) {
        crash(mixer_, impacts_, beatToFrame(beat), velocity * 0.5f);
        subBoom(mixer_, drums_, beatToFrame(beat), velocity * 0.8f);
    }

    // --- sections ------------------------------------------------------------

    // Beats 0-32: a misty forest. Pad and wind, bells far away, birds, and a
    // muffled heartbeat that quickens towards the groove.
    void forest() {
        wind(mixer_, atmos_, 0, beatToFrame(40), 0.5f);
        pads(0, 8, kMistPad, 0.42f);
        bass(mixer_, bass_, beatToFrame(0), beatToFrame(15.5), 38, 0.28f, kSubDrone);
        bass(mixer_, bass_, beatToFrame(16), beatToFrame(7.5), 34, 0.32f, kSubDrone);
        bass(mixer_, bass_, beatToFrame(24), beatToFrame(7.5), 36, 0.36f, kSubDrone);
        bellMelody(kIntroBells, 0, 0, 0.5f, 1.4f);
        for (double beat : {2.5, 5.25, 11.75, 18.5, 21.0, 27.25}) {
            Rng rng(seedOf(0xB12Du, uint32_t(beat * 100)));
            chirp(mixer_, atmos_, beatToFrame(beat), 0.05f, rng.bipolar() * 0.7f);
        }
        for (double beat : {16.0, 18.0, 20.0, 22.0, 24.0, 26.0, 28.0, 29.0, 30.0, 31.0, 31.5})
            kickAt(beat, 0.35f + 0.3f * float((beat - 16.0) / 16.0), kDistantKick, false);
        riser(mixer_, atmos_, beatToFrame(24), beatToFrame(32), 0.22f, 300.0f, 5000.0f);
        reverseCymbal(mixer_, impacts_, beatToFrame(32), beatToFrame(4), 0.35f);
    }

    // Beats 32-96: the logo. Four on the floor, off-beat bass, the chords,
    // then an arpeggio, and in the second half the theme on a soft lead.
    void logo() {
        impact(32, 0.8f);
        fourOnFloor(8, 23, 0.9f, kKick);
        for (double beat : {92.0, 93.0, 94.0}) kickAt(beat, 0.9f, kKick);
        hats(8, 16, HatPattern::Offbeats, 0.3f);
        hats(16, 23, HatPattern::Sixteenths, 0.28f);
        backbeat(12, 23, 0.45f, false);
        snareRoll(95, 96, 0.25, 0.2f, 0.5f);
        static const std::vector<BassHit> offbeat = {
            {2, 2, 0, 1.0f}, {6, 2, 0, 0.85f}, {10, 2, 12, 1.0f}, {14, 1, 0, 0.8f}, {15, 1, 7, 0.6f}};
        bassline(8, 24, offbeat, kWarmBass, 0.5f);
        pads(8, 24, kSoftPad, 0.34f);
        arpeggio(12, 24, 0, 0.22f, 3500.0f);
        melody(kThemeA, 64, 0, kSoftLead, 0.3f);
        // The cut to the water lands on the "a" of beat 96: a splash there.
        reverseCymbal(mixer_, impacts_, beatToFrame(96.75), beatToFrame(3.75), 0.4f);
        for (int midi : {86, 93, 98}) bell(mixer_, bells_, beatToFrame(96.75), midi, 0.35f, 0.0f, 1.2f);
        crash(mixer_, impacts_, beatToFrame(96.75), 0.2f);
    }

    // Beats 96-160: water. Four bars without drums, bells rippling like drops,
    // then the groove returns under the second theme on a flute-like lead.
    void water() {
        pads(24, 40, kWaterPad, 0.36f);
        droplets(24, 28, 0.22f, 0.5f);
        droplets(28, 40, 0.15f, 0.35f);
        for (int bar = 24; bar < 28; ++bar)
            bass(mixer_, bass_, beatToFrame(bar * 4), beatToFrame(3.8), harmony(bar).root, 0.42f, kWarmBass);
        hats(25, 28, HatPattern::Sixteenths, 0.1f);
        riser(mixer_, atmos_, beatToFrame(104), beatToFrame(112), 0.2f, 400.0f, 6000.0f);
        snareRoll(110, 112, 0.25, 0.15f, 0.45f);
        impact(112, 0.7f);
        fourOnFloor(28, 39, 0.9f, kKick);
        for (double beat : {156.0, 157.0, 158.0}) kickAt(beat, 0.9f, kKick);
        backbeat(28, 39, 0.45f, false);
        hats(28, 40, HatPattern::Sixteenths, 0.24f);
        static const std::vector<BassHit> rolling = {
            {0, 1, 0, 0.6f}, {1, 1, 0, 0.5f}, {2, 1, 12, 1.0f}, {3, 1, 0, 0.6f},
            {4, 1, 0, 0.6f}, {5, 1, 12, 0.7f}, {6, 1, 0, 1.0f}, {7, 1, 0, 0.5f},
            {8, 1, 0, 0.6f}, {9, 1, 0, 0.5f}, {10, 1, 12, 1.0f}, {11, 1, 0, 0.6f},
            {12, 1, 0, 0.6f}, {13, 1, 12, 0.7f}, {14, 1, 7, 1.0f}, {15, 1, 0, 0.5f}};
        bassline(28, 40, rolling, kRollingBass, 0.45f);
        melody(kThemeB, 128, 0, kFluteLead, 0.32f);
        snareRoll(156, 158, 0.5, 0.3f, 0.45f);
        snareRoll(158, 160, 0.25, 0.35f, 0.6f);
        riser(mixer_, atmos_, beatToFrame(152), beatToFrame(160), 0.25f, 300.0f, 7000.0f);
    }

    // Beats 160-224: the stumps grow. The full groove; bells hint at the
    // theme, the lead plays it whole, then an octave higher; the machines'
    // arrival is announced by a spin-down.
    void stumps() {
        impact(160, 0.9f);
        fourOnFloor(40, 55, 0.95f, kKick);
        for (double beat : {220.0, 221.0}) kickAt(beat, 0.95f, kKick);
        backbeat(40, 55, 0.5f, true);
        hats(40, 44, HatPattern::Sixteenths, 0.25f);
        hats(44, 55, HatPattern::Driving, 0.26f);
        static const std::vector<BassHit> driving = {
            {2, 1, 0, 1.0f}, {3, 1, 0, 0.65f}, {6, 1, 12, 1.0f}, {7, 1, 0, 0.65f},
            {10, 1, 0, 1.0f}, {11, 1, 0, 0.65f}, {14, 1, 12, 1.0f}, {15, 1, 7, 0.7f}};
        bassline(40, 55, driving, kDrivingBass, 0.5f);
        pads(40, 56, kSoftPad, 0.36f);
        arpeggio(40, 55, 1, 0.16f, 3200.0f);
        bellMelody(kThemeA, 160, 12, 0.28f, 0.9f, 0, 16);
        melody(kThemeA, 176, 0, kFullLead, 0.34f);
        melody(kThemeA, 208, 12, kFullLead, 0.26f, 16, 32);
        bellMelody(kThemeA, 208, 12, 0.2f, 0.7f, 16, 32);
        reverseCymbal(mixer_, impacts_, beatToFrame(224), beatToFrame(3), 0.35f);
        powerDown(mixer_, atmos_, beatToFrame(222), beatToFrame(224), 0.35f);
    }

    // Beats 224-256: machines at night. Heavy kick, tight hats, metal
    // clanks, an acid bass whose filter slowly opens, dark chords.
    void machines() {
        impact(224, 1.0f);
        fourOnFloor(56, 64, 1.0f, kHeavyKick);
        for (int bar = 56; bar < 64; ++bar) {
            const double beat = bar * 4 + 3;
            clap(mixer_, snares_, beatToFrame(beat), humanise(beat, 0.5f));
            snare(mixer_, snares_, beatToFrame(bar * 4 + 1.75), humanise(bar * 4 + 1.75, 0.16f), 0.3f);
            snare(mixer_, snares_, beatToFrame(bar * 4 + 2.5), humanise(bar * 4 + 2.5, 0.12f), -0.3f);
        }
        hats(56, 64, HatPattern::Tight, 0.3f);
        static const float kClankHz[4] = {410.0f, 560.0f, 365.0f, 690.0f};
        for (int bar = 56; bar < 64; ++bar) {
            int i = 0;
            for (int step : {3, 6, 11, 14}) {
                const double beat = bar * 4 + step * 0.25;
                const float hz = kClankHz[size_t(i + bar) % 4];
                clank(mixer_, hats_, beatToFrame(beat), humanise(beat, 0.22f), hz, (i % 2 ? 0.55f : -0.55f));
                ++i;
            }
            if (bar % 2 == 0)
                whoosh(mixer_, atmos_, beatToFrame(bar * 4 + 1.5), beatToFrame(bar * 4 + 3.5), 0.12f, 2500.0f);
        }
        // Acid line: intervals within the fifth and octave, accents on the
        // off-beats; the filter opens bar by bar.
        static const int kAcid[16] = {0, 12, 0, 0, 7, 0, 12, 0, 0, 5, 0, 12, 0, 7, 12, 0};
        static const float kAccent[16] = {1.0f, 0.6f, 0.7f, 0.5f, 0.9f, 0.5f, 1.0f, 0.5f,
                                          0.8f, 0.6f, 0.6f, 1.0f, 0.6f, 0.9f, 1.0f, 0.5f};
        for (int bar = 56; bar < 64; ++bar) {
            BassStyle acid{260.0f + 110.0f * float(bar - 56), 4.5f, 0.08f, 4.2f, 1.0f, 0.0f, 0.45f, 2.4f, 0.02f};
            int previous = -1;
            for (int step = 0; step < 16; ++step) {
                const double beat = bar * 4 + step * 0.25;
                const int midi = harmony(bar).root + 12 + kAcid[step];
                // Slides into the octave notes.
                const int slide = kAcid[step] == 12 ? previous : -1;
                bass(mixer_, bass_, beatToFrame(beat), beatToFrame(0.22), midi,
                     humanise(beat, 0.4f * kAccent[step], 0.04f), acid, slide);
                previous = midi;
            }
        }
        pads(56, 64, kNightPad, 0.3f, -12);
        bass(mixer_, bass_, beatToFrame(224), beatToFrame(31.5), 26, 0.35f, kSubDrone);
        for (double beat : {232.0, 240.0, 248.0, 252.0})
            bell(mixer_, bells_, beatToFrame(beat), beat == 252.0 ? 81 : 86, 0.16f, beat == 240.0 ? 0.5f : -0.5f,
                 1.2f);
    }

    // Beats 256-288: the four title cards, eight beats each. Every card
    // starts with a hit and a rising call on the lead; the snare doubles its
    // speed with each card, the chords climb Bb C Dm A with their filter
    // opening, a noise riser grows under all of it. Beat 287 is a breath of
    // silence before the fire.
    void titles() {
        static const std::array<std::array<int, 3>, 4> kCalls = {
            std::array<int, 3>{74, 77, 81}, {76, 79, 84}, {77, 81, 86}, {76, 81, 85}};
        static const float kPadCutoff[4] = {700.0f, 1300.0f, 2400.0f, 4200.0f};
        for (int card = 0; card < 4; ++card) {
            const double start = 256.0 + 8.0 * card;
            const int bar = 64 + 2 * card;
            impact(start, 0.55f + 0.1f * float(card));
            PadStyle style = kSoftPad;
            style.cutoff = kPadCutoff[card];
            style.attack = 0.3f;
            if (card == 3) style.release = 0.06f;  // leave beat 287 empty
            const double padLength = card == 3 ? 7.0 : 8.0;
            pad(mixer_, pads_, beatToFrame(start), beatToFrame(padLength), harmony(bar).tones,
                0.34f + 0.03f * float(card), style);
            for (int i = 0; i < 3; ++i) {
                const double beat = start + i;
                lead(mixer_, leads_, beatToFrame(beat), beatToFrame(i == 2 ? 2.0 : 0.9), kCalls[size_t(card)][size_t(i)],
                     0.26f + 0.02f * float(card), kFullLead, -1);
                lead(mixer_, leads_, beatToFrame(beat + 4), beatToFrame(i == 2 ? 0.95 : 0.9),
                     kCalls[size_t(card)][size_t(i)] - 12, 0.18f + 0.02f * float(card), kSoftLead, -1);
            }
            // Bass pulses in eighths, sixteenths on the last card.
            const double stepBeats = card == 3 ? 0.25 : 0.5;
            const double end = card == 3 ? 287.0 : start + 8.0;
            BassStyle style2 = kDrivingBass;
            style2.cutoff = 300.0f + 200.0f * float(card);
            int i = 0;
            for (double beat = start; beat < end - 1e-9; beat += stepBeats, ++i) {
                const int midi = harmony(bar).root + (i % 4 == 2 ? 12 : 0);
                bass(mixer_, bass_, beatToFrame(beat), beatToFrame(stepBeats * 0.8), midi,
                     0.32f + 0.06f * float(card), style2);
            }
            arpeggio(bar, bar + 2, card >= 2 ? 1 : 0, 0.12f + 0.03f * float(card), 1500.0f + 900.0f * float(card),
                     287.0);
        }
        // Drums: kick throughout, snare in quarters, eighths, sixteenths, then
        // thirty-seconds at the very end.
        for (double beat = 256; beat < 287; beat += 1.0) kickAt(beat, 0.95f, kKick);
        snareRoll(256, 264, 1.0, 0.2f, 0.3f);
        snareRoll(264, 272, 0.5, 0.25f, 0.38f);
        snareRoll(272, 280, 0.25, 0.28f, 0.45f);
        snareRoll(280, 285, 0.25, 0.36f, 0.5f);
        snareRoll(285, 287, 0.125, 0.32f, 0.45f);
        hats(64, 71, HatPattern::Sixteenths, 0.2f);
        riser(mixer_, atmos_, beatToFrame(256), beatToFrame(287), 0.3f, 200.0f, 9000.0f);
        reverseCymbal(mixer_, impacts_, beatToFrame(287), beatToFrame(4), 0.4f);
    }

    // Beats 288-420: fire. The climax: the main theme twice (the second time
    // doubled an octave up), a half-time breath at the next cut, then the
    // second theme twice, under crackling flames.
    void fire() {
        impact(288, 1.2f);
        whoosh(mixer_, atmos_, beatToFrame(288.5), beatToFrame(290), 0.5f, 5000.0f);  // the fire catches at 289
        crackle(mixer_, atmos_, beatToFrame(289), beatToFrame(424), 22.0f, 0.22f);

        fourOnFloor(72, 87, 1.0f, kHeavyKick);
        for (double beat : {348.0, 349.0}) kickAt(beat, 1.0f, kHeavyKick);
        backbeat(72, 87, 0.55f, true);
        hats(72, 87, HatPattern::Driving, 0.28f);
        snareRoll(348, 350, 0.25, 0.3f, 0.42f);
        snareRoll(350, 352, 0.125, 0.3f, 0.45f);

        impact(352, 1.0f);
        for (int bar = 88; bar < 90; ++bar) {  // half time
            kickAt(bar * 4, 1.0f, kHeavyKick);
            kickAt(bar * 4 + 2.5, 0.7f, kHeavyKick);
            clap(mixer_, snares_, beatToFrame(bar * 4 + 2), 0.55f);
            snare(mixer_, snares_, beatToFrame(bar * 4 + 2), 0.4f);
        }
        hats(88, 90, HatPattern::Offbeats, 0.26f);
        fourOnFloor(90, 104, 1.0f, kHeavyKick);
        backbeat(90, 104, 0.55f, true);
        hats(90, 104, HatPattern::Driving, 0.3f);
        crash(mixer_, impacts_, beatToFrame(384), 0.35f);

        static const std::vector<BassHit> driving = {
            {0, 1, 0, 0.5f}, {2, 1, 0, 1.0f}, {3, 1, 0, 0.65f}, {6, 1, 12, 1.0f}, {7, 1, 0, 0.65f},
            {10, 1, 0, 1.0f}, {11, 1, 0, 0.65f}, {14, 1, 12, 1.0f}, {15, 1, 7, 0.7f}};
        bassline(72, 104, driving, kDrivingBass, 0.55f);
        pads(72, 104, kFirePad, 0.36f);
        arpeggio(72, 88, 1, 0.15f, 3800.0f);
        arpeggio(90, 104, 1, 0.15f, 4200.0f);

        melody(kThemeA, 288, 0, kFireLead, 0.36f);
        melody(kThemeA, 320, 0, kFireLead, 0.34f);
        melody(kThemeA, 320, 12, kFireLead, 0.2f);
        melody(kThemeB, 352, 0, kFireLead, 0.36f);
        melody(kThemeB, 384, 0, kFireLead, 0.34f);
        melody(kThemeB, 384, 12, kFireLead, 0.2f);
        droplets(96, 104, 0.12f, 0.3f);
    }

    // Beats 416-434: a cadence bar (Bb, C) with a tom fill, the final D minor
    // chord on beat 420, and the opening bells once more as it rings out.
    void ending() {
        const std::vector<int> bb = kBb.tones, c = kC.tones;
        pad(mixer_, pads_, beatToFrame(416), beatToFrame(2), bb, 0.38f, kFirePad);
        pad(mixer_, pads_, beatToFrame(418), beatToFrame(2), c, 0.4f, kFirePad);
        bass(mixer_, bass_, beatToFrame(416), beatToFrame(1.9), 34, 0.55f, kDrivingBass);
        bass(mixer_, bass_, beatToFrame(418), beatToFrame(1.9), 36, 0.55f, kDrivingBass);
        lead(mixer_, leads_, beatToFrame(416), beatToFrame(1.9), 77, 0.34f, kFireLead);
        lead(mixer_, leads_, beatToFrame(418), beatToFrame(1.9), 76, 0.34f, kFireLead, 77);
        kickAt(416, 1.0f, kHeavyKick);
        kickAt(418, 1.0f, kHeavyKick);
        static const float kTomHz[8] = {210.0f, 190.0f, 170.0f, 150.0f, 135.0f, 120.0f, 105.0f, 92.0f};
        for (int i = 0; i < 8; ++i) {
            const double beat = 418.0 + 0.25 * i;
            tom(mixer_, snares_, beatToFrame(beat), 0.35f + 0.05f * float(i), kTomHz[i], 0.6f - 0.17f * float(i));
        }
        snareRoll(416, 418, 0.25, 0.3f, 0.5f);

        // The last chord.
        impact(420, 1.3f);
        kickAt(420, 1.0f, kHeavyKick);
        PadStyle last = kFirePad;
        last.release = 1.3f;
        last.cutoff = 2200.0f;
        pad(mixer_, pads_, beatToFrame(420), beatToFrame(4), {50, 57, 62, 65, 69}, 0.42f, last);
        BassStyle lastBass = kWarmBass;
        lastBass.release = 1.0f;
        bass(mixer_, bass_, beatToFrame(420), beatToFrame(4), 38, 0.55f, lastBass);
        LeadStyle lastLead = kFireLead;
        lastLead.release = 0.8f;
        lead(mixer_, leads_, beatToFrame(420), beatToFrame(3), 74, 0.32f, lastLead, 76);
        bellMelody(kIntroBells, 422, 0, 0.24f, 1.6f, 8, 16);
        wind(mixer_, atmos_, beatToFrame(420), kLengthFrames, 0.35f);
    }

    Mixer& mixer_;
    std::vector<int64_t> kicks_;
    Route drums_, snares_, hats_, bass_, pads_, arps_, leads_, bells_, atmos_, impacts_;
};

// ---------------------------------------------------------------------------
// Mixing and mastering

// How far the side-chained buses dip after each kick: 0 (no dip) to 1.
std::vector<float> kickEnvelope(const std::vector<int64_t>& kicks, size_t frames) {
    std::vector<float> envelope(frames, 0.0f);
    const int64_t attack = kSampleRate / 200;  // 5 ms
    const int64_t length = kBeatFrames;
    for (int64_t at : kicks) {
        Decay release(1.0f, 0.11f);
        for (int64_t n = 0; n < length; ++n) {
            const int64_t i = at + n;
            if (i < 0 || i >= int64_t(frames)) break;
            const float value = n < attack ? float(n) / float(attack) : release.next();
            envelope[size_t(i)] = std::max(envelope[size_t(i)], value);
        }
    }
    return envelope;
}

StereoBuffer mixDown(Mixer& mixer, const std::vector<int64_t>& kicks) {
    const size_t frames = mixer.frames();
    {
        PingPongDelay delay(beatToFrame(0.75), 0.42f, 2800.0f);  // dotted eighth
        delay.process(mixer.delaySend);
        for (size_t i = 0; i < frames; ++i) {  // echoes reverberate a little too
            mixer.reverbSend.left[i] += 0.25f * mixer.delaySend.left[i];
            mixer.reverbSend.right[i] += 0.25f * mixer.delaySend.right[i];
        }
        Reverb reverb(0.86f, 0.35f);
        reverb.process(mixer.reverbSend);
    }
    const std::vector<float> duck = kickEnvelope(kicks, frames);
    // The breath before the fire: the echoes and the room are pulled down
    // for beat 287 so that it is nearly silent.
    const int64_t breathFrom = beatToFrame(287.0), breathTo = beatToFrame(288.0);
    const float ramp = 0.02f * kSampleRate;
    auto effectsGain = [&](int64_t i) {
        if (i < breathFrom - int64_t(ramp) || i >= breathTo) return 1.0f;
        const float in = std::min(1.0f, float(breathFrom - i) / ramp);
        const float out = std::min(1.0f, float(breathTo - i) / ramp);
        return 0.12f + 0.88f * std::max(0.0f, std::max(in, 1.0f - out));
    };
    StereoBuffer master(frames);
    for (size_t i = 0; i < frames; ++i) {
        const float padGain = 1.0f - 0.6f * duck[i];
        const float bassGain = 1.0f - 0.45f * duck[i];
        const float reverbGain = (1.0f - 0.35f * duck[i]) * effectsGain(int64_t(i));
        master.left[i] = mixer.plain.left[i] + padGain * mixer.ducked.left[i] + bassGain * mixer.bass.left[i] +
                         reverbGain * (0.9f * mixer.reverbSend.left[i] + 0.5f * mixer.delaySend.left[i]);
        master.right[i] = mixer.plain.right[i] + padGain * mixer.ducked.right[i] + bassGain * mixer.bass.right[i] +
                          reverbGain * (0.9f * mixer.reverbSend.right[i] + 0.5f * mixer.delaySend.right[i]);
    }
    return master;
}

float peakOf(const StereoBuffer& buffer) {
    float peak = 0.0f;
    for (size_t i = 0; i < buffer.frames(); ++i)
        peak = std::max({peak, std::fabs(buffer.left[i]), std::fabs(buffer.right[i])});
    return peak;
}

// Removes DC and sub-sonic rumble, rounds the loudest peaks off with a soft
// saturation, fades the very end, and scales the peak to -1.1 dBFS.
void master(StereoBuffer& mix) {
    const size_t frames = mix.frames();
    for (std::vector<float>* side : {&mix.left, &mix.right}) {
        Svf highPass;
        highPass.set(24.0f, 0.7f);
        for (float& sample : *side) sample = highPass.high(sample);
    }
    const float peak = peakOf(mix);
    if (peak <= 0.0f) return;
    // Peaks above about half of the maximum are bent smoothly: drum hits
    // give up a few dB so that the music can be louder.
    const float drive = 1.6f / peak;
    const float norm = 1.0f / softClip(1.6f);
    const size_t fade = size_t(kSampleRate) * 3 / 2;
    for (size_t i = 0; i < frames; ++i) {
        const float edge = i + fade > frames ? float(frames - i) / float(fade) : 1.0f;
        mix.left[i] = softClip(mix.left[i] * drive) * norm * edge;
        mix.right[i] = softClip(mix.right[i] * drive) * norm * edge;
    }
    const float target = dbToGain(-1.1f);
    const float scale = target / peakOf(mix);
    for (size_t i = 0; i < frames; ++i) {
        mix.left[i] *= scale;
        mix.right[i] *= scale;
    }
}

}  // namespace

StereoBuffer composeSoundtrack() {
    StereoBuffer result;
    std::vector<int64_t> kicks;
    {
        Mixer mixer{static_cast<size_t>(kLengthFrames)};
        Arrangement arrangement(mixer);
        arrangement.compose();
        kicks = arrangement.kicks();
        result = mixDown(mixer, kicks);
    }
    master(result);
    return result;
}

}  // namespace music
