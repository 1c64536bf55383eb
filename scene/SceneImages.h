#pragma once
// The start-up images of the scene: the dither and logo images and the six
// texture arrays, created in the production's order (after the particle
// buffers, before the vegetation tables and the machine meshes), and the
// lists of the embedded images they are made of, by asset name, in the order
// of their texture-array slices. The stump, vegetation and character lists
// live with their passes (scene/Stumps.h, from the build's list,
// scene/Vegetation.h, scene/Characters.h); the landscape's and the finishing
// passes' lists are here.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scene/SceneResources.h"

namespace tolmero {

// "dither", loaded linear; "logo", loaded as sRGB.
inline constexpr std::string_view kDitherImage = "sprites/dither.png";
inline constexpr std::string_view kLogoImage = "sprites/tolmero.png";

// "ground": forest floor, forest floor at night, bog, bog (second variant).
inline constexpr std::array<std::string_view, 4> kGroundImages = {
    "sprites/miljoo/metsamaasto1.png",
    "sprites/miljoo/metsamaastoyo.png",
    "sprites/miljoo/suomaasto.png",
    "sprites/miljoo/suomaasto2.png",
};

// "waterImages": the two water photographs that the water cross-fades.
inline constexpr std::array<std::string_view, 2> kWaterImages = {
    "sprites/miljoo/maasto/vesi/vesi001.jpg",
    "sprites/miljoo/maasto/vesi/vesi002.jpg",
};

// "skyImages": the day sky, the night sky.
inline constexpr std::array<std::string_view, 2> kSkyImages = {
    "sprites/miljoo/taivaspaiva.png",
    "sprites/miljoo/taivasyo.png",
};

// Caps on the common size of the arrays with aspect ratios.
inline constexpr std::uint32_t kCharacterArrayLimit = 2048;   // 2048 x 2048
inline constexpr std::uint32_t kVegetationArrayLimit = 4096;  // 4096 x 4096

// A list of names as the loaders take it.
inline std::vector<std::string> imageNames(std::span<const std::string_view> names) {
    return std::vector<std::string>(names.begin(), names.end());
}

// Fills scene.dither, logo, stumpSprites, ground, characterSprites with
// characterAspectRatios, vegetationSprites with vegetationAspectRatios,
// waterImages and skyImages, in that order. The images are decoded ahead of
// their loads on a worker thread; the GPU work and its order are unchanged.
void createSceneImages(SceneResources& scene);

}  // namespace tolmero
