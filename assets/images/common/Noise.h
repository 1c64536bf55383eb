#pragma once
// Lattice noise for the image generators. "Tile" functions take coordinates in the
// unit square and repeat exactly at its edges, so images built from them tile
// seamlessly; "plane" functions do not repeat.
#include <cstdint>

namespace tolmero::images {

// Perlin gradient noise, roughly in [-0.7, 0.7]. The lattice repeats every periodX
// (periodY) cells; a period of 0 means no repeat along that axis.
float gradientNoise(float x, float y, int periodX, int periodY, uint32_t seed);

// Fractal sum of gradient noise over the unit square, repeating at its edges.
// The first octave has baseCells lattice cells across the square; each further
// octave doubles the count and multiplies the amplitude by gain. The result is
// normalised so that its amplitude stays near [-0.7, 0.7] whatever the octaves.
float tileFbm(float u, float v, int baseCells, int octaves, float gain, uint32_t seed);

// Same as tileFbm with independent cell counts across and down (for stretched
// images that must repeat horizontally only; periodY 0 disables the vertical repeat).
float cylinderFbm(float u, float v, int cellsX, int cellsY, bool wrapY, int octaves, float gain, uint32_t seed);

// Non-repeating fractal sum with a fade for octaves finer than the sampling
// footprint (in noise units); keeps distant detail from aliasing.
float planeFbm(float x, float y, int octaves, float gain, uint32_t seed, float footprint = 0.0f);

// Worley (cellular) noise over the unit square with cells × cells jittered feature
// points, repeating at the edges. Distances are in cell units.
struct CellSample {
    float f1 = 0.0f;   // distance to the nearest feature point
    float f2 = 0.0f;   // distance to the second nearest
    float dx = 0.0f;   // offset from the nearest feature point to the sample
    float dy = 0.0f;
    uint32_t id = 0;   // hash identifying the nearest feature point's cell
};
CellSample tileCells(float u, float v, int cells, uint32_t seed, float jitter = 0.9f);

}  // namespace tolmero::images
