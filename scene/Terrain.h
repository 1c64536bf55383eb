#pragma once
// The landscape and the water: each a 512 x 512 grid of quads built from the
// vertex number alone, lifted by the random fields.

#include <cstdint>

#include "scene/SceneResources.h"

namespace tolmero {

constexpr std::uint32_t kTerrainGridSize = 512;  // quads per side
constexpr std::uint32_t kTerrainVertexCount = kTerrainGridSize * kTerrainGridSize * 6;

// The terrain of the frame's scene, into the scene colour and depth targets.
void drawTerrain(const SceneResources& scene);

// The water of scene 1, drawn before the terrain.
void drawWater(const SceneResources& scene);

}  // namespace tolmero
