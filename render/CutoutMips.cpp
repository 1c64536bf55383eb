#include "render/CutoutMips.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace tolmero {

namespace {

// Texels as floats in 0..1, four channels, rows packed.
struct FloatImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<float> values;
    float* at(std::uint32_t x, std::uint32_t y) { return &values[(std::size_t(y) * width + x) * 4]; }
    const float* at(std::uint32_t x, std::uint32_t y) const { return &values[(std::size_t(y) * width + x) * 4]; }
};

// 8-bit value to 0..1: as stored (UNORM), or decoded from sRGB.
struct ByteToFloat {
    std::array<float, 256> unorm{};
    std::array<float, 256> srgb{};
    ByteToFloat() {
        for (int i = 0; i < 256; ++i) {
            const float c = static_cast<float>(i) / 255.0f;
            unorm[i] = c;
            srgb[i] = c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
        }
    }
};
const ByteToFloat& byteToFloat() {
    static const ByteToFloat table;
    return table;
}

FloatImage toFloat(const Rgba8Image& image, bool srgb) {
    const ByteToFloat& t = byteToFloat();
    const std::array<float, 256>& colour = srgb ? t.srgb : t.unorm;
    FloatImage out{image.width, image.height, std::vector<float>(image.texels.size())};
    for (std::size_t i = 0; i < image.texels.size(); ++i)
        out.values[i] = (i & 3) != 3 ? colour[image.texels[i]] : t.unorm[image.texels[i]];
    return out;
}

std::uint8_t toByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
}

// The texels of `size` source texels that target texel i of `targetSize`
// covers: [first, last). Every source texel belongs to exactly one target
// texel, also when the size is odd.
std::uint32_t footprintStart(std::uint32_t i, std::uint32_t size, std::uint32_t targetSize) {
    return static_cast<std::uint32_t>(std::uint64_t(i) * size / targetSize);
}

// One level down (each size halved, at least 1): every texel the average of
// the texels it covers. With `weights` (one per texel of `image`) it is the
// weighted average, and `shares` receives the average weight under each new
// texel; texels with no weight under them stay zero.
FloatImage reduce(const FloatImage& image, const std::vector<float>* weights = nullptr,
                  std::vector<float>* shares = nullptr) {
    FloatImage out{std::max(1u, image.width / 2), std::max(1u, image.height / 2), {}};
    out.values.assign(std::size_t(out.width) * out.height * 4, 0.0f);
    if (shares) shares->assign(std::size_t(out.width) * out.height, 0.0f);
    for (std::uint32_t y = 0; y < out.height; ++y) {
        const std::uint32_t y0 = footprintStart(y, image.height, out.height);
        const std::uint32_t y1 = footprintStart(y + 1, image.height, out.height);
        for (std::uint32_t x = 0; x < out.width; ++x) {
            const std::uint32_t x0 = footprintStart(x, image.width, out.width);
            const std::uint32_t x1 = footprintStart(x + 1, image.width, out.width);
            float total = 0.0f;
            float* d = out.at(x, y);
            for (std::uint32_t sy = y0; sy < y1; ++sy)
                for (std::uint32_t sx = x0; sx < x1; ++sx) {
                    const float w = weights ? (*weights)[std::size_t(sy) * image.width + sx] : 1.0f;
                    if (w == 0.0f) continue;
                    total += w;
                    const float* s = image.at(sx, sy);
                    for (int c = 0; c < 4; ++c) d[c] += w * s[c];
                }
            if (total > 0.0f)
                for (int c = 0; c < 4; ++c) d[c] /= total;
            if (shares) (*shares)[std::size_t(y) * out.width + x] = total / static_cast<float>((x1 - x0) * (y1 - y0));
        }
    }
    return out;
}

int wrap(int i, int size) {
    const int r = i % size;
    return r < 0 ? r + size : r;
}

// Bilinear taps along one axis for every target texel: the two source texels
// (wrapped) and the weight of the second.
struct Taps {
    std::vector<std::uint32_t> first, second;
    std::vector<float> weight;
};
Taps taps(std::uint32_t targetSize, std::uint32_t sourceSize) {
    Taps t;
    const int size = static_cast<int>(sourceSize);
    for (std::uint32_t i = 0; i < targetSize; ++i) {
        const float s = (static_cast<float>(i) + 0.5f) / static_cast<float>(targetSize) * static_cast<float>(size) - 0.5f;
        const float s0 = std::floor(s);
        t.first.push_back(static_cast<std::uint32_t>(wrap(static_cast<int>(s0), size)));
        t.second.push_back(static_cast<std::uint32_t>(wrap(static_cast<int>(s0) + 1, size)));
        t.weight.push_back(s - s0);
    }
    return t;
}

// One cut-out level from the level above: `coverage` and `colour` describe the
// level above and are replaced by the new level's.
Rgba8Image nextLevel(FloatImage& colour, std::vector<float>& coverage) {
    std::vector<float> nextCoverage;
    FloatImage next = reduce(colour, &coverage, &nextCoverage);
    Rgba8Image level{next.width, next.height, std::vector<std::uint8_t>(nextCoverage.size() * 4)};
    for (std::size_t i = 0; i < nextCoverage.size(); ++i) {
        const bool plant = nextCoverage[i] >= 0.5f;
        for (int c = 0; c < 4; ++c) level.texels[i * 4 + c] = plant ? toByte(next.values[i * 4 + c]) : 255;
    }
    colour = std::move(next);
    coverage = std::move(nextCoverage);
    return level;
}

}  // namespace

// length(rgb) > 1.4 in 8-bit units: r² + g² + b² > (1.4 x 255)² = 357².
bool isCutoutBackground(const std::uint8_t* rgba) {
    constexpr std::uint32_t kSquaredLimit = 357 * 357;
    return std::uint32_t(rgba[0]) * rgba[0] + std::uint32_t(rgba[1]) * rgba[1] + std::uint32_t(rgba[2]) * rgba[2] >
           kSquaredLimit;
}

Rgba8Image stretchRgba8(const Rgba8Image& source, bool srgb, std::uint32_t width, std::uint32_t height) {
    if (!srgb && source.width == width && source.height == height) return source;

    FloatImage image = toFloat(source, srgb);
    while ((image.width >= 2 * width && image.width > 1) || (image.height >= 2 * height && image.height > 1))
        image = reduce(image);

    Rgba8Image out{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    const Taps across = taps(width, image.width);
    const Taps down = taps(height, image.height);
    for (std::uint32_t y = 0; y < height; ++y) {
        const float fy = down.weight[y];
        const float* row0 = image.at(0, down.first[y]);
        const float* row1 = image.at(0, down.second[y]);
        std::uint8_t* d = &out.texels[std::size_t(y) * width * 4];
        for (std::uint32_t x = 0; x < width; ++x, d += 4) {
            const float fx = across.weight[x];
            const float* a = row0 + across.first[x] * 4;
            const float* b = row0 + across.second[x] * 4;
            const float* c = row1 + across.first[x] * 4;
            const float* e = row1 + across.second[x] * 4;
            for (int k = 0; k < 4; ++k) {
                const float top = a[k] + fx * (b[k] - a[k]);
                const float bottom = c[k] + fx * (e[k] - c[k]);
                d[k] = toByte(top + fy * (bottom - top));
            }
        }
    }
    return out;
}

std::vector<Rgba8Image> cutoutMipChain(Rgba8Image level0) {
    // Carried from level to level in floats: the average plant colour under
    // each texel (straight, not mixed with the background) and the share of
    // plant under it. Level 0 is all plant or all background, so its colour
    // is its texels and its share 0 or 1.
    std::vector<float> coverage(std::size_t(level0.width) * level0.height);
    for (std::size_t i = 0; i < coverage.size(); ++i) coverage[i] = isCutoutBackground(&level0.texels[i * 4]) ? 0.0f : 1.0f;
    FloatImage colour = toFloat(level0, false);

    std::vector<Rgba8Image> chain;
    chain.push_back(std::move(level0));
    while (colour.width > 1 || colour.height > 1) chain.push_back(nextLevel(colour, coverage));
    return chain;
}

}  // namespace tolmero
