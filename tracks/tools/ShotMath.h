#pragma once
// The vector arithmetic of the shot list: points and offsets in world units,
// and the camera angles that aim along a direction.

#include <cmath>

#include "tracks/CameraAngles.h"

namespace tolmero::shots {

constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 2.0f * kPi;

struct V3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline float length(V3 a) { return std::sqrt(dot(a, a)); }

// The viewing direction for yaw and pitch, as the camera reads them
// (tracks/CameraAngles.h).
inline V3 direction(float yaw, float pitch) {
    const ViewDirection d = viewDirection(yaw, pitch);
    return {d.x, d.y, d.z};
}
// The yaw and pitch that look along d.
inline float yawOf(V3 d) { return std::atan2(-d.x, d.z); }
inline float pitchOf(V3 d) { return -std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)); }

}  // namespace tolmero::shots
