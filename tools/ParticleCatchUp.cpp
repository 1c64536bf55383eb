#include "tools/ParticleCatchUp.h"

#include <cmath>

#include "app/Clock.h"
#include "app/FrameState.h"

namespace tolmero {

namespace {

// No particle wakes at or below this activation (the ragged edge reaches
// 0.05 x 3 = 0.15 ahead of the sweep); every dormant one wakes above 5/3.
constexpr float kFirstActivation = 4.0f / 3.0f - 0.05f;

// What one step of the schedule needs, evaluated as the frame loop does.
struct Step {
    float time = 0.0f;
    int scene = 0;
    float logoActivation = 0.0f;
    bool flames = false;
};

Step stepAt(TrackSet& tracks, long k, int stepsPerSecond) {
    Step step;
    step.time = static_cast<float>(beatOfFrame(k, stepsPerSecond));
    step.scene = sceneIndex(tracks.evaluate("scene", step.time).y);
    if (step.scene == 0) step.logoActivation = tracks.evaluate("logo activation", step.time).y;
    if (step.scene == 3) step.flames = tracks.evaluate("Flames enabled", step.time).y > 0.0f;
    return step;
}

// The number of steps whose beat lies before `beat`, in constant time.
long stepsBefore(double beat, int stepsPerSecond) {
    if (!(beat > 0.0)) return 0;
    long count = static_cast<long>(std::ceil(secondsFromBeats(beat) * stepsPerSecond));
    while (count > 0 && beatOfFrame(count - 1, stepsPerSecond) >= beat) --count;
    while (beatOfFrame(count, stepsPerSecond) < beat) ++count;
    return count;
}

// The first step to run flames from: 0 for an exact run, otherwise the step
// that leaves kFlameCatchUpSteps flame steps before the end.
long firstFlameStep(TrackSet& tracks, long steps, const CatchUpSchedule& schedule) {
    if (schedule.exactFlames) return 0;
    int flameSteps = 0;
    for (long k = steps - 1; k >= 0; --k) {
        const Step step = stepAt(tracks, k, schedule.stepsPerSecond);
        if (step.scene == 3 && step.flames && ++flameSteps == kFlameCatchUpSteps) return k;
    }
    return 0;
}

}  // namespace

CatchUpCounts catchUpParticles(FramePasses& passes, TrackSet& tracks, CameraConstant camera, double beat,
                               CatchUpSchedule schedule) {
    const long steps = stepsBefore(beat, schedule.stepsPerSecond);
    const long flamesFrom = firstFlameStep(tracks, steps, schedule);

    CatchUpCounts counts;
    bool logoMayWake = false;               // a step has had an activation above kFirstActivation
    int logoStepsSinceFullActivation = -1;  // -1: no step has woken every particle yet
    camera.resetParticles = 0;
    for (long k = 0; k < steps; ++k) {
        if (schedule.stopRequested && schedule.stopRequested()) break;
        const Step step = stepAt(tracks, k, schedule.stepsPerSecond);
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
            logoStepsSinceFullActivation = logoStepsAfter(logoStepsSinceFullActivation, step.logoActivation);
        } else if (step.scene == 3 && step.flames && k >= flamesFrom) {
            camera.time = step.time;
            camera.scene = 3;
            passes.createCameraBuffer(camera);
            passes.simulateParticles(ParticleSystem::Flames);
            passes.releaseCameraBuffer();
            ++counts.flameSteps;
        }
    }
    counts.logoStepsSinceFullActivation = logoStepsSinceFullActivation;
    return counts;
}

}  // namespace tolmero
