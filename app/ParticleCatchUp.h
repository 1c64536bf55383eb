#pragma once
// Brings the particle systems of a headless still up to date: before the
// frame of beat B is drawn, the systems are stepped as a run at 60 frames a
// second would have stepped them from beat 0, without drawing. A logo step
// runs in every scene-0 step; a flame step in every scene-3 step with "Flames
// enabled" on.
//
// Three shortcuts keep a late still from taking many minutes on a CPU device,
// without changing what the still can show:
//  - logo steps before the first step whose "logo activation" exceeds
//    4/3 - 0.05 are skipped: no particle can wake in them, and a dormant
//    particle does not move, so they change nothing;
//  - the logo stops once every logo particle has been awake for 100 steps:
//    from the first step with "logo activation" above 5/3 every dormant
//    particle wakes, and after 98 more steps every particle is older than 0.5,
//    which the logo's pixel program never shows again;
//  - the flames run at most the last kFlameCatchUpSteps flame steps before
//    the beat: a flame lives at most 201 steps, so every flame on the still
//    was born and moved inside the stepped stretch (which flame is in which
//    phase of its life then differs from an uninterrupted run).

#include <cstdint>

#include "app/CameraConstant.h"
#include "app/FramePasses.h"
#include "tracks/TrackSet.h"

namespace tolmero {

constexpr double kCatchUpStepsPerSecond = 60.0;
constexpr int kLogoStepsAfterFullActivation = 100;
constexpr int kFlameCatchUpSteps = 240;  // 4 s: more than a flame's longest life

struct CatchUpCounts {
    int logoSteps = 0;
    int flameSteps = 0;
};

// Steps both systems for the steps k >= 0 whose time k / 60 s lies before
// `beat`. `camera` is a copy of the loop's record: only time, scene,
// resetParticles and logoActivation matter to the simulation.
CatchUpCounts catchUpParticles(FramePasses& passes, TrackSet& tracks, CameraConstant camera, float beat);

}  // namespace tolmero
