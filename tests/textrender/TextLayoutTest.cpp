// The text layout on the CPU: matching of glyph strings, pen movement, and
// the boxes in normalised target coordinates.
#include <gtest/gtest.h>

#include <string>

#include "text/GlyphTable.h"
#include "text/TextLayout.h"

namespace {

using namespace tolmero;

// Measures chosen to be exact in binary, so that the boxes compare exactly.
constexpr float kLeft = 0.125f;
constexpr float kRight = 0.625f;

// The production's glyph list and fixed entries, every glyph with the same
// made-up measures.
GlyphTable productionLikeTable() {
    GlyphTable table = fixedGlyphEntries();
    const auto& glyphs = glyphList();
    for (int slice = 0; slice < kGlyphCount; ++slice) table[glyphs[slice]] = GlyphInfo{slice, kLeft, kRight};
    return table;
}

int sliceOf(const std::u16string& glyph) {
    const auto& glyphs = glyphList();
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        if (glyphs[slice] == glyph) return slice;
    }
    return -100;
}

TEST(TextLayout, SurrogatePairEmojiIsOneGlyph) {
    const GlyphTable table = productionLikeTable();
    const TextLayout emoji = layoutText(table, u"\U0001F648", 0.0f, 0.0f, 0.25f, 128, 128);
    ASSERT_EQ(emoji.glyphCount(), 1u);
    EXPECT_EQ(emoji.indices[0], 27u);  // see-no-evil monkey
    EXPECT_EQ(emoji.skippedUnits, 0u);

    // A title card: the emoji, a space (no glyph) and six letters.
    const TextLayout card = layoutText(table, u"\U0001F648 Kelvad", 0.01f, 0.4f, 0.18f, 960, 540);
    ASSERT_EQ(card.glyphCount(), 7u);
    EXPECT_EQ(card.boxes.size(), 7u);
    EXPECT_EQ(card.uvs.size(), 7u);
    const std::u16string letters = u"Kelvad";
    EXPECT_EQ(card.indices[0], 27u);
    for (std::size_t i = 0; i < letters.size(); ++i) {
        EXPECT_EQ(static_cast<int>(card.indices[i + 1]), sliceOf(letters.substr(i, 1))) << i;
    }
}

TEST(TextLayout, LongestMatchWinsOverItsFirstCodeUnit) {
    // A table where the heart's first unit is a glyph of its own as well.
    GlyphTable table = fixedGlyphEntries();
    table[u"\u2764\uFE0F"] = GlyphInfo{0, kLeft, kRight};
    table[u"\u2764"] = GlyphInfo{40, 0.0f, 0.25f};
    table[u"A"] = GlyphInfo{59, kLeft, kRight};

    const TextLayout heart = layoutText(table, u"\u2764\uFE0FA", 0.0f, 0.0f, 0.25f, 128, 128);
    ASSERT_EQ(heart.glyphCount(), 2u);
    EXPECT_EQ(heart.indices[0], 0u);
    EXPECT_EQ(heart.indices[1], 59u);
    EXPECT_EQ(heart.skippedUnits, 0u);

    const TextLayout single = layoutText(table, u"\u2764A", 0.0f, 0.0f, 0.25f, 128, 128);
    ASSERT_EQ(single.glyphCount(), 2u);
    EXPECT_EQ(single.indices[0], 40u);
    EXPECT_EQ(single.uvs[0].right, 0.25f);
}

TEST(TextLayout, GlyphBoxesSpacesAndAdvances) {
    // Target 256 x 128: height / width = 0.5; size 0.25 gives t = 0.125.
    const GlyphTable table = productionLikeTable();
    const TextLayout layout = layoutText(table, u"A A", 0.5f, 0.5f, 0.25f, 256, 128);
    ASSERT_EQ(layout.glyphCount(), 2u);

    // The pen starts at x = 0.5 * 0.5 = 0.25. The quad shows the bitmap span
    // [L, R] = [0.125, 0.625], shifted left by t * L.
    const GlyphQuad& first = layout.boxes[0];
    EXPECT_EQ(first.x0, 0.234375f);  // 0.25 - 0.125 * 0.125
    EXPECT_EQ(first.x1, 0.296875f);  // 0.25 + 0.125 * (0.625 - 0.25)
    EXPECT_EQ(first.y0, 0.5f);
    EXPECT_EQ(first.y1, 0.75f);
    EXPECT_EQ(layout.uvs[0].left, kLeft);
    EXPECT_EQ(layout.uvs[0].right, kRight);

    // Advance t * (R - L) = 0.0625, then the space: half the size in height
    // units, 0.125 * 0.5 = 0.0625 of the width; the pen is at 0.375.
    const GlyphQuad& second = layout.boxes[1];
    EXPECT_EQ(second.x0, 0.359375f);
    EXPECT_EQ(second.x1, 0.421875f);
    EXPECT_EQ(second.y0, 0.5f);
}

TEST(TextLayout, LineFeedReturnsToTheStartAndMovesDownOneSize) {
    const GlyphTable table = productionLikeTable();
    const TextLayout layout = layoutText(table, u"AB\nC", 0.25f, 0.125f, 0.25f, 256, 128);
    ASSERT_EQ(layout.glyphCount(), 3u);
    EXPECT_EQ(layout.boxes[2].x0, layout.boxes[0].x0);
    EXPECT_EQ(layout.boxes[2].x1, layout.boxes[0].x1);
    EXPECT_EQ(layout.boxes[2].y0, 0.375f);
    EXPECT_EQ(layout.boxes[2].y1, 0.625f);
    EXPECT_EQ(layout.boxes[1].y0, 0.125f);
}

TEST(TextLayout, WideTargetKeepsTheGlyphShape) {
    const GlyphTable table = productionLikeTable();
    const std::u16string text = u"Ab \U0001F412";
    const TextLayout square = layoutText(table, text, 0.5f, 0.25f, 0.25f, 128, 128);
    const TextLayout wide = layoutText(table, text, 0.5f, 0.25f, 0.25f, 256, 128);
    ASSERT_EQ(square.glyphCount(), 3u);
    ASSERT_EQ(wide.glyphCount(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        // Every x halves as a fraction of the width; heights stay.
        EXPECT_EQ(wide.boxes[i].x0 * 2.0f, square.boxes[i].x0) << i;
        EXPECT_EQ(wide.boxes[i].x1 * 2.0f, square.boxes[i].x1) << i;
        EXPECT_EQ(wide.boxes[i].y0, square.boxes[i].y0) << i;
        EXPECT_EQ(wide.boxes[i].y1, square.boxes[i].y1) << i;
        EXPECT_GT(square.boxes[i].x1, square.boxes[i].x0) << i;
    }
}

TEST(TextLayout, CodeUnitsWithoutAGlyphAreSkipped) {
    const GlyphTable table = productionLikeTable();
    const TextLayout plain = layoutText(table, u"AB", 0.0f, 0.0f, 0.25f, 128, 128);

    // "<" has a glyph name but no bitmap; a lone high surrogate and a lone
    // low surrogate begin no entry either. None moves the pen.
    for (const std::u16string text : {u"A<B", u"A\xD83D" u"B", u"A\xDE48" u"B", u"A\x0001\x0002\x0003\x0004" u"B"}) {
        const TextLayout layout = layoutText(table, text, 0.0f, 0.0f, 0.25f, 128, 128);
        ASSERT_EQ(layout.glyphCount(), 2u);
        EXPECT_EQ(layout.skippedUnits, text.size() - 2);
        EXPECT_EQ(layout.indices, plain.indices);
        EXPECT_EQ(layout.boxes[1].x0, plain.boxes[1].x0);
    }

    // A high surrogate at the very end.
    const TextLayout trailing = layoutText(table, u"A\xD83D", 0.0f, 0.0f, 0.25f, 128, 128);
    EXPECT_EQ(trailing.glyphCount(), 1u);
    EXPECT_EQ(trailing.skippedUnits, 1u);
}

TEST(TextLayout, TextsWithoutGlyphs) {
    const GlyphTable table = productionLikeTable();
    for (const std::u16string text : {u"", u" ", u"\n", u"  \n \n\n   "}) {
        const TextLayout layout = layoutText(table, text, 0.1f, 0.2f, 0.25f, 960, 540);
        EXPECT_EQ(layout.glyphCount(), 0u);
        EXPECT_TRUE(layout.boxes.empty());
        EXPECT_TRUE(layout.uvs.empty());
        EXPECT_EQ(layout.skippedUnits, 0u);
    }
}

}  // namespace
