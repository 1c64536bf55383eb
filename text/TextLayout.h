#pragma once
// The CPU half of the text renderer: lays a UTF-16 string out, glyph by
// glyph, into the three per-glyph arrays that the text shaders read.
//
// Units: the caller's position and size are in target heights (x is scaled
// by the target's height-to-width ratio on the way in); the boxes come out
// in normalised target coordinates (x as a fraction of the width, y of the
// height, origin top-left, y down). All arithmetic is in 32-bit floats.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "text/GlyphTable.h"

namespace tolmero {

// A glyph's quad in normalised target coordinates: "boxes", 16 bytes.
struct GlyphQuad {
    float x0 = 0.0f;
    float y0 = 0.0f;
    float x1 = 0.0f;
    float y1 = 0.0f;
};
static_assert(sizeof(GlyphQuad) == 16);

// The horizontal span of the glyph bitmap that the quad shows: "UVs", 8 bytes.
struct GlyphSpan {
    float left = 0.0f;
    float right = 0.0f;
};
static_assert(sizeof(GlyphSpan) == 8);

// One element per drawn glyph in each array; line breaks and spaces produce
// none.
struct TextLayout {
    std::vector<std::uint32_t> indices;  // "indices": texture-array slice
    std::vector<GlyphQuad> boxes;        // "boxes"
    std::vector<GlyphSpan> uvs;          // "UVs"
    // Code units that no glyph-table entry starts with; each is skipped.
    std::size_t skippedUnits = 0;

    std::size_t glyphCount() const { return indices.size(); }
};

// The longest glyph-table entry that the text starts with is tried first,
// up to four code units, so a surrogate-pair emoji or the two-unit heart is
// one glyph. A code unit that begins no entry is skipped (counted in
// skippedUnits) rather than stalling the layout.
TextLayout layoutText(const GlyphTable& table, std::u16string_view text, float x, float y, float size,
                      std::uint32_t targetWidth, std::uint32_t targetHeight);

}  // namespace tolmero
