// The composer's parts that can be checked without rendering the piece: the
// cues it reads from the tracks, the score it writes, and the master bus's
// meters and limiter on short signals.

#include "assets/music/Composition.h"
#include "assets/music/Cues.h"
#include "assets/music/Master.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

namespace {

using music::ScoreNote;
using music::StereoBuffer;

constexpr double kPi = 3.14159265358979323846;

const std::vector<ScoreNote>& score() {
    static const std::vector<ScoreNote> notes = music::composeScore();
    return notes;
}

// --- cues ---------------------------------------------------------------------

TEST(Cues, AreTheTracksSceneChangesCardsAndFire) {
    const music::Cues& cues = music::productionCues();
    // The jumps of the "scene", "title" and "Flames enabled" keys.
    const std::vector<double> scenes = {31.978, 96.8138, 159.87, 224.111};
    const std::vector<double> cards = {255.899, 264.122, 272.139, 280.051};
    ASSERT_EQ(cues.sceneChanges.size(), scenes.size());
    for (size_t i = 0; i < scenes.size(); ++i) EXPECT_NEAR(cues.sceneChanges[i], scenes[i], 1e-3);
    ASSERT_EQ(cues.cards.size(), cards.size());
    for (size_t i = 0; i < cards.size(); ++i) EXPECT_NEAR(cues.cards[i], cards[i], 1e-3);
    EXPECT_NEAR(cues.cardsEnd, 287.014, 1e-3);
    EXPECT_NEAR(cues.flames, 289.007, 1e-3);
    // A cue is the first beat that reads the new value: just after the jump,
    // not on the key time that still reads the old one.
    EXPECT_GT(cues.sceneChanges[0], 31.978f);
    const std::vector<music::Cue> all = cues.all();
    EXPECT_EQ(all.size(), 10u);
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(),
                               [](const music::Cue& a, const music::Cue& b) { return a.beat < b.beat; }));
}

// --- score ---------------------------------------------------------------------

TEST(Score, CatchesEveryCueWithAHitAndKeepsTheMomentClear) {
    for (const music::Cue& cue : music::productionCues().all()) {
        int hits = 0;
        for (const ScoreNote& note : score()) {
            if (note.part != "drums") continue;
            if (std::fabs(note.at - cue.beat) < 1e-9) ++hits;
            // Nothing percussive in the 100 ms before a hit, where it would blur it.
            const double before = cue.beat - note.at;
            EXPECT_FALSE(before > 1e-9 && before < 0.175) << cue.what << ": drum " << note.midi << " at " << note.at;
        }
        EXPECT_GE(hits, 1) << cue.what << " at beat " << cue.beat;
    }
}

TEST(Score, NothingStartsAfterTheLastChord) {
    double lastWritten = 0.0, lastSounding = 0.0;
    for (const ScoreNote& note : score()) {
        if (note.part == "fx") continue;  // the wind under the last chord is laid from the chord on
        lastWritten = std::max(lastWritten, note.beat);
        lastSounding = std::max(lastSounding, note.at);
    }
    EXPECT_DOUBLE_EQ(lastWritten, music::kLastChordBeat);
    EXPECT_LT(lastSounding, music::kLastChordBeat + 0.05);
    int lastChord = 0;
    for (const ScoreNote& note : score()) lastChord += note.beat == music::kLastChordBeat;
    EXPECT_GE(lastChord, 8);  // chord, bass, lead, bells, kick and cymbal
}

// No stretch of eight bars is played literally (same notes, same rhythm, in
// the same part) more than twice, wherever it starts.
TEST(Score, NoEightBarStretchIsPlayedMoreThanTwice) {
    std::map<std::string, std::vector<const ScoreNote*>> parts;
    for (const ScoreNote& note : score()) parts[note.part].push_back(&note);
    for (auto& [part, notes] : parts) {
        std::sort(notes.begin(), notes.end(), [](const ScoreNote* a, const ScoreNote* b) {
            return std::tie(a->beat, a->midi, a->length) < std::tie(b->beat, b->midi, b->length);
        });
        using Stretch = std::vector<std::tuple<long, long, int>>;
        std::map<Stretch, std::vector<int>> starts;
        for (int start = 0; start <= 421; ++start) {
            Stretch stretch;
            for (const ScoreNote* n : notes)
                if (n->beat >= start - 1e-6 && n->beat < start + 32 - 1e-6)
                    stretch.emplace_back(std::lround((n->beat - start) * 1000), std::lround(n->length * 1000), n->midi);
            if (stretch.size() >= 4) starts[stretch].push_back(start);
        }
        for (const auto& [stretch, at] : starts) {
            int played = 0, last = -1000;
            for (int s : at)
                if (s - last >= 32) {
                    ++played;
                    last = s;
                }
            EXPECT_LE(played, 2) << part << ": the stretch from beat " << at.front() << " is played " << played << " times";
        }
    }
}

TEST(Score, GrooveSwingsTheOffSixteenthsAndNeverSitsDeadOnTheGrid) {
    double onSum = 0.0, offSum = 0.0;
    int on = 0, off = 0;
    std::set<long> offsets;
    for (const ScoreNote& note : score()) {
        if (note.part != "drums" || note.beat < 32 || note.beat >= 417) continue;
        const double sixteenths = note.beat * 4.0;
        if (std::fabs(sixteenths - std::round(sixteenths)) > 1e-6) continue;
        const double late = note.at - note.beat;
        offsets.insert(std::lround(late * 1e5));
        if (long(std::round(sixteenths)) % 2) {
            offSum += late;
            ++off;
        } else {
            onSum += late;
            ++on;
        }
    }
    ASSERT_GT(on, 100);
    ASSERT_GT(off, 100);
    EXPECT_GT(offSum / off - onSum / on, 0.015);  // off-sixteenths sound late: swing
    EXPECT_LT(std::fabs(onSum / on), 0.01);      // the beat itself stays put
    EXPECT_GT(offsets.size(), 200u);             // and no two hands play exactly alike
}

TEST(Score, BassStaysAboveTheFiftyHertzBand) {
    int bassNotes = 0;
    for (const ScoreNote& note : score()) {
        if (note.part != "bass") continue;
        ++bassNotes;
        EXPECT_GE(note.midi, 34) << "bass note at beat " << note.beat;  // Bb1, 58 Hz
    }
    EXPECT_GT(bassNotes, 500);
}

TEST(Score, BoomsOnlyWhereTheMachinesArriveAndTheFireCatches) {
    const music::Cues& cues = music::productionCues();
    std::vector<double> booms;
    for (const ScoreNote& note : score())
        if (note.part == "drums" && note.midi == 35) booms.push_back(note.at);
    ASSERT_EQ(booms.size(), 2u);
    EXPECT_NEAR(booms[0], cues.sceneChanges[3], 1e-9);
    EXPECT_NEAR(booms[1], cues.flames, 1e-9);
}

// --- master bus ------------------------------------------------------------------

StereoBuffer sine(double hz, double dbfs, double seconds, double rightPhase = 0.0) {
    StereoBuffer buffer(size_t(seconds * music::kSampleRate));
    const double amplitude = std::pow(10.0, dbfs / 20.0);
    for (size_t i = 0; i < buffer.frames(); ++i) {
        const double phase = 2.0 * kPi * hz * double(i) / music::kSampleRate;
        buffer.left[i] = float(amplitude * std::sin(phase));
        buffer.right[i] = float(amplitude * std::sin(phase + rightPhase));
    }
    return buffer;
}

TEST(Master, LoudnessMeterReadsTheReferenceSineAndGatesSilence) {
    // EBU Tech 3341: a 1 kHz sine at -23 dBFS on both channels reads -23 LUFS.
    EXPECT_NEAR(music::integratedLoudness(sine(1000.0, -23.0, 20.0)), -23.0, 0.1);
    // The K-weighting lifts the highs and drops the deep bass.
    EXPECT_GT(music::integratedLoudness(sine(4000.0, -23.0, 10.0)), -22.0);
    EXPECT_LT(music::integratedLoudness(sine(30.0, -23.0, 10.0)), -26.0);
    // Silence after the tone is gated away; a range reads only itself.
    StereoBuffer half = sine(1000.0, -23.0, 20.0);
    std::fill(half.left.begin() + half.frames() / 2, half.left.end(), 0.0f);
    std::fill(half.right.begin() + half.frames() / 2, half.right.end(), 0.0f);
    EXPECT_NEAR(music::integratedLoudness(half), -23.0, 0.1);
    EXPECT_TRUE(std::isinf(music::integratedLoudness(half, half.frames() / 2 + 100)));
}

TEST(Master, TruePeakMeterFindsThePeakBetweenSamples) {
    // A quarter of the sample rate, 45 degrees off: every sample sits at
    // 0.707 of the wave's crest, which lies between them.
    StereoBuffer buffer(4096);
    for (size_t i = 0; i < buffer.frames(); ++i)
        buffer.left[i] = buffer.right[i] = float(0.5 * std::sin(kPi / 2.0 * double(i) + kPi / 4.0));
    float samplePeak = 0.0f;
    for (float s : buffer.left) samplePeak = std::max(samplePeak, std::fabs(s));
    EXPECT_NEAR(20.0 * std::log10(samplePeak), -9.0, 0.1);
    EXPECT_NEAR(music::truePeakDb(buffer), -6.0, 0.3);
}

// A loud test mix: a chord of saws with a click of noise on every beat.
StereoBuffer loudMix(double seconds) {
    StereoBuffer mix(size_t(seconds * music::kSampleRate));
    uint32_t seed = 1;
    for (size_t i = 0; i < mix.frames(); ++i) {
        const double t = double(i) / music::kSampleRate;
        double chord = 0.0;
        for (double hz : {110.0, 164.8, 220.0, 277.2}) chord += 2.0 * (hz * t - std::floor(hz * t)) - 1.0;
        seed = seed * 1664525u + 1013904223u;
        const double beat = std::fmod(t, 60.0 / 105.0);
        const double click = (double(seed >> 8) / 8388608.0 - 1.0) * std::exp(-beat / 0.01);
        mix.left[i] = float(0.2 * chord + 0.9 * click);
        mix.right[i] = float(0.2 * chord * 0.9 + 0.9 * click);
    }
    return mix;
}

TEST(Master, BringsTheMixToItsLoudnessUnderTheCeiling) {
    StereoBuffer mix = loudMix(12.0);
    const music::MasterSettings settings;
    const music::MasterResult result = music::master(mix, settings);
    EXPECT_NEAR(result.loudnessLufs, settings.targetLufs, 0.3);
    // The last seconds fade; measure the loudness before them.
    EXPECT_NEAR(music::integratedLoudness(mix, 0, mix.frames() - size_t(2 * music::kSampleRate)), settings.targetLufs,
                0.4);
    EXPECT_LE(music::truePeakDb(mix), settings.ceilingDbtp + 0.05);
    EXPECT_GT(result.maxLimitingDb, 0.5);  // the clicks had to be caught
    EXPECT_EQ(mix.left.back(), 0.0f);      // and the very end is silent
}

// The amplitude of one frequency in the middle or the side of a stretch.
double component(const StereoBuffer& buffer, double hz, bool side, size_t from, size_t to) {
    double re = 0.0, im = 0.0;
    for (size_t i = from; i < to; ++i) {
        const double value = side ? 0.5 * (buffer.left[i] - buffer.right[i]) : 0.5 * (buffer.left[i] + buffer.right[i]);
        const double phase = 2.0 * kPi * hz * double(i) / music::kSampleRate;
        re += value * std::cos(phase);
        im += value * std::sin(phase);
    }
    return 2.0 * std::hypot(re, im) / double(to - from);
}

TEST(Master, CutsTheSubsonicsAndKeepsTheBassInTheMiddle) {
    // Each test tone rides with a 1 kHz guide tone in the middle, its level
    // the reference: what the master does to the tone against the guide.
    auto change = [](double hz, bool side) {
        StereoBuffer buffer = sine(hz, -12.0, 8.0, side ? kPi : 0.0);
        const StereoBuffer guide = sine(1000.0, -12.0, 8.0);
        for (size_t i = 0; i < buffer.frames(); ++i) {
            buffer.left[i] += guide.left[i];
            buffer.right[i] += guide.right[i];
        }
        const size_t from = buffer.frames() / 4, to = buffer.frames() / 2;
        const double before = component(buffer, hz, side, from, to) / component(buffer, 1000.0, false, from, to);
        music::master(buffer);
        const double after = component(buffer, hz, side, from, to) / component(buffer, 1000.0, false, from, to);
        return 20.0 * std::log10(after / before);
    };
    EXPECT_LT(change(15.0, false), -20.0);   // below the kick: the high-pass takes it
    EXPECT_GT(change(100.0, false), -1.0);   // the bass in the middle stays
    EXPECT_LT(change(60.0, true), -15.0);    // bass in the side is taken out
    EXPECT_GT(change(2000.0, true), 0.5);    // the highs in the side are widened
}

}  // namespace
