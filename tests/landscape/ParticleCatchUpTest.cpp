// The particle catch-up of headless stills: which steps it runs, with which
// constants, recorded through the frame loop's hooks.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/Clock.h"
#include "app/FrameState.h"
#include "tools/ParticleCatchUp.h"
#include "tracks/TrackSet.h"

namespace {

using namespace tolmero;

// Records every simulation step with the constants of its camera buffer.
class RecordingPasses : public FramePasses {
public:
    struct Step {
        ParticleSystem system;
        CameraConstant camera;
    };
    std::vector<Step> steps;
    int openBuffers = 0;

    void createCameraBuffer(const CameraConstant& camera) override {
        current_ = camera;
        ++openBuffers;
    }
    void releaseCameraBuffer() override { --openBuffers; }
    void simulateParticles(ParticleSystem system) override {
        ASSERT_EQ(openBuffers, 1) << "a step needs its own camera buffer";
        steps.push_back({system, current_});
    }

    void createResources() override {}
    void generateRandoms() override {}
    void createTransformBuffer(const std::array<Matrix4, MachineRig::kPartCount>&) override {}
    void createStumpBuffer(const StumpData&) override {}
    void releaseFrameBuffers() override {}
    bool endFrame() override { return true; }
    void mark(std::string_view) override {}
    void clearSceneTargets() override {}
    void scatterVegetation() override {}
    void drawMachines() override {}
    void drawParticles(ParticleSystem) override { ADD_FAILURE() << "the catch-up draws nothing"; }
    void drawWater() override {}
    void drawStumps() override {}
    void drawTerrain() override {}
    void drawVegetation() override {}
    void drawCharacters(const AnimInfo&) override {}
    void drawSky() override {}
    void squeeze() override {}
    void drawTitleCard(int) override {}
    void bloom(float) override {}
    void blit() override {}

private:
    CameraConstant current_;
};

constexpr double kBeatsPerStep = 105.0 / 60.0 / 60.0;

TEST(ParticleCatchUpTest, SimulatesTheLogoAtSixtyStepsASecondOnceParticlesCanWake) {
    // Before the activation can wake a particle, logo steps change nothing.
    RecordingPasses dormant;
    EXPECT_EQ(catchUpParticles(dormant, trackSet(), CameraConstant{}, 45.0f).logoSteps, 0);

    RecordingPasses passes;
    CameraConstant camera;
    camera.resetParticles = 1;  // whatever the loop left: the catch-up never resets
    const float beat = 63.0f;
    const CatchUpCounts counts = catchUpParticles(passes, trackSet(), camera, beat);
    ASSERT_FALSE(passes.steps.empty());
    EXPECT_EQ(counts.flameSteps, 0);
    EXPECT_EQ(counts.logoSteps, static_cast<int>(passes.steps.size()));
    const float wake = 4.0f / 3.0f - 0.05f;
    for (std::size_t i = 0; i < passes.steps.size(); ++i) {
        const auto& step = passes.steps[i];
        EXPECT_EQ(step.system, ParticleSystem::Logo);
        EXPECT_EQ(step.camera.scene, 0);
        EXPECT_EQ(step.camera.resetParticles, 0);
        EXPECT_LT(step.camera.time, beat);
        EXPECT_EQ(step.camera.logoActivation, trackSet().evaluate("logo activation", step.camera.time).y);
        if (i > 0) {
            EXPECT_NEAR(step.camera.time - passes.steps[i - 1].camera.time, kBeatsPerStep, 1e-4);
        }
    }
    // The first step is the first of the 60 fps run that can wake a particle.
    const float first = passes.steps.front().camera.time;
    EXPECT_GT(passes.steps.front().camera.logoActivation, wake);
    EXPECT_LE(trackSet().evaluate("logo activation", first - static_cast<float>(kBeatsPerStep)).y, wake);
    EXPECT_GT(passes.steps.back().camera.time, beat - 2.0f * static_cast<float>(kBeatsPerStep));
    EXPECT_EQ(passes.openBuffers, 0);
}

TEST(ParticleCatchUpTest, StopsTheLogoOnceEveryParticleIsPastVisibility) {
    RecordingPasses passes;
    const CatchUpCounts counts = catchUpParticles(passes, trackSet(), CameraConstant{}, 150.0f);
    // The last logo step is the 100th from the first step that wakes every
    // dormant particle; no later step of scene 0 follows.
    int firstFull = -1;
    for (std::size_t i = 0; i < passes.steps.size(); ++i) {
        if (passes.steps[i].camera.logoActivation > 5.0f / 3.0f) {
            firstFull = static_cast<int>(i);
            break;
        }
    }
    ASSERT_GE(firstFull, 0) << "the logo activation track passes 5/3 in the first scene-0 span";
    EXPECT_EQ(counts.logoSteps, firstFull + kLogoStepsAfterFullActivation);
    EXPECT_EQ(counts.logoStepsSinceFullActivation, kLogoStepsAfterFullActivation);
    EXPECT_LT(passes.steps.back().camera.time, 96.814f);

    // Caught up to a beat a few steps after the full activation, the count
    // handed on to the loop says how many steps of the logo are still to run.
    const float someStepsAfter = passes.steps[firstFull + 10].camera.time + 0.001f;
    RecordingPasses partly;
    const CatchUpCounts early = catchUpParticles(partly, trackSet(), CameraConstant{}, someStepsAfter);
    EXPECT_EQ(early.logoStepsSinceFullActivation, 11);
    EXPECT_EQ(catchUpParticles(partly, trackSet(), CameraConstant{}, 10.0f).logoStepsSinceFullActivation, -1);
}

TEST(ParticleCatchUpTest, RunsTheLastFlameStepsBeforeTheBeat) {
    RecordingPasses passes;
    const CatchUpCounts counts = catchUpParticles(passes, trackSet(), CameraConstant{}, 300.0f);
    std::vector<CameraConstant> flames;
    for (const auto& step : passes.steps) {
        if (step.system == ParticleSystem::Flames) flames.push_back(step.camera);
    }
    ASSERT_EQ(static_cast<int>(flames.size()), kFlameCatchUpSteps);
    EXPECT_EQ(counts.flameSteps, kFlameCatchUpSteps);
    for (const CameraConstant& flame : flames) {
        EXPECT_EQ(flame.scene, 3);
        EXPECT_GT(trackSet().evaluate("Flames enabled", flame.time).y, 0.0f);
    }
    // The stretch ends with the step just before the beat.
    EXPECT_LT(flames.back().time, 300.0f);
    EXPECT_GT(flames.back().time, 300.0f - 2.0f * kBeatsPerStep);
    EXPECT_NEAR(flames.back().time - flames.front().time, (kFlameCatchUpSteps - 1) * kBeatsPerStep, 1e-3);

    // Shortly after the flames start, every flame step runs.
    RecordingPasses early;
    const CatchUpCounts earlyCounts = catchUpParticles(early, trackSet(), CameraConstant{}, 290.0f);
    EXPECT_NEAR(earlyCounts.flameSteps, (290.0 - 289.007) / kBeatsPerStep, 2.0);
}

TEST(ParticleCatchUpTest, ExactFlamesRunEveryStepOnTheFramesOfACapture) {
    // At 30 steps a second the steps are the frames of a 30 fps capture from
    // beat 0: same beats, same count, every flame step since the fire began.
    RecordingPasses passes;
    const long firstFrameOfChunk = 5300;  // beat 309.17
    const double beat = beatOfFrame(firstFrameOfChunk, 30);
    const CatchUpCounts counts = catchUpParticles(passes, trackSet(), CameraConstant{}, beat, {30, true});
    std::vector<float> flameTimes;
    for (const auto& step : passes.steps)
        if (step.system == ParticleSystem::Flames) flameTimes.push_back(step.camera.time);
    ASSERT_EQ(static_cast<int>(flameTimes.size()), counts.flameSteps);
    long expected = 0;
    for (long k = 0; k < firstFrameOfChunk; ++k) {
        const float t = static_cast<float>(beatOfFrame(k, 30));
        if (sceneIndex(trackSet().evaluate("scene", t).y) != 3 || !(trackSet().evaluate("Flames enabled", t).y > 0.0f))
            continue;
        ASSERT_LT(expected, static_cast<long>(flameTimes.size()));
        EXPECT_EQ(flameTimes[expected], t) << "frame " << k;
        ++expected;
    }
    EXPECT_EQ(expected, counts.flameSteps);
    EXPECT_GT(counts.flameSteps, kFlameCatchUpSteps);  // more than the shortcut's window

    // A stop request ends the catch-up before its next step.
    RecordingPasses stopped;
    const CatchUpCounts none =
        catchUpParticles(stopped, trackSet(), CameraConstant{}, beat, {30, true, [] { return true; }});
    EXPECT_EQ(none.flameSteps + none.logoSteps, 0);
}

TEST(ParticleCatchUpTest, CostIsBoundedByTheStepsBeforeTheBeat) {
    // The last beat of the music: no more than one step per frame of it, and
    // the shortcut's flame window.
    RecordingPasses passes;
    const CatchUpCounts counts = catchUpParticles(passes, trackSet(), CameraConstant{}, 434.0);
    EXPECT_EQ(counts.flameSteps, kFlameCatchUpSteps);
    EXPECT_LT(counts.logoSteps, static_cast<int>(434.0 / kBeatsPerStep));
    EXPECT_EQ(static_cast<int>(passes.steps.size()), counts.flameSteps + counts.logoSteps);
}

TEST(ParticleCatchUpTest, NothingToCatchUpBeforeScene0) {
    RecordingPasses passes;
    EXPECT_EQ(catchUpParticles(passes, trackSet(), CameraConstant{}, 10.0f).logoSteps, 0);
    EXPECT_TRUE(passes.steps.empty());
}

}  // namespace
