#pragma once
// Named keyframe tracks, evaluated at a time in beats.
//
// A track's keys are the control points of a uniform cubic B-spline that runs
// over time and value together. The spline is baked once into a dense
// polyline; an evaluation finds t in that polyline and interpolates linearly
// between the two samples around it. A key whose w is above 2.5 is a corner
// key: it is repeated three times in the control polygon, so the curve passes
// through it with a corner. Two corner keys at one time make a jump.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tolmero {

struct TrackValue {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

struct TrackKey {
    float time = 0.0f;
    TrackValue value;  // value.w is the multiplicity marker: 3.0 corner, 1.0 smooth
};

using Track = std::vector<TrackKey>;

// Corner keys (multiplicity 3) against smooth ones (1).
bool isCornerKey(const TrackKey& key);

// Whether two tracks hold the same keys, time and all four components alike.
bool sameKeys(const Track& a, const Track& b);

class TrackSet;

// One track of a set, found by name once (TrackSet::find or require) so that
// evaluating it needs no lookup. It stays valid as long as its set: setTrack
// and bake update a track in place. An empty handle (a name the set lacks)
// evaluates to (0, 0, 0, 0), as evaluating that name does.
class TrackHandle {
public:
    TrackHandle() = default;
    explicit operator bool() const { return keys_ != nullptr; }

private:
    friend class TrackSet;
    TrackHandle(const Track* keys, const std::vector<TrackKey>* samples) : keys_(keys), samples_(samples) {}
    const Track* keys_ = nullptr;
    const std::vector<TrackKey>* samples_ = nullptr;
};

class TrackSet {
public:
    // Samples per segment of the baked polyline; the last segment gets one more.
    static constexpr int kSamplesPerSegment = 160;

    TrackSet() = default;
    explicit TrackSet(std::map<std::string, Track, std::less<>> keys);

    // The value of track `name` at time t. Unknown names and empty tracks
    // give (0, 0, 0, 0). The first evaluation bakes every track.
    TrackValue evaluate(std::string_view name, float t);

    // The handle of track `name`, empty when the set has no such track.
    // Bakes every track if the set is not baked yet.
    TrackHandle find(std::string_view name);
    // The same for a name the set must hold: throws std::out_of_range naming
    // the missing track.
    TrackHandle require(std::string_view name);
    // The value of the handle's track at t, as evaluate(name, t) gives it.
    TrackValue evaluate(const TrackHandle& track, float t) const;

    // Rebuilds the sample table of every track from the key table.
    void bake();

    // Replaces the keys of one track (adding it if it is new) and re-bakes
    // that track alone; the other tracks keep their samples. Before the first
    // bake nothing is baked: the first evaluation bakes everything.
    void setTrack(std::string_view name, Track keys);

    const std::map<std::string, Track, std::less<>>& keys() const { return keys_; }
    // Baked samples of one track (empty when unknown or not baked yet).
    const std::vector<TrackKey>& samples(std::string_view name) const;

private:
    std::map<std::string, Track, std::less<>> keys_;
    std::map<std::string, std::vector<TrackKey>, std::less<>> samples_;
};

// The baked samples of one track's keys, as TrackSet::bake makes them.
std::vector<TrackKey> bakeTrack(const Track& keys);

// The production's own 36 tracks, in byte-wise name order.
const std::map<std::string, Track, std::less<>>& productionTracks();

// The process-wide track set of the production (key table from
// productionTracks(), sample table baked on first use).
TrackSet& trackSet();

}  // namespace tolmero
