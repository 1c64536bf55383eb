// Culling must not change a single pixel: the production's frame of a beat
// drawn with the culled, indexed draws and with the full draws, from the same
// particle state, must be the same bytes. One beat in every scene, and the
// shots where culling has most to do (low over the ground, the water, the
// fire, a title card).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/FrameLoop.h"
#include "app/LaunchSettings.h"
#include "app/ProductionPasses.h"
#include "gpu/D3D11.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "scene/Culling.h"
#include "tools/ParticleCatchUp.h"
#include "tracks/TrackSet.h"

namespace {

using namespace tolmero;

class ProductionFrames : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        settings_.width = 96;
        settings_.height = 54;
        settings_.supersample = {2, 2};
        settings_.started = 1;
        launchSettings() = settings_;
        ASSERT_NE(createHeadlessRenderer(96, 54), nullptr);
        validationBefore_ = gpu::validationMessageCount();
        passes_ = new ProductionPasses(settings_);
        loop_ = new FrameLoop(settings_, trackSet(), *passes_);
        loop_->startUp();
        passes_->endFrame();
    }
    static void TearDownTestSuite() {
        delete loop_;
        delete passes_;
        destroyRenderer();
    }

    // The frame of `beat` from the particle state as it is now; the state is
    // put back afterwards, so that the next draw of the beat starts alike.
    static std::vector<std::uint8_t> frameOf(float beat) {
        const SceneResources& scene = passes_->resources();
        gpu::ID3D11Buffer* logo = copyOf(scene.logoParticles);
        gpu::ID3D11Buffer* flames = copyOf(scene.flameParticles);
        loop_->renderFrame(beat);
        passes_->endFrame();
        std::vector<std::uint8_t> pixels;
        std::uint32_t width = 0, height = 0;
        EXPECT_TRUE(readBackBuffer(pixels, width, height));
        context()->CopyResource(scene.logoParticles, logo);
        context()->CopyResource(scene.flameParticles, flames);
        releaseObject(logo);
        releaseObject(flames);
        return pixels;
    }

    // The quads (sprites, particles) that the last indexed draw of these
    // arguments drew.
    static std::uint32_t drawnCount(gpu::ID3D11Buffer* drawArguments) {
        std::uint32_t arguments[5] = {};
        EXPECT_EQ(context()->ReadSubresource(drawArguments, 0, arguments, sizeof arguments), gpu::S_OK);
        return arguments[0] / 6;
    }
    // The sprites of the last batch of the sprite draw.
    static std::uint32_t drawnSpriteCount() { return drawnCount(passes_->resources().spriteArguments); }

    static gpu::ID3D11Buffer* copyOf(gpu::ID3D11Buffer* particles) {
        gpu::D3D11_BUFFER_DESC desc{};
        particles->GetDesc(&desc);
        gpu::ID3D11Buffer* copy =
            createStructuredBufferUninitialized(desc.ByteWidth / 16, desc.BindFlags, 0);
        context()->CopyResource(copy, particles);
        return copy;
    }

    static LaunchSettings settings_;
    static ProductionPasses* passes_;
    static FrameLoop* loop_;
    static gpu::UINT validationBefore_;
};

LaunchSettings ProductionFrames::settings_;
ProductionPasses* ProductionFrames::passes_ = nullptr;
FrameLoop* ProductionFrames::loop_ = nullptr;
gpu::UINT ProductionFrames::validationBefore_ = 0;

TEST_F(ProductionFrames, CulledAndFullDrawsGiveTheSameBytesInEveryScene) {
    ASSERT_NE(loop_, nullptr);
    // Scene 2, 0 (the logo), 1 (water), 0 (stumps), 3 (machines), a card,
    // and the fire; the particles are caught up to the first of each.
    // The logo is caught up once, before its first beat; the fire gets a
    // few dozen steps of its own before its first beat, which is enough for
    // flames of every age.
    std::uint64_t spritesHiddenByDepth = 0;
    const float beats[] = {8.0f, 15.989f, 45.0f, 64.396f, 128.342f, 140.0f, 200.0f, 240.0f, 260.0f, 300.0f, 410.0f};
    for (const float beat : beats) {
        SCOPED_TRACE("beat " + std::to_string(beat));
        if (beat == 45.0f) catchUpParticles(*passes_, trackSet(), loop_->camera(), beat, {60, false});
        if (beat == 300.0f) {
            CameraConstant camera = loop_->camera();
            camera.scene = 3;
            camera.resetParticles = 0;
            for (int step = 0; step < 40; ++step) {
                camera.time = 290.0f + 0.03f * static_cast<float>(step);
                passes_->createCameraBuffer(camera);
                passes_->simulateParticles(ParticleSystem::Flames);
                passes_->releaseCameraBuffer();
            }
        }
        setCullingEnabled(true);
        const std::vector<std::uint8_t> culled = frameOf(beat);
        const std::uint32_t spritesDrawn = drawnSpriteCount();
        // The logo's particles are a fraction of a pixel at this size: most
        // hold no pixel centre.
        if (beat == 45.0f) {
            EXPECT_LT(drawnCount(passes_->resources().particleArguments), 100000u);
        }
        setDepthCullingEnabled(false);
        const std::vector<std::uint8_t> frustumCulled = frameOf(beat);
        const std::uint32_t spritesInView = drawnSpriteCount();
        setDepthCullingEnabled(true);
        setCullingEnabled(false);
        const std::vector<std::uint8_t> full = frameOf(beat);
        setCullingEnabled(true);
        ASSERT_EQ(culled.size(), full.size());
        ASSERT_EQ(frustumCulled.size(), full.size());
        std::size_t differing = 0;
        std::size_t differingFrustum = 0;
        for (std::size_t i = 0; i < culled.size(); ++i) {
            differing += culled[i] != full[i];
            differingFrustum += frustumCulled[i] != full[i];
        }
        EXPECT_EQ(differing, 0u) << "bytes differ";
        EXPECT_EQ(differingFrustum, 0u) << "bytes differ without the depth's culling";
        // The depth only ever removes sprites that the view volume kept (in
        // the last batch, whose count the arguments hold).
        EXPECT_LE(spritesDrawn, spritesInView);
        spritesHiddenByDepth += spritesInView - spritesDrawn;
        // The frame shows something: not one flat colour.
        std::size_t changes = 0;
        for (std::size_t i = 4; i < full.size(); i += 4) changes += full[i] != full[i - 4];
        EXPECT_GT(changes, full.size() / 40);
    }
    // The terrain hides sprites in these shots: the depth's culling must find some.
    EXPECT_GT(spritesHiddenByDepth, 0u);
    EXPECT_EQ(gpu::validationMessageCount(), validationBefore_) << "the frames raised validation messages";
}

}  // namespace
