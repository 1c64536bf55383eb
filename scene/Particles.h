#pragma once
// The two particle systems: 200,000 logo particles in scene 0 and 200,000
// flames in scene 3, each a buffer of (x, y, z, age) simulated in place on the
// GPU, one step per call, and drawn as tiny quads.

#include <cstdint>

#include "gpu/D3D11.h"
#include "scene/SceneResources.h"

namespace tolmero {

constexpr std::uint32_t kParticlesPerSystem = 200000;
constexpr std::uint32_t kParticleGroupSize = 256;
// Enough groups for every particle: the last group is partly idle (the
// program checks the bound), so no particle is left unsimulated.
constexpr std::uint32_t kParticleGroups = (kParticlesPerSystem + kParticleGroupSize - 1) / kParticleGroupSize;
constexpr std::uint32_t kVerticesPerParticle = 6;

// A zero-filled buffer of 200,000 16-byte particles, shader resource and
// unordered access.
gpu::ID3D11Buffer* createParticleBuffer();

// One simulation step of `particles`, reading the frame's scene.camera (time,
// scene, resetParticles, logoActivation).
void simulateParticles(const SceneResources& scene, gpu::ID3D11Buffer* particles);

// Draws `particles` into the scene targets: the logo flat on the screen in
// scene 0, flames in the landscape in scene 3.
void drawParticles(const SceneResources& scene, gpu::ID3D11Buffer* particles);

}  // namespace tolmero
