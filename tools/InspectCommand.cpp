#include "tools/InspectCommand.h"

#include "app/FrameState.h"
#include "tools/JsonWriter.h"

namespace tolmero {
namespace {

void writeTrackValue(JsonWriter& json, const TrackValue& value) {
    const float components[4] = {value.x, value.y, value.z, value.w};
    json.floats(components);
}

void writeCamera(JsonWriter& json, const CameraConstant& camera) {
    json.beginObject();
    json.key("worldToCamera").floats(camera.worldToCamera.m);
    json.key("cameraToClip").floats(camera.cameraToClip.m);
    json.key("cameraToWorld").floats(camera.cameraToWorld.m);
    json.key("clipToCamera").floats(camera.clipToCamera.m);
    json.key("screenSize").beginArray().value(camera.screenSize[0]).value(camera.screenSize[1]).endArray();
    json.key("time").value(camera.time);
    json.key("scene").value(camera.scene);
    json.key("resetParticles").value(camera.resetParticles);
    json.key("logoActivation").value(camera.logoActivation);
    json.endObject();
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

        JsonWriter json(out);
        json.beginObject();
        json.key("beat").value(beat);
        json.key("scene").value(state.scene);
        json.key("title").value(state.title);
        json.key("tracks").beginObject();
        for (const auto& [name, keys] : tracks.keys()) {
            json.key(name);
            writeTrackValue(json, tracks.evaluate(name, beat));
        }
        json.endObject();
        json.key("camera");
        writeCamera(json, camera);
        json.key("transforms").beginArray();
        for (const Matrix4& transform : rig.transforms()) json.floats(transform.m);
        json.endArray();
        json.key("stumpData").beginObject();
        json.key("position");
        writeTrackValue(json, state.stumpData.position);
        json.key("timing");
        writeTrackValue(json, state.stumpData.timing);
        json.endObject();
        json.key("animInfo").beginObject();
        json.key("location").floats(state.animInfo.location);
        json.key("frame").value(state.animInfo.frame);
        json.key("scale").value(state.animInfo.scale);
        json.endObject();
        json.key("bloomStrength").value(state.bloomStrength);
        json.endObject();
        out << '\n';
    }
}

}  // namespace tolmero
