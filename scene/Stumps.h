#pragma once
// The stump of scene 0 and the fifteen twigs that grow around it on cue:
// sixteen camera-facing quads stacked at the stump's foot, the twigs shown
// from the ground up by a per-pixel growth threshold with a white edge.

#include <array>
#include <cstdint>
#include <string_view>

#include "scene/SceneResources.h"

namespace tolmero {

constexpr std::uint32_t kStumpQuadCount = 16;
constexpr std::uint32_t kStumpVertexCount = 6 * kStumpQuadCount;  // 96

// The "stumpSprites" images in texture-array order (slice = quad number):
// the stump, then the twigs.
inline constexpr std::array<std::string_view, kStumpQuadCount> kStumpImages = {
    "sprites/miljoo/maasto/kanto/kanto.png",  "sprites/miljoo/maasto/kanto/varpu91.png",
    "sprites/miljoo/maasto/kanto/varpu1.png", "sprites/miljoo/maasto/kanto/varpu2.png",
    "sprites/miljoo/maasto/kanto/varpu3.png", "sprites/miljoo/maasto/kanto/varpu4.png",
    "sprites/miljoo/maasto/kanto/varpu5.png", "sprites/miljoo/maasto/kanto/varpu6.png",
    "sprites/miljoo/maasto/kanto/varpu7.png", "sprites/miljoo/maasto/kanto/varpu8.png",
    "sprites/miljoo/maasto/kanto/varpu9.png", "sprites/miljoo/maasto/kanto/varpu93.png",
    "sprites/miljoo/maasto/kanto/varpu94.png", "sprites/miljoo/maasto/kanto/varpu95.png",
    "sprites/miljoo/maasto/kanto/varpu96.png", "sprites/miljoo/maasto/kanto/varpu97.png",
};

// The stump and its twigs with the frame's "stumpData".
void drawStumps(const SceneResources& scene);

}  // namespace tolmero
