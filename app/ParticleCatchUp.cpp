#include "app/ParticleCatchUp.h"

#include <vector>

#include "app/Clock.h"
#include "app/FrameState.h"

namespace tolmero {

namespace {

// No particle wakes at or below this activation (the ragged edge reaches
// 0.05 x 3 = 0.15 ahead of the sweep); every dormant one wakes above 5/3.
constexpr float kFirstActivation = 4.0f / 3.0f - 0.05f;
constexpr float kFullActivation = 5.0f / 3.0f;

struct StepPlan {
    float time = 0.0f;
    int scene = 0;
    float logoActivation = 0.0f;
    bool flames = false;
};

}  // namespace

CatchUpCounts catchUpParticles(FramePasses& passes, TrackSet& tracks, CameraConstant camera, float beat) {
    const double beatsPerStep = kBeatsPerMinute / 60.0 / kCatchUpStepsPerSecond;

    // The steps a 60 fps run takes before `beat`, with what each one needs.
    std::vector<StepPlan> steps;
    for (long k = 0;; ++k) {
        const double t = static_cast<double>(k) * beatsPerStep;
        if (!(t < static_cast<double>(beat))) break;
        StepPlan step;
        step.time = static_cast<float>(t);
        step.scene = sceneIndex(tracks.evaluate("scene", step.time).y);
        if (step.scene == 0) step.logoActivation = tracks.evaluate("logo activation", step.time).y;
        if (step.scene == 3) step.flames = tracks.evaluate("Flames enabled", step.time).y > 0.0f;
        steps.push_back(step);
    }

    // Flames: only the last kFlameCatchUpSteps flame steps.
    int flameStepsLeft = 0;
    for (const StepPlan& step : steps) flameStepsLeft += step.scene == 3 && step.flames;
    int flameStepsToSkip = flameStepsLeft > kFlameCatchUpSteps ? flameStepsLeft - kFlameCatchUpSteps : 0;

    CatchUpCounts counts;
    bool logoMayWake = false;               // a step has had an activation above kFirstActivation
    int logoStepsSinceFullActivation = -1;  // -1: no step has woken every particle yet
    camera.resetParticles = 0;
    for (const StepPlan& step : steps) {
        if (step.scene == 0) {
            logoMayWake = logoMayWake || step.logoActivation > kFirstActivation;
            if (!logoMayWake || logoStepsSinceFullActivation >= kLogoStepsAfterFullActivation) continue;
            camera.time = step.time;
            camera.scene = 0;
            camera.logoActivation = step.logoActivation;
            passes.createCameraBuffer(camera);
            passes.simulateParticles(ParticleSystem::Logo);
            passes.releaseCameraBuffer();
            ++counts.logoSteps;
            if (logoStepsSinceFullActivation >= 0) {
                ++logoStepsSinceFullActivation;
            } else if (step.logoActivation > kFullActivation) {
                logoStepsSinceFullActivation = 1;
            }
        } else if (step.scene == 3 && step.flames) {
            if (flameStepsToSkip > 0) {
                --flameStepsToSkip;
                continue;
            }
            camera.time = step.time;
            camera.scene = 3;
            passes.createCameraBuffer(camera);
            passes.simulateParticles(ParticleSystem::Flames);
            passes.releaseCameraBuffer();
            ++counts.flameSteps;
        }
    }
    return counts;
}

}  // namespace tolmero
