#pragma once
// The passes that finish every frame: the sky behind the scene, the squeeze
// of the supersampled scene to window size, the two bloom passes and the
// dithered blit to the back buffer.

#include <cstdint>

#include "gpu/D3D11.h"
#include "scene/SceneResources.h"

namespace tolmero {

// Squeeze factors the pass supports on each axis.
constexpr std::uint32_t kMaxSqueezeFactor = 16;

// The "SqueezeBuffer" record: the supersampling factors, then 8 unused bytes.
struct SqueezeConstants {
    std::uint32_t squeezeFactor[2] = {1, 1};
    std::uint32_t dummy666[2] = {0, 0};
};
static_assert(sizeof(SqueezeConstants) == 16);

// The bloom's "consts" record.
struct BloomConstants {
    std::uint32_t settings[3] = {0, 0, 0};  // window width, window height, direction
    float strength = 0.0f;
};
static_assert(sizeof(BloomConstants) == 16);

// The "SqueezeBuffer" of the run, from the supersampling factors.
gpu::ID3D11Buffer* createSqueezeConstants(std::uint32_t supersampleX, std::uint32_t supersampleY);

// Squeeze thread groups for a window: one thread per result pixel, each
// group a tile of 16 x 16 of them, and the tiles cover the window.
struct SqueezeGroups {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
};
SqueezeGroups squeezeGroups(std::uint32_t windowWidth, std::uint32_t windowHeight);

void drawSky(const SceneResources& scene);
void squeeze(const SceneResources& scene);

// Bloom thread groups for one pass over `lineCount` lines of `lineLength`
// texels: a thread per run of eight outputs, 64 threads a group, the groups
// in rows of at most 1024.
struct BloomGroups {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
};
BloomGroups bloomGroups(std::uint32_t lineCount, std::uint32_t lineLength);

// Both bloom passes over scene.result, through scene.bloomColumns, into
// scene.bloom; strength is the "bloom" track's value of the frame.
void bloom(const SceneResources& scene, float strength);

// The result plus the glow, dithered, into `target` (the back buffer).
void blit(const SceneResources& scene, gpu::ID3D11Texture2D* target);

}  // namespace tolmero
