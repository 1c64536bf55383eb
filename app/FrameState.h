#pragma once
// Everything the CPU decides for one frame at time t: the scene index, the
// camera constants, the machine transforms, the stump and character
// constants, the title card and the bloom strength. The frame loop and
// `tolmero inspect` both get their values from computeFrameState, so there is
// one copy of this logic.

#include <array>
#include <cstdint>

#include "app/CameraConstant.h"
#include "app/LaunchSettings.h"
#include "scene/Characters.h"
#include "scene/MachineRig.h"
#include "tracks/SceneIndex.h"
#include "tracks/TrackSet.h"

namespace tolmero {

// The "stumpData" constant buffer of the stump pass.
struct StumpData {
    TrackValue position;  // world point of the quads' foot (x, y, z)
    TrackValue timing;    // y is the growth value
};
static_assert(sizeof(StumpData) == 32);

constexpr int kTitleCardCount = 4;

struct FrameState {
    float time = 0.0f;  // beats
    int scene = 0;      // 0..3
    int title = 0;      // title card number; only 0..3 draw a card
    bool flamesEnabled = false;
    float bloomStrength = 0.0f;
    StumpData stumpData;
    AnimInfo animInfo;
};

// Every track the frame reads, found once: the production resolves them when
// it starts, so a track missing from the set stops it there.
struct FrameTracks {
    TrackHandle scene, stumpPosition, stumpGrowth, flamesEnabled, spritePosition, spriteFrame, spriteSize, title,
        bloom;
    CameraTracks camera;
    MachineRig::Tracks machines;
};
// By name: a track the set lacks evaluates to zero.
FrameTracks findFrameTracks(TrackSet& tracks);
// Every one of them must be in the set; throws std::out_of_range naming the
// first one missing.
FrameTracks requireFrameTracks(TrackSet& tracks);

// Computes the frame's CPU state at time t. Writes time, scene and the camera
// fields into `camera` and the transforms into `rig`, in the frame loop's
// order: scene, machine rig, camera, stumps, then the values read later in
// the frame.
FrameState computeFrameState(float t, const LaunchSettings& settings, TrackSet& tracks,
                             CameraConstant& camera, MachineRig& rig);
// The same from tracks found beforehand in `set`.
FrameState computeFrameState(float t, const LaunchSettings& settings, const TrackSet& set,
                             const FrameTracks& tracks, CameraConstant& camera, MachineRig& rig);

}  // namespace tolmero
