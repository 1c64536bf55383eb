#pragma once
// The 64 x 64 glyph bitmaps: each glyph rendered white on black from the
// top-left corner of the 4096-unit layout square, exactly as FontMeasure lays
// it out, at 8 x 8 samples per texel and box-filtered down. The four monkey
// emoji are drawn instead (MonkeyGlyphs.h), in the advance the font measures.

#include <cstdint>
#include <string>
#include <vector>

#include "text/FontMeasure.h"

namespace tolmero {

inline constexpr int kGlyphSupersampling = 8;
// One texel of a glyph image in layout units, and how many texels the emoji
// strokes are thickened by.
inline constexpr double kLayoutTexel = 4096.0 / kGlyphImageSize;
inline constexpr double kEmojiEmboldenTexels = 1.5;

// A grey image, one byte per texel, rows from the top.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> texels;

    std::uint8_t at(int x, int y) const { return texels[static_cast<std::size_t>(y) * width + x]; }
};

// The bitmap of one glyph slice in the given family.
GreyImage renderGlyphImage(FontMeasure& measure, int slice, std::string_view family);

// First and one-past-last texel column that holds any ink; (0, 0) when blank.
struct InkSpan {
    int begin = 0;
    int end = 0;
};
InkSpan inkColumns(const GreyImage& image);

// The texel columns that a measured box [left, right] (fractions of the
// image width) touches: [floor(left * w), ceil(right * w)).
InkSpan boxColumns(const GlyphInfo& info, int width);

// PNG encodings: 8-bit RGB (colour type 2) with the grey value in every
// channel, or 8-bit RGB from interleaved RGB bytes. No time or text chunks,
// so equal pixels give equal files. Throw std::runtime_error on failure.
std::vector<std::uint8_t> encodeGreyAsRgbPng(const GreyImage& image);
std::vector<std::uint8_t> encodeRgbPng(int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace tolmero
