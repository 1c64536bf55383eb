// The squeeze, the bloom and the blit on the GPU against the CPU reference.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "app/CameraConstant.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "scene/Finishing.h"
#include "tests/landscape/LandscapeTestSupport.h"
#include "tests/support/FinishingReference.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;
namespace ref = tolmero::reference;
using namespace landscapetest;

RgbaImage randomImage(int width, int height, std::uint32_t seed, float scale = 1.0f) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(0.0f, scale);
    RgbaImage image(width, height);
    for (Rgba& texel : image.texels) texel = {value(random), value(random), value(random), value(random)};
    return image;
}

constexpr std::uint32_t kTargetBinds = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET | D3D11_BIND_UNORDERED_ACCESS;

using SqueezeTest = LandscapeTest;

TEST_F(SqueezeTest, EveryPixelIsTheMeanOfItsBlockForAnyFactorPair) {
    // A window size that no strip width divides, so the last strip is partial.
    constexpr int width = 37;
    constexpr int height = 23;
    const std::vector<std::array<int, 2>> factors = {{1, 1}, {2, 2}, {4, 4}, {2, 3}, {3, 3}, {16, 16}, {5, 7}, {16, 1}, {1, 9}};
    for (const auto& [sx, sy] : factors) {
        const RgbaImage original = quantizeTo8Bits(randomImage(width * sx, height * sy, 100 + sx * 17 + sy));
        SceneResources scene;
        scene.windowWidth = width;
        scene.windowHeight = height;
        scene.supersampleX = sx;
        scene.supersampleY = sy;
        scene.sceneColour = uploadRgba8(original, 0);
        scene.result = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, width, height, kTargetBinds, 0);
        clearTarget(scene.result, {1.0f, 0.0f, 1.0f, 0.0f});  // a colour no mean of the image gives
        scene.squeezeConstants = createSqueezeConstants(sx, sy);
        CameraConstant camera;
        camera.screenSize[0] = width * sx;
        camera.screenSize[1] = height * sy;
        scene.camera = cameraBuffer(camera);

        squeeze(scene);
        const RgbaImage result = readRgba8(scene.result);
        int wrong = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const Rgba expected = ref::squeezeMean(original, sx, sy, x, y);
                for (int c = 0; c < 4; ++c) {
                    // The mean is rounded to 8 bits on the way out.
                    if (std::fabs(result.at(x, y)[c] - expected[c]) > 0.5f / 255.0f + 1e-4f) ++wrong;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "factors " << sx << "x" << sy;
        if (sx == 1 && sy == 1) {
            EXPECT_EQ(result.texels, original.texels) << "1x1 copies texel for texel";
        }

        for (IUnknown* object : std::initializer_list<IUnknown*>{scene.sceneColour, scene.result, scene.squeezeConstants, scene.camera}) {
            releaseObject(object);
        }
    }
}

TEST(SqueezeGroupsTest, TilesCoverTheWindowWithoutAnEmptyRowOrColumn) {
    for (std::uint32_t width : {1u, 16u, 37u, 1280u, 1366u, 2560u}) {
        for (std::uint32_t height : {1u, 17u, 720u, 1080u}) {
            const SqueezeGroups groups = squeezeGroups(width, height);
            EXPECT_GE(groups.x * 16, width);
            EXPECT_LT((groups.x - 1) * 16, width);
            EXPECT_GE(groups.y * 16, height);
            EXPECT_LT((groups.y - 1) * 16, height);
        }
    }
}

class BloomTest : public LandscapeTest {
protected:
    // Runs both bloom passes over `source` and returns the glow.
    RgbaImage runBloom(const RgbaImage& source, float strength) {
        SceneResources scene;
        scene.windowWidth = static_cast<std::uint32_t>(source.width);
        scene.windowHeight = static_cast<std::uint32_t>(source.height);
        scene.result = uploadRgba8(source, D3D11_BIND_UNORDERED_ACCESS | D3D11_BIND_RENDER_TARGET);
        scene.bloom = createTexture(DXGI_FORMAT_R16G16B16A16_FLOAT, scene.windowWidth, scene.windowHeight, kTargetBinds, 0);
        scene.bloomColumns =
            createTexture(DXGI_FORMAT_R16G16B16A16_FLOAT, scene.windowWidth, scene.windowHeight, kTargetBinds, 0);
        clearTarget(scene.bloom, {9.0f, 9.0f, 9.0f, 9.0f});
        clearTarget(scene.bloomColumns, {9.0f, 9.0f, 9.0f, 9.0f});
        bloom(scene, strength);
        RgbaImage glow = readRgba16f(scene.bloom);
        releaseObject(scene.result);
        releaseObject(scene.bloom);
        releaseObject(scene.bloomColumns);
        return glow;
    }

    // Compares within the 16-bit storage's precision (two passes of rounding).
    static int countDifferences(const RgbaImage& actual, const RgbaImage& expected) {
        int wrong = 0;
        for (std::size_t i = 0; i < actual.texels.size(); ++i) {
            for (int c = 0; c < 4; ++c) {
                const float e = expected.texels[i][c];
                if (std::fabs(actual.texels[i][c] - e) > 2e-3f * std::fabs(e) + 1e-7f) {
                    if (wrong < 5) {
                        ADD_FAILURE() << "texel " << i % actual.width << ", " << i / actual.width << " channel " << c
                                      << ": " << actual.texels[i][c] << " instead of " << e;
                    }
                    ++wrong;
                }
            }
        }
        return wrong;
    }
};

TEST_F(BloomTest, ABrightPixelSpreadsAsTheSeparableGaussian) {
    RgbaImage source(64, 48);
    source.at(30, 20) = {1.0f, 0.5f, 0.0f, 1.0f};
    source.at(2, 45) = {0.2f, 1.0f, 1.0f, 1.0f};  // near the borders, where the window is cut
    const RgbaImage expected = ref::bloomReference(quantizeTo8Bits(source), 100.0f);
    const RgbaImage glow = runBloom(source, 100.0f);
    EXPECT_EQ(countDifferences(glow, expected), 0);
    // Radius 20: nothing beyond 20 texels in either direction.
    EXPECT_GT(glow.at(30, 40)[0], 0.0f);
    EXPECT_EQ(glow.at(30, 41)[0], 0.0f);
    EXPECT_EQ(glow.at(51, 20)[0], 0.0f);
}

TEST_F(BloomTest, StrengthScalesTheGlowByItsSquare) {
    const RgbaImage source = randomImage(40, 30, 7);
    const RgbaImage full = runBloom(source, 100.0f);
    const RgbaImage half = runBloom(source, 50.0f);
    EXPECT_EQ(countDifferences(half, ref::bloomReference(quantizeTo8Bits(source), 50.0f)), 0);
    for (std::size_t i = 0; i < full.texels.size(); i += 37) {
        EXPECT_NEAR(half.texels[i][1], 0.25f * full.texels[i][1], 2e-3f * full.texels[i][1]);
    }
    const RgbaImage none = runBloom(source, 0.0f);
    for (const Rgba& texel : none.texels) ASSERT_EQ(texel, (Rgba{0.0f, 0.0f, 0.0f, 0.0f}));
}

TEST_F(BloomTest, LongLinesAndLargeWindowsAreBlurredWhole) {
    // 2500 wide: bright texels around the seams where runs of eight outputs
    // and groups of 64 runs meet.
    RgbaImage wide = quantizeTo8Bits(randomImage(2500, 3, 11, 0.05f));
    for (int x : {0, 511, 512, 1859, 1860, 1879, 1880, 1899, 1900, 1919, 1920, 2499}) wide.at(x, 1) = {1.0f, 1.0f, 1.0f, 1.0f};
    EXPECT_EQ(countDifferences(runBloom(wide, 80.0f), ref::bloomReference(wide, 80.0f)), 0);

    // 2 wide and 4000 tall.
    RgbaImage tall = quantizeTo8Bits(randomImage(2, 4000, 12, 0.05f));
    for (int y : {1879, 1880, 3759, 3760, 3999}) tall.at(0, y) = {1.0f, 0.0f, 1.0f, 1.0f};
    EXPECT_EQ(countDifferences(runBloom(tall, 80.0f), ref::bloomReference(tall, 80.0f)), 0);

    // 1100 x 480: the column pass needs more than one row of groups.
    ASSERT_GT(bloomGroups(1100, 480).y, 1u);
    RgbaImage large = quantizeTo8Bits(randomImage(1100, 480, 13, 0.05f));
    for (int x : {0, 547, 548, 1099}) large.at(x, 479) = {1.0f, 1.0f, 0.0f, 1.0f};
    EXPECT_EQ(countDifferences(runBloom(large, 80.0f), ref::bloomReference(large, 80.0f)), 0);
}

TEST(BloomGroupsTest, EveryRunOfEveryLineHasAThreadAndNoGroupIsEmpty) {
    for (std::uint32_t lines : {1u, 3u, 360u, 1920u, 7680u}) {
        for (std::uint32_t length : {1u, 8u, 9u, 640u, 1080u, 4320u}) {
            const BloomGroups groups = bloomGroups(lines, length);
            const std::uint64_t runs = std::uint64_t{lines} * ((length + 7) / 8);
            const std::uint64_t threads = std::uint64_t{groups.x} * groups.y * 64;
            EXPECT_GE(threads, runs) << lines << " lines of " << length;
            EXPECT_LE(groups.x, 1024u);
            EXPECT_LE(groups.y, 65535u);
            // Only the last row of groups may be partly empty.
            EXPECT_LT(std::uint64_t{groups.x} * (groups.y - 1) * 64, runs) << lines << " lines of " << length;
            if (groups.y == 1) {
                EXPECT_LT(std::uint64_t{groups.x - 1} * 64, runs);
            }
        }
    }
}

using BlitTest = LandscapeTest;

TEST_F(BlitTest, AddsTheSquaredGlowAndTheTiledDitherOffset) {
    constexpr int width = 40;
    constexpr int height = 20;
    const RgbaImage result = quantizeTo8Bits(randomImage(width, height, 21, 0.9f));
    // Glow values whose squares x 2000 stay in range; stored as 16-bit floats.
    RgbaImage glow = randomImage(width, height, 22, 0.02f);
    for (Rgba& texel : glow.texels) {
        for (float& c : texel) c = ref::roundToHalf(c);
    }
    const RgbaImage dither = quantizeTo8Bits(randomImage(8, 4, 23));

    SceneResources scene;
    scene.result = uploadRgba8(result, 0);
    scene.dither = uploadRgba8(dither, 0);
    scene.linearSampler = sharedGpu().linearSampler;
    scene.bloom = createTexture(DXGI_FORMAT_R16G16B16A16_FLOAT, width, height, kTargetBinds, 0);
    std::vector<std::uint16_t> halves;
    for (const Rgba& texel : glow.texels) {
        for (float c : texel) halves.push_back(floatToHalfBits(c));
    }
    context()->UpdateSubresource(scene.bloom, 0, nullptr, halves.data(), width * 8, 0);

    // A target taller than the result: the rows below it stay untouched.
    ID3D11Texture2D* target = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, width, height + 6, kTargetBinds, 0);
    clearTarget(target, {0.0f, 0.0f, 1.0f, 1.0f});
    blit(scene, target);
    const RgbaImage out = readRgba8(target);

    int wrong = 0;
    for (int y = 0; y < height + 6; ++y) {
        for (int x = 0; x < width; ++x) {
            Rgba expected = y < height ? ref::blitColour(result.at(x, y), glow.at(x, y), dither.at(x % 8, y % 4))
                                       : Rgba{0.0f, 0.0f, 1.0f, 1.0f};
            for (int c = 0; c < 4; ++c) {
                const float stored = std::clamp(expected[c], 0.0f, 1.0f);
                if (std::fabs(out.at(x, y)[c] - stored) > 0.5f / 255.0f + 2e-4f) ++wrong;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    // The dither alone moves a value by at most 0.002 either way.
    const Rgba flat = ref::blitColour({0.5f, 0.5f, 0.5f, 0.5f}, {0, 0, 0, 0}, {1.0f, 0.0f, 0.5f, 1.0f});
    EXPECT_NEAR(flat[0], 0.502f, 1e-6f);
    EXPECT_NEAR(flat[1], 0.498f, 1e-6f);
    EXPECT_NEAR(flat[2], 0.5f, 1e-6f);

    for (IUnknown* object : std::initializer_list<IUnknown*>{scene.result, scene.dither, scene.bloom, target}) {
        releaseObject(object);
    }
}

}  // namespace
