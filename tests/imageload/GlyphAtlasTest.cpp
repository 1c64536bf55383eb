// The glyph atlas that createHeadlessRenderer builds: the table, the texture
// array, slice contents equal to the glyph bitmaps, and measured boxes that
// hold each bitmap's ink.
#include <spng.h>

#include <memory>

#include "render/EmbeddedResources.h"
#include "render/GlyphAtlas.h"
#include "render/Renderer.h"
#include "render/ResourceTable.h"
#include "tests/imageload/ImageTestSupport.h"

using namespace tolmero;
using namespace tolmero::gpu;

namespace {

class GlyphAtlasTest : public imagetest::GpuTest {};

// The glyph bitmap of a slice as 8-bit RGB, straight from its PNG.
std::vector<std::uint8_t> glyphBitmap(int slice) {
    const std::int32_t id = currentRenderer()->registry.resourceId(glyphFileName(slice));
    const std::span<const std::uint8_t> bytes = *findResource(id, kImageResourceType);
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(0), &spng_ctx_free);
    spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size());
    std::vector<std::uint8_t> rgb(kGlyphImageSize * kGlyphImageSize * 3);
    EXPECT_EQ(spng_decode_image(ctx.get(), rgb.data(), rgb.size(), SPNG_FMT_RGB8, 0), 0);
    return rgb;
}

}  // namespace

TEST_F(GlyphAtlasTest, TheTableHoldsEveryGlyphAtItsSliceAndTheTwoFixedEntries) {
    const GlyphAtlas& atlas = currentRenderer()->glyphAtlas;
    ASSERT_EQ(atlas.glyphTable.size(), 129u);
    EXPECT_EQ(atlas.glyphTable.at(u"\n").slice, kLineBreakSlice);
    EXPECT_EQ(atlas.glyphTable.at(u" ").slice, kSpaceSlice);
    EXPECT_EQ(atlas.glyphTable.at(u" ").right, 0.0f);
    const auto& glyphs = glyphList();
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        const GlyphInfo& info = atlas.glyphTable.at(glyphs[slice]);
        EXPECT_EQ(info.slice, slice);
        EXPECT_LT(info.left, info.right) << "slice " << slice << " has an empty box";
        EXPECT_GE(info.left, 0.0f);
        EXPECT_LE(info.right, 1.0f);
    }
    EXPECT_EQ(atlas.glyphTable.at(u"\u2764\uFE0F").slice, 0);  // heart
    EXPECT_EQ(atlas.glyphTable.at(u"A").slice, 59);
    EXPECT_EQ(atlas.glyphTable.at(u"\u00E4").slice, 115);  // ä

    ASSERT_NE(atlas.font, nullptr);
    D3D11_TEXTURE2D_DESC desc{};
    atlas.font->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 64u);
    EXPECT_EQ(desc.Height, 64u);
    EXPECT_EQ(desc.MipLevels, 1u);
    EXPECT_EQ(desc.ArraySize, 127u);
    EXPECT_EQ(desc.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    EXPECT_EQ(desc.BindFlags, UINT(D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET));
    EXPECT_EQ(currentRenderer()->ownedObjects.count(atlas.font), 1u);
}

TEST_F(GlyphAtlasTest, EachSliceHoldsItsBitmapAndTheBoxHoldsItsInk) {
    const GlyphAtlas& atlas = currentRenderer()->glyphAtlas;
    const auto& glyphs = glyphList();
    int inkedSlices = 0;
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        const std::vector<std::uint8_t> rgb = glyphBitmap(slice);
        const std::vector<std::uint8_t> texels = imagetest::readSubresource(atlas.font, slice, 64 * 64 * 4);
        std::size_t differing = 0;
        int inkLeft = 64, inkRight = -1;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const std::size_t i = std::size_t(y) * 64 + x;
                // The 8-bit values are copied unchanged: red is the bitmap's red.
                differing += texels[4 * i] != rgb[3 * i] || texels[4 * i + 3] != 255;
                if (rgb[3 * i] > 64) inkLeft = std::min(inkLeft, x), inkRight = std::max(inkRight, x);
            }
        EXPECT_EQ(differing, 0u) << "slice " << slice;
        if (inkRight < 0) continue;
        ++inkedSlices;
        // A bitmap texel covers 64 layout units; its ink lies inside the box
        // (with one texel of slack for anti-aliasing at the edges).
        const GlyphInfo& info = atlas.glyphTable.at(glyphs[slice]);
        EXPECT_GE(inkLeft + 1, info.left * 64.0f) << "slice " << slice;
        EXPECT_LE(inkRight, info.right * 64.0f + 1.0f) << "slice " << slice;
    }
    EXPECT_GE(inkedSlices, 120) << "nearly every glyph has ink";
}
