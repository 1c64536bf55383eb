// The vegetation sprites: the vertex program's quads against the CPU
// reference (captured from the production program), and what the sprite
// draw leaves in the targets: the white cut at every distance, the margins,
// the colour and the wind sway.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/ShaderProgram.h"
#include "scene/Vegetation.h"
#include "tests/life/LifeTestSupport.h"
#include "tests/support/renderer/GeneratedTexture.h"
#include "reference/VegetationReference.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;
namespace ref = tolmero::reference;
using namespace lifetest;

using Location = std::array<float, 4>;  // (x, h, z, type)

constexpr std::uint32_t kSize = 128;  // target width and height
constexpr float kFieldOfView = 45.0f;

// Pixel position (x right, y down) of a clip-space point.
std::array<float, 2> toPixel(const std::array<float, 4>& clip, std::uint32_t width, std::uint32_t height) {
    return {(clip[0] / clip[3] + 1.0f) * 0.5f * static_cast<float>(width),
            (1.0f - clip[1] / clip[3]) * 0.5f * static_cast<float>(height)};
}

class SpriteTest : public LifeTest {
protected:
    void SetUp() override {
        LifeTest::SetUp();
        scene = makeTargets(kSize, kSize);
        createVegetationTables(scene);
        aspectRatios.resize(kVegetationTypeCount);
        for (int t = 0; t < kVegetationTypeCount; ++t) aspectRatios[t] = 0.5f + 0.07f * static_cast<float>(t);
        std::vector<float> copy = aspectRatios;
        scene.vegetationAspectRatios = createStructuredBuffer(copy, D3D11_BIND_SHADER_RESOURCE, 0);
    }
    void TearDown() override {
        releaseTargets(scene);
        for (IUnknown* object : std::initializer_list<IUnknown*>{
                 scene.typeHeights, scene.classCounts, scene.classFirst, scene.vegetationAspectRatios,
                 scene.vegetationSprites, scene.spriteLocations, scene.camera})
            releaseObject(object);
        LifeTest::TearDown();
    }

    void setLocations(const std::vector<Location>& locations) {
        releaseObject(scene.spriteLocations);
        std::vector<Location> copy = locations;
        scene.spriteLocations = createStructuredBuffer(copy, D3D11_BIND_SHADER_RESOURCE, 0);
    }
    void setCamera(const CameraConstant& constants) {
        camera = constants;
        releaseObject(scene.camera);
        scene.camera = createConstantBuffer(camera);
    }
    // A camera level with the foot of sprite 0 (standing at the world
    // origin), `distance` in front of it, looking at its middle.
    void lookAtSprite(int type, float distance, float time = 0.0f) {
        const float size = ref::spriteSizeFactor(0) * kTypeHeights[type] * 0.04f;
        CameraConstant constants = makeCamera({0.0f, size * 0.5f, -distance}, 0.0f, 0.0f, kFieldOfView, kSize, kSize);
        constants.time = time;
        setCamera(constants);
    }
    ref::SpriteCorner corner(std::uint32_t vertex, const Location& location) const {
        return ref::spriteVertex(vertex, location, kTypeHeights.data(), aspectRatios.data(), camera.worldToCamera,
                                 camera.cameraToClip);
    }
    Pixels drawSprite(const Location& location) {
        setLocations({location});
        clearTarget(scene.sceneColour, {0.0f, 0.0f, 0.0f, 0.0f});
        clearDepth(scene.depth, 1.0f, 0);
        drawVegetation(scene, 6);
        return readTargets(scene);
    }

    SceneResources scene;
    CameraConstant camera;
    std::vector<float> aspectRatios;
};

TEST_F(SpriteTest, VertexProgramBuildsTheReferenceQuads) {
    const std::vector<Location> locations = {
        {0.5f, 0.0f, 0.5f, 0.0f},   {0.31f, 0.2f, 0.77f, 5.0f}, {0.9f, -0.1f, 0.12f, 7.0f},
        {0.05f, 0.4f, 0.6f, 9.0f},  {0.66f, 0.0f, 0.35f, 10.0f}, {1.0f, 0.01f, 1.0f, 13.0f},
        {0.42f, 0.3f, 0.58f, 19.0f}, {0.58f, 0.05f, 0.44f, 12.0f},
    };
    setLocations(locations);
    setCamera(makeCamera({0.1f, 0.05f, -0.3f}, 0.2f, 0.3f, 50.0f, 320, 180));

    std::vector<std::uint32_t> vertices(locations.size() * 6);
    for (std::uint32_t v = 0; v < vertices.size(); ++v) vertices[v] = v;
    ID3D11Buffer* ids = createStructuredBuffer(vertices, D3D11_BIND_SHADER_RESOURCE, 0);
    struct Captured {
        float position[4];
        float uv[2];
        std::int32_t type, index;
    };
    std::vector<Captured> zeros(locations.size() * 6);
    ID3D11Buffer* captured = createStructuredBuffer(zeros, D3D11_BIND_UNORDERED_ACCESS, 0);
    dispatch(loadTestProgram("SpriteVertexCapture"), 1, 1, 1,
             {bindingEntry("vertexIds", ids), bindingEntry("captured", captured),
              bindingEntry("CameraConstant", scene.camera), bindingEntry("spriteLocations", scene.spriteLocations),
              bindingEntry("typeHeights", scene.typeHeights),
              bindingEntry("aspectRatios", scene.vegetationAspectRatios)});
    const std::vector<Captured> gpu = readBuffer<Captured>(captured, locations.size() * 6);
    releaseObject(ids);
    releaseObject(captured);

    for (std::uint32_t v = 0; v < gpu.size(); ++v) {
        SCOPED_TRACE("vertex " + std::to_string(v));
        const ref::SpriteCorner cpu = corner(v, locations[v / 6]);
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(gpu[v].position[c], cpu.clip[c], 1e-5f * std::max(1.0f, std::fabs(cpu.clip[c])));
        EXPECT_FLOAT_EQ(gpu[v].uv[0], cpu.u);
        EXPECT_FLOAT_EQ(gpu[v].uv[1], cpu.v);
        EXPECT_EQ(gpu[v].type, cpu.type);
        EXPECT_EQ(gpu[v].index, cpu.sprite);
    }
    // Odd sprites are mirrored: the same corner has u swapped end for end.
    EXPECT_FLOAT_EQ(gpu[0].uv[0], -0.25f);
    EXPECT_FLOAT_EQ(gpu[6].uv[0], 1.25f);
}

TEST_F(SpriteTest, PureWhiteIsAlwaysCutAndLightGreyAlwaysDrawn) {
    // Type 0 shows white, every other type a grey of 0.8 (length 1.386).
    std::vector<std::array<float, 4>> colours(kVegetationTypeCount, {0.8f, 0.8f, 0.8f, 1.0f});
    colours[0] = {1.0f, 1.0f, 1.0f, 1.0f};
    scene.vegetationSprites = uniformArray(colours, 128);
    for (float heightInPixels : {400.0f, 64.0f, 12.0f, 3.0f}) {
        SCOPED_TRACE("sprite about " + std::to_string(heightInPixels) + " pixels tall");
        for (int type : {0, 3, 9, 10}) {
            const float size = ref::spriteSizeFactor(0) * kTypeHeights[type] * 0.04f;
            const float distance = size * kSize / (heightInPixels * 2.0f * std::tan(kFieldOfView * 0.5f * 3.14159265f / 180.0f));
            if (distance > 1.9f) continue;  // beyond the far plane (2.0)
            lookAtSprite(type, distance);
            const Pixels pixels = drawSprite({0.5f, 0.0f, 0.5f, static_cast<float>(type)});
            std::size_t drawn = 0;
            for (std::uint32_t y = 0; y < kSize; ++y)
                for (std::uint32_t x = 0; x < kSize; ++x) drawn += pixels.drawn(x, y);
            if (type == 0)
                EXPECT_EQ(drawn, 0u) << "type " << type;
            else
                EXPECT_GT(drawn, 0u) << "type " << type;
        }
    }
}

TEST_F(SpriteTest, ImageColourDarkensTowardTheFootAndMarginsAreCut) {
    std::vector<std::array<float, 4>> colours(kVegetationTypeCount, {0.8f, 0.6f, 0.4f, 1.0f});
    scene.vegetationSprites = uniformArray(colours, 128);
    for (int type : {2, 9}) {  // a grass tuft (x 0.8) and the log (x 0.9, never sways)
        SCOPED_TRACE("type " + std::to_string(type));
        const float size = ref::spriteSizeFactor(0) * kTypeHeights[type] * 0.04f;
        lookAtSprite(type, size * 2.5f);
        const Location location = {0.5f, 0.0f, 0.5f, static_cast<float>(type)};
        const Pixels pixels = drawSprite(location);

        // The quad from the reference: corner 1 is the top left, corner 5 the
        // foot on the right.
        const auto topLeft = toPixel(corner(1, location).clip, kSize, kSize);
        const auto footRight = toPixel(corner(5, location).clip, kSize, kSize);
        const float imageLeft = topLeft[0] + (footRight[0] - topLeft[0]) / 6.0f;   // u = 0
        const float imageRight = footRight[0] - (footRight[0] - topLeft[0]) / 6.0f;  // u = 1
        const float sway = type == 9 ? 0.5f : 2.5f;  // pixels the wind may move the margins
        const float shade = type < 5 ? 0.8f : 0.9f;
        std::size_t checked = 0;
        for (std::uint32_t y = 0; y < kSize; ++y) {
            const float centreY = static_cast<float>(y) + 0.5f;
            if (centreY < topLeft[1] + 1.0f || centreY > footRight[1] - 1.0f) continue;
            const float v = (centreY - topLeft[1]) / (footRight[1] - topLeft[1]);
            for (std::uint32_t x = 0; x < kSize; ++x) {
                const float centreX = static_cast<float>(x) + 0.5f;
                if (centreX < imageLeft - sway - 0.5f || centreX > imageRight + sway + 0.5f) {
                    EXPECT_FALSE(pixels.drawn(x, y)) << "margin pixel " << x << ", " << y;
                    continue;
                }
                if (centreX < imageLeft + sway + 0.5f || centreX > imageRight - sway - 0.5f) continue;
                ASSERT_TRUE(pixels.drawn(x, y)) << "image pixel " << x << ", " << y;
                const auto& texel = pixels.at(x, y);
                const std::array<float, 4> expected = {0.8f, 0.6f, 0.4f, 1.0f};
                for (int c = 0; c < 4; ++c) {
                    const float want = std::pow(expected[c] * shade, 1.4f) * (1.0f - v);
                    // v changes by 1/height across a pixel row.
                    const float slack = 2.0f / 255.0f + std::pow(expected[c] * shade, 1.4f) / (footRight[1] - topLeft[1]);
                    EXPECT_NEAR(texel[c] / 255.0f, want, slack) << "pixel " << x << ", " << y << " channel " << c;
                }
                ++checked;
            }
        }
        EXPECT_GT(checked, 1000u);
    }
}

// Sub-pixel column where a row's brightness crosses the middle between the
// dark left and the light right half of the image; -1 when it does not.
float edgeColumn(const Pixels& pixels, std::uint32_t y) {
    float low = 255.0f, high = 0.0f;
    for (std::uint32_t x = 0; x < pixels.width; ++x)
        if (pixels.drawn(x, y)) {
            low = std::min(low, static_cast<float>(pixels.at(x, y)[0]));
            high = std::max(high, static_cast<float>(pixels.at(x, y)[0]));
        }
    if (high - low < 20.0f) return -1.0f;
    const float middle = 0.5f * (low + high);
    for (std::uint32_t x = 1; x < pixels.width; ++x) {
        const float a = pixels.at(x - 1, y)[0], b = pixels.at(x, y)[0];
        if (pixels.drawn(x - 1, y) && pixels.drawn(x, y) && a < middle && b >= middle)
            return static_cast<float>(x) - 0.5f + (middle - a) / (b - a);
    }
    return -1.0f;
}

TEST_F(SpriteTest, WindSwaysEveryTypeButTheLog) {
    // Dark left half, light right half: the edge shows where u = 0.5 lands.
    scene.vegetationSprites = createGeneratedTexture(128, 128, kVegetationTypeCount, true,
                                                     [](std::uint32_t x, std::uint32_t, std::uint32_t) {
                                                         const float g = x < 64 ? 0.25f : 0.75f;
                                                         return TexelColour{g, g, g, 1.0f};
                                                     });
    for (int type : {1, 9, 14}) {
        for (float time : {0.0f, 2.1f, 37.4f}) {
            SCOPED_TRACE("type " + std::to_string(type) + ", time " + std::to_string(time));
            const float size = ref::spriteSizeFactor(0) * kTypeHeights[type] * 0.04f;
            lookAtSprite(type, size * 1.2f, time);
            const Location location = {0.5f, 0.0f, 0.5f, static_cast<float>(type)};
            const Pixels pixels = drawSprite(location);
            const auto topLeft = toPixel(corner(1, location).clip, kSize, kSize);
            const auto footRight = toPixel(corner(5, location).clip, kSize, kSize);
            std::size_t rows = 0;
            for (std::uint32_t y = 0; y < kSize; ++y) {
                const float v = (static_cast<float>(y) + 0.5f - topLeft[1]) / (footRight[1] - topLeft[1]);
                if (v < 0.02f || v > 0.6f) continue;  // near the foot the image fades to black
                const float measured = edgeColumn(pixels, y);
                ASSERT_GE(measured, 0.0f) << "row " << y;
                // The pixel whose swayed u is 0.5 (u is linear across the quad).
                const float shift = ref::swayedU(0.5f, v, type, 0, time, kTypeHeights[type]) - 0.5f;
                const float quadU = 0.5f - shift;
                const float expected = topLeft[0] + (quadU + 0.25f) / 1.5f * (footRight[0] - topLeft[0]);
                EXPECT_NEAR(measured, expected, 0.6f) << "row " << y;

                if (type == 9) {
                    EXPECT_EQ(shift, 0.0f);
                }
                ++rows;
            }
            EXPECT_GT(rows, 40u);
        }
    }
}

TEST_F(SpriteTest, ThePassDrawsAMillionScatteredSprites) {
    // A flat field at bog-plant height, scattered by the production's pass,
    // seen from above the middle of the landscape.
    scene.randoms = createTextureArray(DXGI_FORMAT_R32_FLOAT, 4, 4, 8, D3D11_BIND_SHADER_RESOURCE, 0);
    const std::vector<float> flat(16, 0.02f);
    for (std::uint32_t slice = 0; slice < 8; ++slice)
        context()->UpdateSubresource(scene.randoms, slice, nullptr, flat.data(), 16, 0);
    scene.spriteLocations = createStructuredBufferUninitialized(
        kSpriteCount, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
    std::vector<std::array<float, 4>> colours(kVegetationTypeCount, {0.3f, 0.5f, 0.2f, 1.0f});
    scene.vegetationSprites = uniformArray(colours, 32);
    setCamera(makeCamera({0.0f, 0.03f, -0.1f}, 0.5f, 0.0f, 60.0f, kSize, kSize));
    scatterVegetation(scene);
    drawVegetation(scene);
    const Pixels pixels = readTargets(scene);
    std::size_t drawn = 0;
    for (std::uint32_t y = 0; y < kSize; ++y)
        for (std::uint32_t x = 0; x < kSize; ++x) drawn += pixels.drawn(x, y);
    // Looking down at a carpet of plants: most of the view is covered.
    EXPECT_GT(drawn, kSize * kSize / 2);
    releaseObject(scene.randoms);
}

}  // namespace
