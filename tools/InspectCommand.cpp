#include "tools/InspectCommand.h"

#include "app/FrameState.h"
#include "tools/Json.h"

namespace tolmero {
namespace {

Json trackValueJson(const TrackValue& value) { return Json::array({value.x, value.y, value.z, value.w}); }

Json cameraJson(const CameraConstant& camera) {
    Json json = Json::object();
    json["worldToCamera"] = camera.worldToCamera.m;
    json["cameraToClip"] = camera.cameraToClip.m;
    json["cameraToWorld"] = camera.cameraToWorld.m;
    json["clipToCamera"] = camera.clipToCamera.m;
    json["screenSize"] = camera.screenSize;
    json["time"] = camera.time;
    json["scene"] = camera.scene;
    json["resetParticles"] = camera.resetParticles;
    json["logoActivation"] = camera.logoActivation;
    return json;
}

}  // namespace

void writeInspection(std::ostream& out, const std::vector<float>& beats, const LaunchSettings& settings,
                     TrackSet& tracks) {
    for (float beat : beats) {
        // The record as the loop holds it after start-up: no particle reset.
        CameraConstant camera;
        camera.resetParticles = 0;
        MachineRig rig;
        const FrameState state = computeFrameState(beat, settings, tracks, camera, rig);

        Json json = Json::object();
        json["beat"] = beat;
        json["scene"] = state.scene;
        json["title"] = state.title;
        json["tracks"] = Json::object();
        for (const auto& [name, keys] : tracks.keys()) json["tracks"][name] = trackValueJson(tracks.evaluate(name, beat));
        json["camera"] = cameraJson(camera);
        json["transforms"] = Json::array();
        for (const Matrix4& transform : rig.transforms()) json["transforms"].push_back(transform.m);
        json["stumpData"] = {{"position", trackValueJson(state.stumpData.position)},
                             {"timing", trackValueJson(state.stumpData.timing)}};
        json["animInfo"] = {{"location", state.animInfo.location},
                            {"frame", state.animInfo.frame},
                            {"scale", state.animInfo.scale}};
        json["bloomStrength"] = state.bloomStrength;
        out << jsonText(json) << '\n';
    }
}

}  // namespace tolmero
