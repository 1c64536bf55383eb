// One particle simulation step on the GPU against the CPU reference, for
// both systems: respawn, the activation sweep and the curl-noise flow.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "app/CameraConstant.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "scene/Particles.h"
#include "tests/landscape/LandscapeTestSupport.h"
#include "tests/support/ParticleReference.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;
namespace ref = tolmero::reference;
using namespace landscapetest;

using ParticleArray = std::vector<std::array<float, 4>>;

// A logo for the tests: dark (red 0) letters of blocks on white.
RgbaImage testLogo() {
    RgbaImage image(64, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = (y >= 8 && y < 24 && ((x >= 6 && x < 18) || (x >= 26 && x < 30) || (x >= 40 && x < 58)));
            const float red = inside ? 0.0f : 1.0f;
            image.at(x, y) = {red, red, red, 1.0f};
        }
    }
    return image;
}

FieldImage redChannel(const RgbaImage& image) {
    FieldImage red;
    red.width = image.width;
    red.height = image.height;
    for (const Rgba& texel : image.texels) red.values.push_back(texel[0]);
    return red;
}

class ParticleStepTest : public LandscapeTest {
protected:
    void SetUp() override {
        LandscapeTest::SetUp();
        scene.randoms = sharedGpu().randoms;
        scene.linearSampler = sharedGpu().linearSampler;
        scene.logo = uploadRgba8(logoImage, 0);
    }
    void TearDown() override {
        releaseObject(scene.logo);
        LandscapeTest::TearDown();
    }

    // Runs one step over `particles` (padded with zeros to a full system)
    // and returns the whole buffer afterwards.
    ParticleArray step(ParticleArray particles, int sceneIndex, float time, int reset, float logoActivation) {
        particles.resize(kParticlesPerSystem, {0.0f, 0.0f, 0.0f, 0.0f});
        ID3D11Buffer* buffer = createStructuredBuffer(particles, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
        CameraConstant camera;
        camera.scene = sceneIndex;
        camera.time = time;
        camera.resetParticles = reset;
        camera.logoActivation = logoActivation;
        scene.camera = cameraBuffer(camera);
        simulateParticles(scene, buffer);
        ParticleArray out(kParticlesPerSystem);
        EXPECT_EQ(context()->ReadSubresource(buffer, 0, out.data(), out.size() * 16), S_OK);
        releaseObject(scene.camera);
        releaseObject(buffer);
        scene.camera = nullptr;
        return out;
    }

    static ref::Particle asParticle(const std::array<float, 4>& p) { return {p[0], p[1], p[2], p[3]}; }

    static void expectParticle(const std::array<float, 4>& gpu, const ref::Particle& cpu, float tolerance,
                               std::uint32_t index) {
        EXPECT_NEAR(gpu[0], cpu.x, tolerance) << "particle " << index;
        EXPECT_NEAR(gpu[1], cpu.y, tolerance) << "particle " << index;
        EXPECT_NEAR(gpu[2], cpu.z, tolerance) << "particle " << index;
        EXPECT_NEAR(gpu[3], cpu.age, 1e-6f) << "particle " << index;
    }

    SceneResources scene;
    RgbaImage logoImage = testLogo();
    FieldImage logoRed = redChannel(testLogo());
};

TEST_F(ParticleStepTest, FlamesResetGivesEveryParticleAPlaceAndARandomAge) {
    const ParticleArray out = step({}, 3, 0.0f, 1, -1.0f);
    const FieldImage heights = gpuFieldSlice(3);
    const FieldImage placement = gpuFieldSlice(7);
    const ref::ParticleStepInputs inputs{0.0f, 1, -1.0f};

    std::vector<std::uint32_t> indices;
    for (std::uint32_t i = 0; i < 64; ++i) indices.push_back(i);
    for (std::uint32_t i = kParticlesPerSystem - 80; i < kParticlesPerSystem; ++i) indices.push_back(i);
    std::mt19937 random(17);
    for (int k = 0; k < 100; ++k) indices.push_back(random() % kParticlesPerSystem);
    for (std::uint32_t index : indices) {
        const ref::Particle expected = ref::stepFlameParticle({}, index, inputs, heights, placement);
        expectParticle(out[index], expected, 2e-5f, index);
    }

    // Every particle was simulated, the last ones too: born with an age in
    // (0, 1] plus one step's ageing, on slice 7's non-negative ground.
    for (std::uint32_t i = 0; i < kParticlesPerSystem; ++i) {
        ASSERT_GT(out[i][3], 0.0f) << "particle " << i << " was not simulated";
        ASSERT_LE(out[i][3], 1.0101f) << "particle " << i;
    }
}

TEST_F(ParticleStepTest, FlamesAgeRespawnAndFollowTheCurlFlow) {
    ParticleArray particles;
    std::mt19937 random(3);
    std::uniform_real_distribution<float> place(0.05f, 0.95f);
    for (int k = 0; k < 300; ++k) {
        const float age = k % 3 == 0 ? 1.2f : (k % 3 == 1 ? 0.5f : 1.0f);  // respawn, flow, flow (not above 1)
        particles.push_back({place(random), place(random) * 0.05f, place(random), age});
    }
    const float time = 301.37f;
    const ParticleArray out = step(particles, 3, time, 0, 0.0f);
    const FieldImage heights = gpuFieldSlice(3);
    const FieldImage placement = gpuFieldSlice(7);
    double lift = 0.0;
    int flowing = 0, respawned = 0, agedByTheStream = 0;
    for (std::uint32_t i = 0; i < particles.size(); ++i) {
        const ref::Particle expected =
            ref::stepFlameParticle(asParticle(particles[i]), i, {time, 0, 0.0f}, heights, placement);
        expectParticle(out[i], expected, 2e-5f, i);
        if (particles[i][3] > 1.0f) {
            EXPECT_LT(out[i][3], 0.0101f) << "a respawned flame starts young";
            // Each try of a respawn takes five draws: x, z, height, the age
            // (taken although no reset asks for it) and the placement test;
            // the ageing draw follows the last try.
            ++respawned;
            bool agedAfterATry = false;
            for (int tries = 0; tries < ref::kMaxRespawnTries && !agedAfterATry; ++tries) {
                const float aged = 0.01f * (0.5f + ref::particleDraw(i, time, 5 * tries + 6) * 0.5f);
                agedAfterATry = std::fabs(out[i][3] - aged) < 1e-6f;
            }
            agedByTheStream += agedAfterATry;
        } else {
            lift += out[i][1] - particles[i][1];
            ++flowing;
        }
    }
    EXPECT_EQ(agedByTheStream, respawned);
    // The flow's linear terms lift the flames by 0.0003 a step; the swirl
    // averages out.
    EXPECT_NEAR(lift / flowing, 0.0003, 0.0001);
    // Untouched zero particles are flames of age 0: they age and move.
    EXPECT_GT(out[kParticlesPerSystem - 1][3], 0.0f);
}

TEST_F(ParticleStepTest, LogoResetPutsDormantParticlesOnTheDarkShape) {
    const ParticleArray out = step({}, 0, 0.0f, 1, -1.0f);
    const ref::ParticleStepInputs inputs{0.0f, 1, -1.0f};
    for (std::uint32_t index : {0u, 1u, 2u, 77u, 4000u, 123456u, 199935u, 199936u, 199999u}) {
        const ref::Particle expected = ref::stepLogoParticle({}, index, inputs, logoRed);
        expectParticle(out[index], expected, 1e-6f, index);
    }
    for (std::uint32_t i = 0; i < kParticlesPerSystem; i += 97) {
        const auto& p = out[i];
        ASSERT_EQ(p[3], -1.0f);
        ASSERT_LE(ref::sampleBilinearWrap(logoRed, 0.5f * p[0] + 0.5f, 0.5f - 0.5f * p[1]), 0.5f + 1.0f / 64.0f);
        ASSERT_GT(p[2], 0.45f);
        ASSERT_LE(p[2], 0.55f);
    }
}

TEST_F(ParticleStepTest, LogoActivationSweepsFromTheLeftAndBlowsParticlesRight) {
    ParticleArray particles;
    for (int k = 0; k <= 200; ++k) {
        const float x = -1.0f + 0.01f * static_cast<float>(k);
        particles.push_back({x, 0.3f - 0.002f * static_cast<float>(k), 0.5f, -1.0f});  // dormant
    }
    for (int k = 0; k < 50; ++k) particles.push_back({-0.5f + 0.02f * k, 0.1f, 0.48f, 0.2f});  // already flying

    for (const float activation : {1.2833f, 1.5f, 5.0f / 3.0f + 0.001f}) {
        const float time = 80.0f;
        const ParticleArray out = step(particles, 0, time, 0, activation);
        int activated = 0;
        for (std::uint32_t i = 0; i < particles.size(); ++i) {
            const ref::Particle expected = ref::stepLogoParticle(asParticle(particles[i]), i, {time, 0, activation}, logoRed);
            expectParticle(out[i], expected, 2e-6f, i);
            if (particles[i][3] < 0.0f && out[i][3] >= 0.0f) {
                ++activated;
                EXPECT_GT(out[i][0], particles[i][0]) << "blown to the right";
            }
            if (particles[i][3] < 0.0f && out[i][3] < 0.0f) {
                EXPECT_EQ(out[i], particles[i]) << "a dormant particle never moves";
            }
            if (particles[i][3] >= 0.0f) {
                // A flying particle still takes the activation draw first;
                // its ageing uses the second.
                EXPECT_FLOAT_EQ(out[i][3], particles[i][3] + 0.01f * (0.5f + 0.5f * ref::particleDraw(i, time, 2)))
                    << "particle " << i;
            }
        }
        if (activation < 1.29f) {
            EXPECT_EQ(activated, 0);
        }
        if (activation > 5.0f / 3.0f) {
            EXPECT_EQ(activated, 201);
        }
        if (activation == 1.5f) {
            // Threshold x < 0.3 u: everything left of 0 wakes, nothing right of 0.3.
            EXPECT_GE(activated, 101);
            EXPECT_LE(activated, 131);
        }
    }
}

}  // namespace
