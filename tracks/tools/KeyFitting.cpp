#include "tracks/tools/KeyFitting.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tolmero::shots {
namespace {

TrackKey makeKey(float time, Kind kind, float x, float y, float z) {
    return {time, {x, y, z, kind == C ? 3.0f : 1.0f}};
}

// Nudges the free smooth keys until the curve meets `wanted` at their times.
void fitSmoothKeys(Track& track, const std::vector<V3>& wanted, const std::vector<bool>& free,
                   const std::vector<int>& components, const std::vector<Range>& ranges) {
    for (int iteration = 0; iteration < 40; ++iteration) {
        TrackSet set({{"t", track}});
        std::vector<TrackValue> values;
        for (const TrackKey& k : track) values.push_back(set.evaluate("t", k.time));
        for (std::size_t i = 0; i < track.size(); ++i) {
            if (!free[i]) continue;
            for (std::size_t c = 0; c < components.size(); ++c) {
                const int comp = components[c];
                float& v = comp == 0 ? track[i].value.x : comp == 1 ? track[i].value.y : track[i].value.z;
                const float have = comp == 0 ? values[i].x : comp == 1 ? values[i].y : values[i].z;
                const float want = comp == 0 ? wanted[i].x : comp == 1 ? wanted[i].y : wanted[i].z;
                v += 0.9f * (want - have);
                if (c < ranges.size()) v = std::clamp(v, ranges[c].lo, ranges[c].hi);
            }
        }
    }
}

bool sharesTimeWithNext(const auto& keys, std::size_t i) { return i + 1 < keys.size() && keys[i + 1].time == keys[i].time; }
bool sharesTimeWithPrevious(const auto& keys, std::size_t i) { return i > 0 && keys[i - 1].time == keys[i].time; }

// The eye an angle key sees from: just before a cut for the first key of a
// pair, just after it for the second.
float eyeTimeFor(const std::vector<AngleKey>& keys, std::size_t i) {
    if (!std::isnan(keys[i].aim.eyeTime)) return keys[i].aim.eyeTime;
    if (sharesTimeWithNext(keys, i)) return keys[i].time - 0.002f;
    if (sharesTimeWithPrevious(keys, i)) return keys[i].time + 0.002f;
    return keys[i].time;
}

V3 eyeAt(TrackSet& camera, float t) {
    const TrackValue v = camera.evaluate("Camera position", t);
    return {v.x, v.y, v.z};
}

}  // namespace

Track buildPointTrack(const std::vector<PointKey>& keys, const std::vector<Range>& ranges) {
    Track track;
    std::vector<V3> wanted;
    std::vector<bool> free;
    for (const PointKey& k : keys) {
        V3 p = k.point;
        if (!k.literal) {
            // Every value stays inside the track's range; only literal keys
            // sit on its bounds.
            p.x = std::clamp(p.x, ranges[0].lo, ranges[0].hi);
            p.y = std::clamp(p.y, ranges[1].lo, ranges[1].hi);
            p.z = std::clamp(p.z, ranges[2].lo, ranges[2].hi);
        }
        track.push_back(makeKey(k.time, k.kind, p.x, p.y, p.z));
        wanted.push_back(k.point);
        free.push_back(k.kind == S && !k.literal);
    }
    // A smooth key that shares its time with a corner key only shapes how the
    // curve leaves the jump; there is no time at which to meet it.
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (sharesTimeWithPrevious(keys, i) || sharesTimeWithNext(keys, i)) free[i] = false;
    fitSmoothKeys(track, wanted, free, {0, 1, 2}, ranges);
    return track;
}

Track buildAngleTrack(const std::vector<AngleKey>& keys, bool yaw, TrackSet& camera, Range range) {
    Track track;
    std::vector<V3> wanted;
    std::vector<bool> free;
    float previous = 0.0f;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const AngleKey& k = keys[i];
        float value = k.aim.value;
        if (k.aim.target) {
            const V3 d = *k.aim.target - eyeAt(camera, eyeTimeFor(keys, i));
            value = yaw ? yawOf(d) : pitchOf(d);
            if (yaw) {
                // Same shot: the turn nearest the previous key; after a cut,
                // the turn the key asks for (or the principal one).
                const bool sameShot = i > 0 && !sharesTimeWithPrevious(keys, i);
                const float reference = !std::isnan(k.aim.turnHint) ? k.aim.turnHint : sameShot ? previous : value;
                value += kTwoPi * std::round((reference - value) / kTwoPi);
            }
            value = std::clamp(value, range.lo, range.hi);
        }
        previous = value;
        track.push_back(makeKey(k.time, k.kind, k.time, value, 0.0f));
        wanted.push_back({0.0f, value, 0.0f});
        free.push_back(k.kind == S && k.aim.target.has_value() && !sharesTimeWithPrevious(keys, i) &&
                       !sharesTimeWithNext(keys, i));
    }
    fitSmoothKeys(track, wanted, free, {1}, {range});
    return track;
}

Track buildScalarTrack(const std::vector<ScalarKey>& keys) {
    Track track;
    for (const ScalarKey& k : keys) track.push_back(makeKey(k.time, k.kind, k.time, k.value, 0.0f));
    return track;
}

}  // namespace tolmero::shots
