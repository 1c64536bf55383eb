// The production's 36 tracks: names, counts, spans, jumps, ranges, and the
// sequencing the frame loop reads from them.
#include "tracks/TrackSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace tolmero {
namespace {

bool isCorner(const TrackKey& k) { return k.value.w > 2.5f; }

float component(const TrackValue& v, int c) { return c == 0 ? v.x : c == 1 ? v.y : v.z; }

int sceneIndex(float y) { return static_cast<int>(std::clamp(y, 0.0f, 3.0f)); }

struct Range {
    int component;  // 0 x, 1 y, 2 z
    float min;
    float max;
};

struct Facts {
    std::string name;
    int keys;
    int corners;
    float first;
    float last;
    // Keys sharing a time, as the kinds in order ('C' corner, 'S' smooth).
    std::map<float, std::string> shared;
    std::vector<Range> ranges;
};

std::map<float, std::string> pairsAt(std::initializer_list<float> times) {
    std::map<float, std::string> m;
    for (float t : times) m[t] = "CC";
    return m;
}

std::vector<Facts> productionFacts() {
    std::vector<Facts> f;
    auto cameraPosition = pairsAt({31.978f, 72.0962f, 96.8138f, 130.374f, 144.003f, 159.87f, 168.104f, 191.981f,
                                   223.938f, 236.186f, 247.951f, 255.899f, 289.007f, 318.96f, 321.109f, 350.082f});
    cameraPosition[352.039f] = "CCC";
    f.push_back({"Camera position", 54, 37, -0.329086f, 375.864f, cameraPosition,
                 {{0, -0.359526f, 0.427464f}, {1, 0.00116554f, 0.0236756f}, {2, -0.378826f, 0.418076f}}});
    f.push_back({"Camera x angle", 34, 29, 31.978f, 366.048f,
                 pairsAt({31.978f, 72.0962f, 96.8138f, 130.374f, 144.003f, 159.87f, 168.055f, 191.981f, 223.938f,
                          236.186f, 247.951f, 255.899f, 321.109f, 350.082f}),
                 {{1, -5.72348f, 12.6174f}}});
    auto pitch = pairsAt({31.978f, 72.0962f, 96.8138f, 130.374f, 168.055f, 191.981f, 247.951f, 255.899f, 350.082f});
    pitch[223.938f] = "CS";
    f.push_back({"Camera y angle", 32, 22, 0.279733f, 374.175f, pitch, {{1, -0.253706f, 0.682114f}}});
    f.push_back({"Field of view", 17, 15, 31.978f, 264.122f,
                 pairsAt({31.978f, 96.8138f, 144.003f, 159.87f, 168.055f, 255.899f}), {}});
    f.push_back({"Flames enabled", 2, 2, 289.007f, 289.007f, pairsAt({289.007f}), {}});
    f.push_back({"Kaivin angle", 1, 0, 232.216f, 232.216f, {}, {}});
    f.push_back({"Kaivin pos", 1, 0, 267.967f, 267.967f, {}, {}});
    f.push_back({"Kauha 1", 19, 0, 222.844f, 418.481f, {}, {{1, -1.05107f, 0.235584f}}});
    f.push_back({"Kauha 2", 13, 0, 223.938f, 412.322f, {}, {{1, -0.362437f, 1.52224f}}});
    f.push_back({"Kauha 3", 8, 0, 232.158f, 409.182f, {}, {{1, -0.652388f, 0.0724875f}}});
    f.push_back({"Kone angle", 1, 0, 266.33f, 266.33f, {}, {}});
    f.push_back({"Koura 1", 14, 0, 223.938f, 406.67f, {{271.186f, "SS"}}, {{1, -11.0947f, 13.3455f}}});
    f.push_back({"Koura 2", 15, 0, 223.938f, 408.39f, {}, {{1, -0.496617f, 0.616617f}}});
    f.push_back({"Koura 3", 15, 0, 226.689f, 415.195f, {}, {{1, -0.638908f, 0.730412f}}});
    f.push_back({"Koura 4", 12, 0, 226.087f, 421.076f, {}, {{1, -0.978581f, 1.06919f}}});
    f.push_back({"Koura 5", 12, 0, 225.279f, 412.623f, {}, {{1, -1.25041f, 2.12026f}}});
    f.push_back({"Koura pos", 1, 0, 292.188f, 292.188f, {}, {}});
    f.push_back({"Rekka angle", 1, 0, 286.749f, 286.749f, {}, {}});
    f.push_back({"Rekka pos", 1, 0, 322.584f, 322.584f, {}, {}});
    auto frame = pairsAt({102.883f, 106.04f, 108.94f, 112.012f, 115.168f, 118.58f, 121.907f, 124.04f, 126.876f,
                          165.905f, 168.104f, 171.017f, 174.114f, 176.964f, 180.017f, 182.999f, 185.982f, 188.968f,
                          191.999f, 259.033f, 261.983f, 264.984f, 267.934f, 270.572f, 273.625f, 276.264f, 279.007f,
                          282.059f, 284.957f, 287.014f, 289.007f, 350.082f, 352.039f, 354.75f, 357.894f, 361.024f,
                          363.958f, 366.961f, 369.895f, 373.108f, 375.971f, 379.114f, 382.048f, 384.982f, 387.915f,
                          390.988f, 394.061f, 396.925f, 399.998f, 403.002f, 405.935f, 408.869f, 411.872f});
    frame[64.8931f] = "SC";
    f.push_back({"Sprite frame", 124, 112, 31.978f, 415.085f, frame, {}});
    auto sprite = pairsAt({96.8138f, 130.374f, 159.87f, 168.104f, 191.981f, 255.899f, 272.139f, 280.051f, 287.014f,
                           352.039f});
    sprite[70.2098f] = "CCC";
    sprite[264.122f] = "CCC";
    f.push_back({"Sprite position", 32, 29, 46.6513f, 352.039f, sprite,
                 {{0, -1.9152f, 2.01365f}, {1, 0.0000204984f, 1.14168f}, {2, -1.05543f, 1.71704f}}});
    f.push_back({"Sprite size", 7, 5, -2.41817f, 168.104f, pairsAt({168.104f}), {}});
    f.push_back({"bloom", 15, 6, -0.070832f, 415.637f, pairsAt({31.978f, 289.007f}), {}});
    f.push_back({"logo activation", 4, 2, 36.7091f, 65.3458f, {}, {}});
    auto scene = pairsAt({31.978f, 96.8138f, 159.87f});
    scene[224.111f] = "CS";
    f.push_back({"scene", 10, 8, -1.14396f, 224.111f, scene, {}});
    f.push_back({"stump growth", 3, 0, 191.981f, 224.111f, {}, {}});
    f.push_back({"stump position", 4, 4, 168.104f, 224.111f, pairsAt({168.104f, 224.111f}), {}});
    f.push_back({"title", 10, 10, 255.899f, 287.014f,
                 pairsAt({255.899f, 264.122f, 272.139f, 280.051f, 287.014f}), {}});
    for (const char* empty : {"Kaivurirenkaat 1", "Kaivurirenkaat 2", "Renkaat 1", "Renkaat 2", "Renkaat 3",
                              "Renkaat 4", "Renkaat 5", "Renkaat 6"}) {
        f.push_back({empty, 0, 0, 0, 0, {}, {}});
    }
    return f;
}

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
    for (const Facts& f : productionFacts()) described.push_back(f.name);
    std::sort(described.begin(), described.end());
    EXPECT_EQ(names, described);
}

TEST(ProductionTracks, EveryTrackKeepsItsCountsSpansJumpsAndRanges) {
    const auto& tracks = productionTracks();
    for (const Facts& f : productionFacts()) {
        SCOPED_TRACE(f.name);
        const auto it = tracks.find(f.name);
        ASSERT_NE(it, tracks.end());
        const Track& keys = it->second;
        ASSERT_EQ(static_cast<int>(keys.size()), f.keys);
        EXPECT_EQ(std::count_if(keys.begin(), keys.end(), isCorner), f.corners);
        for (const TrackKey& k : keys) {
            EXPECT_TRUE(k.value.w == 1.0f || k.value.w == 3.0f) << k.time;
        }
        if (keys.empty()) continue;
        EXPECT_EQ(keys.front().time, f.first);
        EXPECT_EQ(keys.back().time, f.last);
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end(),
                                   [](const TrackKey& a, const TrackKey& b) { return a.time < b.time; }));

        std::map<float, std::string> shared;
        for (std::size_t i = 0; i < keys.size();) {
            std::size_t j = i;
            std::string kinds;
            while (j < keys.size() && keys[j].time == keys[i].time) kinds += isCorner(keys[j++]) ? 'C' : 'S';
            if (kinds.size() > 1) shared[keys[i].time] = kinds;
            i = j;
        }
        EXPECT_EQ(shared, f.shared);

        for (const Range& r : f.ranges) {
            float lo = component(keys.front().value, r.component);
            float hi = lo;
            for (const TrackKey& k : keys) {
                lo = std::min(lo, component(k.value, r.component));
                hi = std::max(hi, component(k.value, r.component));
            }
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
        for (const TrackKey& k : track) controlPoints += isCorner(k) ? 3 : 1;
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
        EXPECT_EQ(isCorner(k), corner) << time;
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
    EXPECT_FALSE(isCorner(yaw.back()));

    const Track& pitch = t.at("Camera y angle");
    const float firstPitches[] = {-0.161694f, -0.118762f, 0.0310279f, -0.129245f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pitch[i].value.y, firstPitches[i]);
        EXPECT_FALSE(isCorner(pitch[i]));
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
