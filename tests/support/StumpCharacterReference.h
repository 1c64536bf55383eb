#pragma once
// CPU versions of the stump and character programs: the stump's growth
// threshold and what it makes of a pixel, the twigs' depth offsets, and the
// character quad's width for a frame index.

#include <array>
#include <cstdint>

namespace tolmero::reference {

// The growth threshold g of a stump pixel at pixel (px, py) (integer pixel
// coordinates) of quad `quad`, with the billboard's world point w and the
// growth value; 0 for the stump itself (quad 0).
float stumpThreshold(std::uint32_t px, std::uint32_t py, int quad, const std::array<float, 3>& w, float growth);

enum class StumpPixelFate {
    Image,    // shows the image (colour^1.4)
    White,    // the growing edge
    Discard,  // not grown yet, or background white
};

// What the stump pixel program does with a pixel: the white cut first, then
// g above 1 discards, g above 0.9 is white.
StumpPixelFate stumpPixelFate(float threshold, const std::array<float, 3>& texelRgb, float lod);

// Camera-space z offset of quad `quad` (0 for the stump).
float stumpDepthOffset(int quad);

// The character quad's camera-space width factor for `frame`: the frame's
// aspect ratio, or 0 past the end of the ratio table (the quad vanishes).
float characterAspect(std::uint32_t frame, const float* aspectRatios, std::uint32_t frameCount);

// The character pixel program: texels with alpha below 0.98 are cut;
// the rest become colour^1.4 x 0.5. Returns false for a cut texel.
bool characterPixelColour(const std::array<float, 4>& texel, std::array<float, 4>& colour);

}  // namespace tolmero::reference
