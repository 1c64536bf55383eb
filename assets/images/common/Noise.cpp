#include "Noise.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Random.h"

namespace tolmero::images {
namespace {

struct Gradients {
    std::array<float, 512> g{};
    Gradients() {
        for (int i = 0; i < 256; ++i) {
            const double a = 6.283185307179586 * (i + 0.5) / 256.0;
            g[2 * i] = static_cast<float>(std::cos(a));
            g[2 * i + 1] = static_cast<float>(std::sin(a));
        }
    }
};
const Gradients kGradients;

inline int wrapIndex(int i, int period) {
    if (period <= 0) return i;
    int r = i % period;
    return r < 0 ? r + period : r;
}

inline float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

inline float corner(int ix, int iy, float fx, float fy, uint32_t seed) {
    const uint32_t h = hash3(ix, iy, seed) & 255u;
    return kGradients.g[2 * h] * fx + kGradients.g[2 * h + 1] * fy;
}

}  // namespace

float gradientNoise(float x, float y, int periodX, int periodY, uint32_t seed) {
    const float flx = std::floor(x);
    const float fly = std::floor(y);
    const int ix = static_cast<int>(flx);
    const int iy = static_cast<int>(fly);
    const float fx = x - flx;
    const float fy = y - fly;
    const int x0 = wrapIndex(ix, periodX);
    const int x1 = wrapIndex(ix + 1, periodX);
    const int y0 = wrapIndex(iy, periodY);
    const int y1 = wrapIndex(iy + 1, periodY);
    const float n00 = corner(x0, y0, fx, fy, seed);
    const float n10 = corner(x1, y0, fx - 1.0f, fy, seed);
    const float n01 = corner(x0, y1, fx, fy - 1.0f, seed);
    const float n11 = corner(x1, y1, fx - 1.0f, fy - 1.0f, seed);
    const float sx = fade(fx);
    const float sy = fade(fy);
    const float a = n00 + (n10 - n00) * sx;
    const float b = n01 + (n11 - n01) * sx;
    return a + (b - a) * sy;
}

float cylinderFbm(float u, float v, int cellsX, int cellsY, bool wrapY, int octaves, float gain, uint32_t seed) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float norm = 0.0f;
    int cx = cellsX;
    int cy = cellsY;
    for (int o = 0; o < octaves; ++o) {
        // Shift each octave's lattice by a fraction of a cell: the sum still repeats, but
        // the lattice lines of the octaves no longer coincide (gradient noise changes
        // fastest across its lattice lines, which would otherwise show as a faint grid).
        const uint32_t h = hash32(seed * 0x9E3779B9u + static_cast<uint32_t>(o));
        const float ox = hashUnit(h), oy = hashUnit(hash32(h));
        sum += amplitude * gradientNoise(u * cx + ox, v * cy + oy, cx, wrapY ? cy : 0, seed + 7919u * o);
        norm += amplitude * amplitude;
        amplitude *= gain;
        cx *= 2;
        cy *= 2;
    }
    return sum / std::sqrt(norm);
}

float tileFbm(float u, float v, int baseCells, int octaves, float gain, uint32_t seed) {
    return cylinderFbm(u, v, baseCells, baseCells, true, octaves, gain, seed);
}

float planeFbm(float x, float y, int octaves, float gain, uint32_t seed, float footprint) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float norm = 0.0f;
    float frequency = 1.0f;
    for (int o = 0; o < octaves; ++o) {
        // An octave whose cells are smaller than about two sampling steps only adds aliasing.
        const float detail = footprint > 0.0f ? std::clamp(2.0f - 2.5f * footprint * frequency, 0.0f, 1.0f) : 1.0f;
        if (detail > 0.0f) {
            // Rotate each octave a little so lattice axes do not line up between octaves.
            const float rx = x * 0.8f - y * 0.6f;
            const float ry = x * 0.6f + y * 0.8f;
            x = rx;
            y = ry;
            sum += amplitude * detail * gradientNoise(x * frequency + 17.3f * o, y * frequency - 5.1f * o, 0, 0, seed + 7919u * o);
        }
        norm += amplitude * amplitude;
        amplitude *= gain;
        frequency *= 2.0f;
    }
    return sum / std::sqrt(norm);
}

CellSample tileCells(float u, float v, int cells, uint32_t seed, float jitter) {
    const float x = u * cells;
    const float y = v * cells;
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    CellSample best;
    float d1 = 1e9f;
    float d2 = 1e9f;
    for (int oy = -1; oy <= 1; ++oy) {
        for (int ox = -1; ox <= 1; ++ox) {
            const int cx = ix + ox;
            const int cy = iy + oy;
            const uint32_t h = hash3(wrapIndex(cx, cells), wrapIndex(cy, cells), seed);
            const float px = cx + 0.5f + jitter * (hashUnit(h) - 0.5f);
            const float py = cy + 0.5f + jitter * (hashUnit(hash32(h ^ 0x5bd1e995u)) - 0.5f);
            const float dx = x - px;
            const float dy = y - py;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < d1) {
                d2 = d1;
                d1 = d;
                best.dx = dx;
                best.dy = dy;
                best.id = h;
            } else if (d < d2) {
                d2 = d;
            }
        }
    }
    best.f1 = d1;
    best.f2 = d2;
    return best;
}

}  // namespace tolmero::images
