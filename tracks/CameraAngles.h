#pragma once
// What the camera tracks' angles mean, for everything that aims or follows
// the camera: the frame's camera (app/Camera.cpp) and the shot tool that
// writes the angles (tracks/tools/).

#include <cmath>

namespace tolmero {

struct ViewDirection {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// The unit viewing direction of "Camera x angle" (yaw) and "Camera y angle"
// (pitch), in radians: positive yaw turns from +z toward -x, positive pitch
// tilts down. It is the third row of Rpitch x Ryaw.
inline ViewDirection viewDirection(float yaw, float pitch) {
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    return {-cp * sy, -sp, cp * cy};
}

}  // namespace tolmero
