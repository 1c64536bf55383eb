#include "render/GlyphAtlas.h"

#include <exception>
#include <string>

#include "render/GpuResources.h"
#include "render/ImageLoader.h"
#include "render/Renderer.h"
#include "text/FontMeasure.h"

namespace tolmero {

using namespace gpu;

GlyphAtlas buildGlyphAtlas(std::string_view textFamily, std::string_view emojiFamily) {
    GlyphAtlas atlas;
    try {
        FontMeasure measure;
        atlas.glyphTable = buildGlyphTable(measure, textFamily, emojiFamily);
    } catch (const std::exception& error) {
        // Without a font engine the boxes stay empty, as a failed
        // measurement leaves them; the bitmaps still load.
        debugOutput(std::string("Glyph measuring failed: ") + error.what());
        atlas.glyphTable = fixedGlyphEntries();
        const auto& glyphs = glyphList();
        for (int slice = 0; slice < kGlyphCount; ++slice) atlas.glyphTable[glyphs[slice]] = GlyphInfo{slice, 0.0f, 0.0f};
    }

    atlas.font = createTextureArray(DXGI_FORMAT_R8G8B8A8_UNORM, kGlyphImageSize, kGlyphImageSize, kGlyphCount,
                                    D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET, 0);
    if (!atlas.font) return atlas;  // the device has reported why

    for (int slice = 0; slice < kGlyphCount; ++slice) {
        const std::string file = glyphFileName(slice, glyphFamily(slice, textFamily, emojiFamily));
        ID3D11Texture2D* bitmap = loadImageTexture(file, 0, 0, false);
        if (!bitmap) continue;
        // The bitmaps are RGB, so they load as R8G8B8A8_UNORM_SRGB; the copy
        // into the UNORM array keeps the 8-bit values as they are.
        context()->CopySubresourceRegion(atlas.font, static_cast<UINT>(slice), 0, 0, 0, bitmap, 0, nullptr);
        releaseObject(bitmap);
    }
    return atlas;
}

}  // namespace tolmero
