#pragma once
// CPU versions of the vegetation programs, computed as the GPU computes them
// (32-bit floats, wrapping 32-bit integers): the scatter's point, plant class
// and sprite type; the sprite vertex program's quad corners; the sprite pixel
// program's sway, white cut and colour.

#include <array>
#include <cstdint>

#include "scene/Matrix4.h"

namespace tolmero::reference {

constexpr int kPlantClasses = 6;

// The class weights at ground height h (grass, birches, spruces, the
// decaying birch, pines, bog plants).
std::array<float, kPlantClasses> plantClassWeights(float h);

// Where the weighted walk over the classes lands for the draw u in (0, 1]:
// r = (sum of the weights) x u, take the first class k with r < w_k,
// subtracting each passed weight; class 5 when the walk runs out.
int pickPlantClass(const std::array<float, kPlantClasses>& weights, float u);

struct ScatteredSprite {
    float x = 0.0f, z = 0.0f;  // the random point, each in (0, 1]
    float classDraw = 0.0f;    // u of the class walk
    std::uint32_t typeDraw = 0;  // the draw c that picks the type within the class
    int plantClass = 0;
    int type = 0;
    // The class walk's r lies so close to a class boundary that a rounding
    // difference could pick the neighbouring class.
    bool nearClassBoundary = false;
};

// Scatter thread `thread` on ground of height h (the height-field value the
// GPU sampled at the thread's point).
ScatteredSprite scatterSprite(std::uint32_t thread, float h);

// The per-sprite size factor e^(-u) in [1/e, 1).
float spriteSizeFactor(std::uint32_t sprite);

// p x M for a matrix stored row after row in the row-vector convention (the
// camera matrices).
std::array<float, 4> transformRowVector(const std::array<float, 4>& p, const Matrix4& m);

struct SpriteCorner {
    std::array<float, 4> clip{};
    float u = 0.0f, v = 0.0f;
    int type = 0;
    int sprite = 0;
};

// The sprite vertex program for vertex number `vertex`, given the sprite's
// location (x, h, z, type) and the tables.
SpriteCorner spriteVertex(std::uint32_t vertex, const std::array<float, 4>& location, const float* typeHeights,
                          const float* aspectRatios, const Matrix4& worldToCamera, const Matrix4& cameraToClip);

// u after the wind sway (every type but 9).
float swayedU(float u, float v, int type, int sprite, float time, float typeHeight);

// The white cut shared by the vegetation and the stumps: length(rgb) above
// lod^2 x 0.0022 + 1.4.
bool isBackgroundWhite(float r, float g, float b, float lod);

// The sprite pixel program's colour of a texel that survives the cut.
std::array<float, 4> spritePixelColour(const std::array<float, 4>& texel, int type, float v);

}  // namespace tolmero::reference
