#include "app/FrameLoop.h"

namespace tolmero {

FrameLoop::FrameLoop(const LaunchSettings& settings, TrackSet& tracks, FramePasses& passes)
    : settings_(settings), tracks_(tracks), frameTracks_(requireFrameTracks(tracks)), passes_(passes) {}

void FrameLoop::startUp() {
    passes_.createResources();

    passes_.mark("randoms (offline)");
    passes_.generateRandoms();

    // All logo particles start dormant on the logo.
    camera_.resetParticles = 1;
    camera_.scene = 0;
    camera_.logoActivation = -1.0f;
    camera_.time = 0.0f;
    passes_.createCameraBuffer(camera_);
    passes_.simulateParticles(ParticleSystem::Logo);
    passes_.releaseCameraBuffer();

    // Two flame steps: the first gives every flame a random age, so the fire
    // does not start in one synchronous burst; resetParticles stays 0 after.
    for (int step = 0; step < 2; ++step) {
        passes_.mark("simulate particles");
        camera_.scene = 3;
        camera_.time = static_cast<float>(step) * 0.001f;
        passes_.createCameraBuffer(camera_);
        passes_.simulateParticles(ParticleSystem::Flames);
        passes_.releaseCameraBuffer();
        camera_.resetParticles = 0;
    }
    scatteredScene_ = -1;
    logoStepsSinceFullActivation_ = -1;
}

FrameState FrameLoop::renderFrame(float t) {
    const FrameState state = computeFrameState(t, settings_, tracks_, frameTracks_, camera_, rig_);
    if (cameraOverride_) cameraOverride_(camera_);

    passes_.createTransformBuffer(rig_.transforms());

    passes_.mark("clearing");
    passes_.clearSceneTargets();

    passes_.createCameraBuffer(camera_);
    passes_.createStumpBuffer(state.stumpData);

    if (state.scene != scatteredScene_) {
        passes_.mark("scatter (rare)");
        passes_.scatterVegetation();
    }
    scatteredScene_ = state.scene;

    switch (state.scene) {
        case 3:
            passes_.mark("machines");
            passes_.drawMachines();
            if (state.flamesEnabled) {
                passes_.mark("simulate particles");
                passes_.simulateParticles(ParticleSystem::Flames);
                passes_.mark("draw particles");
                passes_.drawParticles(ParticleSystem::Flames);
            }
            break;
        case 1:
            passes_.mark("water");
            passes_.drawWater();
            break;
        case 0:
            if (logoStepsSinceFullActivation_ < kLogoStepsAfterFullActivation) {
                passes_.mark("simulate particles");
                passes_.simulateParticles(ParticleSystem::Logo);
                passes_.mark("draw particles");
                passes_.drawParticles(ParticleSystem::Logo);
                logoStepsSinceFullActivation_ = logoStepsAfter(logoStepsSinceFullActivation_, camera_.logoActivation);
            }
            passes_.mark("stump");
            passes_.drawStumps();
            break;
        default:  // scene 2: the landscape alone
            break;
    }

    passes_.mark("terrain");
    passes_.drawTerrain();
    passes_.mark("sprites");
    passes_.drawVegetation();
    passes_.drawCharacters(state.animInfo);
    passes_.mark("sky");
    passes_.drawSky();
    passes_.mark("squeeze");
    passes_.squeeze();
    passes_.mark("monkeys");
    passes_.drawTitleCard(state.title);
    passes_.mark("bloom");
    passes_.bloom(state.bloomStrength);
    passes_.mark("blit");
    passes_.blit();

    passes_.releaseFrameBuffers();
    return state;
}

void FrameLoop::run(Clock& clock) {
    while (passes_.endFrame()) {
        if (!clock.isPlaying()) break;
        renderFrame(beatsFromSeconds(clock.positionSeconds()));
    }
}

}  // namespace tolmero
