// The GPU's shared random functions and its eight random fields against the
// CPU reference.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "render/ShaderProgram.h"
#include "scene/RandomFields.h"
#include "tests/landscape/LandscapeTestSupport.h"
#include "reference/RandomReference.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;
namespace ref = tolmero::reference;
using landscapetest::LandscapeTest;
using landscapetest::sharedGpu;

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct ProbeResult {
    std::uint32_t a, b, c;
    float unit;
    float lattice;
    float noise;
};

// Runs the probe program over the inputs.
std::vector<ProbeResult> runRandomProbe(std::vector<std::array<std::uint32_t, 4>> inputs) {
    const std::vector<std::uint8_t> blob = readFile(std::string(LANDSCAPE_TEST_SHADER_DIR) + "/RandomProbe.cs.spv");
    EXPECT_FALSE(blob.empty());
    loadShaderFromBlob("RandomProbe.hlsl:main:cs_5_0", blob);
    const auto count = static_cast<std::uint32_t>(inputs.size());
    ID3D11Buffer* input = createStructuredBuffer(inputs, D3D11_BIND_SHADER_RESOURCE, 0);
    std::vector<std::array<std::uint32_t, 4>> zeros(count * 2, {0, 0, 0, 0});
    ID3D11Buffer* output = createStructuredBuffer(zeros, D3D11_BIND_UNORDERED_ACCESS, 0);
    dispatch("RandomProbe.hlsl:main:cs_5_0", (count + 63) / 64, 1, 1,
             {bindingEntry("inputs", input), bindingEntry("outputs", output)});
    std::vector<std::array<std::uint32_t, 4>> raw(count * 2);
    EXPECT_EQ(context()->ReadSubresource(output, 0, raw.data(), raw.size() * 16), S_OK);
    releaseObject(input);
    releaseObject(output);
    std::vector<ProbeResult> results(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto& first = raw[2 * i];
        const auto& second = raw[2 * i + 1];
        results[i] = {first[0], first[1], first[2], std::bit_cast<float>(first[3]),
                      std::bit_cast<float>(second[0]), std::bit_cast<float>(second[1])};
    }
    return results;
}

float gpuTexel(int slice, int i, int j) {
    return sharedGpu().fields[(static_cast<std::size_t>(slice) * ref::kFieldSize + j) * ref::kFieldSize + i];
}

// Field values pass through a square root near zero, where a last-bit
// difference of the fractal sum grows; allow for that at such texels.
float fieldTolerance(int slice, int i, int j) {
    const float n = ref::fieldFractal(slice, i / 1024.0f, j / 1024.0f);
    float tolerance = 2e-5f * (1.0f + std::fabs(n));
    if (slice < 4 && std::fabs(n + 0.005f) < 1e-3f) tolerance += 0.6f * std::sqrt(2e-5f * (1.0f + std::fabs(n)));
    return tolerance;
}

using RandomFunctionsTest = LandscapeTest;
using RandomFieldsTest = LandscapeTest;

TEST_F(RandomFunctionsTest, DrawsLatticeValuesAndNoiseMatchTheCpu) {
    std::vector<std::array<std::uint32_t, 4>> inputs = {
        {0, 0, 0, 0},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0},  // unit: c mod 0xFFFFFFFF = 0 gives 2^-32
        {0xFFFFFFFEu, 1, 2, 0},                      // unit: the largest value, 1.0
        {2, 105000, 199999, 0},
        {std::bit_cast<std::uint32_t>(-3), std::bit_cast<std::uint32_t>(7), std::bit_cast<std::uint32_t>(-100000), 0},
    };
    std::mt19937 random(1234);
    auto word = [&random] { return static_cast<std::uint32_t>(random()); };
    for (int k = 0; k < 200; ++k) inputs.push_back({word(), word(), word(), 0});
    // Noise points: floats as bits, also negative and on lattice planes.
    std::uniform_real_distribution<float> coordinate(-80.0f, 80.0f);
    for (int k = 0; k < 200; ++k) {
        inputs.push_back({std::bit_cast<std::uint32_t>(coordinate(random)), std::bit_cast<std::uint32_t>(coordinate(random)),
                          std::bit_cast<std::uint32_t>(k % 5 == 0 ? 3.0f : coordinate(random)), 0});
    }

    const std::vector<ProbeResult> results = runRandomProbe(inputs);
    ASSERT_EQ(results.size(), inputs.size());
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        const auto& in = inputs[k];
        ref::RandomState state{in[0], in[1], in[2]};
        state.next();
        EXPECT_EQ(results[k].a, state.a) << k;
        EXPECT_EQ(results[k].b, state.b) << k;
        EXPECT_EQ(results[k].c, state.c) << k;
        EXPECT_EQ(results[k].unit, ref::unit(in[0])) << k;
        EXPECT_EQ(results[k].lattice, ref::latticeValue(std::bit_cast<std::int32_t>(in[0]), std::bit_cast<std::int32_t>(in[1]),
                                                        std::bit_cast<std::int32_t>(in[2])))
            << k;
        const float x = std::bit_cast<float>(in[0]);
        const float y = std::bit_cast<float>(in[1]);
        const float z = std::bit_cast<float>(in[2]);
        if (std::isfinite(x) && std::isfinite(y) && std::isfinite(z) && std::fabs(x) < 1e6f && std::fabs(y) < 1e6f &&
            std::fabs(z) < 1e6f) {
            EXPECT_NEAR(results[k].noise, ref::valueNoise3(x, y, z), 2e-6f) << x << ", " << y << ", " << z;
        }
    }
    EXPECT_EQ(results[1].unit, std::ldexp(1.0f, -32));
    EXPECT_EQ(results[2].unit, 1.0f);
}

TEST_F(RandomFieldsTest, EverySliceMatchesTheCpuAtCentreCornersEdgesAndRandomTexels) {
    std::vector<std::pair<int, int>> texels = {{512, 512}, {0, 0},    {1023, 0},   {0, 1023}, {1023, 1023},
                                               {511, 0},   {0, 511},  {1023, 700}, {300, 1023}, {461, 461}};
    std::mt19937 random(99);
    std::uniform_int_distribution<int> place(0, 1023);
    for (int k = 0; k < 150; ++k) texels.emplace_back(place(random), place(random));

    for (int slice = 0; slice < ref::kFieldSlices; ++slice) {
        float worst = 0.0f;
        for (const auto& [i, j] : texels) {
            const float expected = ref::randomFieldTexel(slice, i, j);
            const float actual = gpuTexel(slice, i, j);
            EXPECT_NEAR(actual, expected, fieldTolerance(slice, i, j)) << "slice " << slice << " texel " << i << ", " << j;
            worst = std::max(worst, std::fabs(actual - expected));
        }
        std::printf("slice %d: largest difference from the CPU %.3g\n", slice, worst);
    }
}

TEST_F(RandomFieldsTest, WholeRowsMatchTheCachedCpuSlices) {
    // Two full rows and one full column of every slice, against the cached
    // slices that the CPU-side terrain height uses.
    for (int slice = 0; slice < ref::kFieldSlices; ++slice) {
        const std::vector<float>& cpu = ref::randomFieldSlice(slice);
        for (int k = 0; k < ref::kFieldSize; ++k) {
            for (const auto& [i, j] : {std::pair{k, 3}, std::pair{k, 777}, std::pair{640, k}}) {
                const float expected = cpu[static_cast<std::size_t>(j) * ref::kFieldSize + i];
                ASSERT_NEAR(gpuTexel(slice, i, j), expected, fieldTolerance(slice, i, j))
                    << "slice " << slice << " texel " << i << ", " << j;
            }
        }
    }
}

TEST_F(RandomFieldsTest, EdgeMaskRaisesTheRimAndVanishesInside) {
    // Slice 0 is 0.6 x (sq(h, 0.9) + 2 d4): taking away the noise part leaves
    // the rounded-square mask, 0.125^(1/4) - 0.45 at the corner, 0 at the centre.
    auto mask = [](int i, int j) {
        const float h = ref::fieldFractal(0, i / 1024.0f, j / 1024.0f) + 0.005f;
        const float noisePart = std::sqrt(std::max(0.9f * h, 0.0f)) + 0.02f * std::min(h, 0.0f);
        return (gpuTexel(0, i, j) / 0.6f - noisePart) / 2.0f;
    };
    EXPECT_NEAR(mask(0, 0), std::pow(0.125f, 0.25f) - 0.45f, 1e-4f);
    EXPECT_NEAR(mask(512, 512), 0.0f, 1e-4f);
    EXPECT_NEAR(mask(300, 700), 0.0f, 1e-4f);  // inside the rounded square
    // Scene 1 cuts the rim down instead: its corners lie far below its centre.
    EXPECT_LT(gpuTexel(1, 0, 0), gpuTexel(1, 512, 512) - 0.2f);
}

TEST(RandomFieldReferenceTest, CachedSliceAgreesWithTexelByTexelComputation) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> place(0, 1023);
    for (int slice : {0, 1, 5}) {
        const std::vector<float>& cached = ref::randomFieldSlice(slice);
        for (int k = 0; k < 50; ++k) {
            const int i = place(random);
            const int j = place(random);
            EXPECT_EQ(cached[static_cast<std::size_t>(j) * ref::kFieldSize + i], ref::randomFieldTexel(slice, i, j));
        }
    }
}

TEST(RandomFieldReferenceTest, TerrainHeightFollowsTheFieldAndTheMesh) {
    // At a texel centre the bilinear sample is the texel itself.
    const float x = (100.5f / 1024.0f) - 0.5f;
    const float z = (900.5f / 1024.0f) - 0.5f;
    EXPECT_NEAR(ref::terrainHeight(2, x, z), 0.05f * ref::randomFieldSlice(2)[900 * 1024 + 100], 1e-7f);
    // At a grid vertex the mesh height is the field sampled at that vertex.
    const float gx = 37.0f / 512.0f - 0.5f;
    const float gz = 401.0f / 512.0f - 0.5f;
    EXPECT_NEAR(ref::terrainSurfaceHeight(0, gx, gz), ref::terrainHeight(0, gx, gz), 1e-6f);
    // Between vertices the mesh interpolates the vertices linearly.
    const float mid = ref::terrainSurfaceHeight(0, gx + 0.25f / 512.0f, gz);
    const float expected = 0.75f * ref::terrainHeight(0, gx, gz) + 0.25f * ref::terrainHeight(0, gx + 1.0f / 512.0f, gz);
    EXPECT_NEAR(mid, expected, 1e-6f);
}

}  // namespace
