#pragma once
// The stump of scene 0 and the fifteen twigs that grow around it on cue:
// sixteen camera-facing quads stacked at the stump's foot, the twigs shown
// from the ground up by a per-pixel growth threshold with a white edge.

#include <cstdint>
#include <iterator>

#include "StumpImages.h"
#include "scene/SceneResources.h"

namespace tolmero {

// The "stumpSprites" images in texture-array order (slice = quad number):
// the stump, then the twigs, as the build lists them (StumpImages.h, from
// assets/images/CMakeLists.txt).
using generated::kStumpImages;

// One quad an image of the set.
constexpr std::uint32_t kStumpQuadCount = std::size(kStumpImages);  // 16
constexpr std::uint32_t kStumpVertexCount = 6 * kStumpQuadCount;    // 96

// The stump and its twigs with the frame's "stumpData".
void drawStumps(const SceneResources& scene);

}  // namespace tolmero
