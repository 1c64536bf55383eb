#pragma once
// The world the shots are placed in: the compiled-in tracks that are not
// directed here (scenes, lens, machine positions), the ground of each scene
// from the CPU height fields, and the points the shot list names (over the
// ground, over the water, orbiting a target, the machines, the stump).

#include "tracks/TrackSet.h"
#include "tracks/tools/ShotMath.h"

namespace tolmero::shots {

// The production's tracks, baked once.
TrackSet& fixedTracks();

// The scene showing at beat t.
int sceneAt(float t);

// The height of the drawn terrain of `scene` at world (x, z).
float ground(int scene, float x, float z);

// Highest the water of scene 1 rises at (x, z): amplitude x 0.01.
float waterTop(float x, float z);

// A point `height` above the terrain of `scene`.
V3 over(int scene, float x, float z, float height);
// A point `height` above the water's highest reach (scene 1).
V3 overWater(float x, float z, float height);

// The eye that sees `target` at `distance` along yaw and pitch.
V3 orbit(V3 target, float yaw, float pitch, float distance);
// The eye `height` above the ground of `scene`, `distance` back from `target`
// along the horizontal direction of yaw.
V3 behind(int scene, V3 target, float yaw, float distance, float height);

// The world points of the machines' hearts, from their fixed position tracks
// (stored at 1/200 scale) and a height on the body.
V3 machine(const char* positionTrack, float height);
V3 excavator(float height = 0.012f);
V3 forwarder(float height = 0.014f);
V3 truck(float height = 0.012f);
V3 stump(float height = 0.0075f);

}  // namespace tolmero::shots
