#pragma once
// Image loading: one embedded PNG or JPEG becomes a 2D texture array (one
// slice per frame) with a full mip chain generated on the GPU. The pixels
// come from decodeImage (ImageDecoder.h), with its format rules.
//
// Bad data never ends the process: the loader writes one line to the debug
// channel and returns a 1 x 1 magenta texture with the requested flags.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "gpu/D3D11.h"
#include "render/ImageDecoder.h"

namespace tolmero {

// The size of the texture that loadImageTexture(name, ...) will make: the
// image's size, or 1 x 1 (the fallback) for a missing or unreadable image.
void loadedImageSize(const std::string& name, std::uint32_t& width, std::uint32_t& height);

// The embedded image `name` (an asset name such as "sprites/dither.png") as a
// texture on the current renderer, registered in its owned-object set. Bind
// flags: D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET plus the extra
// ones; misc flags: D3D11_RESOURCE_MISC_GENERATE_MIPS plus the extra ones.
// An unknown name is a programming error (std::out_of_range from the
// registry); a name without embedded bytes or with bad data gives the
// magenta fallback texture.
gpu::ID3D11Texture2D* loadImageTexture(const std::string& name, std::uint32_t extraBindFlags,
                                       std::uint32_t extraMiscFlags, bool linear);

// The decoded pixels of the embedded image `name` (prefetched or decoded
// now); for a name without embedded bytes, an image whose error says so.
DecodedImage decodeNamedImage(const std::string& name, bool linear);

// The same from bytes in memory; `name` only labels the messages.
gpu::ID3D11Texture2D* loadImageTextureFromBytes(std::span<const std::uint8_t> bytes, std::string_view name,
                                                std::uint32_t extraBindFlags, std::uint32_t extraMiscFlags,
                                                bool linear);

// Uploads decoded pixels: the texture with the full mip chain, one upload per
// frame into mip 0 of its slice, then the mips. A failed decode gives the
// magenta fallback.
gpu::ID3D11Texture2D* createImageTexture(const DecodedImage& image, std::string_view name,
                                         std::uint32_t extraBindFlags, std::uint32_t extraMiscFlags);

// Test hook: while set, loadImageTexture and loadedImageSize ask `lookup`
// for an image's bytes first (a PNG or JPEG file in memory that outlives the
// loads); names it returns nothing for go to the embedded resources as usual.
// An empty function removes the hook.
using ImageBytesLookup = std::function<std::optional<std::span<const std::uint8_t>>(const std::string& name)>;
void setImageBytesLookupForTesting(ImageBytesLookup lookup);

}  // namespace tolmero
