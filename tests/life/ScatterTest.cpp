// The vegetation scatter on the GPU against the CPU reference: points, sampled
// heights, plant classes and sprite types of every sprite of the production's
// buffer, over crafted height fields that cover the weight regimes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "scene/Vegetation.h"
#include "tests/life/LifeTestSupport.h"
#include "reference/FieldSampler.h"
#include "reference/VegetationReference.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;
namespace ref = tolmero::reference;
using namespace lifetest;

constexpr std::uint32_t kFieldSize = 64;
constexpr std::uint32_t kSlices = 8;

// The crafted height fields, one per slice: flat ground at the heights where
// the class weights change, and two slopes across x and across z.
float craftedHeight(std::uint32_t slice, std::uint32_t column, std::uint32_t row) {
    const float across = (static_cast<float>(column) + 0.5f) / kFieldSize;
    const float down = (static_cast<float>(row) + 0.5f) / kFieldSize;
    switch (slice) {
        case 0: return 0.01f;
        case 1: return -0.0001f;
        case 2: return -0.3f;
        case 3: return 0.3f;
        case 4: return 0.04f * across - 0.01f;
        case 5: return 0.04f * down - 0.01f;
        case 6: return 0.0f;
        default: return 0.005f;
    }
}

struct Location {
    float x, h, z, type;
};

class ScatterTest : public LifeTest {
protected:
    void SetUp() override {
        LifeTest::SetUp();
        scene.linearSampler = sharedSampler();
        scene.randoms = createTextureArray(DXGI_FORMAT_R32_FLOAT, kFieldSize, kFieldSize, kSlices,
                                           D3D11_BIND_SHADER_RESOURCE, 0);
        for (std::uint32_t slice = 0; slice < kSlices; ++slice) {
            ref::FieldImage& field = fields[slice];
            field.width = field.height = static_cast<int>(kFieldSize);
            for (std::uint32_t row = 0; row < kFieldSize; ++row)
                for (std::uint32_t column = 0; column < kFieldSize; ++column)
                    field.values.push_back(craftedHeight(slice, column, row));
            context()->UpdateSubresource(scene.randoms, slice, nullptr, field.values.data(), kFieldSize * 4, 0);
        }
        scene.spriteLocations = createStructuredBufferUninitialized(
            kSpriteCount, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
        createVegetationTables(scene);
    }
    void TearDown() override {
        for (IUnknown* object : std::initializer_list<IUnknown*>{scene.randoms, scene.spriteLocations, scene.typeHeights,
                                                                scene.classCounts, scene.classFirst})
            releaseObject(object);
        LifeTest::TearDown();
    }

    // The production's scatter of the given scene's slice, read back.
    std::vector<Location> scatter(int sceneIndex) {
        CameraConstant camera;
        camera.scene = sceneIndex;
        scene.camera = createConstantBuffer(camera);
        scatterVegetation(scene);
        releaseObject(scene.camera);
        scene.camera = nullptr;
        return readBuffer<Location>(scene.spriteLocations, kSpriteCount);
    }

    SceneResources scene;
    ref::FieldImage fields[kSlices];
};

TEST_F(ScatterTest, EverySpriteMatchesTheReference) {
    for (std::uint32_t slice = 0; slice < kSlices; ++slice) {
        SCOPED_TRACE("slice " + std::to_string(slice));
        const std::vector<Location> locations = scatter(static_cast<int>(slice));
        std::size_t mismatches = 0, nearBoundary = 0, heightErrors = 0;
        for (std::uint32_t i = 0; i < kSpriteCount; ++i) {
            const Location& gpu = locations[i];
            const ref::ScatteredSprite cpu = ref::scatterSprite(i, gpu.h);
            if (gpu.x != cpu.x || gpu.z != cpu.z) {
                ADD_FAILURE() << "sprite " << i << " at (" << gpu.x << ", " << gpu.z << "), expected (" << cpu.x
                              << ", " << cpu.z << ")";
                return;
            }
            // Heights: the bilinear sample of the slice at (x, z).
            if (std::fabs(gpu.h - ref::sampleBilinearWrap(fields[slice], cpu.x, cpu.z)) > 2e-4f) ++heightErrors;
            if (cpu.nearClassBoundary) {
                ++nearBoundary;
                continue;
            }
            if (static_cast<int>(gpu.type) != cpu.type || gpu.type != std::floor(gpu.type)) ++mismatches;
        }
        EXPECT_EQ(heightErrors, 0u);
        EXPECT_EQ(mismatches, 0u);
        EXPECT_LT(nearBoundary, kSpriteCount / 1000);
    }
}

// Counts of sprites per type.
std::array<std::size_t, kVegetationTypeCount> typeCounts(const std::vector<Location>& locations) {
    std::array<std::size_t, kVegetationTypeCount> counts{};
    for (const Location& l : locations) {
        const int type = static_cast<int>(l.type);
        EXPECT_TRUE(type >= 0 && type < kVegetationTypeCount) << type;
        if (type >= 0 && type < kVegetationTypeCount) ++counts[type];
    }
    return counts;
}

std::size_t countTypes(const std::array<std::size_t, kVegetationTypeCount>& counts, int first, int last) {
    std::size_t sum = 0;
    for (int t = first; t <= last; ++t) sum += counts[t];
    return sum;
}

TEST_F(ScatterTest, PlantMixFollowsTheGroundHeight) {
    const double n = kSpriteCount;
    {
        SCOPED_TRACE("h = 0.01: grass and bog plants, a few birches and spruces, nothing else");
        const auto counts = typeCounts(scatter(0));
        EXPECT_EQ(counts[9], 0u);
        EXPECT_EQ(countTypes(counts, 10, 12), 0u);
        EXPECT_NEAR(countTypes(counts, 13, 19) / n, 0.301 / 1.30102, 0.005);
        EXPECT_NEAR(countTypes(counts, 0, 4) / n, 1.0 / 1.30102, 0.005);
        EXPECT_NEAR(countTypes(counts, 5, 8) / n, 0.00002 / 1.30102, 0.00003);
    }
    for (int slice : {1, 2}) {
        SCOPED_TRACE("low ground: grass 1, birches and spruces 0.00001, pines 0.00003, bog plants 0.001");
        const auto counts = typeCounts(scatter(slice));
        const double total = 1.0 + 0.00002 + 0.00003 + 0.001;
        EXPECT_EQ(counts[9], 0u);
        EXPECT_NEAR(countTypes(counts, 0, 4) / n, 1.0 / total, 0.0003);
        EXPECT_NEAR(countTypes(counts, 10, 12) / n, 0.00003 / total, 0.00003);
        EXPECT_NEAR(countTypes(counts, 13, 19) / n, 0.001 / total, 0.0002);
    }
    {
        SCOPED_TRACE("high ground: trees and the decaying birch, no pines");
        const auto counts = typeCounts(scatter(3));
        const double total = 1.0 + 2 * 0.00151 + 0.0001 + 0.301;
        EXPECT_EQ(countTypes(counts, 10, 12), 0u);
        EXPECT_NEAR(countTypes(counts, 5, 6) / n, 0.00151 / total, 0.0002);
        EXPECT_NEAR(countTypes(counts, 7, 8) / n, 0.00151 / total, 0.0002);
        EXPECT_NEAR(counts[9] / n, 0.0001 / total, 0.00005);
        // Within a class every type turns up about equally often.
        for (int t = 0; t < 5; ++t) EXPECT_NEAR(counts[t] / n, 0.2 / total, 0.005) << "type " << t;
    }
}

TEST_F(ScatterTest, AScenesVegetationIsTheSameEveryTime) {
    const std::vector<Location> first = scatter(4);
    scatter(5);
    const std::vector<Location> again = scatter(4);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), again.begin(), [](const Location& a, const Location& b) {
        return a.x == b.x && a.h == b.h && a.z == b.z && a.type == b.type;
    }));
}

}  // namespace
