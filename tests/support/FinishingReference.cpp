#include "tests/support/FinishingReference.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tolmero::reference {

Rgba squeezeMean(const RgbaImage& original, int sx, int sy, int px, int py) {
    double sum[4] = {0, 0, 0, 0};
    for (int y = py * sy; y < py * sy + sy; ++y) {
        for (int x = px * sx; x < px * sx + sx; ++x) {
            for (int k = 0; k < 4; ++k) sum[k] += original.at(x, y)[k];
        }
    }
    const double count = static_cast<double>(sx) * sy;
    return {static_cast<float>(sum[0] / count), static_cast<float>(sum[1] / count),
            static_cast<float>(sum[2] / count), static_cast<float>(sum[3] / count)};
}

float roundToHalf(float value) {
    if (!std::isfinite(value)) return value;
    const float magnitude = std::fabs(value);
    if (magnitude >= 65520.0f) return std::copysign(INFINITY, value);  // beyond the largest half
    if (magnitude < std::ldexp(1.0f, -24)) {
        // Below half the smallest subnormal step the value rounds to zero or
        // to that step.
        return magnitude > std::ldexp(1.0f, -25) ? std::copysign(std::ldexp(1.0f, -24), value)
                                                 : std::copysign(0.0f, value);
    }
    // Spacing of halves around the value: 2^(exponent - 10), never below the
    // subnormal step 2^-24.
    const int exponent = std::max(std::ilogb(magnitude), -14);
    const float step = std::ldexp(1.0f, exponent - 10);
    return std::copysign(std::nearbyint(magnitude / step) * step, value);  // nearbyint: ties to even
}

Rgba bloomLineSum(const std::vector<Rgba>& line, int position, float strength) {
    const int length = static_cast<int>(line.size());
    double sum[4] = {0, 0, 0, 0};
    for (int k = std::max(position - 20, 0); k <= std::min(position + 20, length - 1); ++k) {
        const double d = k - position;
        const double weight = std::exp(-0.01 * d * d);
        for (int c = 0; c < 4; ++c) sum[c] += line[k][c] * weight;
    }
    Rgba out;
    for (int c = 0; c < 4; ++c) out[c] = static_cast<float>(sum[c] * strength * 0.01);
    return out;
}

RgbaImage bloomReference(const RgbaImage& source, float strength) {
    RgbaImage glow(source.width, source.height);
    std::vector<Rgba> line(source.height);
    for (int x = 0; x < source.width; ++x) {
        for (int y = 0; y < source.height; ++y) line[y] = source.at(x, y);
        for (int y = 0; y < source.height; ++y) {
            Rgba value = bloomLineSum(line, y, strength);
            for (float& c : value) c = roundToHalf(c);
            glow.at(x, y) = value;
        }
    }
    line.resize(source.width);
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) line[x] = glow.at(x, y);
        for (int x = 0; x < source.width; ++x) {
            Rgba value = bloomLineSum(line, x, strength);
            for (float& c : value) c = roundToHalf(c);
            glow.at(x, y) = value;
        }
    }
    return glow;
}

Rgba blitColour(const Rgba& result, const Rgba& glow, const Rgba& dither) {
    Rgba out;
    for (int c = 0; c < 4; ++c) out[c] = result[c] + 2000.0f * glow[c] * glow[c] + 0.2f * (0.02f * dither[c] - 0.01f);
    return out;
}

float terrainBrightness(float hxp, float hxm, float hyp, float hym) {
    const double nx = (hxp - hxm) / 128.0;
    const double ny = -1.0 / 16384.0;
    const double nz = (hyp - hym) / 128.0;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    const double lit = (2.0 * nx - ny + 2.0 * nz) / (3.0 * length);
    return static_cast<float>(std::max(lit, 0.0) * 0.4 + 0.1);
}

std::array<float, 2> skyTextureCoordinates(float dx, float dy, float dz) {
    const double u = std::atan2(static_cast<double>(dz), static_cast<double>(dx)) / std::numbers::pi;
    const double elevation = std::atan2(static_cast<double>(dy), std::hypot(static_cast<double>(dx), static_cast<double>(dz)));
    return {static_cast<float>(u), static_cast<float>(std::fabs(elevation) / (std::numbers::pi / 2.0))};
}

}  // namespace tolmero::reference
