#include "app/FrameState.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tolmero {

namespace {

FrameTracks frameTracks(TrackSet& set, TrackHandle (TrackSet::*lookup)(std::string_view), CameraTracks camera,
                        MachineRig::Tracks machines) {
    FrameTracks tracks;
    tracks.scene = (set.*lookup)("scene");
    tracks.stumpPosition = (set.*lookup)("stump position");
    tracks.stumpGrowth = (set.*lookup)("stump growth");
    tracks.flamesEnabled = (set.*lookup)("Flames enabled");
    tracks.spritePosition = (set.*lookup)("Sprite position");
    tracks.spriteFrame = (set.*lookup)("Sprite frame");
    tracks.spriteSize = (set.*lookup)("Sprite size");
    tracks.title = (set.*lookup)("title");
    tracks.bloom = (set.*lookup)("bloom");
    tracks.camera = std::move(camera);
    tracks.machines = std::move(machines);
    return tracks;
}

}  // namespace

FrameTracks findFrameTracks(TrackSet& tracks) {
    return frameTracks(tracks, &TrackSet::find, findCameraTracks(tracks), MachineRig::findTracks(tracks));
}

FrameTracks requireFrameTracks(TrackSet& tracks) {
    return frameTracks(tracks, &TrackSet::require, requireCameraTracks(tracks), MachineRig::requireTracks(tracks));
}

FrameState computeFrameState(float t, const LaunchSettings& settings, TrackSet& tracks,
                             CameraConstant& camera, MachineRig& rig) {
    return computeFrameState(t, settings, tracks, findFrameTracks(tracks), camera, rig);
}

FrameState computeFrameState(float t, const LaunchSettings& settings, const TrackSet& set,
                             const FrameTracks& tracks, CameraConstant& camera, MachineRig& rig) {
    FrameState state;
    state.time = t;
    state.scene = sceneIndex(set.evaluate(tracks.scene, t).y);
    camera.scene = state.scene;
    camera.time = t;

    rig.update(set, tracks.machines, t);
    updateCamera(camera, set, tracks.camera, t, windowSize(settings), renderSize(settings));

    state.stumpData.position = set.evaluate(tracks.stumpPosition, t);
    state.stumpData.timing = set.evaluate(tracks.stumpGrowth, t);

    state.flamesEnabled = set.evaluate(tracks.flamesEnabled, t).y > 0.0f;

    const TrackValue spritePosition = set.evaluate(tracks.spritePosition, t);
    state.animInfo.location[0] = spritePosition.x;
    state.animInfo.location[1] = spritePosition.y;
    state.animInfo.location[2] = spritePosition.z;
    // A negative frame wraps to a huge index, past the end of the ratio
    // buffer, which the character pass draws as an empty quad.
    state.animInfo.frame = static_cast<std::uint32_t>(truncateToInt(set.evaluate(tracks.spriteFrame, t).y));
    state.animInfo.scale = set.evaluate(tracks.spriteSize, t).y;

    state.title = truncateToInt(set.evaluate(tracks.title, t).y);
    state.bloomStrength = set.evaluate(tracks.bloom, t).y;
    return state;
}

}  // namespace tolmero
