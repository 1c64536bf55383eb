#include "reference/VegetationReference.h"

#include <algorithm>
#include <cmath>

#include "reference/RandomReference.h"

namespace tolmero::reference {
namespace {

float smoothUnit(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return v * v * (3.0f - 2.0f * v);
}

// classFirst and classCounts of the production.
constexpr int kClassFirst[kPlantClasses] = {0, 5, 7, 9, 10, 13};
constexpr std::uint32_t kClassCounts[kPlantClasses] = {5, 2, 2, 1, 3, 7};

constexpr float kCorners[6][2] = {{-0.5f, 0.0f}, {-0.5f, 1.0f}, {0.5f, 0.0f},
                                  {-0.5f, 1.0f}, {0.5f, 1.0f},  {0.5f, 0.0f}};

}  // namespace

std::array<float, kPlantClasses> plantClassWeights(float h) {
    const float s1 = smoothUnit((h - 0.01f) * 100.0f);
    const float s2 = smoothUnit((h - 0.01f) * 200.0f);
    const float s3 = smoothUnit((h - 0.0001f) * -5000.0f);
    const float s4 = smoothUnit(h * 100.0f);
    const float trees = 0.0015f * s1 + 0.00001f;
    return {1.0f, trees, trees, 0.0001f * s2, 0.00003f * s3, 0.3f * s4 + 0.001f};
}

int pickPlantClass(const std::array<float, kPlantClasses>& weights, float u) {
    float total = 0.0f;
    for (float w : weights) total += w;
    float r = total * u;
    for (int k = 0; k < kPlantClasses; ++k) {
        if (r < weights[k]) return k;
        r -= weights[k];
    }
    return kPlantClasses - 1;
}

ScatteredSprite scatterSprite(std::uint32_t thread, float h) {
    RandomState state{thread, 3u, 4u};
    for (int i = 0; i < 4; ++i) mix96(state.a, state.b, state.c);
    ScatteredSprite sprite;
    sprite.x = unit(state.next());
    sprite.z = unit(state.next());
    sprite.classDraw = unit(state.next());
    sprite.typeDraw = state.next();

    const std::array<float, kPlantClasses> weights = plantClassWeights(h);
    sprite.plantClass = pickPlantClass(weights, sprite.classDraw);
    sprite.type = kClassFirst[sprite.plantClass] +
                  static_cast<int>(sprite.typeDraw % kClassCounts[sprite.plantClass]);

    float total = 0.0f;
    for (float w : weights) total += w;
    const float r = total * sprite.classDraw;
    float boundary = 0.0f;
    for (float w : weights) {
        boundary += w;
        if (std::fabs(r - boundary) <= 1e-5f * total) sprite.nearClassBoundary = true;
    }
    return sprite;
}

float spriteSizeFactor(std::uint32_t sprite) {
    RandomState state{1u, 2u, sprite};
    for (int i = 0; i < 3; ++i) mix96(state.a, state.b, state.c);
    return std::exp(-unit(state.c));
}

std::array<float, 4> transformRowVector(const std::array<float, 4>& p, const Matrix4& m) {
    std::array<float, 4> out{};
    for (int column = 0; column < 4; ++column) {
        float sum = 0.0f;
        for (int row = 0; row < 4; ++row) sum += p[row] * m.at(row, column);
        out[column] = sum;
    }
    return out;
}

SpriteCorner spriteVertex(std::uint32_t vertex, const std::array<float, 4>& location, const float* typeHeights,
                          const float* aspectRatios, const Matrix4& worldToCamera, const Matrix4& cameraToClip) {
    const std::uint32_t sprite = vertex / 6;
    const float cx = kCorners[vertex % 6][0], cy = kCorners[vertex % 6][1];
    const int type = static_cast<int>(location[3]);
    const float size = spriteSizeFactor(sprite) * typeHeights[type] * 0.04f;
    std::array<float, 4> camera = transformRowVector(
        {location[0] - 0.5f, location[1] * 0.05f + size * cy, location[2] - 0.5f, 1.0f}, worldToCamera);
    camera[0] += size * cx * 1.5f * aspectRatios[type];

    SpriteCorner corner;
    corner.clip = transformRowVector(camera, cameraToClip);
    float u = cx + 0.5f;
    if (sprite % 2 == 1) u = 1.0f - u;
    corner.u = (u - 0.5f) * 1.5f + 0.5f;
    corner.v = 1.0f - cy;
    corner.type = type;
    corner.sprite = static_cast<int>(sprite);
    return corner;
}

float swayedU(float u, float v, int type, int sprite, float time, float typeHeight) {
    if (type == 9) return u;
    const float H = typeHeight * 5.0f;
    const float phase = v + time + static_cast<float>(sprite % 100);
    return u + std::sin(0.6f * phase / std::sqrt(H)) * 0.04f * (0.5f - 0.5f * v) / H;
}

bool isBackgroundWhite(float r, float g, float b, float lod) {
    return std::sqrt(r * r + g * g + b * b) > lod * lod * 0.0022f + 1.4f;
}

std::array<float, 4> spritePixelColour(const std::array<float, 4>& texel, int type, float v) {
    std::array<float, 4> colour{};
    for (int c = 0; c < 4; ++c)
        colour[c] = std::pow(texel[c] * (type < 5 ? 0.8f : 0.9f), 1.4f) * (1.0f - v);
    return colour;
}

}  // namespace tolmero::reference
