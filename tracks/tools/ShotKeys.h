#pragma once
// How the shot list describes a key: a point (camera eye, character's foot),
// an angle aimed at a target or given literally, or a plain value (machine
// joints), each a corner or a smooth key.

#include <limits>
#include <optional>

#include "tracks/tools/ShotMath.h"

namespace tolmero::shots {

enum Kind { C, S };  // corner, smooth

struct PointKey {
    float time;
    Kind kind;
    V3 point;
    bool literal = false;  // written as given (range bounds, fixed rows)
};

// What an angle key aims at: a target seen from the eye at the key's time
// (or at `eyeTime`), or a literal angle.
struct Aim {
    std::optional<V3> target;
    float value = 0.0f;
    float eyeTime = std::numeric_limits<float>::quiet_NaN();
    float turnHint = std::numeric_limits<float>::quiet_NaN();  // the turn to unwrap toward
};
inline Aim look(V3 target) { return {target}; }
inline Aim lookFrom(V3 target, float eyeTime) {
    Aim a{target};
    a.eyeTime = eyeTime;
    return a;
}
inline Aim lookNear(V3 target, float turnHint) {
    Aim a{target};
    a.turnHint = turnHint;
    return a;
}
inline Aim literal(float value) {
    Aim a;
    a.value = value;
    return a;
}

struct AngleKey {
    float time;
    Kind kind;
    Aim aim;
};

struct ScalarKey {
    float time;
    Kind kind;
    float value;
};

struct Range {
    float lo, hi;
};

}  // namespace tolmero::shots
