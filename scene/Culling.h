#pragma once
// Culling of work nobody sees, with an identical picture. Each frame a
// compute pass decides which vegetation sprites and which tiles of the
// terrain and water grids can reach a pixel (conservative bounds against the
// view volume) and compacts the vertex numbers of those, in their original
// order, into an index list; the pass then draws the list with an indexed
// indirect draw. Every vertex number reaching the vertex program is one the
// unculled draw would have drawn, with the same SV_VertexID, in the same
// order; the culled ones produce no fragment. So the frame stays the same bit
// for bit: TOLMERO_CULLING=0 in the environment turns culling off to check.
// Sprites are also culled behind the depth drawn before them (the terrain,
// the water, the machines, the stump, and the sprites of the earlier of the
// draw's ordered batches): each of their fragments would fail the depth
// test. Particles whose quads hold no pixel centre are left out as well.
// TOLMERO_CULLING=frustum keeps all culling but the depth's.

#include <cstdint>

#include "scene/SceneResources.h"

namespace tolmero {

constexpr std::uint32_t kLandscapeTileQuads = 16;  // consecutive quads of one grid column
constexpr std::uint32_t kLandscapeTileCount = 512 * 512 / kLandscapeTileQuads;

// False when TOLMERO_CULLING=0 (read at first use) or after
// setCullingEnabled(false); the comparison of culled and unculled frames in
// one process switches it.
bool cullingEnabled();
void setCullingEnabled(bool enabled);

// False when TOLMERO_CULLING is 0 or "frustum", or after
// setDepthCullingEnabled(false): sprites behind the drawn depth then stay.
bool depthCullingEnabled();
void setDepthCullingEnabled(bool enabled);

// The flag, index, argument and height buffers, at start-up.
void createCullingBuffers(SceneResources& scene);

// The height range of every landscape tile from the frame's scene (terrain)
// and the water's fields; after every scatter, when the scene has changed.
void measureLandscapeTiles(const SceneResources& scene);

// The height and half width of every sprite's quad, for its culling; after
// every scatter, when the sprites have moved.
void measureSprites(const SceneResources& scene);

// The vertex numbers of the visible sprites among firstSprite ..
// firstSprite + spriteCount - 1 into spriteIndices / spriteArguments.
void cullVegetation(const SceneResources& scene, std::uint32_t firstSprite, std::uint32_t spriteCount);

// The vertex numbers of the particles of `particles` that can reach a pixel
// into particleIndices / particleArguments.
void cullParticles(const SceneResources& scene, gpu::ID3D11Buffer* particles);

// The visible tiles' vertex numbers of one grid into indices / arguments.
void cullLandscape(const SceneResources& scene, gpu::ID3D11Buffer* tileHeights, gpu::ID3D11Buffer* indices,
                   gpu::ID3D11Buffer* arguments);

}  // namespace tolmero
