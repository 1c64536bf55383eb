#pragma once
// Mip chains for cut-out images: plants and stumps drawn on a pure white
// background that their pixel programs discard (near-white texels are cut).
//
// An ordinary mip chain averages the white background into the thin parts of
// a plant (grass blades, twigs, needles), so a plant seen from afar turns into
// a pale grey-white smear that is too dark to be cut and too light to look
// like a plant; a meadow becomes frost. Here each coarser texel is either the
// background (pure white, when less than half of what it covers is plant) or
// the average colour of the plant texels it covers, so the cut keeps the
// plant's own colours at every distance.
//
// The stretch to the array's common size is done on the CPU as well, as the
// GPU stretch does it (bilinear with wrapping at texel centres, in linear
// values for sRGB sources), so that the whole chain can be built here.
#include <cstdint>
#include <vector>

namespace tolmero {

// Straight 8-bit RGBA texels, rows packed, top row first.
struct Rgba8Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> texels;
};

// Whether an 8-bit texel counts as background: the pixel programs' cut at the
// finest level of detail, length(rgb) > 1.4.
bool isCutoutBackground(const std::uint8_t* rgba);

// `source` (8-bit RGBA; `srgb`: its colour channels are sRGB-encoded and are
// decoded to linear values, as a sampler of an sRGB texture does) stretched to
// width x height: bilinear with wrapping at the target texels' centres. A
// source larger than the target is first halved (2 x 2 box) while it is at
// least twice the target's size, as trilinear filtering would pick a coarser
// level.
Rgba8Image stretchRgba8(const Rgba8Image& source, bool srgb, std::uint32_t width, std::uint32_t height);

// The full mip chain of `level0` (level 0 first, down to 1 x 1; each level
// max(1, size / 2), as Direct3D sizes them), built with the cut-out rule.
std::vector<Rgba8Image> cutoutMipChain(Rgba8Image level0);

}  // namespace tolmero
