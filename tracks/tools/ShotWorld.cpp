#include "tracks/tools/ShotWorld.h"

#include <algorithm>

#include "reference/RandomReference.h"
#include "tracks/SceneIndex.h"

namespace tolmero::shots {

TrackSet& fixedTracks() {
    static TrackSet set(tolmero::productionTracks());
    return set;
}

int sceneAt(float t) { return sceneIndex(fixedTracks().evaluate("scene", t).y); }

float ground(int scene, float x, float z) { return tolmero::reference::terrainSurfaceHeight(scene, x, z); }

float waterTop(float x, float z) {
    return (tolmero::reference::sampleRandomField(3, x + 0.5f, z + 0.5f) * 0.5f + 0.05f) * 0.01f;
}

V3 over(int scene, float x, float z, float height) { return {x, ground(scene, x, z) + height, z}; }
V3 overWater(float x, float z, float height) { return {x, std::max(waterTop(x, z), ground(1, x, z)) + height, z}; }

V3 orbit(V3 target, float yaw, float pitch, float distance) { return target - direction(yaw, pitch) * distance; }
V3 behind(int scene, V3 target, float yaw, float distance, float height) {
    const V3 d = direction(yaw, 0.0f);
    return over(scene, target.x - d.x * distance, target.z - d.z * distance, height);
}

V3 machine(const char* positionTrack, float height) {
    const TrackValue p = fixedTracks().evaluate(positionTrack, 0.0f);
    return {p.x, p.y + height, p.z};
}
V3 excavator(float height) { return machine("Kaivin pos", height); }
V3 forwarder(float height) { return machine("Koura pos", height); }
V3 truck(float height) { return machine("Rekka pos", height); }
V3 stump(float height) {
    const TrackValue p = fixedTracks().evaluate("stump position", 200.0f);
    return {p.x, p.y + height, p.z};
}

}  // namespace tolmero::shots
