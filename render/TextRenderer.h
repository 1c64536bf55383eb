#pragma once
// Draws one UTF-16 string into a render target from the glyph atlas: the
// layout goes into three small structured buffers, and one draw turns every
// glyph into a two-triangle quad whose pixel program decides coverage by
// supersampling the glyph bitmap. Covered pixels become opaque white.
//
// Nothing is kept between calls: the buffers, the sampler and the blend
// state are made and released within the call.

#include <string>

#include "gpu/D3D11.h"
#include "render/GlyphAtlas.h"

namespace tolmero {

// Draws `text` with its pen starting at (x, y) and glyphs `size` high, all in
// units of the target's height (x is scaled by height / width on the way in),
// into `target`, a 2D render-target texture. Uses the current renderer's
// glyph atlas. A text without glyphs (empty, only spaces and line feeds, or
// only code units the atlas lacks) draws nothing and creates nothing.
void drawText(const std::u16string& text, float x, float y, float size, gpu::ID3D11Texture2D* target);

// The same with an explicit atlas (a texture array of 64 x 64 glyph bitmaps
// and its glyph table).
void drawText(const GlyphAtlas& atlas, const std::u16string& text, float x, float y, float size,
              gpu::ID3D11Texture2D* target);

}  // namespace tolmero
