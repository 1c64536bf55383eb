#pragma once
// The forest and bog vegetation: 2^20 camera-facing sprites of 20 plant
// types, scattered over the scene's landscape once per scene change with
// class weights that follow the lie of the ground, and drawn every frame.

#include <array>
#include <cstdint>
#include <string_view>

#include "scene/SceneResources.h"

namespace tolmero {

constexpr std::uint32_t kSpriteCount = 1u << 20;
// The culled sprite draw goes in eight batches: on lavapipe four and sixteen
// gave longer frames (fewer sprites hidden, or more depth measured).
constexpr std::uint32_t kSpritesPerBatch = kSpriteCount / 8;
constexpr std::uint32_t kScatterGroupSize = 256;
constexpr std::uint32_t kScatterGroups = kSpriteCount / kScatterGroupSize;  // 4096
constexpr std::uint32_t kSpriteVertexCount = 6 * kSpriteCount;

constexpr int kVegetationTypeCount = 20;
constexpr int kPlantClassCount = 6;

// The vegetation images in texture-array order: the index is the sprite type.
inline constexpr std::array<std::string_view, kVegetationTypeCount> kVegetationImages = {
    "sprites/miljoo/heinat/tuppo1.png",       "sprites/miljoo/heinat/tuppo2.png",
    "sprites/miljoo/heinat/tuppo3.png",       "sprites/miljoo/heinat/tuppo4.png",
    "sprites/miljoo/heinat/tuppo5.png",       "sprites/miljoo/puut/koivu1.png",
    "sprites/miljoo/puut/koivu2.png",         "sprites/miljoo/puut/kuusi1.png",
    "sprites/miljoo/puut/kuusi2.png",         "sprites/miljoo/maasto/maatuvakoivu.png",
    "sprites/miljoo/puut/manty1.png",         "sprites/miljoo/puut/manty2.png",
    "sprites/miljoo/puut/manty3.png",         "sprites/miljoo/maasto/suokukka.png",
    "sprites/miljoo/maasto/varpuinen1.png",   "sprites/miljoo/maasto/varpuinen2.png",
    "sprites/miljoo/maasto/varpuinen3.png",   "sprites/miljoo/maasto/varpuinen4.png",
    "sprites/miljoo/maasto/varpuinen5.png",   "sprites/miljoo/maasto/varpuinen6.png",
};

// Height of each sprite type ("typeHeights").
inline constexpr std::array<float, kVegetationTypeCount> kTypeHeights = {
    0.1f, 0.1f, 0.1f, 0.1f, 0.1f,                 // grass tufts
    1.0f, 1.0f,                                   // birches
    0.8f, 0.9f,                                   // spruces
    0.1f,                                         // the decaying birch
    2.0f, 0.5f, 0.5f,                             // pines
    0.18f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f,    // bog flower, dwarf shrubs
};

// Number of sprite types in each plant class ("classCounts"): grass tufts,
// birches, spruces, the decaying birch, pines, bog plants.
inline constexpr std::array<std::int32_t, kPlantClassCount> kClassCounts = {5, 2, 2, 1, 3, 7};

// First sprite type of each class ("classFirst"): the running sum of the
// counts before each class.
static_assert([] {
    int sum = 0;
    for (std::int32_t count : kClassCounts) sum += count;
    return sum;
}() == kVegetationTypeCount);

constexpr std::array<std::int32_t, kPlantClassCount> classFirstTypes() {
    std::array<std::int32_t, kPlantClassCount> first{};
    std::int32_t sum = 0;
    for (int k = 0; k < kPlantClassCount; ++k) {
        first[k] = sum;
        sum += kClassCounts[k];
    }
    return first;
}

// "typeHeights", "classCounts" and "classFirst" as immutable structured buffers.
void createVegetationTables(SceneResources& scene);

// The scatter: (x, h, z, type) for every sprite into "spriteLocations", from
// the height field of the CameraConstant's scene.
void scatterVegetation(const SceneResources& scene);

// Every sprite as a quad into the scene colour and depth targets. Tests may
// draw only the first vertexCount / 6 sprites of a smaller buffer.
void drawVegetation(const SceneResources& scene, std::uint32_t vertexCount = kSpriteVertexCount);

}  // namespace tolmero
