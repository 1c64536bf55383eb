// The track model on small hand-made tracks: bake, lookup and guards.
#include "tracks/TrackSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace tolmero {
namespace {

constexpr float kCorner = 3.0f;
constexpr float kSmooth = 1.0f;

TrackKey key(float time, float y, float w, float x = 0.0f, float z = 0.0f) {
    return TrackKey{time, TrackValue{x, y, z, w}};
}

TrackSet single(Track keys) {
    std::map<std::string, Track, std::less<>> table;
    table.emplace("t", std::move(keys));
    return TrackSet(std::move(table));
}

void expectValue(const TrackValue& got, const TrackValue& want, float tolerance = 0.0f) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
    EXPECT_NEAR(got.w, want.w, tolerance);
}

TEST(TrackBake, SampleCountAndEndPointsFollowControlPolygon) {
    // smooth + corner + smooth: 1 + 3 + 1 = 5 control points -> 160 * 6 + 1 samples.
    TrackSet set = single({key(-1.5f, 2.0f, kSmooth, 7.0f, -3.0f), key(2.0f, 5.0f, kCorner, 1.0f, 4.0f),
                           key(6.0f, -1.0f, kSmooth, 3.0f, 0.5f)});
    set.bake();
    const auto& s = set.samples("t");
    ASSERT_EQ(s.size(), 961u);

    const Track& k = set.keys().at("t");
    for (const auto& [sample, source] : {std::pair{s.front(), k.front()}, std::pair{s.back(), k.back()}}) {
        EXPECT_NEAR(sample.time, source.time, 1e-5f);
        expectValue(sample.value, source.value, 1e-5f);
    }
    // Baking again rebuilds rather than appends.
    set.bake();
    EXPECT_EQ(set.samples("t").size(), 961u);
}

TEST(TrackBake, CornerMarkerThresholdIsAboveTwoAndAHalf) {
    TrackSet set = single({key(0, 0, 2.5f), key(1, 1, 2.6f), key(2, 0, 1.0f)});
    set.bake();
    // 1 + 3 + 1 = 5 control points.
    EXPECT_EQ(set.samples("t").size(), 160u * 6 + 1);
}

TEST(TrackBake, EmptyTrackHasNoSamplesAndEvaluatesToZero) {
    std::map<std::string, Track, std::less<>> table;
    table.emplace("empty", Track{});
    table.emplace("one", Track{key(1, 2, kSmooth)});
    TrackSet set(std::move(table));
    expectValue(set.evaluate("empty", 1.0f), TrackValue{});
    EXPECT_TRUE(set.samples("empty").empty());
    EXPECT_EQ(set.samples("one").size(), 321u);
}

TEST(TrackEvaluate, SmoothKeysAreApproximated) {
    TrackSet set = single({key(0, 0, kSmooth), key(1, 1, kSmooth), key(2, 0, kSmooth)});
    EXPECT_NEAR(set.evaluate("t", 1.0f).y, 2.0f / 3.0f, 1e-5f);
    EXPECT_NEAR(set.evaluate("t", 0.5f).y, 0.464f, 1e-3f);
    EXPECT_NEAR(set.evaluate("t", 1.5f).y, 0.464f, 1e-3f);
    EXPECT_EQ(set.evaluate("t", 0.0f).y, 0.0f);
    EXPECT_EQ(set.evaluate("t", 2.0f).y, 0.0f);
    // w is interpolated like the other components.
    EXPECT_NEAR(set.evaluate("t", 0.7f).w, 1.0f, 1e-6f);
}

TEST(TrackEvaluate, CornerKeysGiveLinearInterpolationByTime) {
    TrackSet set = single({key(-2.0f, 1.0f, kCorner, 10.0f, 0.0f), key(3.0f, -4.0f, kCorner, 0.0f, 2.0f),
                           key(4.0f, 6.0f, kCorner, 5.0f, 2.0f), key(10.0f, 0.0f, kCorner, 5.0f, -4.0f)});
    const Track& k = set.keys().at("t");
    for (float t = -2.0f; t < 10.0f; t += 0.0625f) {
        std::size_t i = 0;
        while (k[i + 1].time < t) ++i;
        const float u = (t - k[i].time) / (k[i + 1].time - k[i].time);
        const TrackValue v = set.evaluate("t", t);
        EXPECT_NEAR(v.x, k[i].value.x + u * (k[i + 1].value.x - k[i].value.x), 1e-4f) << t;
        EXPECT_NEAR(v.y, k[i].value.y + u * (k[i + 1].value.y - k[i].value.y), 1e-4f) << t;
        EXPECT_NEAR(v.z, k[i].value.z + u * (k[i + 1].value.z - k[i].value.z), 1e-4f) << t;
        EXPECT_NEAR(v.w, kCorner, 1e-5f) << t;
    }
}

TEST(TrackEvaluate, HoldsFirstAndLastKeysOutsideTheSpan) {
    TrackSet set = single({key(2.0f, 3.0f, kCorner, 1.0f, 2.0f), key(5.0f, 7.0f, kSmooth), key(8.0f, -1.0f, kSmooth, 4.0f)});
    const Track& k = set.keys().at("t");
    expectValue(set.evaluate("t", -100.0f), k.front().value);
    expectValue(set.evaluate("t", 2.0f), k.front().value);  // first key time, first key a corner
    expectValue(set.evaluate("t", 8.0f), k.back().value);   // exactly, not a sample
    expectValue(set.evaluate("t", 1e6f), k.back().value);
    expectValue(set.evaluate("t", std::numeric_limits<float>::infinity()), k.back().value);
    expectValue(set.evaluate("t", -std::numeric_limits<float>::infinity()), k.front().value);
}

TEST(TrackEvaluate, SingleKeyHoldsEverywhere) {
    TrackSet set = single({key(4.0f, 0.25f, kSmooth, 1.0f, -2.0f)});
    for (float t : {-10.0f, 4.0f, 4.5f, 100.0f}) expectValue(set.evaluate("t", t), TrackValue{1.0f, 0.25f, -2.0f, kSmooth});
}

TEST(TrackEvaluate, JumpBetweenTwoCornerKeysAtOneTime) {
    TrackSet set = single({key(0, 0, kCorner), key(1, 1, kCorner), key(1, 5, kCorner), key(3, 5, kCorner)});
    EXPECT_NEAR(set.evaluate("t", 0.999f).y, 0.999f, 1e-3f);
    EXPECT_NEAR(set.evaluate("t", 1.0f).y, 1.0f, 1e-3f);  // the earlier key at the jump itself
    EXPECT_NEAR(set.evaluate("t", 1.001f).y, 5.0f, 1e-3f);
    EXPECT_NEAR(set.evaluate("t", 2.0f).y, 5.0f, 1e-4f);
}

TEST(TrackEvaluate, AllKeysAtOneTimeGiveFirstBeforeAndLastAtThatTime) {
    TrackSet set = single({key(3, 1, kCorner), key(3, 2, kCorner), key(3, 4, kSmooth)});
    EXPECT_EQ(set.evaluate("t", 2.999f).y, 1.0f);
    EXPECT_EQ(set.evaluate("t", 3.0f).y, 4.0f);
    EXPECT_EQ(set.evaluate("t", 3.001f).y, 4.0f);
}

TEST(TrackEvaluate, FirstSampleRoundedPastTheFirstKeyDoesNotDivideByZero) {
    // The first sample's time is a float sum of weighted copies of the first
    // key's time and can round above it, and the next samples move so little
    // in time that they round to the same value. A time between the first key
    // and the first sample then has no sample below it and a zero time
    // difference to its neighbour: it must give the first sample, not a NaN.
    int exercised = 0;
    for (float start = 1.0f; start < 400.0f; start += 0.37f) {
        TrackSet set = single({key(start, -2.0f, kSmooth), key(start + 1.0f, 6.0f, kSmooth), key(start + 2.0f, 0.0f, kSmooth)});
        set.bake();
        const auto& s = set.samples("t");
        const bool noneBelow = std::all_of(s.begin(), s.end(), [&](const TrackKey& k) { return k.time > start; });
        if (!noneBelow || s[1].time != s[0].time) continue;
        ++exercised;
        const TrackValue v = set.evaluate("t", std::nextafter(start, 1e9f));
        EXPECT_EQ(v.y, s[0].value.y) << start;
        EXPECT_EQ(v.w, s[0].value.w) << start;
    }
    EXPECT_GT(exercised, 0);
}

TEST(TrackEvaluate, TimesJustShortOfTheLastKeyStayWithinTheSamples) {
    // Sample times are float sums; the last sample can fall short of the last
    // key's time (weights summing a little above one, times below zero). A
    // time between the last sample and the last key has no later sample.
    int exercised = 0;
    for (float last = -400.0f; last < -1.0f; last += 3.7f) {
        TrackSet set = single({key(last - 300.0f, 1, kSmooth), key(last - 100.0f, 2, kSmooth), key(last, 3, kSmooth)});
        set.bake();
        const float end = set.samples("t").back().time;
        if (!(end < last)) continue;
        ++exercised;
        for (float t = std::nextafter(end, 0.0f); t < last; t = std::nextafter(t, 0.0f)) {
            EXPECT_NEAR(set.evaluate("t", t).y, 3.0f, 1e-4f) << last << " " << t;
        }
    }
    EXPECT_GT(exercised, 0);
}

TEST(TrackEvaluate, NotANumberGivesTheFirstKey) {
    TrackSet set = single({key(1, 2, kCorner, 3, 4), key(2, 5, kSmooth), key(3, 6, kCorner)});
    const float nan = std::numeric_limits<float>::quiet_NaN();
    expectValue(set.evaluate("t", nan), TrackValue{3, 2, 4, kCorner});
    expectValue(set.evaluate("t", -nan), TrackValue{3, 2, 4, kCorner});
}

TEST(TrackEvaluate, UnknownNamesGiveZerosWithoutBaking) {
    TrackSet set = single({key(0, 1, kSmooth), key(1, 2, kSmooth)});
    expectValue(set.evaluate("T", 0.5f), TrackValue{});
    expectValue(set.evaluate("", 0.5f), TrackValue{});
    EXPECT_TRUE(set.samples("t").empty());
    EXPECT_GT(set.evaluate("t", 0.5f).y, 1.0f);
    EXPECT_FALSE(set.samples("t").empty());
}

TEST(TrackHandle, EvaluatesAsTheNameDoesAndSurvivesEditsOfItsTrack) {
    TrackSet set = single({key(0, 1, kSmooth), key(1, 2, kCorner), key(2, 0, kSmooth)});
    const TrackHandle handle = set.require("t");
    ASSERT_TRUE(handle);
    EXPECT_FALSE(set.samples("t").empty()) << "finding a track bakes the set";
    for (float t : {-1.0f, 0.0f, 0.3f, 1.0f, 1.7f, 2.0f, 5.0f, std::numeric_limits<float>::quiet_NaN()}) {
        expectValue(set.evaluate(handle, t), set.evaluate("t", t));
    }
    // Replacing the keys, adding another track and baking again keep the
    // handle on the one track, with its new keys.
    set.setTrack("t", {key(0, 10, kCorner), key(1, 20, kCorner)});
    set.setTrack("u", {key(0, -1, kCorner), key(1, -2, kCorner)});
    set.bake();
    EXPECT_FLOAT_EQ(set.evaluate(handle, 0.5f).y, 15.0f);
    expectValue(set.evaluate(handle, 0.25f), set.evaluate("t", 0.25f));
}

TEST(TrackHandle, AMissingTrackIsEmptyWhenFoundAndThrowsWhenRequired) {
    TrackSet set = single({key(0, 1, kSmooth), key(1, 2, kSmooth)});
    const TrackHandle missing = set.find("T");
    EXPECT_FALSE(missing);
    expectValue(set.evaluate(missing, 0.5f), TrackValue{});
    expectValue(set.evaluate(TrackHandle{}, 0.5f), TrackValue{});
    try {
        set.require("Camera posiiton");
        FAIL() << "a missing track must throw";
    } catch (const std::out_of_range& error) {
        EXPECT_NE(std::string(error.what()).find("\"Camera posiiton\""), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace tolmero
