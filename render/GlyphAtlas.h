#pragma once
// The glyph bitmaps of the two fonts in one texture array, with the glyph
// table that tells the text renderer which slice holds a glyph and which
// horizontal part of the bitmap it covers. Built once, right after the
// renderer comes up, and kept by the renderer until teardown.

#include <string_view>

#include "gpu/D3D11.h"
#include "text/GlyphTable.h"

namespace tolmero {

struct GlyphAtlas {
    // 64 x 64 texels, one mip level, one slice per glyph (127),
    // R8G8B8A8_UNORM, shader resource and render target; registered with the
    // renderer. Null until built.
    gpu::ID3D11Texture2D* font = nullptr;
    // Glyph string -> slice and measured box; the 127 glyphs plus "\n" and " ".
    GlyphTable glyphTable;
};

// Measures every glyph (the emoji in emojiFamily, the rest in textFamily),
// loads each glyph bitmap ("cache/fonts/<family> <glyph name> 64 4096.png")
// and copies its top mip level into the glyph's slice. Needs a current
// renderer. A family that the system lacks is measured with the generic
// sans-serif family; the bitmaps keep the requested family's name.
GlyphAtlas buildGlyphAtlas(std::string_view textFamily, std::string_view emojiFamily);

}  // namespace tolmero
