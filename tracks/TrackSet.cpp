#include "tracks/TrackSet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>

namespace tolmero {

namespace {

// Uniform cubic B-spline basis: rows by power of u (1, u, u^2, u^3), columns by
// control point P0..P3. Built once from the integer rows divided by 6 in float,
// so every bake uses exactly the same weights.
using Basis = std::array<std::array<float, 4>, 4>;

Basis makeBasis() {
    constexpr int rows[4][4] = {
        {1, 4, 1, 0},
        {-3, 0, 3, 0},
        {3, -6, 3, 0},
        {-1, 3, -3, 1},
    };
    Basis basis{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            basis[r][c] = static_cast<float>(rows[r][c]) / 6.0f;
        }
    }
    return basis;
}

const Basis kBasis = makeBasis();

// A w above this marks a corner key, repeated three times in the control polygon.
constexpr float kCornerThreshold = 2.5f;


std::vector<TrackKey> controlPolygon(const Track& keys) {
    std::vector<TrackKey> points;
    points.reserve(keys.size() * 3);
    for (const TrackKey& key : keys) {
        const int copies = isCornerKey(key) ? 3 : 1;
        for (int i = 0; i < copies; ++i) points.push_back(key);
    }
    return points;
}

TrackKey weightedSum(const std::array<float, 4>& b, const std::array<const TrackKey*, 4>& p) {
    TrackKey s;
    s.time = b[0] * p[0]->time + b[1] * p[1]->time + b[2] * p[2]->time + b[3] * p[3]->time;
    s.value.x = b[0] * p[0]->value.x + b[1] * p[1]->value.x + b[2] * p[2]->value.x + b[3] * p[3]->value.x;
    s.value.y = b[0] * p[0]->value.y + b[1] * p[1]->value.y + b[2] * p[2]->value.y + b[3] * p[3]->value.y;
    s.value.z = b[0] * p[0]->value.z + b[1] * p[1]->value.z + b[2] * p[2]->value.z + b[3] * p[3]->value.z;
    s.value.w = b[0] * p[0]->value.w + b[1] * p[1]->value.w + b[2] * p[2]->value.w + b[3] * p[3]->value.w;
    return s;
}

TrackValue lerp(const TrackValue& a, const TrackValue& b, float u) {
    return {(1.0f - u) * a.x + u * b.x, (1.0f - u) * a.y + u * b.y, (1.0f - u) * a.z + u * b.z,
            (1.0f - u) * a.w + u * b.w};
}

// The value at t of a track with its baked samples `s`.
TrackValue evaluateBaked(const Track& keys, const std::vector<TrackKey>& s, float t) {
    if (keys.empty()) return {};

    const TrackKey& first = keys.front();
    const TrackKey& last = keys.back();
    // A time that is not a number has no place on the curve; hold the start.
    if (keys.size() == 1 || t < first.time || std::isnan(t)) return first.value;
    if (t >= last.time) return last.value;
    if (t == first.time) return first.value;

    const std::size_t count = s.size();
    if (count < 2) return first.value;

    // Last sample whose time is below t.
    std::size_t lo = 0;
    std::size_t hi = count - 1;
    while (lo < hi) {
        const std::size_t mid = (lo + hi + 1) / 2;
        if (t <= s[mid].time) {
            hi = mid - 1;
        } else {
            lo = mid;
        }
    }

    // The last sample may fall a little short of the last key's time.
    if (lo + 1 >= count) return s[count - 1].value;

    // Where the curve's time is flat (jumps, clamped ends) neighbouring samples
    // can share a time or step back a little: hold the earlier sample.
    const float dt = s[lo + 1].time - s[lo].time;
    if (!(dt > 0.0f)) return s[lo].value;

    const float u = (t - s[lo].time) / dt;
    return lerp(s[lo].value, s[lo + 1].value, u);
}

const std::vector<TrackKey> kNoSamples;

}  // namespace

// Samples the spline of one track: n + 1 segments over the control polygon
// with end indices clamped, 160 samples each and one more in the last segment
// so that the curve's end point is included.
std::vector<TrackKey> bakeTrack(const Track& keys) {
    std::vector<TrackKey> samples;
    if (keys.empty()) return samples;

    const std::vector<TrackKey> points = controlPolygon(keys);
    const int n = static_cast<int>(points.size());
    constexpr int perSegment = TrackSet::kSamplesPerSegment;
    samples.reserve(static_cast<std::size_t>(perSegment) * (n + 1) + 1);

    auto point = [&](int index) { return &points[static_cast<std::size_t>(std::clamp(index, 0, n - 1))]; };

    for (int s = 0; s <= n; ++s) {
        const std::array<const TrackKey*, 4> p = {point(s - 2), point(s - 1), point(s), point(s + 1)};
        const int count = (s == n) ? perSegment + 1 : perSegment;
        for (int i = 0; i < count; ++i) {
            const float u = static_cast<float>(i) / static_cast<float>(perSegment);
            const float u2 = u * u;
            const float u3 = u2 * u;
            std::array<float, 4> b{};
            for (int c = 0; c < 4; ++c) {
                b[c] = 1.0f * kBasis[0][c] + u * kBasis[1][c] + u2 * kBasis[2][c] + u3 * kBasis[3][c];
            }
            samples.push_back(weightedSum(b, p));
        }
    }
    return samples;
}

bool isCornerKey(const TrackKey& key) { return key.value.w > kCornerThreshold; }

bool sameKeys(const Track& a, const Track& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const TrackKey& p, const TrackKey& q) {
        return p.time == q.time && p.value.x == q.value.x && p.value.y == q.value.y && p.value.z == q.value.z &&
               p.value.w == q.value.w;
    });
}

TrackSet::TrackSet(std::map<std::string, Track, std::less<>> keys) : keys_(std::move(keys)) {}

void TrackSet::bake() {
    // In place, so that the handles of the tracks stay valid.
    for (const auto& [name, keys] : keys_) {
        samples_[name] = bakeTrack(keys);
    }
}

void TrackSet::setTrack(std::string_view name, Track keys) {
    auto it = keys_.find(name);
    if (it == keys_.end()) it = keys_.emplace(std::string(name), Track{}).first;
    it->second = std::move(keys);
    if (samples_.empty()) return;
    samples_[it->first] = bakeTrack(it->second);
}

const std::vector<TrackKey>& TrackSet::samples(std::string_view name) const {
    const auto it = samples_.find(name);
    return it == samples_.end() ? kNoSamples : it->second;
}

TrackValue TrackSet::evaluate(std::string_view name, float t) { return evaluate(find(name), t); }

TrackHandle TrackSet::find(std::string_view name) {
    // Unknown names give an empty handle without touching the sample table,
    // so a stray name cannot force a full bake on every call.
    const auto keyIt = keys_.find(name);
    if (keyIt == keys_.end()) return {};
    auto sampleIt = samples_.find(name);
    if (sampleIt == samples_.end()) {
        bake();
        sampleIt = samples_.find(name);
    }
    return TrackHandle(&keyIt->second, &sampleIt->second);
}

TrackHandle TrackSet::require(std::string_view name) {
    const TrackHandle handle = find(name);
    if (!handle) throw std::out_of_range("no track named \"" + std::string(name) + "\" in the track set");
    return handle;
}

TrackValue TrackSet::evaluate(const TrackHandle& track, float t) const {
    if (!track) return {};
    return evaluateBaked(*track.keys_, *track.samples_, t);
}

TrackSet& trackSet() {
    static TrackSet set(productionTracks());
    return set;
}

}  // namespace tolmero
