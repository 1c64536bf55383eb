// The text shaders against a CPU reference: a glyph bitmap crafted so that
// every pixel of a small target sees a chosen number of its 8 x 8 samples
// on the glyph, around the threshold of 32.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "render/GlyphAtlas.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "render/TextRenderer.h"
#include "tests/textrender/TextGpuSupport.h"
#include "text/TextLayout.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;
using texttest::Rgba8Image;

constexpr int kBitmap = 64;   // glyph bitmap edge
constexpr int kTarget = 8;    // target edge: each pixel spans 8 x 8 texels
constexpr int kBlock = kBitmap / kTarget;

// Red channel of one glyph bitmap, 0 or 1 per texel.
using Bitmap = std::vector<float>;

// Samples the bitmap as the linear sampler with wrapping does.
float sampleBilinear(const Bitmap& bitmap, float u, float v) {
    const float s = u * kBitmap - 0.5f;
    const float t = v * kBitmap - 0.5f;
    const float s0 = std::floor(s);
    const float t0 = std::floor(t);
    const float fs = s - s0;
    const float ft = t - t0;
    auto texel = [&](float x, float y) {
        const int xi = ((static_cast<int>(x) % kBitmap) + kBitmap) % kBitmap;
        const int yi = ((static_cast<int>(y) % kBitmap) + kBitmap) % kBitmap;
        return bitmap[static_cast<std::size_t>(yi * kBitmap + xi)];
    };
    const float top = texel(s0, t0) * (1.0f - fs) + texel(s0 + 1.0f, t0) * fs;
    const float bottom = texel(s0, t0 + 1.0f) * (1.0f - fs) + texel(s0 + 1.0f, t0 + 1.0f) * fs;
    return top * (1.0f - ft) + bottom * ft;
}

struct ReferencePixel {
    int hits = 0;
    float closestToHalf = 1.0f;  // smallest |sample - 0.5|: how clear-cut the count is
};

// The pixel program's count for pixel (px, py) of a W x H target covered by
// one glyph quad, with the texture coordinates interpolated linearly over
// the quad and the footprint from their per-pixel change.
ReferencePixel referenceHits(const Bitmap& bitmap, const GlyphQuad& box, const GlyphSpan& span, int px, int py,
                             int width, int height) {
    const double xn = (px + 0.5) / width;
    const double yn = (py + 0.5) / height;
    const double u = span.left + (xn - box.x0) / (box.x1 - box.x0) * (span.right - span.left);
    const double v = (yn - box.y0) / (box.y1 - box.y0);
    const double fu = (span.right - span.left) / ((box.x1 - box.x0) * width);
    const double fv = 1.0 / ((box.y1 - box.y0) * height);
    ReferencePixel pixel;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            const float value = sampleBilinear(bitmap, static_cast<float>(u + fu * i * 0.125),
                                               static_cast<float>(v + fv * j * 0.125));
            if (value > 0.5f) ++pixel.hits;
            pixel.closestToHalf = std::min(pixel.closestToHalf, std::fabs(value - 0.5f));
        }
    }
    return pixel;
}

// The hit count each target pixel is meant to see: the threshold and its
// neighbours in the first row, a spread of counts elsewhere.
int wantedHits(int px, int py) {
    static constexpr std::array<int, kTarget> firstRow = {32, 31, 33, 0, 64, 1, 63, 32};
    if (py == 0) return firstRow[static_cast<std::size_t>(px)];
    return (px * 13 + py * 29 + 7) % 65;
}

// Each pixel's samples land on the centres of an 8 x 8 block of texels that
// starts 4 texels in (see the quad below); switch on the wanted number of
// them, in a scattered order that differs per block.
Bitmap thresholdBitmap() {
    Bitmap bitmap(static_cast<std::size_t>(kBitmap * kBitmap), 0.0f);
    for (int ty = 0; ty < kBitmap; ++ty) {
        for (int tx = 0; tx < kBitmap; ++tx) {
            const int bx = (tx - 4 + kBitmap) % kBitmap;
            const int by = (ty - 4 + kBitmap) % kBitmap;
            const int block = (by / kBlock) * kTarget + bx / kBlock;
            const int within = (by % kBlock) * kBlock + bx % kBlock;
            const int rank = (within * 37 + block * 11) % 64;  // 37 is odd: a permutation of 0..63
            if (rank < wantedHits(bx / kBlock, by / kBlock)) bitmap[static_cast<std::size_t>(ty * kBitmap + tx)] = 1.0f;
        }
    }
    return bitmap;
}

std::vector<std::uint8_t> toRgba8(const Bitmap& bitmap) {
    std::vector<std::uint8_t> rgba(bitmap.size() * 4);
    for (std::size_t i = 0; i < bitmap.size(); ++i) {
        const auto value = static_cast<std::uint8_t>(bitmap[i] > 0.5f ? 255 : 0);
        rgba[i * 4] = rgba[i * 4 + 1] = rgba[i * 4 + 2] = value;
        rgba[i * 4 + 3] = 255;
    }
    return rgba;
}

class TextCoverageTest : public texttest::TextGpuTest {};

TEST_F(TextCoverageTest, ExactlyHalfTheSamplesOnTheGlyphDrawsThePixel) {
    // A two-slice atlas: slice 0 all glyph (a wrong slice would light every
    // pixel), slice 1 the crafted bitmap, known as "g".
    const Bitmap crafted = thresholdBitmap();
    const Bitmap full(crafted.size(), 1.0f);
    GlyphAtlas atlas;
    atlas.font = createTextureArray(DXGI_FORMAT_R8G8B8A8_UNORM, kBitmap, kBitmap, 2,
                                    D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET, 0);
    ASSERT_NE(atlas.font, nullptr);
    const std::vector<std::uint8_t> fullTexels = toRgba8(full);
    const std::vector<std::uint8_t> craftedTexels = toRgba8(crafted);
    context()->UpdateSubresource(atlas.font, 0, nullptr, fullTexels.data(), kBitmap * 4, 0);
    context()->UpdateSubresource(atlas.font, 1, nullptr, craftedTexels.data(), kBitmap * 4, 0);

    // With size 1 on a square target, L = 1/128 and R = 1 + 1/128, a pen at
    // x = 1/128 puts the quad exactly over the target's width with its
    // texture coordinates half a texel in; y = -1/128 does the same
    // downwards. Pixel centres then sit on texel centres, and the samples
    // step one texel apart.
    constexpr float kHalfTexel = 1.0f / 128.0f;
    atlas.glyphTable = fixedGlyphEntries();
    atlas.glyphTable[u"g"] = GlyphInfo{1, kHalfTexel, 1.0f + kHalfTexel};
    const float x = kHalfTexel;
    const float y = -kHalfTexel;
    const TextLayout layout = layoutText(atlas.glyphTable, u"g", x, y, 1.0f, kTarget, kTarget);
    ASSERT_EQ(layout.glyphCount(), 1u);
    ASSERT_EQ(layout.boxes[0].x0, 0.0f);
    ASSERT_EQ(layout.boxes[0].x1, 1.0f);

    const std::array<float, 4> clear = {0.2f, 0.4f, 0.6f, 0.5f};
    ID3D11Texture2D* target = texttest::createClearedTarget(kTarget, kTarget, clear);
    const Rgba8Image before = texttest::readTarget(target);
    drawText(atlas, u"g", x, y, 1.0f, target);
    const Rgba8Image after = texttest::readTarget(target);

    int drawn = 0;
    for (int py = 0; py < kTarget; ++py) {
        for (int px = 0; px < kTarget; ++px) {
            const ReferencePixel reference =
                referenceHits(crafted, layout.boxes[0], layout.uvs[0], px, py, kTarget, kTarget);
            // The crafted bitmap gives every pixel its wanted count, with no
            // sample anywhere near the red threshold.
            ASSERT_EQ(reference.hits, wantedHits(px, py)) << px << ", " << py;
            ASSERT_GT(reference.closestToHalf, 0.4f);

            const auto ux = static_cast<std::uint32_t>(px);
            const auto uy = static_cast<std::uint32_t>(py);
            if (reference.hits >= 32) {
                ++drawn;
                EXPECT_TRUE(after.isWhite(ux, uy)) << "pixel " << px << ", " << py << " with "
                                                   << reference.hits << " hits was not drawn";
            } else {
                EXPECT_EQ(after.at(ux, uy), before.at(ux, uy))
                    << "pixel " << px << ", " << py << " with " << reference.hits << " hits was drawn";
            }
        }
    }
    EXPECT_GT(drawn, 8);
    EXPECT_LT(drawn, kTarget * kTarget - 8);

    releaseObject(target);
    releaseObject(atlas.font);
}

TEST_F(TextCoverageTest, TextsWithoutGlyphsLeaveTheTargetAlone) {
    ID3D11Texture2D* target = texttest::createClearedTarget(32, 16, {0.1f, 0.2f, 0.3f, 1.0f});
    const Rgba8Image before = texttest::readTarget(target);
    const std::size_t ownedBefore = currentRenderer()->ownedObjects.size();
    for (const std::u16string text : {u"", u"  ", u"\n \n", u"<>"}) {
        drawText(text, 0.0f, 0.5f, 0.25f, target);
        EXPECT_EQ(currentRenderer()->ownedObjects.size(), ownedBefore);
    }
    EXPECT_EQ(texttest::readTarget(target), before);
    releaseObject(target);
}

}  // namespace
