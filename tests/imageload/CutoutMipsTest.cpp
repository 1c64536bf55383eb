// The cut-out mip rule on small images: a coarser texel is the background or
// the plant's own colour, never a blend of the two; every source texel counts
// once, also for odd sizes; and the plant share is carried between levels
// without rounding.
#include <gtest/gtest.h>

#include "render/CutoutMips.h"

using namespace tolmero;

namespace {

constexpr std::uint8_t kWhite[4] = {255, 255, 255, 255};

// An image of `width` x `height` white texels with the given plant texels.
struct Texel {
    std::uint32_t x, y;
    std::uint8_t r, g, b;
};
Rgba8Image image(std::uint32_t width, std::uint32_t height, std::initializer_list<Texel> plant) {
    Rgba8Image out{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4, 255)};
    for (const Texel& t : plant) {
        std::uint8_t* p = &out.texels[(std::size_t(t.y) * width + t.x) * 4];
        p[0] = t.r, p[1] = t.g, p[2] = t.b;
    }
    return out;
}

std::vector<std::uint8_t> texel(const Rgba8Image& level, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* p = &level.texels[(std::size_t(y) * level.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

const std::vector<std::uint8_t> white(kWhite, kWhite + 4);

}  // namespace

TEST(CutoutMips, CoarserTexelsAreThePlantsColourOrBackgroundNeverABlend) {
    // 2 x 2 blocks: three plant texels of two colours; one plant texel.
    const Rgba8Image level0 = image(4, 2, {{0, 0, 100, 0, 0}, {1, 0, 0, 100, 0}, {0, 1, 100, 0, 0}, {3, 1, 0, 0, 88}});
    const std::vector<Rgba8Image> chain = cutoutMipChain(level0);
    ASSERT_EQ(chain.size(), 3u);  // 4x2, 2x1, 1x1
    EXPECT_EQ(chain[1].width, 2u);
    EXPECT_EQ(chain[1].height, 1u);
    // The plant's colours averaged among themselves: (100+0+100)/3, 100/3.
    EXPECT_EQ(texel(chain[1], 0, 0), (std::vector<std::uint8_t>{67, 33, 0, 255}));
    EXPECT_EQ(texel(chain[1], 1, 0), white) << "a quarter plant is background";
    // Four plant texels out of eight: half, so the plant (its average colour).
    EXPECT_EQ(texel(chain[2], 0, 0), (std::vector<std::uint8_t>{50, 25, 22, 255}));
    // Near-white texels count as background, as the pixel programs cut them.
    EXPECT_TRUE(isCutoutBackground(kWhite));
    const std::uint8_t pale[4] = {235, 235, 235, 255}, grey[4] = {204, 204, 204, 255};
    EXPECT_TRUE(isCutoutBackground(pale));
    EXPECT_FALSE(isCutoutBackground(grey));
}

TEST(CutoutMips, OddSizesCountEverySourceTexelOnceAndSharesAreNotRounded) {
    // 5 x 1 -> 2 x 1: the second texel covers columns 2 to 4, so two plant
    // texels there are two thirds plant.
    const std::vector<Rgba8Image> odd = cutoutMipChain(image(5, 1, {{3, 0, 10, 20, 30}, {4, 0, 30, 40, 50}}));
    ASSERT_EQ(odd.size(), 3u);  // 5, 2, 1
    EXPECT_EQ(texel(odd[1], 0, 0), white);
    EXPECT_EQ(texel(odd[1], 1, 0), (std::vector<std::uint8_t>{20, 30, 40, 255}));

    // Level 1 shares of 1/2, 1/2, 1/2 and 0 each show as plant, yet together
    // they are 3/8 plant: level 2 is background.
    const Rgba8Image level0 = image(4, 4, {{0, 0, 0, 80, 0}, {1, 0, 0, 80, 0}, {2, 0, 0, 80, 0}, {3, 0, 0, 80, 0},
                                           {0, 2, 0, 80, 0}, {1, 2, 0, 80, 0}});
    const std::vector<Rgba8Image> chain = cutoutMipChain(level0);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(texel(chain[1], 0, 0), (std::vector<std::uint8_t>{0, 80, 0, 255}));
    EXPECT_EQ(texel(chain[1], 0, 1), (std::vector<std::uint8_t>{0, 80, 0, 255}));
    EXPECT_EQ(texel(chain[1], 1, 1), white);
    EXPECT_EQ(texel(chain[2], 0, 0), white);
}

TEST(CutoutMips, StretchWrapsWhenMagnifyingAndBoxAveragesWhenShrinking) {
    // Two texels, 0 and 200, over four: the outer targets blend across the
    // wrapped edge, as the GPU's wrapping sampler does.
    Rgba8Image pair{2, 1, {0, 0, 0, 255, 200, 200, 200, 255}};
    const Rgba8Image wide = stretchRgba8(pair, false, 4, 1);
    EXPECT_EQ(wide.texels[0], 50);
    EXPECT_EQ(wide.texels[4], 50);
    EXPECT_EQ(wide.texels[8], 150);
    EXPECT_EQ(wide.texels[12], 150);

    // Four columns over two rows down to 2 x 1: 2 x 2 box averages.
    Rgba8Image block{4, 2, {}};
    for (int y = 0; y < 2; ++y)
        for (std::uint8_t v : {0, 100, 200, 40}) block.texels.insert(block.texels.end(), {v, v, v, 255});
    const Rgba8Image small = stretchRgba8(block, false, 2, 1);
    EXPECT_EQ(small.texels[0], 50);
    EXPECT_EQ(small.texels[4], 120);

    // sRGB sources are stored as linear values; alpha stays as it is.
    const Rgba8Image linear = stretchRgba8(Rgba8Image{1, 1, {188, 188, 188, 188}}, true, 1, 1);
    EXPECT_EQ(linear.texels[0], 128);
    EXPECT_EQ(linear.texels[3], 188);
}
