#pragma once
// What the production's tracks must keep when their keys are authored: the
// key and corner counts, the first and last times, which keys share a time
// (the cuts and jumps), the exact range of the ranged components (each bound
// carried by the literal key that says so), the keys that other checks read
// by their place, and, for the tracks given in full, every key. The track
// tests check the compiled-in data against these facts, and the editor
// refuses any edit that would break one.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tracks/TrackSet.h"

namespace tolmero {

struct TrackRange {
    int component;  // 0 x, 1 y, 2 z
    float min;
    float max;
};

// A bound on the evaluated curve: at time `time`, the y component truncated
// to an integer lies in lo..hi.
struct PinnedValue {
    float time;
    int lo;
    int hi;
};

struct TrackFacts {
    std::string name;
    int keys = 0;
    int corners = 0;
    float first = 0.0f;
    float last = 0.0f;
    // Keys sharing a time, as the kinds in order ('C' corner, 'S' smooth).
    std::map<float, std::string> shared;
    std::vector<TrackRange> ranges;
    // Keys (by index) whose every number is fixed.
    std::vector<int> fixedKeys;
    // Every key is fixed: the track is given data, not authored.
    bool given = false;
    // Bounds of the evaluated y over beats -3 to 425 (checked when lo < hi)
    // and of its truncated value at chosen times.
    float curveLo = 0.0f;
    float curveHi = 0.0f;
    std::vector<PinnedValue> pinned;
};

// The facts of the production's 36 tracks, in byte-wise name order.
const std::vector<TrackFacts>& productionTrackFacts();
// The same by name.
const std::map<std::string, TrackFacts, std::less<>>& productionTrackFactsByName();

float trackComponent(const TrackValue& value, int component);  // 0 x, 1 y, 2 z, 3 w
void setTrackComponent(TrackValue& value, int component, float number);

// The keys that share a time, by time, as their kinds in order ('C' corner,
// 'S' smooth): the cuts and jumps of a track.
std::map<float, std::string> sharedTimes(const Track& keys);
// The lowest and highest value of one component over a non-empty track's keys.
std::pair<float, float> componentRange(const Track& keys, int component);
// What is wrong with `edited` as a new version of `original`, one sentence
// each, against the rules every track keeps (finite numbers, kinds 1 or 3,
// non-decreasing times) and, with `facts`, against those. Empty when the
// track keeps them all.
std::vector<std::string> checkTrack(const TrackFacts* facts, const Track& original, const Track& edited);

}  // namespace tolmero
