// The title cards with the production's glyph atlas: which card a "title"
// value selects, and where a card's white pixels land.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/FrameState.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "render/TextRenderer.h"
#include "scene/TitleCards.h"
#include "tests/textrender/TextGpuSupport.h"
#include "text/TextLayout.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;
using texttest::Rgba8Image;

constexpr std::uint32_t kWidth = 320;
constexpr std::uint32_t kHeight = 180;
const std::array<float, 4> kClear = {0.0f, 0.0f, 0.0f, 1.0f};

struct ExpectedCard {
    std::u16string text;
    float x;
    float y;
};

const std::vector<ExpectedCard>& expectedCards() {
    static const std::vector<ExpectedCard> cards = {
        {u"\U0001F648 Kelvad", 0.01f, 0.4f},
        {u"Ostiv \U0001F64A", 1.0f, 0.4f},
        {u"\U0001F649 Tumbe", 0.01f, 0.4f},
        {u"Remba \U0001F412", 1.0f, 0.4f},
    };
    return cards;
}

Rgba8Image drawCardForTitleValue(float title) {
    ID3D11Texture2D* target = texttest::createClearedTarget(kWidth, kHeight, kClear);
    drawTitleCard(truncateToInt(title), target);
    Rgba8Image image = texttest::readTarget(target);
    releaseObject(target);
    return image;
}

Rgba8Image drawExpectedCard(int card) {
    const ExpectedCard& expected = expectedCards()[static_cast<std::size_t>(card)];
    ID3D11Texture2D* target = texttest::createClearedTarget(kWidth, kHeight, kClear);
    drawText(expected.text, expected.x, expected.y, 0.18f, target);
    Rgba8Image image = texttest::readTarget(target);
    releaseObject(target);
    return image;
}

int whitePixels(const Rgba8Image& image) {
    int count = 0;
    for (std::uint32_t y = 0; y < image.height; ++y) {
        for (std::uint32_t x = 0; x < image.width; ++x) count += image.isWhite(x, y) ? 1 : 0;
    }
    return count;
}

class TitleCardTest : public texttest::TextGpuTest {};

TEST_F(TitleCardTest, TheTitleValueSelectsTheCard) {
    std::vector<Rgba8Image> cards;
    for (int card = 0; card < 4; ++card) {
        cards.push_back(drawExpectedCard(card));
        EXPECT_GT(whitePixels(cards.back()), 200) << "card " << card;
    }
    EXPECT_NE(cards[0], cards[3]);
    EXPECT_NE(cards[0], cards[2]);  // same position, other monkey and name

    EXPECT_EQ(drawCardForTitleValue(3.99f), cards[3]);
    EXPECT_EQ(drawCardForTitleValue(-0.5f), cards[0]);
    EXPECT_EQ(drawCardForTitleValue(1.0f), cards[1]);
    EXPECT_EQ(drawCardForTitleValue(2.5f), cards[2]);

    for (float none : {4.0f, -1.0f, 100.0f}) {
        EXPECT_EQ(whitePixels(drawCardForTitleValue(none)), 0) << none;
    }
}

TEST_F(TitleCardTest, WhitePixelsLieInTheGlyphBoxesAndEveryGlyphShows) {
    const GlyphTable& table = currentRenderer()->glyphAtlas.glyphTable;
    for (int card : {0, 1}) {
        const ExpectedCard& expected = expectedCards()[static_cast<std::size_t>(card)];
        const TextLayout layout = layoutText(table, expected.text, expected.x, expected.y, 0.18f, kWidth, kHeight);
        ASSERT_EQ(layout.glyphCount(), expected.text.size() - 2) << "an emoji, a space and letters";

        ID3D11Texture2D* target = texttest::createClearedTarget(kWidth, kHeight, kClear);
        drawTitleCard(card, target);
        const Rgba8Image image = texttest::readTarget(target);
        releaseObject(target);

        std::vector<int> inBox(layout.glyphCount(), 0);
        int outside = 0;
        for (std::uint32_t y = 0; y < kHeight; ++y) {
            for (std::uint32_t x = 0; x < kWidth; ++x) {
                if (!image.isWhite(x, y)) {
                    EXPECT_EQ(image.at(x, y), (std::array<std::uint8_t, 4>{0, 0, 0, 255}));
                    continue;
                }
                // A pixel is drawn when its centre lies inside a quad.
                const float cx = (static_cast<float>(x) + 0.5f) / kWidth;
                const float cy = (static_cast<float>(y) + 0.5f) / kHeight;
                bool found = false;
                for (std::size_t g = 0; g < layout.glyphCount(); ++g) {
                    const GlyphQuad& box = layout.boxes[g];
                    if (cx >= box.x0 && cx <= box.x1 && cy >= box.y0 && cy <= box.y1) {
                        ++inBox[g];
                        found = true;
                    }
                }
                outside += found ? 0 : 1;
            }
        }
        EXPECT_EQ(outside, 0) << "card " << card;
        for (std::size_t g = 0; g < layout.glyphCount(); ++g) {
            const GlyphQuad& box = layout.boxes[g];
            const double area = (box.x1 - box.x0) * kWidth * (box.y1 - box.y0) * kHeight;
            // Glyphs fill the upper part of their bitmaps: some ink, never all.
            EXPECT_GT(inBox[g], area * 0.05) << "card " << card << ", glyph " << g;
            EXPECT_LT(inBox[g], area * 0.8) << "card " << card << ", glyph " << g;
        }
    }
}

}  // namespace
