#include "reference/RandomReference.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <stdexcept>

#include "reference/FieldSampler.h"

namespace tolmero::reference {

void mix96(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c) {
    a -= b; a -= c; a ^= c >> 13;
    b -= c; b -= a; b ^= a << 8;
    c -= a; c -= b; c ^= b >> 13;
    a -= b; a -= c; a ^= c >> 12;
    b -= c; b -= a; b ^= a << 16;
    c -= a; c -= b; c ^= b >> 5;
    a -= b; a -= c; a ^= c >> 3;
    b -= c; b -= a; b ^= a << 10;
    c -= a; c -= b; c ^= b >> 15;
}

float unit(std::uint32_t c) {
    const float scale = std::ldexp(1.0f, -32);
    return (static_cast<float>(c % 0xFFFFFFFFu) + 1.0f) * scale;
}

namespace {

constexpr std::uint32_t kLatticeOffset = 0xEFFFFFFFu;

float lerp(float a, float b, float t) { return a + t * (b - a); }
float smoothWeight(float f) { return f * f * (3.0f - 2.0f * f); }

std::uint32_t latticeCoordinate(std::int32_t value) {
    return static_cast<std::uint32_t>(value) + kLatticeOffset;
}

// One corner of the fields' 2D lattice noise: a weight from four rounds that
// is near 1 only for small draws, times a centred value from a fifth round.
float spikyCorner(std::int32_t x, std::int32_t y, std::uint32_t seed) {
    std::uint32_t a = latticeCoordinate(x);
    std::uint32_t b = latticeCoordinate(y);
    std::uint32_t c = seed;
    for (int round = 0; round < 4; ++round) mix96(a, b, c);
    float g = 1.0f - std::log2(static_cast<float>(c % 0xFFFFFFFFu) * 0.5f + 1.0f) / 31.0f;
    g = g * g;
    mix96(a, b, c);
    return g * (unit(c) - 0.5f);
}

std::uint32_t sliceSeed(int slice) { return 999u * static_cast<std::uint32_t>(slice) + 1000u; }

float octaveScale(int octave) { return std::exp2(-0.925999403f * static_cast<float>(octave)); }

constexpr int kOctaves = 5;

// The fractal sum with the lattice corners supplied by `corner(octave, X, Y)`.
template <class Corner>
float fractalSum(float u, float v, Corner&& corner) {
    float n = -0.01f;
    for (int octave = 0; octave < kOctaves; ++octave) {
        const float scale = octaveScale(octave);
        const float px = (u * 100.0f + 8.0f) * scale;
        const float py = (v * 100.0f + 8.0f) * scale;
        const float cellX = std::floor(px);
        const float cellY = std::floor(py);
        const float wx = smoothWeight(px - cellX);
        const float wy = smoothWeight(py - cellY);
        const auto x = static_cast<std::int32_t>(cellX);
        const auto y = static_cast<std::int32_t>(cellY);
        const float bottom = lerp(corner(octave, x, y), corner(octave, x + 1, y), wx);
        const float top = lerp(corner(octave, x, y + 1), corner(octave, x + 1, y + 1), wx);
        n += lerp(bottom, top, wy) / scale;
    }
    return n;
}

// Square root of the scaled positive part plus a faint slope below zero.
float squashed(float a, float k) { return std::sqrt(std::max(k * a, 0.0f)) + 0.02f * std::min(a, 0.0f); }

float fieldCoordinate(int texel) { return static_cast<float>(texel) / static_cast<float>(kFieldSize); }

// The stored value of slice `slice` from its fractal sum at (u, v).
float shapeField(int slice, float n, float u, float v) {
    const float dx = u - 0.5f;
    const float dy = v - 0.5f;
    const float dx2 = dx * dx;
    const float dy2 = dy * dy;
    const float d4 = std::max(std::pow(dx2 * dx2 + dy2 * dy2, 0.25f) - 0.45f, 0.0f);
    const float d8 = std::max(std::pow(dx2 * dx2 * dx2 * dx2 + dy2 * dy2 * dy2 * dy2, 0.125f) - 0.45f, 0.0f);
    const float h = n + 0.005f;
    float value = n;
    switch (slice) {
        case 0: value = squashed(h, 0.9f) + 2.0f * d4; break;
        case 1: {
            const float h1 = h + (u - 0.4f) * 0.1f;
            value = std::sqrt(std::max(0.9f * h1, 0.0f)) + 3.8f * std::min(h1, 0.0f) - 4.0f * d8;
            break;
        }
        case 2: value = squashed(h, 0.7f) + 2.0f * d4; break;
        case 3: value = squashed(h, 0.1f) + 2.0f * d4; break;
        default: break;
    }
    return 0.6f * value;
}

void checkSlice(int slice) {
    if (slice < 0 || slice >= kFieldSlices) throw std::out_of_range("random field slice out of range");
}

// Lattice corners of one octave over the whole field, computed once.
struct CornerTable {
    std::int32_t firstX = 0;
    std::int32_t firstY = 0;
    int columns = 0;
    std::vector<float> values;

    float at(std::int32_t x, std::int32_t y) const {
        return values[static_cast<std::size_t>(y - firstY) * columns + (x - firstX)];
    }
};

CornerTable makeCornerTable(int slice, int octave) {
    const float scale = octaveScale(octave);
    CornerTable table;
    // The field spans P in [8, 108) x scale; one cell of margin on each side.
    table.firstX = static_cast<std::int32_t>(std::floor(8.0f * scale)) - 1;
    table.firstY = table.firstX;
    table.columns = static_cast<int>(std::ceil(108.0f * scale)) - table.firstX + 2;
    table.values.resize(static_cast<std::size_t>(table.columns) * table.columns);
    for (int row = 0; row < table.columns; ++row) {
        for (int column = 0; column < table.columns; ++column) {
            table.values[static_cast<std::size_t>(row) * table.columns + column] =
                spikyCorner(table.firstX + column, table.firstY + row, sliceSeed(slice));
        }
    }
    return table;
}

std::vector<float> computeSlice(int slice) {
    std::array<CornerTable, kOctaves> tables;
    for (int octave = 0; octave < kOctaves; ++octave) tables[octave] = makeCornerTable(slice, octave);
    auto corner = [&](int octave, std::int32_t x, std::int32_t y) { return tables[octave].at(x, y); };

    std::vector<float> values(static_cast<std::size_t>(kFieldSize) * kFieldSize);
    for (int j = 0; j < kFieldSize; ++j) {
        const float v = fieldCoordinate(j);
        for (int i = 0; i < kFieldSize; ++i) {
            const float u = fieldCoordinate(i);
            values[static_cast<std::size_t>(j) * kFieldSize + i] = shapeField(slice, fractalSum(u, v, corner), u, v);
        }
    }
    return values;
}

}  // namespace

float latticeValue(std::int32_t x, std::int32_t y, std::int32_t z) {
    std::uint32_t a = latticeCoordinate(x);
    std::uint32_t b = latticeCoordinate(y);
    std::uint32_t c = static_cast<std::uint32_t>(z);
    for (int round = 0; round < 5; ++round) mix96(a, b, c);
    return unit(c) - 0.5f;
}

float valueNoise3(float x, float y, float z) {
    const float cellX = std::floor(x);
    const float cellY = std::floor(y);
    const float cellZ = std::floor(z);
    const float wx = smoothWeight(x - cellX);
    const float wy = smoothWeight(y - cellY);
    const float wz = smoothWeight(z - cellZ);
    const auto ix = static_cast<std::int32_t>(cellX);
    const auto iy = static_cast<std::int32_t>(cellY);
    const auto iz = static_cast<std::int32_t>(cellZ);
    auto alongX = [&](std::int32_t dy, std::int32_t dz) {
        return lerp(latticeValue(ix, iy + dy, iz + dz), latticeValue(ix + 1, iy + dy, iz + dz), wx);
    };
    const float nearZ = lerp(alongX(0, 0), alongX(1, 0), wy);
    const float farZ = lerp(alongX(0, 1), alongX(1, 1), wy);
    return lerp(nearZ, farZ, wz);
}

float fieldFractal(int slice, float u, float v) {
    checkSlice(slice);
    return fractalSum(u, v, [slice](int, std::int32_t x, std::int32_t y) { return spikyCorner(x, y, sliceSeed(slice)); });
}

float randomFieldTexel(int slice, int i, int j) {
    const float u = fieldCoordinate(i);
    const float v = fieldCoordinate(j);
    return shapeField(slice, fieldFractal(slice, u, v), u, v);
}

const std::vector<float>& randomFieldSlice(int slice) {
    checkSlice(slice);
    static std::mutex mutex;
    static std::array<std::vector<float>, kFieldSlices> slices;
    std::lock_guard lock(mutex);
    if (slices[slice].empty()) slices[slice] = computeSlice(slice);
    return slices[slice];
}

float sampleRandomField(int slice, float u, float v) {
    return sampleBilinearWrap(randomFieldSlice(slice).data(), kFieldSize, kFieldSize, u, v);
}

float terrainHeight(int scene, float x, float z) {
    return 0.05f * sampleRandomField(scene, x + 0.5f, z + 0.5f);
}

float terrainSurfaceHeight(int scene, float x, float z) {
    constexpr int kGrid = 512;
    const float gx = std::clamp((x + 0.5f) * kGrid, 0.0f, static_cast<float>(kGrid));
    const float gz = std::clamp((z + 0.5f) * kGrid, 0.0f, static_cast<float>(kGrid));
    const int i = std::min(static_cast<int>(gx), kGrid - 1);
    const int j = std::min(static_cast<int>(gz), kGrid - 1);
    const float fx = gx - static_cast<float>(i);
    const float fz = gz - static_cast<float>(j);
    auto vertex = [&](int di, int dj) {
        const float step = 1.0f / kGrid;
        return 0.05f * sampleRandomField(scene, static_cast<float>(i + di) * step, static_cast<float>(j + dj) * step);
    };
    if (fx + fz <= 1.0f) {
        const float h00 = vertex(0, 0);
        return h00 + fx * (vertex(1, 0) - h00) + fz * (vertex(0, 1) - h00);
    }
    const float h11 = vertex(1, 1);
    return h11 + (1.0f - fx) * (vertex(0, 1) - h11) + (1.0f - fz) * (vertex(1, 0) - h11);
}

}  // namespace tolmero::reference
