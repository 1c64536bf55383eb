#pragma once
// The machines pass of scene 3: all 19 rigid parts of the truck, the forest
// machine and the excavator in one draw call, twice: a noise-wobbled white
// wireframe pushed out along the normals, then the glossy solid bodies.

#include <cstdint>

#include "scene/MachineMeshes.h"
#include "scene/SceneResources.h"

namespace tolmero {

constexpr std::uint32_t kMachineVertexCount = 3 * kMachineFaceCount;  // 9852

// The five immutable mesh buffers from the constant mesh tables.
void createMachineMeshBuffers(SceneResources& scene);

// Both draws, with the frame's "transform" and "CameraConstant" buffers.
void drawMachines(const SceneResources& scene);

}  // namespace tolmero
