#pragma once
// CPU versions of the finishing passes and of the small formulas of the
// terrain and sky programs: the squeeze mean, the bloom's separable Gaussian,
// the blit's dithered sum, the terrain's vertex brightness and the sky's
// mapping from a world direction to panorama coordinates.

#include <array>
#include <cstdint>
#include <vector>

namespace tolmero::reference {

using Rgba = std::array<float, 4>;

// An RGBA image of floats, row by row, top row first.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<Rgba> texels;

    RgbaImage() = default;
    RgbaImage(int w, int h) : width(w), height(h), texels(static_cast<std::size_t>(w) * h, Rgba{}) {}
    Rgba& at(int x, int y) { return texels[static_cast<std::size_t>(y) * width + x]; }
    const Rgba& at(int x, int y) const { return texels[static_cast<std::size_t>(y) * width + x]; }
};

// The mean of the sx x sy block of `original` that becomes result pixel
// (px, py).
Rgba squeezeMean(const RgbaImage& original, int sx, int sy, int px, int py);

// Rounds to the nearest 16-bit float (ties to even), as a 16-bit float
// target stores a value.
float roundToHalf(float value);

// Both bloom passes over `source` (window size): the column pass into the
// glow, then the row pass over the glow in place; each output is stored as a
// 16-bit float.
RgbaImage bloomReference(const RgbaImage& source, float strength);

// One output of one bloom pass: the Gaussian-weighted sum over the line
// around `position` (radius 20, weights e^(-0.01 d^2)), times
// strength x 0.01, before storage.
Rgba bloomLineSum(const std::vector<Rgba>& line, int position, float strength);

// The blit: result + 2000 x glow^2 + 0.2 x (0.02 x dither - 0.01), per
// channel, before the output's conversion.
Rgba blitColour(const Rgba& result, const Rgba& glow, const Rgba& dither);

// Brightness of a terrain vertex from its four neighbours' heights (+x, -x,
// +z, -z, each 1/256 away in field coordinates).
float terrainBrightness(float hxp, float hxm, float hyp, float hym);

// Panorama coordinates of a world direction: u = atan2(z, x) / pi, v = the
// elevation's magnitude over pi / 2.
std::array<float, 2> skyTextureCoordinates(float dx, float dy, float dz);

}  // namespace tolmero::reference
