#pragma once
// The "randoms" texture array: eight 1024 x 1024 fields of procedural noise,
// generated once on the GPU before the music starts. Slices 0 to 3 are the
// height fields of scenes 0 to 3; slices 4 to 7 are raw noise for texture
// mixing, waves and flame placement.

#include <cstdint>
#include <vector>

#include "gpu/D3D11.h"
#include "scene/SceneResources.h"

namespace tolmero {

constexpr std::uint32_t kRandomFieldSize = 1024;
constexpr std::uint32_t kRandomFieldSlices = 8;
constexpr std::uint32_t kRandomFieldTile = 16;  // GenerateRandoms' thread groups are 16 x 16

// The texture array: 32-bit float, shader resource and unordered access.
gpu::ID3D11Texture2D* createRandomFields();

// Fills every slice of scene.randoms (64 x 64 groups of 16 x 16 threads).
void generateRandomFields(const SceneResources& scene);

// Waits for the GPU and returns all slices, slice by slice, row by row;
// empty when the read-back failed.
std::vector<float> readRandomFields(gpu::ID3D11Texture2D* randoms);

}  // namespace tolmero
