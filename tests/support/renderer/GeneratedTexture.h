#pragma once
// Textures generated in code for the GPU tests' known images: an 8-bit RGBA
// texture (or array) filled texel by texel from a function.

#include <cstdint>
#include <functional>

#include "gpu/D3D11.h"

namespace tolmero {

// RGBA in 0..1 of texel (x, y) of slice `slice`.
struct TexelColour {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};
using TexelGenerator = std::function<TexelColour(std::uint32_t x, std::uint32_t y, std::uint32_t slice)>;

// An R8G8B8A8_UNORM shader-resource texture (an array when slices > 1) filled
// from the generator, with a full mip chain when `mips` is set.
gpu::ID3D11Texture2D* createGeneratedTexture(std::uint32_t width, std::uint32_t height, std::uint32_t slices,
                                             bool mips, const TexelGenerator& generator);

}  // namespace tolmero
