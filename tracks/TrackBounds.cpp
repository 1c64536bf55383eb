#include "tracks/TrackBounds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace tolmero {

namespace {

std::map<float, std::string> pairsAt(std::initializer_list<float> times) {
    std::map<float, std::string> m;
    for (float t : times) m[t] = "CC";
    return m;
}

void add(std::vector<TrackFacts>& f, std::string name, int keys, int corners, float first, float last,
         std::map<float, std::string> shared, std::vector<TrackRange> ranges) {
    TrackFacts facts;
    facts.name = std::move(name);
    facts.keys = keys;
    facts.corners = corners;
    facts.first = first;
    facts.last = last;
    facts.shared = std::move(shared);
    facts.ranges = std::move(ranges);
    f.push_back(std::move(facts));
}

std::vector<TrackFacts> makeFacts() {
    std::vector<TrackFacts> f;
    auto cameraPosition = pairsAt({31.978f, 72.0962f, 96.8138f, 130.374f, 144.003f, 159.87f, 168.104f, 191.981f,
                                   223.938f, 236.186f, 247.951f, 255.899f, 289.007f, 318.96f, 321.109f, 350.082f});
    cameraPosition[352.039f] = "CCC";
    add(f, "Camera position", 54, 37, -0.329086f, 375.864f, cameraPosition,
                 {{0, -0.359526f, 0.427464f}, {1, 0.00116554f, 0.0236756f}, {2, -0.378826f, 0.418076f}});
    add(f, "Camera x angle", 34, 29, 31.978f, 366.048f,
                 pairsAt({31.978f, 72.0962f, 96.8138f, 130.374f, 144.003f, 159.87f, 168.055f, 191.981f, 223.938f,
                          236.186f, 247.951f, 255.899f, 321.109f, 350.082f}),
                 {{1, -5.72348f, 12.6174f}});
    auto pitch = pairsAt({31.978f, 72.0962f, 96.8138f, 130.374f, 168.055f, 191.981f, 247.951f, 255.899f, 350.082f});
    pitch[223.938f] = "CS";
    add(f, "Camera y angle", 32, 22, 0.279733f, 374.175f, pitch, {{1, -0.253706f, 0.682114f}});
    add(f, "Field of view", 17, 15, 31.978f, 264.122f,
                 pairsAt({31.978f, 96.8138f, 144.003f, 159.87f, 168.055f, 255.899f}), {});
    add(f, "Flames enabled", 2, 2, 289.007f, 289.007f, pairsAt({289.007f}), {});
    add(f, "Kaivin angle", 1, 0, 232.216f, 232.216f, {}, {});
    add(f, "Kaivin pos", 1, 0, 267.967f, 267.967f, {}, {});
    add(f, "Kauha 1", 19, 0, 222.844f, 418.481f, {}, {{1, -1.05107f, 0.235584f}});
    add(f, "Kauha 2", 13, 0, 223.938f, 412.322f, {}, {{1, -0.362437f, 1.52224f}});
    add(f, "Kauha 3", 8, 0, 232.158f, 409.182f, {}, {{1, -0.652388f, 0.0724875f}});
    add(f, "Kone angle", 1, 0, 266.33f, 266.33f, {}, {});
    add(f, "Koura 1", 14, 0, 223.938f, 406.67f, {{271.186f, "SS"}}, {{1, -11.0947f, 13.3455f}});
    add(f, "Koura 2", 15, 0, 223.938f, 408.39f, {}, {{1, -0.496617f, 0.616617f}});
    add(f, "Koura 3", 15, 0, 226.689f, 415.195f, {}, {{1, -0.638908f, 0.730412f}});
    add(f, "Koura 4", 12, 0, 226.087f, 421.076f, {}, {{1, -0.978581f, 1.06919f}});
    add(f, "Koura 5", 12, 0, 225.279f, 412.623f, {}, {{1, -1.25041f, 2.12026f}});
    add(f, "Koura pos", 1, 0, 292.188f, 292.188f, {}, {});
    add(f, "Rekka angle", 1, 0, 286.749f, 286.749f, {}, {});
    add(f, "Rekka pos", 1, 0, 322.584f, 322.584f, {}, {});
    auto frame = pairsAt({102.883f, 106.04f, 108.94f, 112.012f, 115.168f, 118.58f, 121.907f, 124.04f, 126.876f,
                          165.905f, 168.104f, 171.017f, 174.114f, 176.964f, 180.017f, 182.999f, 185.982f, 188.968f,
                          191.999f, 259.033f, 261.983f, 264.984f, 267.934f, 270.572f, 273.625f, 276.264f, 279.007f,
                          282.059f, 284.957f, 287.014f, 289.007f, 350.082f, 352.039f, 354.75f, 357.894f, 361.024f,
                          363.958f, 366.961f, 369.895f, 373.108f, 375.971f, 379.114f, 382.048f, 384.982f, 387.915f,
                          390.988f, 394.061f, 396.925f, 399.998f, 403.002f, 405.935f, 408.869f, 411.872f});
    frame[64.8931f] = "SC";
    add(f, "Sprite frame", 124, 112, 31.978f, 415.085f, frame, {});
    auto sprite = pairsAt({96.8138f, 130.374f, 159.87f, 168.104f, 191.981f, 255.899f, 272.139f, 280.051f, 287.014f,
                           352.039f});
    sprite[70.2098f] = "CCC";
    sprite[264.122f] = "CCC";
    add(f, "Sprite position", 32, 29, 46.6513f, 352.039f, sprite,
                 {{0, -1.9152f, 2.01365f}, {1, 0.0000204984f, 1.14168f}, {2, -1.05543f, 1.71704f}});
    add(f, "Sprite size", 7, 5, -2.41817f, 168.104f, pairsAt({168.104f}), {});
    add(f, "bloom", 15, 6, -0.070832f, 415.637f, pairsAt({31.978f, 289.007f}), {});
    add(f, "logo activation", 4, 2, 36.7091f, 65.3458f, {}, {});
    auto scene = pairsAt({31.978f, 96.8138f, 159.87f});
    scene[224.111f] = "CS";
    add(f, "scene", 10, 8, -1.14396f, 224.111f, scene, {});
    add(f, "stump growth", 3, 0, 191.981f, 224.111f, {}, {});
    add(f, "stump position", 4, 4, 168.104f, 224.111f, pairsAt({168.104f, 224.111f}), {});
    add(f, "title", 10, 10, 255.899f, 287.014f,
                 pairsAt({255.899f, 264.122f, 272.139f, 280.051f, 287.014f}), {});
    for (const char* empty : {"Kaivurirenkaat 1", "Kaivurirenkaat 2", "Renkaat 1", "Renkaat 2", "Renkaat 3",
                              "Renkaat 4", "Renkaat 5", "Renkaat 6"}) {
        add(f, empty, 0, 0, 0, 0, {}, {});
    }
    // Keys that other checks read by their place: the opening rows and cut of
    // the camera, its last keys, the character's first and last keys.
    auto facts = [&](const char* name) -> TrackFacts& {
        for (TrackFacts& t : f)
            if (t.name == name) return t;
        throw std::logic_error(name);
    };
    facts("Camera position").fixedKeys = {0, 1, 2, 3, 53};
    facts("Camera x angle").fixedKeys = {0, 1, 33};
    facts("Camera y angle").fixedKeys = {0, 1, 2, 3, 31};
    facts("Sprite position").fixedKeys = {0, 30, 31};
    // The sprite frame picks one of the 45 frames everywhere, and the walk
    // cycles, the crying and the fire frames fall where the scenes need them.
    TrackFacts& spriteFrame = facts("Sprite frame");
    spriteFrame.curveLo = -0.6f;
    spriteFrame.curveHi = 44.96f;
    spriteFrame.pinned = {{80.0f, 14, 14},   {102.8f, 26, 26},  {102.9f, 15, 15},  {150.0f, 14, 14},
                    {166.5f, 27, 30},  {175.0f, 31, 38},  {288.0f, 27, 27},  {300.0f, 29, 29},
                    {351.0f, 30, 30},  {400.0f, 39, 44},  {420.0f, 44, 44}};
    // The tracks given in full: scenes, titles, flames, logo, stump, sizes,
    // bloom, lens and the machines' single keys.
    for (const char* given : {"Field of view", "Flames enabled", "Kaivin angle", "Kaivin pos", "Kone angle",
                              "Koura pos", "Rekka angle", "Rekka pos", "Sprite size", "bloom", "logo activation",
                              "scene", "stump growth", "stump position", "title"}) {
        facts(given).given = true;
    }
    return f;
}



std::string number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

const char* kComponentNames[] = {"x", "y", "z", "w"};

}  // namespace

const std::vector<TrackFacts>& productionTrackFacts() {
    static const std::vector<TrackFacts> facts = [] {
        std::vector<TrackFacts> f = makeFacts();
        std::sort(f.begin(), f.end(), [](const TrackFacts& a, const TrackFacts& b) { return a.name < b.name; });
        return f;
    }();
    return facts;
}

const std::map<std::string, TrackFacts, std::less<>>& productionTrackFactsByName() {
    static const std::map<std::string, TrackFacts, std::less<>> byName = [] {
        std::map<std::string, TrackFacts, std::less<>> m;
        for (const TrackFacts& f : productionTrackFacts()) m.emplace(f.name, f);
        return m;
    }();
    return byName;
}

std::map<float, std::string> sharedTimes(const Track& keys) {
    std::map<float, std::string> shared;
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i;
        std::string kinds;
        while (j < keys.size() && keys[j].time == keys[i].time) kinds += isCornerKey(keys[j++]) ? 'C' : 'S';
        if (kinds.size() > 1) shared[keys[i].time] = kinds;
        i = j;
    }
    return shared;
}

std::pair<float, float> componentRange(const Track& keys, int component) {
    float lo = trackComponent(keys.front().value, component);
    float hi = lo;
    for (const TrackKey& k : keys) {
        lo = std::min(lo, trackComponent(k.value, component));
        hi = std::max(hi, trackComponent(k.value, component));
    }
    return {lo, hi};
}

float trackComponent(const TrackValue& value, int component) {
    switch (component) {
        case 0: return value.x;
        case 1: return value.y;
        case 2: return value.z;
        default: return value.w;
    }
}

void setTrackComponent(TrackValue& value, int component, float number) {
    switch (component) {
        case 0: value.x = number; break;
        case 1: value.y = number; break;
        case 2: value.z = number; break;
        default: value.w = number; break;
    }
}

std::vector<std::string> checkTrack(const TrackFacts* facts, const Track& original, const Track& edited) {
    std::vector<std::string> problems;
    for (std::size_t i = 0; i < edited.size(); ++i) {
        const TrackKey& k = edited[i];
        if (!std::isfinite(k.time) || !std::isfinite(k.value.x) || !std::isfinite(k.value.y) ||
            !std::isfinite(k.value.z)) {
            problems.push_back("key " + std::to_string(i) + " holds a number that is not finite");
        }
        if (k.value.w != 1.0f && k.value.w != 3.0f) {
            problems.push_back("key " + std::to_string(i) + " is neither a corner nor a smooth key");
        }
        if (i > 0 && k.time < edited[i - 1].time) {
            problems.push_back("key " + std::to_string(i) + " would pass key " + std::to_string(i - 1) +
                               ": keys keep their order in time");
        }
    }
    if (!problems.empty() || facts == nullptr) return problems;

    const TrackFacts& f = *facts;
    const std::string name = "\"" + f.name + "\"";
    if (f.given) {
        bool same = original.size() == edited.size();
        for (std::size_t i = 0; same && i < edited.size(); ++i) {
            const TrackKey& a = original[i];
            const TrackKey& b = edited[i];
            same = a.time == b.time && a.value.x == b.value.x && a.value.y == b.value.y && a.value.z == b.value.z &&
                   a.value.w == b.value.w;
        }
        if (!same) problems.push_back(name + " is given in full: its keys do not change");
        return problems;
    }
    if (static_cast<int>(edited.size()) != f.keys) {
        problems.push_back(name + " keeps its " + std::to_string(f.keys) + " keys");
        return problems;
    }
    const int corners = static_cast<int>(std::count_if(edited.begin(), edited.end(), isCornerKey));
    if (corners != f.corners) problems.push_back(name + " keeps its " + std::to_string(f.corners) + " corner keys");
    if (edited.empty()) return problems;
    if (edited.front().time != f.first) problems.push_back(name + " keeps its first key at beat " + number(f.first));
    if (edited.back().time != f.last) problems.push_back(name + " keeps its last key at beat " + number(f.last));

    if (sharedTimes(edited) != f.shared) problems.push_back(name + " keeps its cuts and jumps: keys sharing a time stay as they are");

    for (const TrackRange& r : f.ranges) {
        const auto [lo, hi] = componentRange(edited, r.component);
        if (lo != r.min || hi != r.max) {
            problems.push_back(name + " keeps " + kComponentNames[r.component] + " within " + number(r.min) + " .. " +
                               number(r.max) + ", each bound on its own key");
        }
    }

    for (int index : f.fixedKeys) {
        const auto i = static_cast<std::size_t>(index);
        if (i >= original.size() || i >= edited.size()) continue;
        const TrackKey& a = original[i];
        const TrackKey& b = edited[i];
        if (a.time != b.time || a.value.x != b.value.x || a.value.y != b.value.y || a.value.z != b.value.z ||
            a.value.w != b.value.w) {
            problems.push_back(name + " keeps key " + std::to_string(index) + " as it is");
        }
    }

    if (f.curveLo < f.curveHi || !f.pinned.empty()) {
        TrackSet set({{f.name, edited}});
        if (f.curveLo < f.curveHi) {
            float lo = 1e30f;
            float hi = -1e30f;
            for (int i = -300; i <= 42500; ++i) {
                const float y = set.evaluate(f.name, static_cast<float>(i) * 0.01f).y;
                lo = std::min(lo, y);
                hi = std::max(hi, y);
            }
            if (lo < f.curveLo || hi >= f.curveHi) {
                problems.push_back(name + " stays within " + number(f.curveLo) + " .. " + number(f.curveHi) +
                                   " (it would reach " + number(lo) + " .. " + number(hi) + ")");
            }
        }
        for (const PinnedValue& p : f.pinned) {
            const int v = static_cast<int>(set.evaluate(f.name, p.time).y);
            if (v < p.lo || v > p.hi) {
                problems.push_back(name + " at beat " + number(p.time) + " stays " +
                                   (p.lo == p.hi ? std::to_string(p.lo)
                                                 : std::to_string(p.lo) + " .. " + std::to_string(p.hi)) +
                                   " (it would be " + std::to_string(v) + ")");
            }
        }
    }
    return problems;
}

}  // namespace tolmero
