// The stump's growth threshold and the character quad, drawn by the
// production's passes and compared pixel by pixel with the CPU reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/FrameState.h"
#include "scene/Characters.h"
#include "scene/Stumps.h"
#include "tests/life/LifeTestSupport.h"
#include "tests/support/renderer/GeneratedTexture.h"
#include "tests/support/StumpCharacterReference.h"
#include "reference/VegetationReference.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;
namespace ref = tolmero::reference;
using namespace lifetest;

constexpr std::uint32_t kSize = 96;
constexpr float kStumpHeight = 0.015f;
constexpr float kStumpGrey = 0.3f;  // every texel of the stump's image
constexpr float kTwigGrey = 0.5f;   // every texel of the twigs' images

class StumpTest : public LifeTest {
protected:
    void SetUp() override {
        LifeTest::SetUp();
        scene = makeTargets(kSize, kSize);
        std::vector<std::array<float, 4>> colours(kStumpQuadCount, {kTwigGrey, kTwigGrey, kTwigGrey, 1.0f});
        colours[0] = {kStumpGrey, kStumpGrey, kStumpGrey, 1.0f};
        scene.stumpSprites = uniformArray(colours, 64);
        // Straight in front of the stump, level with its middle.
        camera = makeCamera({foot[0], foot[1] + kStumpHeight * 0.5f, foot[2] - 0.03f}, 0.0f, 0.0f, 45.0f, kSize, kSize);
        scene.camera = createConstantBuffer(camera);
    }
    void TearDown() override {
        releaseTargets(scene);
        for (IUnknown* object : std::initializer_list<IUnknown*>{scene.stumpSprites, scene.camera, scene.stumpData})
            releaseObject(object);
        LifeTest::TearDown();
    }
    Pixels drawWithGrowth(float growth) {
        releaseObject(scene.stumpData);
        StumpData data;
        data.position = {foot[0], foot[1], foot[2], 3.0f};
        data.timing = {0.0f, growth, 0.0f, 1.0f};
        scene.stumpData = createConstantBuffer(data);
        clearTarget(scene.sceneColour, {0.0f, 0.0f, 0.0f, 0.0f});
        clearDepth(scene.depth, 1.0f, 0);
        drawStumps(scene);
        return readTargets(scene);
    }

    // For pixel (px, py): the world point it sees on the plane of `quad`,
    // false when the pixel is not well inside that quad.
    bool worldPointOnQuad(std::uint32_t px, std::uint32_t py, int quad, std::array<float, 3>& world) const {
        const float depth = ref::transformRowVector({foot[0], foot[1], foot[2], 1.0f}, camera.worldToCamera)[2] +
                            ref::stumpDepthOffset(quad);  // camera z of the quad's plane
        const float ndcX = (static_cast<float>(px) + 0.5f) / kSize * 2.0f - 1.0f;
        const float ndcY = 1.0f - (static_cast<float>(py) + 0.5f) / kSize * 2.0f;
        const float x = ndcX * -depth / camera.cameraToClip.at(0, 0);
        const float y = ndcY * -depth / camera.cameraToClip.at(1, 1);
        // The quad spans +-0.0075 around the camera's axis (the images are
        // square); keep half a pixel away from its edges.
        const float margin = 0.5f * 2.0f * -depth / camera.cameraToClip.at(1, 1) / kSize;
        if (std::fabs(x) > kStumpHeight * 0.5f - margin || std::fabs(y) > kStumpHeight * 0.5f - margin) return false;
        const std::array<float, 4> w = ref::transformRowVector({x, y, depth, 1.0f}, camera.cameraToWorld);
        world = {w[0], w[1], w[2]};
        return true;
    }

    SceneResources scene;
    CameraConstant camera;
    const std::array<float, 3> foot = {0.1f, 0.02f, -0.2f};
};

std::uint8_t imageByte(float grey) { return static_cast<std::uint8_t>(std::lround(std::pow(grey, 1.4f) * 255.0f)); }

TEST_F(StumpTest, TwigsGrowFromTheGroundWithAWhiteEdge) {
    // Quads front to back: the twigs sit their own small distance toward the
    // camera, the stump behind them all.
    std::vector<int> frontToBack(kStumpQuadCount);
    for (int q = 0; q < static_cast<int>(kStumpQuadCount); ++q) frontToBack[q] = q;
    std::sort(frontToBack.begin(), frontToBack.end(),
              [](int a, int b) { return ref::stumpDepthOffset(a) > ref::stumpDepthOffset(b); });
    ASSERT_EQ(frontToBack.back(), 0);

    // Growth values that leave the twigs partly grown: across them every kind
    // of pixel turns up (twig image, white edge, bare stump).
    std::size_t white = 0, twig = 0, stump = 0;
    for (float growth : {0.45f, 0.6f, 0.75f, 0.85f}) {
        SCOPED_TRACE("growth " + std::to_string(growth));
        const Pixels pixels = drawWithGrowth(growth);
        std::size_t compared = 0, mismatches = 0;
        for (std::uint32_t py = 0; py < kSize; ++py) {
            for (std::uint32_t px = 0; px < kSize; ++px) {
                std::uint8_t expected = 0;
                bool decided = false, ambiguous = false, inside = true;
                for (int quad : frontToBack) {
                    std::array<float, 3> world{};
                    if (!worldPointOnQuad(px, py, quad, world)) {
                        inside = false;
                        break;
                    }
                    const float g = ref::stumpThreshold(px, py, quad, world, growth);
                    if (std::fabs(g - 0.9f) < 0.003f || std::fabs(g - 1.0f) < 0.003f) ambiguous = true;
                    const float grey = quad == 0 ? kStumpGrey : kTwigGrey;
                    const auto fate = ref::stumpPixelFate(g, {grey, grey, grey}, 0.0f);
                    if (fate == ref::StumpPixelFate::Discard) continue;
                    expected = fate == ref::StumpPixelFate::White ? 255 : imageByte(grey);
                    decided = true;
                    break;
                }
                if (!inside || ambiguous) continue;
                ASSERT_TRUE(decided);  // the stump behind everything is always there
                ++compared;
                const auto& p = pixels.at(px, py);
                if (std::abs(p[0] - expected) > 1 || std::abs(p[2] - expected) > 1) ++mismatches;
                white += p[0] == 255;
                twig += std::abs(p[0] - imageByte(kTwigGrey)) <= 1;
                stump += std::abs(p[0] - imageByte(kStumpGrey)) <= 1;
            }
        }
        EXPECT_GT(compared, 2000u);
        EXPECT_EQ(mismatches, 0u);
    }
    EXPECT_GT(white, 100u);
    EXPECT_GT(twig, 100u);
    EXPECT_GT(stump, 100u);
}

TEST_F(StumpTest, TheStumpNeverGoesAndNeverTurnsWhite) {
    // Growth far above: every twig is cut, only the stump shows, in its own
    // colour. Far below: every twig shows its image, none white.
    for (float growth : {100.0f, -100.0f}) {
        SCOPED_TRACE("growth " + std::to_string(growth));
        const Pixels pixels = drawWithGrowth(growth);
        const std::uint8_t expected = imageByte(growth > 0.0f ? kStumpGrey : kTwigGrey);
        std::size_t inside = 0;
        for (std::uint32_t py = 0; py < kSize; ++py)
            for (std::uint32_t px = 0; px < kSize; ++px) {
                std::array<float, 3> world{};
                if (!worldPointOnQuad(px, py, 0, world) || !worldPointOnQuad(px, py, 15, world)) continue;
                ++inside;
                ASSERT_TRUE(pixels.drawn(px, py));
                EXPECT_NEAR(pixels.at(px, py)[0], expected, 1) << px << ", " << py;
            }
        EXPECT_GT(inside, 2000u);
    }
}

class CharacterTest : public LifeTest {
protected:
    void SetUp() override {
        LifeTest::SetUp();
        scene = makeTargets(kSize, kSize);
        // Slice s: its own colour; the left half of every frame is just below
        // the alpha cut (247/255 < 0.98), the right half just above (250/255).
        scene.characterSprites = createGeneratedTexture(
            64, 64, kCharacterFrameCount, true, [](std::uint32_t x, std::uint32_t, std::uint32_t slice) {
                const std::array<float, 4> c = frameColour(slice, x);
                return TexelColour{c[0], c[1], c[2], c[3]};
            });
        for (std::uint32_t f = 0; f < kCharacterFrameCount; ++f) aspectRatios.push_back(0.4f + 0.02f * f);
        std::vector<float> copy = aspectRatios;
        scene.characterAspectRatios = createStructuredBuffer(copy, D3D11_BIND_SHADER_RESOURCE, 0);
        camera = makeCamera({0.0f, 0.01f, -0.04f}, 0.0f, 0.0f, 45.0f, kSize, kSize);
        scene.camera = createConstantBuffer(camera);
    }
    void TearDown() override {
        releaseTargets(scene);
        for (IUnknown* object :
             std::initializer_list<IUnknown*>{scene.characterSprites, scene.characterAspectRatios, scene.camera})
            releaseObject(object);
        LifeTest::TearDown();
    }
    static std::array<float, 4> frameColour(std::uint32_t slice, std::uint32_t x) {
        return {static_cast<float>(slice) / 64.0f, 0.5f, 1.0f - static_cast<float>(slice) / 64.0f,
                x < 32 ? 247.0f / 255.0f : 250.0f / 255.0f};
    }
    Pixels drawCharacter(const AnimInfo& info) {
        clearTarget(scene.sceneColour, {0.0f, 0.0f, 0.0f, 0.0f});
        clearDepth(scene.depth, 1.0f, 0);
        drawCharacters(scene, info);
        return readTargets(scene);
    }
    static AnimInfo standing(std::uint32_t frame, float scale) {
        AnimInfo info;
        info.frame = frame;
        info.scale = scale;
        return info;
    }

    SceneResources scene;
    CameraConstant camera;
    std::vector<float> aspectRatios;
};

std::size_t drawnCount(const Pixels& pixels) {
    std::size_t drawn = 0;
    for (std::uint32_t y = 0; y < pixels.height; ++y)
        for (std::uint32_t x = 0; x < pixels.width; ++x) drawn += pixels.drawn(x, y);
    return drawn;
}

TEST_F(CharacterTest, ShowsTheTruncatedFrameCutOutByItsAlpha) {
    // "Sprite frame" 15.9 picks frame 15.
    TrackSet tracks({{"Sprite frame", {TrackKey{0.0f, {0.0f, 15.9f, 0.0f, 1.0f}}}},
                     {"Sprite size", {TrackKey{0.0f, {0.0f, 0.02f, 0.0f, 1.0f}}}}});
    CameraConstant unused;
    MachineRig rig;
    const AnimInfo info = computeFrameState(0.0f, LaunchSettings{}, tracks, unused, rig).animInfo;
    ASSERT_EQ(info.frame, 15u);
    const Pixels pixels = drawCharacter(info);

    // The quad's columns from the reference: centred on the screen, as wide
    // as scale x the frame's aspect ratio.
    const float halfWidthPixels = 0.5f * info.scale * ref::characterAspect(15, aspectRatios.data(), kCharacterFrameCount) *
                                  camera.cameraToClip.at(0, 0) / 0.04f * kSize * 0.5f;
    const float centre = kSize * 0.5f;
    std::array<float, 4> expected{};
    ASSERT_TRUE(ref::characterPixelColour(frameColour(15, 63), expected));
    float right = 0.0f;
    std::size_t drawn = 0;
    for (std::uint32_t y = 0; y < kSize; ++y)
        for (std::uint32_t x = 0; x < kSize; ++x) {
            if (!pixels.drawn(x, y)) continue;
            ++drawn;
            // Only the opaque right half of the frame is drawn.
            EXPECT_GE(static_cast<float>(x) + 0.5f, centre - 1.5f) << x << ", " << y;
            right = std::max(right, static_cast<float>(x) + 1.0f);
            for (int c = 0; c < 4; ++c) EXPECT_NEAR(pixels.at(x, y)[c] / 255.0f, expected[c], 1.5f / 255.0f);
        }
    EXPECT_GT(drawn, 300u);
    EXPECT_NEAR(right, centre + halfWidthPixels, 1.5f);
}

TEST_F(CharacterTest, AFramePastTheEndOrNoSizeDrawsNothing) {
    EXPECT_GT(drawnCount(drawCharacter(standing(44, 0.02f))), 300u);
    EXPECT_EQ(drawnCount(drawCharacter(standing(45, 0.02f))), 0u);
    // A negative "Sprite frame" wraps to a huge frame index.
    EXPECT_EQ(drawnCount(drawCharacter(standing(static_cast<std::uint32_t>(-1), 0.02f))), 0u);
    EXPECT_EQ(drawnCount(drawCharacter(standing(3, 0.0f))), 0u);
}

}  // namespace
