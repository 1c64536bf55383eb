// The sprite painters' conversions: a display colour painted on a plant or a character
// comes out of the sprite pass's arithmetic as that colour, plant texels never fall to
// the near-white cut, and character frames get hard alpha.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "CharacterKit.h"
#include "PlantKit.h"

namespace tolmero::images::test {
namespace {

float length(Rgb c) { return std::sqrt(c.r * c.r + c.g * c.g + c.b * c.b); }

// What the vegetation pass draws for a texel at the top of a sprite: (gain t)^1.4.
float vegetationLight(float texel, float gain) { return std::pow(gain * texel, 1.4f); }

TEST(SpritePaint, PlantTexelsReproduceTheDisplayColourThroughThePass) {
    for (const SpriteResponse& response : {kGrassResponse, kPlantResponse, kStumpResponse}) {
        for (const Rgb display : {hexColor(0x2c4a2c), hexColor(0x6a9a34), hexColor(0xd8a82c), hexColor(0x1c1a1e)}) {
            const Rgb t = texelFor(display, response);
            ASSERT_LE(length(t), kPlantMaxLength + 1e-5f);
            EXPECT_NEAR(vegetationLight(t.r, response.gain), srgbDecode(display.r), 2e-3f);
            EXPECT_NEAR(vegetationLight(t.g, response.gain), srgbDecode(display.g), 2e-3f);
            EXPECT_NEAR(vegetationLight(t.b, response.gain), srgbDecode(display.b), 2e-3f);
        }
    }
}

TEST(SpritePaint, BrightPlantColoursAreShortenedBelowTheCutKeepingTheirHue) {
    // White bark or cotton would be cut as background; it is dimmed instead.
    const Rgb t = texelFor({0.95f, 0.93f, 0.85f}, kGrassResponse);
    EXPECT_NEAR(length(t), kPlantMaxLength, 1e-4f);
    EXPECT_LT(length(t), 1.4f);
    EXPECT_GT(t.r, t.g);
    EXPECT_GT(t.g, t.b);
    // Darker colours keep their order of brightness.
    EXPECT_LT(length(texelFor(hexColor(0x404040), kPlantResponse)), length(texelFor(hexColor(0x808080), kPlantResponse)));
}

TEST(SpritePaint, PlantLayersBecomeTexelsOverPureWhite) {
    CairoLayer layer(6, 2);
    layer.clear();
    cairo_t* cr = layer.cr();
    // Column 0: solid green; column 1: half covered; column 2: barely touched;
    // column 3: a bright colour; the rest stays empty.
    cairo_rectangle(cr, 0, 0, 1, 2);
    cairo_set_source_rgb(cr, 0.2, 0.5, 0.1);
    cairo_fill(cr);
    cairo_rectangle(cr, 1, 0, 1, 2);
    cairo_set_source_rgba(cr, 0.2, 0.5, 0.1, 0.5);
    cairo_fill(cr);
    cairo_rectangle(cr, 2, 0, 1, 2);
    cairo_set_source_rgba(cr, 0.2, 0.5, 0.1, 0.1);
    cairo_fill(cr);
    cairo_rectangle(cr, 3, 0, 1, 2);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_fill(cr);
    const std::vector<uint8_t> out = plantTexels(layer, kPlantResponse);
    auto texel = [&](int x, int c) { return out[static_cast<size_t>(x) * 4 + c] / 255.0f; };
    for (int x = 0; x < 6; ++x) EXPECT_EQ(out[static_cast<size_t>(x) * 4 + 3], 255);
    const Rgb solid = texelFor({0.2f, 0.5f, 0.1f}, kPlantResponse);
    EXPECT_NEAR(texel(0, 0), solid.r, 1.0f / 255);
    EXPECT_NEAR(texel(0, 1), solid.g, 1.0f / 255);
    // Half covered: half way to white, in texel values.
    EXPECT_NEAR(texel(1, 1), 0.5f * solid.g + 0.5f, 2.0f / 255);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(texel(2, c), 1.0f) << "faint coverage counts as background";
        EXPECT_EQ(texel(4, c), 1.0f);
    }
    const float bright = std::sqrt(texel(3, 0) * texel(3, 0) + texel(3, 1) * texel(3, 1) + texel(3, 2) * texel(3, 2));
    EXPECT_LT(bright, 1.4f) << "a painted white must survive the near-white cut";
}

TEST(SpritePaint, CharacterFramesAreHardCutOutsInThePassColours) {
    CharacterCanvas canvas;
    cairo_t* cr = canvas.cr();
    // Frame pixel (10, 10) fully covered; (20, 10) covered 2/3 across; (30, 10) 1/3.
    const double grey = 0.6;
    cairo_set_source_rgb(cr, grey, grey, grey);
    cairo_rectangle(cr, 10, 10, 1, 1);
    cairo_rectangle(cr, 20, 10, 2.0 / 3.0, 1);
    cairo_rectangle(cr, 30, 10, 1.0 / 3.0, 1);
    cairo_fill(cr);
    const std::vector<uint8_t> f = canvas.frame();
    ASSERT_EQ(f.size(), static_cast<size_t>(kFrameWidth) * kFrameHeight * 4);
    auto at = [&](int x, int y, int c) { return f[(static_cast<size_t>(y) * kFrameWidth + x) * 4 + c]; };
    EXPECT_EQ(at(10, 10, 3), 255);
    EXPECT_EQ(at(20, 10, 3), 255);
    EXPECT_EQ(at(30, 10, 3), 0);
    EXPECT_EQ(at(30, 10, 0), 0);
    EXPECT_EQ(at(11, 10, 3), 0);
    // The pass draws texel^1.4 x 0.5, which is the painted colour at the frames' exposure.
    const float drawn = std::pow(at(10, 10, 0) / 255.0f, 1.4f) * 0.5f;
    EXPECT_NEAR(drawn, kCharacterExposure * srgbDecode(static_cast<float>(grey)), 4e-3f);
    // A partly covered pixel takes the colour of its covered part, not a darker mix.
    EXPECT_NEAR(at(20, 10, 0), at(10, 10, 0), 1);
}

TEST(SpritePaint, JointsKeepTheBoneLengthsAndBendToTheChosenSide) {
    const Point hip{0.0, 0.0}, ankle{30.0, 250.0};
    for (double side : {1.0, -1.0}) {
        const Point knee = solveJoint(hip, ankle, 150.0, 146.0, side);
        EXPECT_NEAR(std::hypot(knee.x - hip.x, knee.y - hip.y), 150.0, 1e-6);
        EXPECT_NEAR(std::hypot(ankle.x - knee.x, ankle.y - knee.y), 146.0, 1e-6);
        // Right of a downward limb is toward -x.
        const double cross = (ankle.x - hip.x) * (knee.y - hip.y) - (ankle.y - hip.y) * (knee.x - hip.x);
        EXPECT_EQ(cross > 0, side > 0);
    }
    // Out of reach: the limb straightens toward the target instead of failing.
    const Point far = solveJoint(hip, {0.0, 1000.0}, 150.0, 146.0, 1.0);
    EXPECT_NEAR(far.x, 0.0, 0.5);
    EXPECT_NEAR(far.y, 150.0, 0.5);
}

}  // namespace
}  // namespace tolmero::images::test
