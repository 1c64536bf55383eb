// The soundtrack the build composes: format, length, level, its sections,
// the mix (low end, width, loudness arc, true peak), the hits on the
// picture's cues, and that the composer always writes the same bytes.

#include "TestFlac.h"

#include "assets/music/Composition.h"
#include "assets/music/Cues.h"
#include "assets/music/Master.h"
#include "audio/FlacStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>

namespace {

const std::string kTrack = std::string(TOLMERO_BUILD_DIR) + "/track.flac";
constexpr double kSecondsPerBeat = 60.0 / 105.0;

struct Decoded {
    FlacInfo info;
    std::vector<float> samples;  // interleaved stereo

    double rmsDb(double fromBeat, double toBeat) const {
        const size_t from = size_t(fromBeat * kSecondsPerBeat * info.sampleRate);
        const size_t to = std::min(samples.size() / 2, size_t(toBeat * kSecondsPerBeat * info.sampleRate));
        double sum = 0.0;
        for (size_t i = 2 * from; i < 2 * to; ++i) sum += double(samples[i]) * samples[i];
        return 10.0 * std::log10(sum / double(2 * (to - from)) + 1e-20);
    }
};

const Decoded& track() {
    static const Decoded decoded = [] {
        Decoded d;
        FlacStream stream;
        std::string why;
        EXPECT_TRUE(stream.open(kTrack, &why)) << kTrack << ": " << why;
        d.info = stream.info();
        d.samples.resize(size_t(d.info.totalFrames) * 2);
        size_t at = 0;
        while (size_t count = stream.read(d.samples.data() + 2 * at, 65536)) at += count;
        EXPECT_EQ(stream.decodeErrors(), 0u);
        return d;
    }();
    return decoded;
}

TEST(Soundtrack, IsLongCdQualityStereo) {
    const Decoded& t = track();
    EXPECT_EQ(t.info.sampleRate, 44100u);
    EXPECT_EQ(t.info.bitsPerSample, 16u);
    EXPECT_EQ(t.info.channels, 2u);
    // The keyed timeline ends at beat 421.076 (240.6 s); the music rings out after it.
    EXPECT_GE(t.info.durationSeconds(), 241.0);
    EXPECT_LE(t.info.durationSeconds(), 255.0);
}

TEST(Soundtrack, PeaksAtMostOneDecibelBelowFullScale) {
    float peak = 0.0f;
    for (float sample : track().samples) peak = std::max(peak, std::fabs(sample));
    EXPECT_LE(20.0 * std::log10(peak), -1.0);
    EXPECT_GE(20.0 * std::log10(peak), -3.0);  // normalised, not merely quiet
}

TEST(Soundtrack, SectionsFollowTheProduction) {
    const Decoded& t = track();
    const double forest = t.rmsDb(0, 32), logo = t.rmsDb(32, 96), water = t.rmsDb(112, 160),
                 stumps = t.rmsDb(160, 224), machines = t.rmsDb(224, 256), titles = t.rmsDb(256, 287),
                 fire = t.rmsDb(289, 413);
    for (double level : {forest, logo, water, stumps, machines, titles, fire}) EXPECT_GT(level, -30.0);
    // The sparse forest opening is clearly quieter than the fire at the end.
    EXPECT_LT(forest, fire - 6.0);
    EXPECT_LT(logo, fire);
    // A breath before the fire: beat 287 to 288 is much quieter than what surrounds it.
    EXPECT_LT(t.rmsDb(287.1, 287.9), titles - 10.0);
    // After the last chord it is still sounding, then dies away with the end.
    const double endBeat = t.info.durationSeconds() / kSecondsPerBeat;
    const double ringing = t.rmsDb(music::kLastChordBeat + 0.1, music::kLastChordBeat + 2),
                 later = t.rmsDb(endBeat - 1.5, endBeat - 0.5),
                 last = t.rmsDb(endBeat - 0.25 / kSecondsPerBeat, endBeat);
    EXPECT_GT(ringing, -30.0);
    EXPECT_LT(later, ringing - 10.0);
    EXPECT_LT(last, -45.0);
}

// --- the mix ---------------------------------------------------------------------

constexpr double kPi = 3.14159265358979323846;

// The decoded track as two channels, for the composer's meters.
const music::StereoBuffer& stereo() {
    static const music::StereoBuffer buffer = [] {
        const Decoded& t = track();
        music::StereoBuffer b(t.samples.size() / 2);
        for (size_t i = 0; i < b.frames(); ++i) {
            b.left[i] = t.samples[2 * i];
            b.right[i] = t.samples[2 * i + 1];
        }
        return b;
    }();
    return buffer;
}

size_t frameAt(double beat) { return size_t(std::lround(beat * kSecondsPerBeat * 44100.0)); }

struct Section {
    const char* name;
    double from, to;
};
// The sections as the picture has them: between the scene changes, the cards,
// the fire from the flames to the timeline's end.
std::vector<Section> sections() {
    const music::Cues& c = music::productionCues();
    return {{"forest", 0.0, c.sceneChanges[0]},       {"logo", c.sceneChanges[0], c.sceneChanges[1]},
            {"water", c.sceneChanges[1], c.sceneChanges[2]}, {"stumps", c.sceneChanges[2], c.sceneChanges[3]},
            {"machines", c.sceneChanges[3], c.cards[0]},  {"titles", c.cards[0], c.cardsEnd},
            {"fire", c.flames, music::kLastChordBeat}};
}

struct Biquad {
    double b0, b1, b2, a1, a2, z1 = 0, z2 = 0;
    double process(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};
Biquad lowPass(double hz, double q) {
    const double w = 2 * kPi * hz / 44100.0, alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    return {(1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}
Biquad highPass(double hz, double q) {
    const double w = 2 * kPi * hz / 44100.0, alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}
Biquad bandPass(double hz, double q) {
    const double w = 2 * kPi * hz / 44100.0, alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    return {alpha / a0, 0.0, -alpha / a0, -2 * c / a0, (1 - alpha) / a0};
}

TEST(SoundtrackMix, LowEndStaysTightInEverySection) {
    // Energy below 60 Hz (fourth-order low-pass) against all of it.
    const music::StereoBuffer& b = stereo();
    std::vector<double> low(b.frames()), all(b.frames());
    for (const std::vector<float>* side : {&b.left, &b.right}) {
        Biquad first = lowPass(60.0, 0.5412), second = lowPass(60.0, 1.3066);
        for (size_t i = 0; i < b.frames(); ++i) {
            const double x = (*side)[i], y = second.process(first.process(x));
            low[i] += y * y;
            all[i] += x * x;
        }
    }
    auto share = [&](double from, double to) {
        double l = 0.0, a = 0.0;
        for (size_t i = frameAt(from); i < std::min(frameAt(to), b.frames()); ++i) {
            l += low[i];
            a += all[i];
        }
        return l / a;
    };
    EXPECT_LE(share(0.0, music::kLengthBeats), 0.30);
    for (const Section& s : sections()) EXPECT_LE(share(s.from, s.to), 0.30) << s.name;
}

TEST(SoundtrackMix, StereoIsWideButNeverHollow) {
    const music::StereoBuffer& b = stereo();
    for (const Section& s : sections()) {
        double lr = 0.0, ll = 0.0, rr = 0.0;
        for (size_t i = frameAt(s.from); i < frameAt(s.to); ++i) {
            lr += double(b.left[i]) * b.right[i];
            ll += double(b.left[i]) * b.left[i];
            rr += double(b.right[i]) * b.right[i];
        }
        const double correlation = lr / std::sqrt(ll * rr);
        EXPECT_GE(correlation, 0.5) << s.name;
        EXPECT_LE(correlation, 0.85) << s.name;
    }
}

TEST(SoundtrackMix, LoudnessBuildsToTheFireUnderTheCeiling) {
    const music::StereoBuffer& b = stereo();
    std::map<std::string, double> lufs;
    for (const Section& s : sections())
        lufs[s.name] = music::integratedLoudness(b, frameAt(s.from), frameAt(s.to));
    const double whole = music::integratedLoudness(b);
    EXPECT_NEAR(whole, -9.5, 1.0);
    EXPECT_GE(lufs["fire"], lufs["forest"] + 3.0);
    EXPECT_GE(lufs["fire"], lufs["stumps"] + 1.5);
    // The quiet opening, the groove's entry, and the build through the stumps.
    EXPECT_LT(lufs["forest"], lufs["logo"]);
    EXPECT_LT(lufs["logo"], lufs["stumps"]);
    EXPECT_LE(music::truePeakDb(b), -1.0);
}

// The strongest attack near `beat`, timed as the report times it: on the
// signal above 800 Hz (a causal filter), the place where the next 10 ms grow
// most over the 50 ms before, then the first millisecond that gets halfway
// (in dB) from the level before to the attack's peak. Seconds from the beat.
double onsetNear(double beat) {
    const music::StereoBuffer& b = stereo();
    const size_t centre = frameAt(beat), reach = 4410, ahead = 441, behind = 2205, pad = 22050;
    std::vector<double> energy(1, 0.0);
    Biquad first = highPass(800.0, 0.7071);
    for (size_t i = centre - 2 * pad; i < centre + pad; ++i) {
        const double y = first.process(0.5 * (double(b.left[i]) + b.right[i]));
        if (i >= centre - pad) energy.push_back(energy.back() + y * y);
    }
    auto mean = [&](size_t from, size_t count) { return (energy[from + count] - energy[from]) / double(count); };
    size_t best = pad;
    double bestRise = -1.0;
    for (size_t at = pad - reach; at < pad + reach; ++at) {
        const double rise = mean(at, ahead) - mean(at - behind, behind);
        if (rise > bestRise) {
            bestRise = rise;
            best = at;
        }
    }
    const double base = std::max(mean(best - behind, behind), 1e-14);
    double peak = 0.0;
    for (size_t i = best; i < best + ahead + 220; ++i) peak = std::max(peak, mean(i, 44));
    const double halfway = std::sqrt(base * peak);
    for (size_t i = best - 661; i < best + ahead + 220; ++i)
        if (mean(i, 44) >= halfway) return (double(i) + 22.0 - double(pad)) / 44100.0;
    return (double(best) - double(pad)) / 44100.0;
}

TEST(SoundtrackMix, HitsLandOnThePicturesCues) {
    for (const music::Cue& cue : music::productionCues().all())
        EXPECT_LE(std::fabs(onsetNear(cue.beat)), 0.010) << cue.what << " at beat " << cue.beat;
}

TEST(SoundtrackMix, TheBreathBeforeTheFireIsClean) {
    const music::Cues& c = music::productionCues();
    // From just after the stop on the last card to the swell into the fire.
    EXPECT_LT(track().rmsDb(c.cardsEnd + 0.15, c.flames - 0.75), -45.0);
}

// After the last chord nothing new may start: in no third-octave band that
// holds something may a 40 ms frame rise more than 6 dB over the loudest
// frame of the 600 ms before it (the chord's own decay and beating never do).
TEST(SoundtrackMix, NothingStartsAfterTheLastChord) {
    const music::StereoBuffer& b = stereo();
    constexpr int kBands = 22;
    const size_t from = frameAt(music::kLastChordBeat + 0.25) - 26460, frame = 2028, hop = 441;
    // Two band-passes in a row per band, so the chord's partials in the
    // neighbouring bands do not leak in.
    std::array<Biquad, kBands> filters, again;
    for (int k = 0; k < kBands; ++k) filters[size_t(k)] = again[size_t(k)] = bandPass(100.0 * std::pow(2.0, k / 3.0), 3.0);
    std::vector<std::array<double, kBands>> power;
    std::array<double, kBands> sum{};
    size_t count = 0;
    for (size_t i = from; i < b.frames(); ++i) {
        const double x = 0.5 * (double(b.left[i]) + b.right[i]);
        for (int k = 0; k < kBands; ++k) {
            const double y = again[size_t(k)].process(filters[size_t(k)].process(x));
            sum[size_t(k)] += y * y;
        }
        if (++count == hop) {
            power.push_back(sum);
            sum = {};
            count = 0;
        }
    }
    const size_t window = frame / hop, history = 60;
    double worst = -99.0;
    for (size_t i = history + window + 8; i + window < power.size(); ++i) {
        auto level = [&](size_t at, int k) {
            double p = 0.0;
            for (size_t j = at; j < at + window; ++j) p += power[j][size_t(k)];
            return p + 1e-20;
        };
        double loudest = 0.0;
        for (int k = 0; k < kBands; ++k) loudest = std::max(loudest, level(i, k));
        for (int k = 0; k < kBands; ++k) {
            if (level(i, k) < loudest * 1e-4) continue;
            double before = 0.0;
            for (size_t j = i - window - history; j + window <= i; ++j) before = std::max(before, level(j, k));
            worst = std::max(worst, 10.0 * std::log10(level(i, k) / before));
        }
    }
    EXPECT_LT(worst, 6.0);
}

TEST(Soundtrack, ComposerWritesTheSameBytesEveryTime) {
    TempDir dir;
    const std::string again = dir.file("again.flac");
    const std::string command = std::string(TOLMERO_COMPOSE) + " " + again + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<uint8_t> built = readBytes(kTrack);
    ASSERT_FALSE(built.empty());
    EXPECT_TRUE(readBytes(again) == built);
}

}  // namespace
