// The terrain's vertex lighting and the sky's mapping from view direction to
// panorama, drawn on the GPU and compared with the CPU formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/CameraConstant.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "scene/Finishing.h"
#include "scene/RandomFields.h"
#include "scene/Terrain.h"
#include "tests/landscape/LandscapeTestSupport.h"
#include "reference/FieldSampler.h"
#include "tests/support/FinishingReference.h"
#include "tests/support/renderer/GeneratedTexture.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;
namespace ref = tolmero::reference;
using namespace landscapetest;

constexpr std::uint32_t kWidth = 96;
constexpr std::uint32_t kHeight = 64;

// p x M for a row vector with w = 1.
std::array<float, 4> transformPoint(const std::array<float, 4>& p, const Matrix4& m) {
    std::array<float, 4> out{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) out[column] += p[row] * m.at(row, column);
    }
    return out;
}

class SceneDrawTest : public LandscapeTest {
protected:
    void SetUp() override {
        LandscapeTest::SetUp();
        scene.windowWidth = scene.renderWidth = kWidth;
        scene.windowHeight = scene.renderHeight = kHeight;
        scene.linearSampler = sharedGpu().linearSampler;
        scene.sceneColour = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, kWidth, kHeight,
                                          D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET, 0);
        scene.depth = createTexture(DXGI_FORMAT_D32_FLOAT, kWidth, kHeight, D3D11_BIND_DEPTH_STENCIL, 0);
        clearTarget(scene.sceneColour, {0.0f, 0.0f, 0.0f, 1.0f});
        clearDepth(scene.depth, 1.0f, 0);
    }
    void TearDown() override {
        for (IUnknown* object : std::initializer_list<IUnknown*>{scene.sceneColour, scene.depth, scene.camera,
                                                                scene.randoms, scene.ground, scene.skyImages}) {
            releaseObject(object);
        }
        LandscapeTest::TearDown();
    }

    void setCamera(float eyeY, float eyeZ, float pitch, float yaw, int sceneIndex) {
        camera.cameraToWorld = cameraFrame(0.0f, eyeY, eyeZ, pitch, yaw);
        camera.cameraToClip = perspectiveProjection(60.0f, static_cast<float>(kWidth) / kHeight);
        camera.worldToCamera = invert(camera.cameraToWorld);
        camera.clipToCamera = invert(camera.cameraToClip);
        camera.screenSize[0] = kWidth;
        camera.screenSize[1] = kHeight;
        camera.scene = sceneIndex;
        scene.camera = cameraBuffer(camera);
    }

    // A random-field array whose every slice holds value(u) at texel column i.
    void setFields(float (*value)(float u)) {
        scene.randoms = createRandomFields();
        std::vector<float> slice(std::size_t{kRandomFieldSize} * kRandomFieldSize);
        for (std::uint32_t j = 0; j < kRandomFieldSize; ++j) {
            for (std::uint32_t i = 0; i < kRandomFieldSize; ++i) {
                slice[j * kRandomFieldSize + i] = value((static_cast<float>(i) + 0.5f) / kRandomFieldSize);
            }
        }
        for (std::uint32_t s = 0; s < kRandomFieldSlices; ++s) {
            context()->UpdateSubresource(scene.randoms, s, nullptr, slice.data(), kRandomFieldSize * 4, 0);
        }
    }

    // The red channel of every pixel the pass drew (the target was cleared
    // to black), as bytes.
    std::vector<int> drawnRed() {
        const RgbaImage image = readRgba8(scene.sceneColour);
        std::vector<int> red;
        for (const Rgba& texel : image.texels) {
            if (texel[0] > 0.0f) red.push_back(static_cast<int>(std::lround(texel[0] * 255.0f)));
        }
        return red;
    }

    SceneResources scene;
    CameraConstant camera;
};

using TerrainDrawTest = SceneDrawTest;

TEST_F(TerrainDrawTest, FlatGroundHasTheBrightnessOfTheFixedLight) {
    setFields([](float) { return 0.0f; });
    scene.ground = createGeneratedTexture(16, 16, 4, false, [](std::uint32_t, std::uint32_t, std::uint32_t) {
        return TexelColour{1.0f, 1.0f, 1.0f, 1.0f};
    });
    setCamera(0.25f, -0.45f, 0.6f, 0.0f, 2);
    drawTerrain(scene);

    const std::vector<int> red = drawnRed();
    EXPECT_GT(red.size(), kWidth * kHeight / 3) << "the ground fills the lower part of the view";
    // max(1/3, 0) x 0.4 + 0.1 = 0.2333, stored as 59.5 / 255.
    EXPECT_NEAR(ref::terrainBrightness(0, 0, 0, 0), 0.23333f, 1e-5f);
    for (int value : red) ASSERT_TRUE(value == 59 || value == 60) << value;
}

TEST_F(TerrainDrawTest, SlopedGroundIsLitByItsFieldNormal) {
    // h = 2u: the ground rises toward +x; the normal tilts and brightens it.
    setFields([](float u) { return 2.0f * u; });
    scene.ground = createGeneratedTexture(16, 16, 4, false, [](std::uint32_t, std::uint32_t, std::uint32_t) {
        return TexelColour{1.0f, 1.0f, 1.0f, 1.0f};
    });
    setCamera(0.3f, -0.45f, 0.6f, 0.0f, 0);
    drawTerrain(scene);

    const float step = 1.0f / 256.0f;
    const float expected = ref::terrainBrightness(2.0f * (0.5f + step), 2.0f * (0.5f - step), 1.0f, 1.0f);
    EXPECT_NEAR(expected, 0.4f * (5.0f / 3.0f) / std::sqrt(5.0f) + 0.1f, 1e-4f);
    const std::vector<int> red = drawnRed();
    ASSERT_GT(red.size(), kWidth * kHeight / 4);
    // The wrap at the landscape's edges changes the normal in a sliver there.
    const auto matching = std::count_if(red.begin(), red.end(), [&](int value) {
        return std::abs(value - expected * 255.0f) <= 1.0f;
    });
    EXPECT_GT(static_cast<double>(matching), 0.9 * static_cast<double>(red.size()));
}

using SkyDrawTest = SceneDrawTest;

TEST_F(SkyDrawTest, EachPixelShowsThePanoramaInItsViewDirection) {
    constexpr int skyWidth = 128;
    constexpr int skyHeight = 32;
    auto colourOf = [](std::uint32_t x, std::uint32_t y, std::uint32_t slice) {
        const float pi = 3.14159265f;
        return TexelColour{0.5f + 0.5f * std::cos(2.0f * pi * (static_cast<float>(x) + 0.5f) / skyWidth),
                           0.5f + 0.5f * std::cos(2.0f * pi * (static_cast<float>(y) + 0.5f) / skyHeight),
                           slice == 0 ? 0.2f : 0.8f, 1.0f};
    };
    scene.skyImages = createGeneratedTexture(skyWidth, skyHeight, 2, false, colourOf);

    // The panorama's channels as the CPU sampler sees them, at 8 bits.
    std::array<FieldImage, 3> channels;
    for (auto& channel : channels) {
        channel.width = skyWidth;
        channel.height = skyHeight;
    }
    for (int y = 0; y < skyHeight; ++y) {
        for (int x = 0; x < skyWidth; ++x) {
            const TexelColour c = colourOf(x, y, 0);
            channels[0].values.push_back(std::round(c.r * 255.0f) / 255.0f);
            channels[1].values.push_back(std::round(c.g * 255.0f) / 255.0f);
        }
    }

    for (int sceneIndex : {0, 3}) {
        clearTarget(scene.sceneColour, {0.0f, 0.0f, 0.0f, 1.0f});
        clearDepth(scene.depth, 1.0f, 0);
        releaseObject(scene.camera);
        setCamera(0.1f, 0.2f, -0.4f, 0.7f, sceneIndex);  // looking up over the horizon
        drawSky(scene);
        const RgbaImage image = readRgba8(scene.sceneColour);

        int wrong = 0;
        for (std::uint32_t py = 0; py < kHeight; ++py) {
            for (std::uint32_t px = 0; px < kWidth; ++px) {
                const float x = (static_cast<float>(px) + 0.5f) / kWidth * 2.0f - 1.0f;
                const float y = 1.0f - (static_cast<float>(py) + 0.5f) / kHeight * 2.0f;
                auto unproject = [&](float depth) {
                    auto p = transformPoint(transformPoint({x, y, depth, 1.0f}, camera.clipToCamera), camera.cameraToWorld);
                    return std::array<float, 3>{p[0] / p[3], p[1] / p[3], p[2] / p[3]};
                };
                const auto nearPoint = unproject(0.0f);
                const auto farPoint = unproject(1.0f);
                const auto [u, v] = ref::skyTextureCoordinates(farPoint[0] - nearPoint[0], farPoint[1] - nearPoint[1],
                                                               farPoint[2] - nearPoint[2]);
                const Rgba expected = {0.5f * ref::sampleBilinearWrap(channels[0], u, v),
                                       0.5f * ref::sampleBilinearWrap(channels[1], u, v),
                                       0.5f * std::round((sceneIndex == 3 ? 0.8f : 0.2f) * 255.0f) / 255.0f, 0.5f};
                for (int c = 0; c < 4; ++c) {
                    if (std::fabs(image.at(px, py)[c] - expected[c]) > 1.5f / 255.0f) ++wrong;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "scene " << sceneIndex;
    }
    // Straight down reads the same row as straight up: the zenith.
    EXPECT_EQ(ref::skyTextureCoordinates(0.0f, -1.0f, 0.0f)[1], 1.0f);
    EXPECT_EQ(ref::skyTextureCoordinates(0.0f, 1.0f, 0.0f)[1], 1.0f);
}

}  // namespace
