#pragma once
// The spine of the production: the start-up order, the order of the passes in
// every frame with the condition of each, and the loop that follows the clock.

#include <functional>
#include <utility>

#include "app/CameraConstant.h"
#include "app/Clock.h"
#include "app/FramePasses.h"
#include "app/FrameState.h"
#include "app/LaunchSettings.h"
#include "scene/MachineRig.h"
#include "tracks/TrackSet.h"

namespace tolmero {

// The logo's end: every dormant logo particle wakes in the first step whose
// "logo activation" exceeds kLogoFullActivation, and after 98 more steps
// every particle is older than 0.5, which the logo's pixel program never
// shows again. From the 100th step after that one, the logo's simulation and
// draw change no pixel, so they are left out.
constexpr float kLogoFullActivation = 5.0f / 3.0f;
constexpr int kLogoStepsAfterFullActivation = 100;

// The count of logo steps since the one that woke every particle (-1 before
// it) after one more step at `activation`; the loop and the particle
// catch-up count alike.
constexpr int logoStepsAfter(int stepsSinceFullActivation, float activation) {
    if (stepsSinceFullActivation >= 0) return stepsSinceFullActivation + 1;
    return activation > kLogoFullActivation ? 1 : -1;
}

class FrameLoop {
public:
    // Finds every track the frame reads; throws std::out_of_range naming a
    // track the set lacks.
    FrameLoop(const LaunchSettings& settings, TrackSet& tracks, FramePasses& passes);

    // Creates the resources, generates the random fields and pre-simulates
    // the particles: everything that must happen before the music starts.
    void startUp();

    // Draws the frame of time t (beats): everything between the clock reading
    // and the end of the frame.
    FrameState renderFrame(float t);

    // The loop: end the previous frame, stop when the window quit or the
    // clock stopped, otherwise draw the frame of the clock's time.
    void run(Clock& clock);

    // Called on the camera of every frame after the tracks have set it, before
    // any pass reads it: the editor's free view. The production sets none.
    void setCameraOverride(std::function<void(CameraConstant&)> cameraOverride) {
        cameraOverride_ = std::move(cameraOverride);
    }

    const CameraConstant& camera() const { return camera_; }
    int scatteredScene() const { return scatteredScene_; }

    // Logo steps since the one that woke every particle, -1 before it. A
    // particle catch-up hands its own count on here, so that the frames
    // after it leave the finished logo out as well.
    int logoStepsSinceFullActivation() const { return logoStepsSinceFullActivation_; }
    void setLogoStepsSinceFullActivation(int steps) { logoStepsSinceFullActivation_ = steps; }

private:
    const LaunchSettings& settings_;
    TrackSet& tracks_;
    FrameTracks frameTracks_;  // found when the loop is made: a missing track stops the production here
    FramePasses& passes_;
    CameraConstant camera_;
    MachineRig rig_;
    int scatteredScene_ = -1;
    int logoStepsSinceFullActivation_ = -1;
    std::function<void(CameraConstant&)> cameraOverride_;
};

}  // namespace tolmero
