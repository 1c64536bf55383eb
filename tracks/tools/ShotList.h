#pragma once
// The production's shot list: each shot's eye points and what the camera
// looks at, and where the ptarmigan and the girl stand and walk, as look-at
// targets and points over the ground.

#include <vector>

#include "tracks/tools/ShotKeys.h"

namespace tolmero::shots {

// The keys of "Camera position".
std::vector<PointKey> cameraPositionKeys();
// The keys of "Camera x angle" (yaw).
std::vector<AngleKey> cameraYawKeys();
// The keys of "Camera y angle" (pitch).
std::vector<AngleKey> cameraPitchKeys();
// The keys of "Sprite position".
std::vector<PointKey> spritePositionKeys();

}  // namespace tolmero::shots
