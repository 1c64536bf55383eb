// The production's 36 tracks: names, counts, spans, jumps, ranges, and the
// sequencing the frame loop reads from them.
#include "tracks/SceneIndex.h"
#include "tracks/TrackBounds.h"
#include "tracks/TrackSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace tolmero {
namespace {


TEST(ProductionTracks, NamesAreTheThirtySixInByteOrder) {
    const auto& tracks = productionTracks();
    std::vector<std::string> names;
    for (const auto& [name, keys] : tracks) names.push_back(name);
    ASSERT_EQ(names.size(), 36u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(names.front(), "Camera position");
    EXPECT_EQ(names[18], "Koura pos");  // digits sort before letters
    EXPECT_EQ(names[29], "Sprite size");
    EXPECT_EQ(names[30], "bloom");  // lower case after upper case
    EXPECT_EQ(names.back(), "title");

    std::vector<std::string> described;
    for (const TrackFacts& f : productionTrackFacts()) described.push_back(f.name);
    std::sort(described.begin(), described.end());
    EXPECT_EQ(names, described);
}

TEST(ProductionTracks, EveryTrackKeepsItsCountsSpansJumpsAndRanges) {
    const auto& tracks = productionTracks();
    for (const TrackFacts& f : productionTrackFacts()) {
        SCOPED_TRACE(f.name);
        const auto it = tracks.find(f.name);
        ASSERT_NE(it, tracks.end());
        const Track& keys = it->second;
        ASSERT_EQ(static_cast<int>(keys.size()), f.keys);
        EXPECT_EQ(std::count_if(keys.begin(), keys.end(), isCornerKey), f.corners);
        for (const TrackKey& k : keys) {
            EXPECT_TRUE(k.value.w == 1.0f || k.value.w == 3.0f) << k.time;
        }
        if (keys.empty()) continue;
        EXPECT_EQ(keys.front().time, f.first);
        EXPECT_EQ(keys.back().time, f.last);
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end(),
                                   [](const TrackKey& a, const TrackKey& b) { return a.time < b.time; }));

        EXPECT_EQ(sharedTimes(keys), f.shared);

        for (const TrackRange& r : f.ranges) {
            const auto [lo, hi] = componentRange(keys, r.component);
            EXPECT_EQ(lo, r.min) << "component " << r.component;
            EXPECT_EQ(hi, r.max) << "component " << r.component;
        }
    }
}

TEST(ProductionTracks, TotalsOfKeysControlPointsAndSamples) {
    int keys = 0;
    int controlPoints = 0;
    for (const auto& [name, track] : productionTracks()) {
        keys += static_cast<int>(track.size());
        for (const TrackKey& k : track) controlPoints += isCornerKey(k) ? 3 : 1;
    }
    EXPECT_EQ(keys, 462);
    EXPECT_EQ(controlPoints, 1024);

    TrackSet set(productionTracks());
    set.bake();
    std::size_t samples = 0;
    for (const auto& [name, track] : set.keys()) samples += set.samples(name).size();
    EXPECT_EQ(samples, 168348u);
}

TEST(ProductionTracks, LongTracksBeginAndEndWithTheirTellingRows) {
    const auto& t = productionTracks();
    auto expectKey = [](const TrackKey& k, float time, float x, float y, float z, bool corner, float tolerance) {
        EXPECT_EQ(k.time, time);
        EXPECT_NEAR(k.value.x, x, tolerance) << time;
        EXPECT_NEAR(k.value.y, y, tolerance) << time;
        EXPECT_NEAR(k.value.z, z, tolerance) << time;
        EXPECT_EQ(isCornerKey(k), corner) << time;
    };
    // Camera rows are given to five significant digits.
    const Track& cam = t.at("Camera position");
    expectKey(cam[0], -0.329086f, -0.21798f, 0.00392f, 0.41808f, false, 5e-6f);
    expectKey(cam[1], 15.3502f, -0.22262f, 0.00282f, 0.38446f, false, 5e-6f);
    expectKey(cam[2], 31.978f, -0.19084f, 0.01195f, 0.36586f, true, 5e-6f);
    expectKey(cam[3], 31.978f, -0.18657f, 0.00915f, 0.01551f, true, 5e-6f);
    expectKey(cam.back(), 375.864f, 0.12279f, 0.00993f, 0.27542f, false, 5e-6f);

    const Track& yaw = t.at("Camera x angle");
    EXPECT_EQ(yaw[0].value.y, 4.603f);
    EXPECT_EQ(yaw[1].value.y, 5.43971f);
    EXPECT_EQ(yaw.back().value.y, -3.76228f);
    EXPECT_FALSE(isCornerKey(yaw.back()));

    const Track& pitch = t.at("Camera y angle");
    const float firstPitches[] = {-0.161694f, -0.118762f, 0.0310279f, -0.129245f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pitch[i].value.y, firstPitches[i]);
        EXPECT_FALSE(isCornerKey(pitch[i]));
        EXPECT_LT(pitch[i].time, 31.978f);
    }
    EXPECT_EQ(pitch.back().value.y, -0.0803304f);

    const Track& sprite = t.at("Sprite position");
    expectKey(sprite[0], 46.6513f, 0.0387275f, 0.000728942f, -0.147519f, true, 0.0f);
    expectKey(sprite[30], 352.039f, 0.0458193f, 0.000750397f, -0.0132791f, true, 0.0f);
    expectKey(sprite[31], 352.039f, 0.093173f, 0.000766809f, 0.248446f, true, 0.0f);
}

TEST(ProductionTracks, SceneRunsTwoZeroOneZeroThree) {
    TrackSet& set = trackSet();
    struct Change {
        float at;
        int to;
    };
    std::vector<Change> changes;
    int current = sceneIndex(set.evaluate("scene", -3.0f).y);
    EXPECT_EQ(current, 2);
    for (int i = -300; i <= 42500; ++i) {
        const float t = static_cast<float>(i) * 0.01f;
        const int s = sceneIndex(set.evaluate("scene", t).y);
        if (s != current) changes.push_back({t, current = s});
    }
    ASSERT_EQ(changes.size(), 4u);
    const float at[] = {31.978f, 96.8138f, 159.87f, 224.111f};
    const int to[] = {0, 1, 0, 3};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(changes[i].at, at[i], 0.011f);
        EXPECT_EQ(changes[i].to, to[i]);
        // The jump time itself still belongs to the scene before it, except at
        // the last key's time, which is the end of the track.
        EXPECT_EQ(sceneIndex(set.evaluate("scene", at[i]).y), i == 0 ? 2 : i == 3 ? 3 : to[i - 1]);
        EXPECT_EQ(sceneIndex(set.evaluate("scene", at[i] + 0.001f).y), to[i]);
    }
}

TEST(ProductionTracks, TitleCardsInTurn) {
    TrackSet& set = trackSet();
    auto card = [&](float t) { return static_cast<int>(set.evaluate("title", t).y); };
    EXPECT_EQ(card(0.0f), -5);
    EXPECT_EQ(card(255.899f), -5);
    EXPECT_EQ(card(255.9f), 0);
    EXPECT_EQ(card(264.2f), 1);
    EXPECT_EQ(card(272.2f), 2);
    EXPECT_EQ(card(280.1f), 3);
    EXPECT_EQ(card(287.014f), 6);
    EXPECT_EQ(card(400.0f), 6);
    // Between two corner keys the value is their interpolation by time.
    EXPECT_NEAR(set.evaluate("title", 268.13f).y, 1.29892f, 5e-6f);
}

TEST(ProductionTracks, FlamesSwitchOnAtTheirOwnTime) {
    TrackSet& set = trackSet();
    EXPECT_EQ(set.evaluate("Flames enabled", 289.0f).y, -0.168139f);
    EXPECT_EQ(set.evaluate("Flames enabled", 289.007f).y, 0.996703f);
    EXPECT_EQ(set.evaluate("Flames enabled", 420.0f).y, 0.996703f);
}

TEST(ProductionTracks, NamesAreCaseSensitiveAndEmptyTracksGiveZeros) {
    TrackSet& set = trackSet();
    EXPECT_GT(set.evaluate("bloom", 100.0f).y, 1.0f);
    for (const char* name : {"Bloom", "Scene", "camera position", "Camera Position", "title "}) {
        const TrackValue v = set.evaluate(name, 100.0f);
        EXPECT_EQ(v.x, 0.0f) << name;
        EXPECT_EQ(v.y, 0.0f) << name;
        EXPECT_EQ(v.z, 0.0f) << name;
        EXPECT_EQ(v.w, 0.0f) << name;
    }
    for (const auto& [name, keys] : set.keys()) {
        const TrackValue v = set.evaluate(name, keys.empty() ? 300.0f : keys.front().time);
        if (keys.empty()) {
            EXPECT_EQ(v.y, 0.0f) << name;
            EXPECT_EQ(v.w, 0.0f) << name;
        } else {
            EXPECT_EQ(v.w, keys.front().value.w) << name;  // a real key, not the zero fallback
        }
    }
}

TEST(ProductionTracks, SingleKeyTracksHoldOverTheWholeRun) {
    TrackSet& set = trackSet();
    for (const char* name : {"Kaivin angle", "Kaivin pos", "Kone angle", "Koura pos", "Rekka angle", "Rekka pos"}) {
        const TrackValue key = set.keys().at(name).front().value;
        for (float t : {-3.0f, 0.0f, 250.0f, 425.0f}) {
            const TrackValue v = set.evaluate(name, t);
            EXPECT_EQ(v.x, key.x) << name;
            EXPECT_EQ(v.y, key.y) << name;
            EXPECT_EQ(v.z, key.z) << name;
        }
    }
}

TEST(ProductionTracks, SpriteFrameAlwaysPicksOneOfTheFortyFiveFrames) {
    TrackSet& set = trackSet();
    float lo = 1e9f;
    float hi = -1e9f;
    float ptarmiganHi = -1e9f;
    for (int i = -300; i <= 42500; ++i) {
        const float t = static_cast<float>(i) * 0.01f;
        const float y = set.evaluate("Sprite frame", t).y;
        lo = std::min(lo, y);
        hi = std::max(hi, y);
        if (t < 64.8f) ptarmiganHi = std::max(ptarmiganHi, y);
    }
    EXPECT_GE(lo, -0.6f);
    EXPECT_LT(hi, 44.96f);
    // The smooth opening stays on the ptarmigan's frames.
    EXPECT_LT(ptarmiganHi, 3.1f);

    auto frame = [&](float t) { return static_cast<int>(set.evaluate("Sprite frame", t).y); };
    EXPECT_EQ(frame(80.0f), 14);
    EXPECT_EQ(frame(102.8f), 26);   // top of a walk cycle
    EXPECT_EQ(frame(102.9f), 15);   // back to its start
    EXPECT_EQ(frame(150.0f), 14);
    EXPECT_GE(frame(166.5f), 27);
    EXPECT_LE(frame(166.5f), 30);
    EXPECT_GE(frame(175.0f), 31);
    EXPECT_LE(frame(175.0f), 38);
    EXPECT_EQ(frame(288.0f), 27);
    EXPECT_EQ(frame(300.0f), 29);
    EXPECT_EQ(frame(351.0f), 30);
    EXPECT_GE(frame(400.0f), 39);
    EXPECT_EQ(frame(420.0f), 44);
}

TEST(ProductionTracks, ProcessWideSetHoldsTheProductionKeys) {
    EXPECT_EQ(&trackSet(), &trackSet());
    EXPECT_EQ(trackSet().keys().size(), productionTracks().size());
    EXPECT_EQ(trackSet().keys().at("Sprite frame").size(), 124u);
}

}  // namespace
}  // namespace tolmero
