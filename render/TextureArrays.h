#pragma once
// Texture arrays built from lists of embedded images of different sizes.
//
// Each image is loaded on its own (only one source texture is resident at a
// time besides the array), stretched on the GPU over a render target of the
// common size with "BlitVertex" and "FullBlitPixel" (trilinear filtering over
// the source's mip chain), and copied into its slice; the array's mip chain is
// generated at the end. The array is always R8G8B8A8_UNORM: a source in an
// sRGB format is decoded to linear values when sampled, and the array stores
// those linear values.

#include <cstdint>
#include <string>
#include <vector>

#include "gpu/D3D11.h"

namespace tolmero {

// How the array's mip chain is made: by the GPU's mip generation (box
// filter), or on the CPU with the cut-out rule of render/CutoutMips.h for
// images on a white background that their pixel programs cut away (the
// stretch is then done on the CPU too; the extra load flags do not apply).
enum class ArrayMips { Generated, Cutout };

// Slice i holds image names[i]. Common size: the largest width and the
// largest height among the images. bindFlags and miscFlags are the extra
// flags of each source image's load. The array (full mip chain, shader
// resource and render target) is registered with the current renderer.
gpu::ID3D11Texture2D* buildTextureArray(const std::vector<std::string>& names, std::uint32_t bindFlags,
                                        std::uint32_t miscFlags, ArrayMips mipRule = ArrayMips::Generated);

// The same with the common size capped at (limitWidth, limitHeight), and a
// structured buffer of 32-bit floats, element i = width / height of source
// image i, returned through `aspects` (shader resource, registered).
gpu::ID3D11Texture2D* buildTextureArrayWithAspects(const std::vector<std::string>& names, std::uint32_t bindFlags,
                                                   std::uint32_t miscFlags, std::uint32_t limitWidth,
                                                   std::uint32_t limitHeight, gpu::ID3D11Buffer** aspects,
                                                   ArrayMips mipRule = ArrayMips::Generated);

}  // namespace tolmero
