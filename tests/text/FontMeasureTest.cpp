#include <gtest/gtest.h>

#include "text/FontMeasure.h"

using namespace tolmero;

namespace {

FontMeasure& fonts() {
    static FontMeasure measure;
    return measure;
}

constexpr double kEm = 2048.0 * 96.0 / 72.0;  // layout units per em at 2048 points

// Arial's advance widths (font units of a 2048-unit em), which the
// metric-compatible stand-in must reproduce.
double arialBoxRight(int advanceUnits) { return kEm * advanceUnits / 2048.0 + kEm / 3.0; }

}  // namespace

TEST(FontMeasure, AliasesResolveToTheStandInFonts) {
    const ResolvedFont& text = fonts().resolve("Arial");
    EXPECT_EQ(text.family, "Liberation Sans");
    EXPECT_FALSE(text.fallback);
    const ResolvedFont& emoji = fonts().resolve("Segoe UI Emoji");
    EXPECT_EQ(emoji.family, "Symbola");
    EXPECT_FALSE(emoji.fallback);

    // The fonts hold a real outline for every glyph of the list.
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        TextLine line = fonts().layout(glyphList()[slice], glyphFamily(slice));
        ASSERT_EQ(line.glyphs.size(), 1u) << toUtf8(glyphList()[slice]);
        EXPECT_NE(line.glyphs[0].glyphIndex, 0u) << toUtf8(glyphList()[slice]) << " is missing";
    }
}

TEST(FontMeasure, UnknownFamilyFallsBackToSansSerif) {
    const ResolvedFont& generic = fonts().resolve("sans-serif");
    const ResolvedFont& missing = fonts().resolve("Tolmero No Such Family");
    EXPECT_TRUE(missing.fallback);
    EXPECT_FALSE(missing.file.empty());
    EXPECT_EQ(missing.requestedFamily, "Tolmero No Such Family");
    EXPECT_EQ(missing.family, generic.family);
    EXPECT_EQ(missing.file, generic.file);

    // The whole table still builds and every glyph gets a real box.
    GlyphTable table = buildGlyphTable(fonts(), "Tolmero No Such Family", "Tolmero No Such Emoji");
    ASSERT_EQ(table.size(), 129u);
    for (const auto& [glyph, info] : table) {
        if (info.slice >= 0) {
            EXPECT_GT(info.right, 0.05f) << toUtf8(glyph);
        }
    }
}

TEST(FontMeasure, BoxesFollowArialMetricsAndMargins) {
    // "A" 1366, "W" 1933, "i" 455, digits 1139: Arial's advances.
    EXPECT_NEAR(fonts().measure(u"A", "Arial").right, arialBoxRight(1366), 0.01);
    EXPECT_NEAR(fonts().measure(u"W", "Arial").right, arialBoxRight(1933), 0.01);
    EXPECT_NEAR(fonts().measure(u"i", "Arial").right, arialBoxRight(455), 0.01);
    for (char16_t d = u'0'; d <= u'9'; ++d)
        EXPECT_NEAR(fonts().measure(std::u16string(1, d), "Arial").right, arialBoxRight(1139), 0.01);
    EXPECT_EQ(fonts().measure(u"A", "Arial").left, 0.0f);

    // The margins pad the run once, not every glyph.
    const float one = fonts().measure(u"i", "Arial").right;
    const float two = fonts().measure(u"ii", "Arial").right;
    EXPECT_NEAR(two - one, kEm * 455 / 2048.0, 0.01);

    EXPECT_EQ(fonts().measure(u"", "Arial").right, 0.0f);
    // Never wider than the layout square.
    EXPECT_EQ(fonts().measure(u"WWWWWWWW", "Arial").right, 4096.0f);
}

TEST(FontMeasure, VariationSelectorAddsNoWidth) {
    const GlyphBox plain = fonts().measure(u"\u2764", "Segoe UI Emoji");
    const GlyphBox selected = fonts().measure(u"\u2764\uFE0F", "Segoe UI Emoji");
    EXPECT_GT(plain.right, 0.0f);
    EXPECT_EQ(selected.right, plain.right);
    EXPECT_EQ(fonts().layout(u"\u2764\uFE0F", "Segoe UI Emoji").glyphs.size(), 1u);
}

TEST(FontMeasure, OverhangingOutlineWidensTheBox) {
    // Symbola's sleeping face draws its "zzz" past its advance and past the
    // layout square: the box reaches the square's edge.
    TextLine sleep = fonts().layout(glyphList()[25], "Segoe UI Emoji");
    ASSERT_EQ(sleep.glyphs.size(), 1u);
    EXPECT_EQ(sleep.box.right, 4096.0f);
}

TEST(GlyphTable, MeasuredTableHoldsEveryGlyph) {
    GlyphTable table = buildGlyphTable(fonts());
    ASSERT_EQ(table.size(), 129u);
    EXPECT_EQ(table.at(u"\n").slice, -1);
    EXPECT_EQ(table.at(u" ").slice, -2);
    EXPECT_EQ(table.at(u" ").right, 0.0f);
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        const std::u16string& glyph = glyphList()[slice];
        const GlyphInfo& info = table.at(glyph);
        EXPECT_EQ(info.slice, slice);
        EXPECT_EQ(info.left, 0.0f);
        EXPECT_GT(info.right, 0.2f) << toUtf8(glyph);
        EXPECT_LE(info.right, 1.0f) << toUtf8(glyph);
        EXPECT_EQ(info.right, fonts().measure(glyph, glyphFamily(slice)).right * 0.000244140625f);
    }
    EXPECT_GT(table.at(u"W").right, table.at(u"i").right);
    EXPECT_GT(table.at(u"m").right, table.at(u"n").right);
    EXPECT_EQ(table.at(u"\u00C4").right, table.at(u"A").right);
    // An emoji is about an em wide, wider than a lower-case letter.
    EXPECT_GT(table.at(glyphList()[4]).right, table.at(u"o").right);
}
