#include "app/FrameState.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tolmero {

int truncateToInt(float value) {
    if (std::isnan(value)) return 0;
    constexpr float kLimit = 2147483520.0f;  // largest float below 2^31
    return static_cast<int>(std::clamp(value, -kLimit, kLimit));
}

int sceneIndex(float sceneValue) { return truncateToInt(std::clamp(sceneValue, 0.0f, 3.0f)); }

FrameState computeFrameState(float t, const LaunchSettings& settings, TrackSet& tracks,
                             CameraConstant& camera, MachineRig& rig) {
    FrameState state;
    state.time = t;
    state.scene = sceneIndex(tracks.evaluate("scene", t).y);
    camera.scene = state.scene;
    camera.time = t;

    rig.update(tracks, t);
    updateCamera(camera, tracks, t, windowSize(settings), renderSize(settings));

    state.stumpData.position = tracks.evaluate("stump position", t);
    state.stumpData.timing = tracks.evaluate("stump growth", t);

    state.flamesEnabled = tracks.evaluate("Flames enabled", t).y > 0.0f;

    const TrackValue spritePosition = tracks.evaluate("Sprite position", t);
    state.animInfo.location[0] = spritePosition.x;
    state.animInfo.location[1] = spritePosition.y;
    state.animInfo.location[2] = spritePosition.z;
    // A negative frame wraps to a huge index, past the end of the ratio
    // buffer, which the character pass draws as an empty quad.
    state.animInfo.frame = static_cast<std::uint32_t>(truncateToInt(tracks.evaluate("Sprite frame", t).y));
    state.animInfo.scale = tracks.evaluate("Sprite size", t).y;

    state.title = truncateToInt(tracks.evaluate("title", t).y);
    state.bloomStrength = tracks.evaluate("bloom", t).y;
    return state;
}

}  // namespace tolmero
