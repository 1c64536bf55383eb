#pragma once
// The production's characters, a ptarmigan and a girl: one camera-facing
// quad showing one hand-drawn frame of a 45-frame animation array, placed,
// picked and scaled by the frame's "animInfo".

#include <array>
#include <cstdint>
#include <string>

#include "scene/SceneResources.h"

namespace tolmero {

constexpr std::uint32_t kCharacterFrameCount = 45;
constexpr std::uint32_t kCharacterVertexCount = 6;

// The "animInfo" constant buffer of the character sprite pass.
struct AnimInfo {
    float location[3] = {0.0f, 0.0f, 0.0f};
    std::uint32_t frame = 0;
    float scale = 0.0f;
    std::uint32_t dummy666[3] = {0, 0, 0};
};
static_assert(sizeof(AnimInfo) == 32);

// The animation frames in texture-array order (frame index = slice).
std::array<std::string, kCharacterFrameCount> characterFrameImages();

// The character quad: creates the "animInfo" buffer, draws, releases it.
void drawCharacters(const SceneResources& scene, const AnimInfo& animInfo);

}  // namespace tolmero
