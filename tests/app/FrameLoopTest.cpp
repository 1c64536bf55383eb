#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/FrameLoop.h"

namespace tolmero {
namespace {

// Records every hook as one word, so a frame reads as a sentence.
class RecordingPasses : public FramePasses {
public:
    std::vector<std::string> calls;
    std::vector<CameraConstant> cameraBuffers;
    int framesUntilQuit = -1;  // endFrame returns false after this many calls

    void createResources() override { calls.push_back("resources"); }
    void generateRandoms() override { calls.push_back("randoms"); }
    void createCameraBuffer(const CameraConstant& camera) override {
        calls.push_back("camera");
        cameraBuffers.push_back(camera);
    }
    void releaseCameraBuffer() override { calls.push_back("release camera"); }
    void createTransformBuffer(const std::array<Matrix4, MachineRig::kPartCount>&) override {
        calls.push_back("transform");
    }
    void createStumpBuffer(const StumpData&) override { calls.push_back("stumpData"); }
    void releaseFrameBuffers() override { calls.push_back("release"); }
    bool endFrame() override {
        calls.push_back("end");
        return framesUntilQuit < 0 || framesUntilQuit-- > 0;
    }
    void mark(std::string_view section) override {
        std::string call = "[";
        call.append(section).append("]");
        calls.push_back(call);
    }
    void clearSceneTargets() override { calls.push_back("clear"); }
    void scatterVegetation() override { calls.push_back("scatter"); }
    void drawMachines() override { calls.push_back("machines"); }
    void simulateParticles(ParticleSystem system) override {
        calls.push_back(system == ParticleSystem::Logo ? "simulate logo" : "simulate flames");
    }
    void drawParticles(ParticleSystem system) override {
        calls.push_back(system == ParticleSystem::Logo ? "draw logo" : "draw flames");
    }
    void drawWater() override { calls.push_back("water"); }
    void drawStumps() override { calls.push_back("stump"); }
    void drawTerrain() override { calls.push_back("terrain"); }
    void drawVegetation() override { calls.push_back("vegetation"); }
    void drawCharacters(const AnimInfo&) override { calls.push_back("characters"); }
    void drawSky() override { calls.push_back("sky"); }
    void squeeze() override { calls.push_back("squeeze"); }
    void drawTitleCard(int card) override { calls.push_back("title " + std::to_string(card)); }
    void bloom(float) override { calls.push_back("bloom"); }
    void blit() override { calls.push_back("blit"); }

    std::string sentence() const {
        std::string s;
        for (const auto& call : calls) s += (s.empty() ? "" : ", ") + call;
        return s;
    }
};

class FakeClock : public Clock {
public:
    std::vector<double> positions;  // one per frame; playing while any remain
    std::size_t next = 0;
    bool isPlaying() override { return next < positions.size(); }
    double positionSeconds() override { return positions[next++]; }
};

const std::string kCommonTail =
    "[terrain], terrain, [sprites], vegetation, characters, [sky], sky, [squeeze], squeeze, "
    "[monkeys], title -5, [bloom], bloom, [blit], blit, release";

TEST(FrameLoop, StartUpOrder) {
    LaunchSettings settings;
    RecordingPasses passes;
    FrameLoop loop(settings, trackSet(), passes);
    loop.startUp();
    EXPECT_EQ(passes.sentence(),
              "resources, [randoms (offline)], randoms, camera, simulate logo, release camera, "
              "[simulate particles], camera, simulate flames, release camera, "
              "[simulate particles], camera, simulate flames, release camera");
    ASSERT_EQ(passes.cameraBuffers.size(), 3u);
    EXPECT_EQ(passes.cameraBuffers[0].resetParticles, 1);
    EXPECT_EQ(passes.cameraBuffers[0].scene, 0);
    EXPECT_EQ(passes.cameraBuffers[0].logoActivation, -1.0f);
    EXPECT_EQ(passes.cameraBuffers[1].resetParticles, 1);
    EXPECT_EQ(passes.cameraBuffers[1].scene, 3);
    EXPECT_EQ(passes.cameraBuffers[1].time, 0.0f);
    EXPECT_EQ(passes.cameraBuffers[2].resetParticles, 0);
    EXPECT_EQ(passes.cameraBuffers[2].time, 0.001f);
    EXPECT_EQ(loop.camera().resetParticles, 0);
}

TEST(FrameLoop, EachSceneRunsItsOwnPassesInOrder) {
    LaunchSettings settings;
    RecordingPasses passes;
    FrameLoop loop(settings, trackSet(), passes);

    // Scene 2 first: the first frame always scatters.
    loop.renderFrame(10.0f);
    EXPECT_EQ(passes.sentence(), "transform, [clearing], clear, camera, stumpData, [scatter (rare)], scatter, " +
                                     kCommonTail);

    passes.calls.clear();
    loop.renderFrame(11.0f);  // same scene: no scatter
    EXPECT_EQ(passes.sentence(), "transform, [clearing], clear, camera, stumpData, " + kCommonTail);

    passes.calls.clear();
    loop.renderFrame(45.0f);  // scene 0
    EXPECT_EQ(passes.sentence(),
              "transform, [clearing], clear, camera, stumpData, [scatter (rare)], scatter, "
              "[simulate particles], simulate logo, [draw particles], draw logo, [stump], stump, " +
                  kCommonTail);

    passes.calls.clear();
    loop.renderFrame(130.0f);  // scene 1
    EXPECT_EQ(passes.sentence(),
              "transform, [clearing], clear, camera, stumpData, [scatter (rare)], scatter, [water], water, " +
                  kCommonTail);

    passes.calls.clear();
    loop.renderFrame(260.0f);  // scene 3 before the fire, with the first title card
    EXPECT_EQ(passes.sentence(),
              "transform, [clearing], clear, camera, stumpData, [scatter (rare)], scatter, [machines], machines, "
              "[terrain], terrain, [sprites], vegetation, characters, [sky], sky, [squeeze], squeeze, "
              "[monkeys], title 0, [bloom], bloom, [blit], blit, release");

    passes.calls.clear();
    loop.renderFrame(300.0f);  // the fire burns
    EXPECT_EQ(passes.sentence(),
              "transform, [clearing], clear, camera, stumpData, [machines], machines, "
              "[simulate particles], simulate flames, [draw particles], draw flames, "
              "[terrain], terrain, [sprites], vegetation, characters, [sky], sky, [squeeze], squeeze, "
              "[monkeys], title 6, [bloom], bloom, [blit], blit, release");
}

TEST(FrameLoop, ReturningToAnEarlierSceneScattersAgain) {
    LaunchSettings settings;
    RecordingPasses passes;
    FrameLoop loop(settings, trackSet(), passes);
    int scatters = 0;
    for (float t = 0.0f; t < 421.0f; t += 0.5f) {
        passes.calls.clear();
        loop.renderFrame(t);
        for (const auto& call : passes.calls) scatters += call == "scatter";
    }
    EXPECT_EQ(scatters, 5);  // scenes 2, 0, 1, 0, 3
}

// The logo's passes run until the 100th frame after the one whose activation
// woke every particle, in both stretches of scene 0, and a count handed on by
// a catch-up counts as frames of the loop.
TEST(FrameLoop, LeavesTheLogoOutOnceItIsGone) {
    LaunchSettings settings;
    RecordingPasses passes;
    FrameLoop loop(settings, trackSet(), passes);
    loop.startUp();
    auto logoPasses = [&](float t) {
        passes.calls.clear();
        loop.renderFrame(t);
        int count = 0;
        for (const auto& call : passes.calls) count += call == "simulate logo" || call == "draw logo";
        return count;
    };
    int framesWithLogo = 0;
    int firstFull = -1;
    for (int frame = 0; frame < 600; ++frame) {
        const float t = 40.0f + 0.05f * static_cast<float>(frame);  // scene 0 throughout
        const int count = logoPasses(t);
        ASSERT_TRUE(count == 0 || count == 2);
        if (firstFull < 0 && loop.camera().logoActivation > kLogoFullActivation) firstFull = frame;
        if (count == 2) {
            ASSERT_EQ(framesWithLogo, frame) << "the logo came back after it was left out";
            ++framesWithLogo;
        }
    }
    ASSERT_GE(firstFull, 0);
    EXPECT_EQ(framesWithLogo, firstFull + kLogoStepsAfterFullActivation);
    EXPECT_EQ(loop.logoStepsSinceFullActivation(), kLogoStepsAfterFullActivation);
    EXPECT_EQ(logoPasses(200.0f), 0);  // the stump's stretch of scene 0

    FrameLoop resumed(settings, trackSet(), passes);
    resumed.startUp();
    resumed.setLogoStepsSinceFullActivation(kLogoStepsAfterFullActivation - 1);
    passes.calls.clear();
    resumed.renderFrame(70.0f);
    EXPECT_NE(passes.sentence().find("simulate logo"), std::string::npos);
    passes.calls.clear();
    resumed.renderFrame(70.1f);
    EXPECT_EQ(passes.sentence().find("logo"), std::string::npos);

    resumed.startUp();  // a new start wakes the logo again
    EXPECT_EQ(resumed.logoStepsSinceFullActivation(), -1);
}

TEST(FrameLoop, LoopEndsWhenTheClockStops) {
    LaunchSettings settings;
    RecordingPasses passes;
    FakeClock clock;
    clock.positions = {0.0, 30.0, 60.0};  // seconds
    FrameLoop loop(settings, trackSet(), passes);
    loop.run(clock);
    int frames = 0;
    for (const auto& call : passes.calls) frames += call == "blit";
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(passes.calls.back(), "end");  // the last iteration ended the previous frame, then stopped
    EXPECT_EQ(passes.cameraBuffers.back().time, static_cast<float>(60.0 * 105.0 / 60.0));
}

TEST(FrameLoop, LoopEndsWhenTheWindowQuits) {
    LaunchSettings settings;
    RecordingPasses passes;
    passes.framesUntilQuit = 2;
    FakeClock clock;
    clock.positions.assign(100, 1.0);
    FrameLoop loop(settings, trackSet(), passes);
    loop.run(clock);
    int frames = 0;
    for (const auto& call : passes.calls) frames += call == "blit";
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(clock.next, 2u);  // the clock is not read after the quit
}

TEST(FrameState, SceneIndexIsClampedAndTruncated) {
    EXPECT_EQ(sceneIndex(3.7f), 3);
    EXPECT_EQ(sceneIndex(-0.5f), 0);
    EXPECT_EQ(sceneIndex(2.99f), 2);
    EXPECT_EQ(sceneIndex(1e30f), 3);
    EXPECT_EQ(truncateToInt(-0.5f), 0);
    EXPECT_EQ(truncateToInt(-5.00257f), -5);
    EXPECT_EQ(truncateToInt(std::nanf("")), 0);
    EXPECT_EQ(truncateToInt(-1e20f), -2147483520);
}

TEST(FrameState, ProductionValuesAtChosenBeats) {
    LaunchSettings settings;
    CameraConstant camera;
    MachineRig rig;
    const FrameState card = computeFrameState(268.13f, settings, trackSet(), camera, rig);
    EXPECT_EQ(card.title, 1);
    EXPECT_EQ(card.scene, 3);
    EXPECT_EQ(camera.scene, 3);
    EXPECT_EQ(camera.time, 268.13f);
    EXPECT_FALSE(card.flamesEnabled);
    EXPECT_TRUE(computeFrameState(289.007f, settings, trackSet(), camera, rig).flamesEnabled);
    EXPECT_EQ(computeFrameState(31.978f, settings, trackSet(), camera, rig).scene, 2);
    EXPECT_EQ(computeFrameState(31.98f, settings, trackSet(), camera, rig).scene, 0);
    // The character frame index stays within the 45 frames over the whole run.
    for (float t = -3.0f; t < 425.0f; t += 0.1f) {
        const FrameState state = computeFrameState(t, settings, trackSet(), camera, rig);
        ASSERT_LT(state.animInfo.frame, 45u) << t;
    }
}

// The production finds its tracks when it starts: a set without one of them
// stops it there with the track's name, instead of drawing zeros.
TEST(FrameLoop, ATrackMissingFromTheSetFailsWhenTheLoopIsMade) {
    LaunchSettings settings;
    RecordingPasses passes;
    for (const char* name : {"bloom", "Camera x angle", "Kauha 2"}) {
        auto keys = productionTracks();
        keys.erase(keys.find(name));
        TrackSet tracks(keys);
        try {
            FrameLoop loop(settings, tracks, passes);
            ADD_FAILURE() << "no error without \"" << name << "\"";
        } catch (const std::out_of_range& error) {
            EXPECT_NE(std::string(error.what()).find(std::string("\"") + name + "\""), std::string::npos)
                << error.what();
        }
    }
    EXPECT_TRUE(passes.calls.empty());
}

TEST(FrameState, FoundTracksGiveTheValuesOfTheNames) {
    LaunchSettings settings;
    CameraConstant byName, byHandle;
    MachineRig rigByName, rigByHandle;
    const FrameTracks tracks = requireFrameTracks(trackSet());
    for (float t : {-3.0f, 45.0f, 130.0f, 268.13f, 300.0f, 430.0f}) {
        const FrameState a = computeFrameState(t, settings, trackSet(), byName, rigByName);
        const FrameState b = computeFrameState(t, settings, trackSet(), tracks, byHandle, rigByHandle);
        EXPECT_EQ(a.scene, b.scene);
        EXPECT_EQ(a.title, b.title);
        EXPECT_EQ(a.bloomStrength, b.bloomStrength);
        EXPECT_EQ(a.animInfo.frame, b.animInfo.frame);
        EXPECT_EQ(std::memcmp(&byName, &byHandle, sizeof byName), 0) << t;
        EXPECT_EQ(std::memcmp(rigByName.transforms().data(), rigByHandle.transforms().data(),
                              sizeof(Matrix4) * MachineRig::kPartCount), 0) << t;
    }
    // An empty set gives zeros by name, as it always has.
    TrackSet none;
    const FrameState empty = computeFrameState(10.0f, settings, none, byName, rigByName);
    EXPECT_EQ(empty.scene, 0);
    EXPECT_EQ(empty.bloomStrength, 0.0f);
}

}  // namespace
}  // namespace tolmero
