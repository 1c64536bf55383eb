#pragma once
// Brings the particle systems up to date before a headless frame: the systems
// are stepped as a run at a fixed frame rate would have stepped them from
// beat 0, without drawing. Step k runs at beat beatOfFrame(k, stepsPerSecond),
// the same instants as frame k of a capture at that rate; a logo step runs in
// every scene-0 step, a flame step in every scene-3 step with "Flames
// enabled" on.
//
// The work is bounded by the production's length (at most one step per frame
// of it), and no per-step list is kept. Two shortcuts leave the picture as
// it is:
//  - logo steps before the first step whose "logo activation" exceeds
//    4/3 - 0.05 are skipped: no particle can wake in them, and a dormant
//    particle does not move, so they change nothing;
//  - the logo stops once every logo particle has been awake for 100 steps:
//    from the first step with "logo activation" above 5/3 every dormant
//    particle wakes, and after 98 more steps every particle is older than 0.5,
//    which the logo's pixel program never shows again.
// The flames run every step when `exactFlames` is set, so the state is the
// one of an uninterrupted run (captures need that: chunks of one capture must
// meet without a seam). Otherwise only the last kFlameCatchUpSteps flame steps
// run: a flame lives at most 201 steps, so every flame on the picture was born
// and moved inside the stepped stretch, but which flame is in which phase of
// its life differs from an uninterrupted run. Stills and benchmarks take that
// shortcut, since a CPU device spends about a tenth of a second per step.

#include "app/CameraConstant.h"
#include "app/FrameLoop.h"
#include "app/FramePasses.h"
#include "tracks/TrackSet.h"

namespace tolmero {

constexpr int kFlameCatchUpSteps = 240;  // 4 s at 60 steps a second: more than a flame's longest life

struct CatchUpSchedule {
    int stepsPerSecond = 60;
    bool exactFlames = false;
    bool (*stopRequested)() = nullptr;  // asked before every step; true ends the catch-up early
};

struct CatchUpCounts {
    int logoSteps = 0;
    int flameSteps = 0;
    int logoStepsSinceFullActivation = -1;  // for FrameLoop::setLogoStepsSinceFullActivation
};

// Steps both systems for the steps k >= 0 whose beat lies before `beat`.
// `camera` is a copy of the loop's record: only time, scene, resetParticles
// and logoActivation matter to the simulation.
CatchUpCounts catchUpParticles(FramePasses& passes, TrackSet& tracks, CameraConstant camera, double beat,
                               CatchUpSchedule schedule = {});

}  // namespace tolmero
