#pragma once
// CPU versions of the shaders' shared random functions and of the eight
// random fields, computed the way the GPU computes them (32-bit float
// arithmetic, wrapping 32-bit integers), for comparisons with GPU results and
// for CPU-side questions about the landscape such as the terrain's height
// under the camera.

#include <cstdint>
#include <vector>

namespace tolmero::reference {

constexpr int kFieldSize = 1024;   // texels per side of every field
constexpr int kFieldSlices = 8;

// Bob Jenkins' 96-bit mix of (a, b, c), all arithmetic modulo 2^32.
void mix96(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c);

struct RandomState {
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t c = 0;

    // One draw: mix once and take c.
    std::uint32_t next() {
        mix96(a, b, c);
        return c;
    }
};

// A draw as a value in (0, 1]: (float(c mod 0xFFFFFFFF) + 1) x 2^-32.
float unit(std::uint32_t c);

// The value of an integer lattice point, in (-0.5, 0.5].
float latticeValue(std::int32_t x, std::int32_t y, std::int32_t z);

// Trilinear value noise over latticeValue with smoothstep weights.
float valueNoise3(float x, float y, float z);

// The raw fractal sum n of slice `slice` at field coordinates (u, v).
float fieldFractal(int slice, float u, float v);

// Texel (i, j) (column i, row j) of slice `slice`, computed on its own.
float randomFieldTexel(int slice, int i, int j);

// A whole slice, row by row (index j * 1024 + i), computed once per process
// and cached; the same values as randomFieldTexel, faster.
const std::vector<float>& randomFieldSlice(int slice);

// Bilinear sample of a cached slice at (u, v) with wrapping, as the linear
// sampler reads mip level 0.
float sampleRandomField(int slice, float u, float v);

// The height of the landscape of `scene` (0 to 3) at world (x, z) in
// [-0.5, 0.5]: 0.05 x the field of slice `scene`, sampled bilinearly.
float terrainHeight(int scene, float x, float z);

// The height of the drawn terrain mesh at world (x, z): the 512 x 512 grid's
// vertices carry the field's samples and each quad is two flat triangles
// split along the diagonal from grid corner (1, 0) to (0, 1).
float terrainSurfaceHeight(int scene, float x, float z);

}  // namespace tolmero::reference
