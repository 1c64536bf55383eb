#pragma once
// The production's characters, a ptarmigan and a girl: one camera-facing
// quad showing one hand-drawn frame of a 45-frame animation array, placed,
// picked and scaled by the frame's "animInfo".

#include <array>
#include <cstdint>
#include <string>

#include "app/FrameState.h"
#include "scene/SceneResources.h"

namespace tolmero {

constexpr std::uint32_t kCharacterFrameCount = 45;
constexpr std::uint32_t kCharacterVertexCount = 6;

// The animation frames in texture-array order (frame index = slice).
std::array<std::string, kCharacterFrameCount> characterFrameImages();

// The character quad: creates the "animInfo" buffer, draws, releases it.
void drawCharacters(const SceneResources& scene, const AnimInfo& animInfo);

}  // namespace tolmero
