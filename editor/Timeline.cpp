#include "editor/Timeline.h"

#include <algorithm>
#include <cmath>

namespace tolmero {

namespace {

// How far off a grid point a time may be and still count as on it.
constexpr float kOnGrid = 1e-3f;

}  // namespace

float stepOnGrid(float t, float unit, int direction) {
    if (direction == 0 || !(unit > 0.0f)) return t;
    const double cells = static_cast<double>(t) / unit;
    const double nearest = std::round(cells);
    const bool onGrid = std::abs(cells - nearest) * unit < kOnGrid;
    double target;
    if (direction > 0) {
        target = onGrid ? nearest + 1.0 : std::ceil(cells);
    } else {
        target = onGrid ? nearest - 1.0 : std::floor(cells);
    }
    return static_cast<float>(target * unit);
}

float nextTime(const std::vector<float>& times, float t, int direction) {
    float best = t;
    bool found = false;
    for (float time : times) {
        if (direction > 0 && time > t + kOnGrid && (!found || time < best)) {
            best = time;
            found = true;
        } else if (direction < 0 && time < t - kOnGrid && (!found || time > best)) {
            best = time;
            found = true;
        }
    }
    return best;
}

float LoopRange::fold(float t) const {
    if (!on || !valid() || t < end) return t;
    const float length = end - begin;
    return begin + std::fmod(t - begin, length);
}

BeatLines beatLines(float begin, float end) {
    BeatLines lines;
    lines.first = std::ceil(begin);
    if (end >= lines.first) lines.count = static_cast<unsigned>(std::floor(end) - lines.first) + 1;
    return lines;
}

}  // namespace tolmero
