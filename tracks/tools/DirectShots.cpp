// The production's shot list: where the camera stands and looks, where the
// character walks and how the machine joints work, written as look-at targets
// and ground points instead of raw angles and heights. The tool turns the list
// into the rows of the directed tracks of tracks/TrackData.cpp ("Camera
// position", "Camera x angle", "Camera y angle", "Sprite position", "Kauha 1"
// to "Kauha 3", "Koura 1" to "Koura 5").
//
//   tolmero_direct_shots                 prints the rows
//   tolmero_direct_shots --write FILE    replaces those arrays in FILE
//   tolmero_direct_shots --report        per-shot framing: the subject's place
//                                        on screen, the eye's clearance
//
// Every other track (scene, field of view, sprite size and frame, titles ...)
// is read from the compiled-in tracks, so the shots follow the cuts and the
// lens the timeline already has. Heights come from the CPU copy of the height
// fields, so a point given "over the ground" lands on the terrain of the scene
// that is showing at its key's time.
//
// How a key becomes a row: corner keys are passed through exactly; smooth keys
// only pull the curve, so the tool nudges each smooth key until the evaluated
// curve meets the wanted value at the key's time. Yaw is unwrapped to the turn
// nearest the shot's previous key; keys that carry a track's range bound are
// written literally.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/RandomReference.h"
#include "tests/support/VegetationReference.h"
#include "tracks/TrackSet.h"
#include "tracks/TrackSource.h"

namespace {

using tolmero::Track;
using tolmero::TrackKey;
using tolmero::TrackSet;
using tolmero::TrackValue;
using tolmero::TrackTable;
using tolmero::formatTrackRows;
using tolmero::readTextFile;
using tolmero::spliceTracks;
using tolmero::writeTextFileAtomically;

constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 2.0f * kPi;

struct V3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(V3 a) { return std::sqrt(dot(a, a)); }

enum Kind { C, S };  // corner, smooth

// ---------------------------------------------------------------------------
// The timeline the shots follow (tracks that are not directed here)

TrackSet& fixedTracks() {
    static TrackSet set(tolmero::productionTracks());
    return set;
}

int sceneAt(float t) {
    return static_cast<int>(std::clamp(fixedTracks().evaluate("scene", t).y, 0.0f, 3.0f));
}

float ground(int scene, float x, float z) { return tolmero::reference::terrainSurfaceHeight(scene, x, z); }

// Highest the water of scene 1 rises at (x, z): amplitude x 0.01.
float waterTop(float x, float z) {
    return (tolmero::reference::sampleRandomField(3, x + 0.5f, z + 0.5f) * 0.5f + 0.05f) * 0.01f;
}

// A point `height` above the terrain of `scene`.
V3 over(int scene, float x, float z, float height) { return {x, ground(scene, x, z) + height, z}; }
// A point `height` above the water's highest reach (scene 1).
V3 overWater(float x, float z, float height) { return {x, std::max(waterTop(x, z), ground(1, x, z)) + height, z}; }

// The viewing direction for yaw and pitch: positive yaw turns from +z toward
// -x, positive pitch tilts down.
V3 direction(float yaw, float pitch) {
    return {-std::cos(pitch) * std::sin(yaw), -std::sin(pitch), std::cos(pitch) * std::cos(yaw)};
}
float yawOf(V3 d) { return std::atan2(-d.x, d.z); }
float pitchOf(V3 d) { return -std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)); }

// The eye that sees `target` at `distance` along yaw and pitch.
V3 orbit(V3 target, float yaw, float pitch, float distance) { return target - direction(yaw, pitch) * distance; }
// The eye `height` above the ground of `scene`, `distance` back from `target`
// along the horizontal direction of yaw.
V3 behind(int scene, V3 target, float yaw, float distance, float height) {
    const V3 d = direction(yaw, 0.0f);
    return over(scene, target.x - d.x * distance, target.z - d.z * distance, height);
}

// The world points of the machines' hearts, from their fixed position tracks
// (stored at 1/200 scale) and a height on the body.
V3 machine(const char* positionTrack, float height) {
    const TrackValue p = fixedTracks().evaluate(positionTrack, 0.0f);
    return {p.x, p.y + height, p.z};
}
V3 excavator(float height = 0.012f) { return machine("Kaivin pos", height); }
V3 forwarder(float height = 0.014f) { return machine("Koura pos", height); }
V3 truck(float height = 0.012f) { return machine("Rekka pos", height); }
V3 stump(float height = 0.0075f) {
    const TrackValue p = fixedTracks().evaluate("stump position", 200.0f);
    return {p.x, p.y + height, p.z};
}

// ---------------------------------------------------------------------------
// How each key is described

struct PointKey {
    float time;
    Kind kind;
    V3 point;
    bool literal = false;  // written as given (range bounds, fixed rows)
};

// What an angle key aims at: a target seen from the eye at the key's time
// (or at `eyeTime`), or a literal angle.
struct Aim {
    std::optional<V3> target;
    float value = 0.0f;
    float eyeTime = std::numeric_limits<float>::quiet_NaN();
    float turnHint = std::numeric_limits<float>::quiet_NaN();  // the turn to unwrap toward
};
Aim look(V3 target) { return {target}; }
Aim lookFrom(V3 target, float eyeTime) {
    Aim a{target};
    a.eyeTime = eyeTime;
    return a;
}
Aim lookNear(V3 target, float turnHint) {
    Aim a{target};
    a.turnHint = turnHint;
    return a;
}
Aim literal(float value) {
    Aim a;
    a.value = value;
    return a;
}

struct AngleKey {
    float time;
    Kind kind;
    Aim aim;
};

struct ScalarKey {
    float time;
    Kind kind;
    float value;
};

struct Range {
    float lo, hi;
};

// ---------------------------------------------------------------------------
// The shot list

// Characters' spots. The girl's crying spot at the fire and her last spot are
// fixed rows of the timeline.
const V3 kPtarmiganStart{0.0387275f, 0.000728942f, -0.147519f};
const V3 kCryingAtFire{0.0458193f, 0.000750397f, -0.0132791f};
const V3 kBurning{0.093173f, 0.000766809f, 0.248446f};

// Scene 0, the logo: the ptarmigan hops off its knoll onto the bog.
V3 ptarmiganHop() { return over(0, 0.006f, -0.131f, 0.0f); }
V3 ptarmiganGone() { return over(0, -0.03f, -0.123f, 0.0f); }
// Scene 0: the girl stands on the bog north of the central wood.
V3 girlStanding() { return over(0, -0.07f, -0.13f, 0.0f); }
// Scene 1: she walks north over the wooded island in the bog lake and stops
// on its northern shore.
V3 shoreWalkStart() { return over(1, -0.250f, -0.072f, 0.0f); }
V3 shoreWalkMiddle() { return over(1, -0.250f, -0.099f, 0.0f); }
V3 shoreWalkEnd() { return over(1, -0.251f, -0.124f, 0.0f); }
// Scene 0: she cries, then walks south-west past the stump, seen from the
// side: the camera looks along kStumpWalkYaw, she walks toward screen right,
// passing just in front of the stump.
constexpr float kStumpWalkYaw = 5.6f;
V3 stumpWalk(float along) {
    const V3 f = direction(kStumpWalkYaw, 0.0f);
    const V3 right{-f.z, 0.0f, f.x};
    const V3 p = stump(0.0f) - f * 0.008f + right * along;
    return over(0, p.x, p.z, 0.0f);
}
V3 cryingByStump() { return stumpWalk(-0.035f); }
V3 pastStump() { return stumpWalk(0.0f); }
V3 walkedPastStump() { return stumpWalk(0.030f); }
// Scene 3: during the titles she walks south toward the camera and stops
// where she will cry when the fire starts.
const V3 kTitleWalkAxis{-0.175f, 0.0f, -0.985f};  // from the crying spot back along her walk
V3 titleWalk(float fraction) {
    const V3 p = kCryingAtFire + kTitleWalkAxis * (0.09f * (1.0f - fraction));
    return over(3, p.x, p.z, 0.0f);
}

// The last shots turn from kLastYaw at 350.082 (looking east at the crying
// girl) to the closing frame's yaw at 366.048 (a straight ramp between the two
// keys): the camera swings a third of a turn round the burning girl.
constexpr float kLastYaw = -1.6f;
float lastYaw(float t) {
    const float u = std::clamp((t - 350.082f) / (366.048f - 350.082f), 0.0f, 1.0f);
    return kLastYaw + u * (-3.76228f - kLastYaw);
}

// Head height of a character of `size` standing at `foot`.
V3 head(V3 foot, float size = 0.0095f) { return foot + V3{0.0f, size * 0.75f, 0.0f}; }
V3 middle(V3 foot, float size = 0.0095f) { return foot + V3{0.0f, size * 0.5f, 0.0f}; }

std::vector<PointKey> cameraPositionKeys() {
    // The yaw bounds -5.72348 and 12.6174 are carried by the look down on the
    // stump and the standing girl: their eyes are placed so that those
    // literal angles frame the subject.
    const V3 girl0 = girlStanding();
    const V3 cry = cryingByStump();
    const float cryYaw = kStumpWalkYaw;
    const V3 cryEye = behind(0, head(cry, 0.0084f), cryYaw, 0.085f, 0.0115f);
    const V3 standEye = orbit(middle(girl0, 0.0093f), 12.6174f, 0.040f, 0.100f);
    const V3 stumpEye = orbit(stump(), -5.72348f, 0.682114f, 0.022f);
    const V3 fire = kCryingAtFire;
    return {
        // Intro (scene 2): low in the bog grass at the forest edge, rising.
        {-0.329086f, S, {-0.21798f, 0.00392f, 0.418076f}, true},
        {15.3502f, S, {-0.22262f, 0.00282f, 0.38446f}, true},
        {31.978f, C, {-0.19084f, 0.01195f, 0.36586f}, true},
        // The logo (scene 0) over the central wood; the camera creeps toward
        // the ptarmigan's knoll.
        {31.978f, C, {-0.18657f, 0.00915f, 0.01551f}, true},
        {35.0f, C, {-0.184f, 0.0232f, 0.010f}},  // a quick rise over the spruces
        {48.0f, S, over(0, -0.090f, -0.040f, 0.0200f)},
        {60.0f, S, over(0, -0.075f, -0.075f, 0.0120f)},
        {72.0962f, C, over(0, -0.060f, -0.085f, 0.0110f)},
        // The girl standing on the bog: a slow push in.
        {72.0962f, C, standEye},
        {84.0f, S, orbit(middle(girl0, 0.0093f), 12.6174f, 0.045f, 0.088f)},
        {96.8138f, C, orbit(middle(girl0, 0.0084f), 12.61f, 0.05f, 0.078f)},
        // Scene 1: from high behind her, following her north across the
        // wooded island (above the trees, so no trunk hides her).
        {96.8138f, C, overWater(-0.243f, -0.024f, 0.0260f)},
        {114.0f, S, overWater(-0.244f, -0.050f, 0.0260f)},
        {130.374f, C, overWater(-0.245f, -0.074f, 0.0260f)},
        // Skimming the open water toward the island from the west.
        {130.374f, C, {-0.359526f, 0.00116554f, -0.128f}, true},
        {144.003f, C, overWater(-0.310f, -0.126f, 0.0008f)},
        // High and wide over the lake.
        {144.003f, C, {-0.359526f, 0.0236756f, -0.215f}, true},
        {159.87f, C, overWater(-0.345f, -0.205f, 0.0225f)},
        // Scene 0: the crying close-up and the walk past the stump share an
        // eye at the cut; the walk is a dolly in while the lens widens.
        {159.87f, C, cryEye},
        {168.104f, C, cryEye + V3{0.0005f, 0.0f, 0.0005f}},
        {168.104f, C, behind(0, cry, cryYaw, 0.085f, 0.0115f)},
        {180.0f, S, behind(0, pastStump(), cryYaw + 0.05f, 0.050f, 0.0105f)},
        {191.981f, C, behind(0, walkedPastStump(), cryYaw + 0.10f, 0.025f, 0.0095f)},
        // Looking down on the stump while the twigs grow, then rising away.
        {191.981f, C, stumpEye},
        {214.0f, S, stumpEye + V3{0.0f, 0.0005f, 0.0f}},
        {223.938f, C, stumpEye + V3{0.0f, 0.0010f, 0.0f}},
        // Scene 3 at night: the three machines at work.
        {223.938f, C, over(3, 0.140f, -0.205f, 0.011f)},
        {230.0f, S, over(3, 0.160f, -0.220f, 0.010f)},
        {236.186f, C, over(3, 0.178f, -0.232f, 0.009f)},
        // The forest machine's crane, from beside it.
        {236.186f, C, over(3, 0.280f, -0.372f, 0.016f)},
        {242.0f, S, over(3, 0.286f, -0.366f, 0.015f)},
        {247.951f, C, over(3, 0.292f, -0.360f, 0.014f)},
        // The excavator digging.
        {247.951f, C, over(3, 0.215f, -0.205f, 0.010f)},
        {255.899f, C, over(3, 0.220f, -0.208f, 0.009f)},
        // The titles: the girl walks toward the camera, which backs away.
        {255.899f, C, over(3, titleWalk(0.0f).x, titleWalk(0.0f).z + 0.046f, 0.0075f)},
        {266.0f, S, over(3, titleWalk(0.35f).x, titleWalk(0.35f).z + 0.046f, 0.0075f)},
        {278.0f, S, over(3, titleWalk(0.75f).x, titleWalk(0.75f).z + 0.045f, 0.0075f)},
        {289.007f, C, over(3, fire.x, fire.z + 0.044f, 0.0075f)},
        // The fire from afar, from unburnt bog to the south, far enough back
        // that no flame rises next to the lens: the flames between the camera
        // and the girl, the machines far off; a slow pan to them.
        {289.007f, C, over(3, -0.034f, 0.280f, 0.0160f)},
        {304.0f, S, over(3, -0.030f, 0.275f, 0.0160f)},
        {318.96f, C, over(3, -0.026f, 0.270f, 0.0150f)},
        // The crane burning.
        {318.96f, C, over(3, 0.212f, -0.262f, 0.010f)},
        {321.109f, C, over(3, 0.215f, -0.266f, 0.010f)},
        // Round the machines.
        {321.109f, C, over(3, 0.390f, -0.230f, 0.012f)},
        {330.0f, S, over(3, 0.410f, -0.300f, 0.013f)},
        {342.0f, S, over(3, 0.370f, -0.365f, 0.013f)},
        {350.082f, C, over(3, 0.290f, -0.370f, 0.012f)},
        // The girl crying in the fire, from the unburnt ground west of her:
        // the flames stand behind her, none at the lens.
        {350.082f, C, behind(3, fire, kLastYaw, 0.045f, 0.009f)},
        {352.039f, C, behind(3, fire, lastYaw(352.039f), 0.043f, 0.009f)},
        // (a key the curve passes in no time: it carries the range bounds)
        {352.039f, C, {0.427464f, 0.012f, -0.378826f}, true},
        // The burning girl: an arc round her that ends on the last frame.
        {352.039f, C, behind(3, kBurning, lastYaw(352.039f), 0.040f, 0.0085f)},
        {362.0f, S, behind(3, kBurning, lastYaw(362.0f), 0.036f, 0.009f)},
        {370.0f, C, behind(3, kBurning, lastYaw(370.0f), 0.041f, 0.009f)},
        {375.864f, S, {0.12279f, 0.00993f, 0.27542f}, true},
    };
}

std::vector<AngleKey> cameraYawKeys() {
    const V3 girl0 = girlStanding();
    const V3 cry = cryingByStump();
    return {
        {31.978f, C, literal(4.603f)},
        {31.978f, C, literal(5.43971f)},
        {47.0f, S, look(over(0, 0.08f, -0.05f, 0.005f))},
        {59.0f, S, look(head(ptarmiganHop(), 0.006f))},
        {72.0962f, C, look(over(0, 0.05f, -0.02f, 0.008f))},
        {72.0962f, C, literal(12.6174f)},
        {96.8138f, C, lookNear(middle(girl0, 0.0084f), 12.6f)},
        {96.8138f, C, look(middle(shoreWalkStart(), 0.0084f))},
        {130.374f, C, look(middle(shoreWalkEnd(), 0.0084f))},
        {130.374f, C, look(middle(shoreWalkEnd(), 0.0084f))},
        {144.003f, C, look(middle(shoreWalkEnd(), 0.0084f))},
        {144.003f, C, look(over(1, -0.235f, -0.10f, 0.004f))},
        {159.87f, C, look(over(1, -0.225f, -0.09f, 0.004f))},
        {159.87f, C, look(head(cry, 0.0084f))},
        {168.055f, C, look(head(cry, 0.0084f))},
        {168.055f, C, lookFrom(middle(cry, 0.0108f), 168.11f)},
        {191.981f, C, look(middle(walkedPastStump(), 0.0108f))},
        {191.981f, C, literal(-5.72348f)},
        {223.938f, C, lookNear(stump(0.004f), -5.7f)},
        {223.938f, C, look((excavator() + forwarder() + truck()) * (1.0f / 3.0f))},
        {236.186f, C, look((excavator() + forwarder() + truck()) * (1.0f / 3.0f))},
        {236.186f, C, look(forwarder(0.020f))},
        {247.951f, C, look(forwarder(0.020f))},
        {247.951f, C, look(excavator(0.014f))},
        {255.899f, C, look(excavator(0.014f))},
        // the girl in the middle: the title cards take the left and right thirds
        {255.899f, C, look(head(titleWalk(0.0f), 0.0108f))},
        {289.007f, C, look(head(kCryingAtFire, 0.0108f))},
        {305.0f, S, look(excavator(0.010f) + V3{-0.04f, 0.0f, 0.0f})},
        {321.109f, C, look(forwarder(0.025f))},
        {321.109f, C, look((excavator() + forwarder() + truck()) * (1.0f / 3.0f))},
        {335.5f, S, look((excavator() + forwarder() + truck()) * (1.0f / 3.0f))},
        {350.082f, C, look((excavator() + forwarder() + truck()) * (1.0f / 3.0f))},
        {350.082f, C, literal(kLastYaw)},
        {366.048f, S, literal(-3.76228f)},
    };
}

std::vector<AngleKey> cameraPitchKeys() {
    const V3 girl0 = girlStanding();
    const V3 cry = cryingByStump();
    return {
        {0.279733f, S, literal(-0.161694f)},
        {8.41f, S, literal(-0.118762f)},
        {16.5f, S, literal(0.0310279f)},
        {24.3f, S, literal(-0.129245f)},
        {31.978f, C, literal(-0.253706f)},
        {31.978f, C, look(over(0, -0.12f, 0.07f, 0.010f))},
        // level: the ptarmigan low in the frame, under the logo
        {52.0f, S, literal(0.0f)},
        {72.0962f, C, literal(0.01f)},
        {72.0962f, C, look(middle(girl0, 0.0093f))},
        {96.8138f, C, look(middle(girl0, 0.0084f))},
        {96.8138f, C, look(middle(shoreWalkStart(), 0.0084f))},
        {130.374f, C, look(middle(shoreWalkEnd(), 0.0084f))},
        {130.374f, C, look(middle(shoreWalkEnd(), 0.0084f))},
        {144.003f, C, literal(-0.02f)},
        {159.87f, C, literal(0.06f)},
        {168.055f, C, look(middle(cry, 0.0084f) + V3{0.0f, 0.0008f, 0.0f})},
        {168.055f, C, lookFrom(middle(cry, 0.0108f), 168.11f)},
        {191.981f, C, look(middle(walkedPastStump(), 0.0108f))},
        {191.981f, C, literal(0.682114f)},
        {208.0f, S, literal(0.64f)},
        {223.938f, C, literal(0.0f)},
        {223.938f, S, literal(0.0f)},
        {236.186f, C, literal(-0.06f)},
        {247.951f, C, look(forwarder(0.020f))},
        {247.951f, C, look(excavator(0.014f))},
        {255.899f, C, look(excavator(0.014f))},
        {255.899f, C, look(head(titleWalk(0.0f), 0.0108f))},
        {289.007f, S, look(head(kCryingAtFire, 0.0108f))},
        {321.109f, S, literal(0.02f)},
        {350.082f, C, look((excavator() + forwarder() + truck()) * (1.0f / 3.0f))},
        {350.082f, C, look(middle(kCryingAtFire, 0.0108f) + V3{0.0f, 0.001f, 0.0f})},
        {374.175f, S, literal(-0.0803304f)},
    };
}

std::vector<PointKey> spritePositionKeys() {
    return {
        // The ptarmigan waits on its knoll, hops down to the bog and away.
        {46.6513f, C, kPtarmiganStart, true},
        {57.0f, S, ptarmiganHop()},
        {70.2098f, C, ptarmiganGone()},
        {70.2098f, C, {2.01365f, 0.5f, -1.05543f}, true},  // passed in no time
        {70.2098f, C, girlStanding()},
        {96.8138f, C, girlStanding()},
        {96.8138f, C, shoreWalkStart()},
        {114.0f, S, shoreWalkMiddle()},
        {130.374f, C, shoreWalkEnd()},
        {130.374f, C, shoreWalkEnd()},
        {159.87f, C, shoreWalkEnd()},
        {159.87f, C, cryingByStump()},
        {168.104f, C, cryingByStump()},
        {168.104f, C, cryingByStump()},
        {180.0f, S, pastStump()},
        {191.981f, C, walkedPastStump()},
        // Away while the twigs grow and the machines work.
        {191.981f, C, {-1.9152f, 1.14168f, 1.71704f}, true},
        {255.899f, C, {-1.85f, 1.14f, 1.6f}, true},
        {255.899f, C, titleWalk(0.0f)},
        {264.122f, C, titleWalk(0.25f)},
        {264.122f, C, {0.1f, 0.0000204984f, 0.1f}, true},  // passed in no time
        {264.122f, C, titleWalk(0.25f)},
        {272.139f, C, titleWalk(0.5f)},
        {272.139f, C, titleWalk(0.5f)},
        {280.051f, C, titleWalk(0.75f)},
        {280.051f, C, titleWalk(0.75f)},
        {287.014f, C, titleWalk(1.0f)},
        {287.014f, C, kCryingAtFire, true},
        {318.96f, C, kCryingAtFire, true},
        {321.109f, C, kCryingAtFire, true},
        {352.039f, C, kCryingAtFire, true},
        {352.039f, C, kBurning, true},
    };
}

// ---------------------------------------------------------------------------
// Machine joints (radians, about each part's own pivot)
//
// The excavator digs in cycles of about 30 beats: the boom ("Kauha 1",
// negative leans it forward) lowers the stick ("Kauha 2", the stick's angle
// adds to the boom's; positive raises its tip) into the ground, the bucket
// ("Kauha 3") curls to fill, the boom and stick lift and the bucket opens to
// dump. The forest machine's crane slews ("Koura 1") between the forest at
// its side and the load behind it, its main boom ("Koura 2", positive leans
// forward) and outer boom ("Koura 4", positive lowers the tip) reach out and
// lift, the lift cylinder ("Koura 3") follows the main boom and the grapple
// ("Koura 5") hangs plumb below the outer boom's tip. From the fire on the
// crane whirls two turns one way and nearly four back, and the grapple is
// flung outward.

// One dig cycle every 30 beats from beat 230: reach out high (boom forward,
// stick raised), dig (stick down into the ground, bucket curling), lift
// (boom up, stick level), then swing back out and open the bucket.
std::vector<ScalarKey> kauha1() {
    return {{222.844f, S, 0.1f},   {230.0f, S, -0.90f},  {240.0f, S, -1.00f},     {250.0f, S, 0.10f},
            {260.0f, S, -0.90f},   {270.0f, S, -1.05107f}, {280.0f, S, 0.235584f}, {290.0f, S, -0.90f},
            {300.0f, S, -1.00f},   {310.0f, S, 0.15f},   {320.0f, S, -0.85f},     {330.0f, S, -1.00f},
            {340.0f, S, 0.10f},    {350.0f, S, -0.90f},  {360.0f, S, -1.00f},     {370.0f, S, 0.12f},
            {385.0f, S, -0.90f},   {400.0f, S, -0.95f},  {418.481f, S, 0.0f}};
}
std::vector<ScalarKey> kauha2() {
    return {{223.938f, S, 0.5f},   {230.0f, S, 1.30f},   {241.0f, S, -0.30f},     {260.0f, S, 1.52224f},
            {271.0f, S, -0.362437f}, {290.0f, S, 1.30f}, {301.0f, S, -0.25f},     {320.0f, S, 1.35f},
            {331.0f, S, -0.30f},   {350.0f, S, 1.30f},   {361.0f, S, -0.25f},     {386.0f, S, 1.20f},
            {412.322f, S, 0.3f}};
}
std::vector<ScalarKey> kauha3() {
    return {{232.158f, S, 0.0f},   {243.0f, S, -0.652388f}, {257.0f, S, 0.0724875f}, {273.0f, S, -0.60f},
            {300.0f, S, 0.05f},    {333.0f, S, -0.55f},     {362.0f, S, 0.0f},       {409.182f, S, -0.40f}};
}
std::vector<ScalarKey> koura1() {
    return {{223.938f, S, 1.45f},  {236.5f, S, 3.05f},   {249.8f, S, 1.55f},      {260.3f, S, 3.15f},
            {271.186f, S, 1.60f},  {271.186f, S, 1.95f}, {283.4f, S, 3.10f},      {298.0f, S, 5.0f},
            {314.5f, S, 9.2f},     {329.2f, S, 13.3455f}, {347.8f, S, 6.0f},      {368.3f, S, -4.2f},
            {389.5f, S, -11.0947f}, {406.67f, S, -10.2f}};
}
std::vector<ScalarKey> koura2() {
    return {{223.938f, S, 0.45f},  {230.0f, S, 0.55f},   {236.5f, S, -0.35f},     {243.0f, S, 0.20f},
            {249.8f, S, 0.616617f}, {255.0f, S, 0.30f},  {260.3f, S, -0.40f},     {266.0f, S, 0.30f},
            {271.186f, S, 0.50f},  {277.0f, S, 0.20f},   {283.4f, S, -0.496617f}, {300.0f, S, 0.30f},
            {330.0f, S, -0.20f},   {360.0f, S, 0.40f},   {408.39f, S, 0.0f}};
}
std::vector<ScalarKey> koura4() {
    return {{226.087f, S, 0.80f},  {232.0f, S, 0.90f},   {237.0f, S, -0.50f},     {244.0f, S, 0.30f},
            {250.0f, S, 1.06919f}, {261.0f, S, -0.978581f}, {266.0f, S, 0.20f},   {272.0f, S, 0.90f},
            {284.0f, S, -0.60f},   {310.0f, S, 0.40f},   {360.0f, S, -0.30f},     {421.076f, S, 0.20f}};
}

// The lift cylinder's angle for a main boom angle: it turns about its own
// pivot on the column so that it keeps pointing at its mounting on the boom.
float liftCylinderAngle(float boom) {
    // Modelling axes (along the machine, up): the boom's pivot, the mounting
    // on the boom at rest and the cylinder's pivot.
    const float fy = 1.873f, fz = 3.271f, ay = 1.98f, az = 6.4f, cy = 2.414f, cz = 4.657f;
    auto angle = [](float y, float z) { return std::atan2(-y, z); };
    const float ry = ay - fy, rz = az - fz;
    const float my = fy + ry * std::cos(boom) - rz * std::sin(boom);
    const float mz = fz + rz * std::cos(boom) + ry * std::sin(boom);
    return angle(my - cy, mz - cz) - angle(ay - cy, az - cz);
}

TrackSet machineTracks() {
    std::map<std::string, Track, std::less<>> tracks;
    auto scalar = [](const std::vector<ScalarKey>& keys) {
        Track t;
        for (const ScalarKey& k : keys) t.push_back({k.time, {k.time, k.value, 0.0f, k.kind == C ? 3.0f : 1.0f}});
        return t;
    };
    tracks["Koura 2"] = scalar(koura2());
    tracks["Koura 4"] = scalar(koura4());
    return TrackSet(tracks);
}

// Keys at `times` whose values follow `value(t)`, clamped to [lo, hi]; the
// key where the curve comes nearest the low bound takes it exactly, and so
// does the one nearest the high bound unless the caller places that itself.
std::vector<ScalarKey> followKeys(const std::vector<float>& times, const std::function<float(float)>& value, float lo,
                                  float hi, bool placeHigh = true) {
    std::vector<ScalarKey> keys;
    for (float t : times) keys.push_back({t, S, std::clamp(value(t), lo, hi)});
    auto byValue = [](const ScalarKey& a, const ScalarKey& b) { return a.value < b.value; };
    std::min_element(keys.begin(), keys.end(), byValue)->value = lo;
    if (placeHigh) std::max_element(keys.begin(), keys.end(), byValue)->value = hi;
    return keys;
}

std::vector<ScalarKey> koura3() {
    TrackSet boom = machineTracks();
    return followKeys({226.689f, 232.0f, 237.5f, 243.0f, 249.5f, 255.0f, 260.5f, 266.0f, 271.5f, 277.0f, 283.5f,
                       300.0f, 330.0f, 360.0f, 415.195f},
                      [&](float t) { return liftCylinderAngle(boom.evaluate("Koura 2", t).y); }, -0.638908f,
                      0.730412f);
}
std::vector<ScalarKey> koura5() {
    TrackSet booms = machineTracks();
    std::vector<ScalarKey> keys = followKeys(
        {225.279f, 232.0f, 237.0f, 244.0f, 250.0f, 261.0f, 266.0f, 272.0f, 284.0f, 345.0f, 380.0f, 412.623f},
        [&](float t) { return -(booms.evaluate("Koura 2", t).y + booms.evaluate("Koura 4", t).y); }, -1.25041f,
        2.12026f, false);
    // Flung outward while the crane whirls fastest.
    for (ScalarKey& k : keys)
        if (k.time == 345.0f) k.value = 2.12026f;
    return keys;
}

// ---------------------------------------------------------------------------
// From key descriptions to track keys

TrackKey makeKey(float time, Kind kind, float x, float y, float z) {
    return {time, {x, y, z, kind == C ? 3.0f : 1.0f}};
}


// Nudges the free smooth keys until the curve meets `wanted` at their times.
void fitSmoothKeys(Track& track, const std::vector<V3>& wanted, const std::vector<bool>& free,
                   const std::vector<int>& components, const std::vector<Range>& ranges) {
    for (int iteration = 0; iteration < 40; ++iteration) {
        TrackSet set({{"t", track}});
        std::vector<TrackValue> values;
        for (const TrackKey& k : track) values.push_back(set.evaluate("t", k.time));
        for (std::size_t i = 0; i < track.size(); ++i) {
            if (!free[i]) continue;
            for (std::size_t c = 0; c < components.size(); ++c) {
                const int comp = components[c];
                float& v = comp == 0 ? track[i].value.x : comp == 1 ? track[i].value.y : track[i].value.z;
                const float have = comp == 0 ? values[i].x : comp == 1 ? values[i].y : values[i].z;
                const float want = comp == 0 ? wanted[i].x : comp == 1 ? wanted[i].y : wanted[i].z;
                v += 0.9f * (want - have);
                if (c < ranges.size()) v = std::clamp(v, ranges[c].lo, ranges[c].hi);
            }
        }
    }
}

bool sharesTimeWithNext(const auto& keys, std::size_t i) { return i + 1 < keys.size() && keys[i + 1].time == keys[i].time; }
bool sharesTimeWithPrevious(const auto& keys, std::size_t i) { return i > 0 && keys[i - 1].time == keys[i].time; }

Track buildPointTrack(const std::vector<PointKey>& keys, const std::vector<Range>& ranges) {
    Track track;
    std::vector<V3> wanted;
    std::vector<bool> free;
    for (const PointKey& k : keys) {
        V3 p = k.point;
        if (!k.literal) {
            // Every value stays inside the track's range; only literal keys
            // sit on its bounds.
            p.x = std::clamp(p.x, ranges[0].lo, ranges[0].hi);
            p.y = std::clamp(p.y, ranges[1].lo, ranges[1].hi);
            p.z = std::clamp(p.z, ranges[2].lo, ranges[2].hi);
        }
        track.push_back(makeKey(k.time, k.kind, p.x, p.y, p.z));
        wanted.push_back(k.point);
        free.push_back(k.kind == S && !k.literal);
    }
    // A smooth key that shares its time with a corner key only shapes how the
    // curve leaves the jump; there is no time at which to meet it.
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (sharesTimeWithPrevious(keys, i) || sharesTimeWithNext(keys, i)) free[i] = false;
    fitSmoothKeys(track, wanted, free, {0, 1, 2}, ranges);
    return track;
}

// The eye an angle key sees from: just before a cut for the first key of a
// pair, just after it for the second.
float eyeTimeFor(const std::vector<AngleKey>& keys, std::size_t i) {
    if (!std::isnan(keys[i].aim.eyeTime)) return keys[i].aim.eyeTime;
    if (sharesTimeWithNext(keys, i)) return keys[i].time - 0.002f;
    if (sharesTimeWithPrevious(keys, i)) return keys[i].time + 0.002f;
    return keys[i].time;
}

V3 eyeAt(TrackSet& camera, float t) {
    const TrackValue v = camera.evaluate("Camera position", t);
    return {v.x, v.y, v.z};
}

Track buildAngleTrack(const std::vector<AngleKey>& keys, bool yaw, TrackSet& camera, Range range) {
    Track track;
    std::vector<V3> wanted;
    std::vector<bool> free;
    float previous = 0.0f;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const AngleKey& k = keys[i];
        float value = k.aim.value;
        if (k.aim.target) {
            const V3 d = *k.aim.target - eyeAt(camera, eyeTimeFor(keys, i));
            value = yaw ? yawOf(d) : pitchOf(d);
            if (yaw) {
                // Same shot: the turn nearest the previous key; after a cut,
                // the turn the key asks for (or the principal one).
                const bool sameShot = i > 0 && !sharesTimeWithPrevious(keys, i);
                const float reference = !std::isnan(k.aim.turnHint) ? k.aim.turnHint : sameShot ? previous : value;
                value += kTwoPi * std::round((reference - value) / kTwoPi);
            }
            value = std::clamp(value, range.lo, range.hi);
        }
        previous = value;
        track.push_back(makeKey(k.time, k.kind, k.time, value, 0.0f));
        wanted.push_back({0.0f, value, 0.0f});
        free.push_back(k.kind == S && k.aim.target.has_value() && !sharesTimeWithPrevious(keys, i) &&
                       !sharesTimeWithNext(keys, i));
    }
    fitSmoothKeys(track, wanted, free, {1}, {range});
    return track;
}

Track buildScalarTrack(const std::vector<ScalarKey>& keys) {
    Track track;
    for (const ScalarKey& k : keys) track.push_back(makeKey(k.time, k.kind, k.time, k.value, 0.0f));
    return track;
}

// ---------------------------------------------------------------------------
// Output

struct Directed {
    std::map<std::string, Track> tracks;  // by track name
};

const std::map<std::string, std::string> kArrayNames = {
    {"Camera position", "kCameraPosition"}, {"Camera x angle", "kCameraXAngle"},
    {"Camera y angle", "kCameraYAngle"},    {"Sprite position", "kSpritePosition"},
    {"Kauha 1", "kKauha1"},                 {"Kauha 2", "kKauha2"},
    {"Kauha 3", "kKauha3"},                 {"Koura 1", "kKoura1"},
    {"Koura 2", "kKoura2"},                 {"Koura 3", "kKoura3"},
    {"Koura 4", "kKoura4"},                 {"Koura 5", "kKoura5"},
};

Directed direct() {
    Directed d;
    const Track position = buildPointTrack(cameraPositionKeys(), {{-0.359526f, 0.427464f},
                                                                  {0.00116554f, 0.0236756f},
                                                                  {-0.378826f, 0.418076f}});
    TrackSet camera({{"Camera position", position}});
    d.tracks["Camera position"] = position;
    d.tracks["Camera x angle"] = buildAngleTrack(cameraYawKeys(), true, camera, {-5.72348f, 12.6174f});
    d.tracks["Camera y angle"] = buildAngleTrack(cameraPitchKeys(), false, camera, {-0.253706f, 0.682114f});
    d.tracks["Sprite position"] =
        buildPointTrack(spritePositionKeys(), {{-1.9152f, 2.01365f}, {0.0000204984f, 1.14168f}, {-1.05543f, 1.71704f}});
    d.tracks["Kauha 1"] = buildScalarTrack(kauha1());
    d.tracks["Kauha 2"] = buildScalarTrack(kauha2());
    d.tracks["Kauha 3"] = buildScalarTrack(kauha3());
    d.tracks["Koura 1"] = buildScalarTrack(koura1());
    d.tracks["Koura 2"] = buildScalarTrack(koura2());
    d.tracks["Koura 3"] = buildScalarTrack(koura3());
    d.tracks["Koura 4"] = buildScalarTrack(koura4());
    d.tracks["Koura 5"] = buildScalarTrack(koura5());
    return d;
}

// Through the same splicing as the editor (tracks/TrackSource.h).
bool splice(const std::string& path, const Directed& d) {
    std::string text;
    std::string error;
    TrackTable rows;
    for (const auto& [track, array] : kArrayNames) rows[track] = d.tracks.at(track);
    if (!readTextFile(path, text, error) || !spliceTracks(text, rows, error) ||
        !writeTextFileAtomically(path, text, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Trees of a scene, from the CPU copy of the vegetation scatter: a camera
// inside a crown sees only green, and a trunk between the eye and the girl
// hides her.

struct Tree {
    float x, y, z;    // foot
    float height;
    float halfWidth;  // of the painted tree: the quad is 1.5 image widths, the images half as wide as tall
};

const std::vector<Tree>& trees(int scene) {
    static std::map<int, std::vector<Tree>> cache;
    auto [it, added] = cache.try_emplace(scene);
    if (!added) return it->second;
    constexpr float kTypeHeights[] = {0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 1.0f, 1.0f, 0.8f, 0.9f, 0.1f,
                                      2.0f, 0.5f, 0.5f, 0.18f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f};
    for (std::uint32_t i = 0; i < (1u << 20); ++i) {
        const auto point = tolmero::reference::scatterSprite(i, 0.0f);
        const float h = tolmero::reference::sampleRandomField(scene, point.x, point.z);
        const auto sprite = tolmero::reference::scatterSprite(i, h);
        if (sprite.plantClass != 1 && sprite.plantClass != 2 && sprite.plantClass != 4) continue;
        const float height = tolmero::reference::spriteSizeFactor(i) * kTypeHeights[sprite.type] * 0.04f;
        it->second.push_back({sprite.x - 0.5f, h * 0.05f, sprite.z - 0.5f, height, height * 0.25f});
    }
    return it->second;
}

// The first tree the eye stands in, or whose trunk the sight line to
// `target` passes (closer than half its painted width, below its top).
std::string treeTrouble(int scene, V3 eye, bool hasTarget, V3 target) {
    for (const Tree& tree : trees(scene)) {
        const float dx = eye.x - tree.x, dz = eye.z - tree.z;
        if (eye.y < tree.y + tree.height && dx * dx + dz * dz < tree.halfWidth * tree.halfWidth) return " IN-TREE";
        if (!hasTarget) continue;
        const V3 d = target - eye;
        const float along = ((tree.x - eye.x) * d.x + (tree.z - eye.z) * d.z) / (d.x * d.x + d.z * d.z);
        if (along <= 0.0f || along >= 1.0f) continue;
        const V3 p = eye + d * along;
        const float ox = p.x - tree.x, oz = p.z - tree.z;
        if (p.y < tree.y + tree.height * 0.9f && ox * ox + oz * oz < 0.5f * tree.halfWidth * tree.halfWidth)
            return " BLOCKED";
    }
    return "";
}

// ---------------------------------------------------------------------------
// Report: what each shot shows

struct Frame {
    V3 eye, forward, right, up;
    float fov = 45.0f;
};

Frame frameAt(TrackSet& set, float t) {
    Frame f;
    const TrackValue e = set.evaluate("Camera position", t);
    f.eye = {e.x, e.y, e.z};
    f.forward = direction(set.evaluate("Camera x angle", t).y, set.evaluate("Camera y angle", t).y);
    const V3 r{-f.forward.z, 0.0f, f.forward.x};
    f.right = r * (1.0f / length(r));
    f.up = {f.right.y * f.forward.z - f.right.z * f.forward.y, f.right.z * f.forward.x - f.right.x * f.forward.z,
            f.right.x * f.forward.y - f.right.y * f.forward.x};
    f.fov = set.evaluate("Field of view", t).y;
    return f;
}

// Normalised screen position (x right, y up, -1..1 at the edges of a 16:9
// frame) and depth of a point.
struct Screen {
    float x, y, depth;
};
Screen project(const Frame& f, V3 p) {
    const V3 rel = p - f.eye;
    const float depth = dot(rel, f.forward);
    const float k = 1.0f / std::tan(f.fov * 0.5f * kPi / 180.0f);
    return {dot(rel, f.right) / depth * k / (16.0f / 9.0f), dot(rel, f.up) / depth * k, depth};
}

void report(const Directed& d) {
    std::map<std::string, Track, std::less<>> all = tolmero::productionTracks();
    for (const auto& [name, track] : d.tracks) all[name] = track;
    TrackSet set(all);

    auto sprite = [&](float t) {
        const TrackValue v = set.evaluate("Sprite position", t);
        return V3{v.x, v.y, v.z};
    };
    std::printf("  beat  sc  eye x      y        z     clear   yaw     pitch   fov  | sprite: scr x   y   h   feet | "
                "stump x y | machines x y\n");
    for (float t = -2.0f; t <= 424.0f; t += 0.5f) {
        const int scene = sceneAt(t);
        const Frame f = frameAt(set, t);
        float floor = ground(scene, f.eye.x, f.eye.z);
        if (scene == 1) floor = std::max(floor, waterTop(f.eye.x, f.eye.z));
        std::printf("%6.1f  %d %7.3f %8.4f %7.3f %7.4f %7.3f %7.3f %5.1f |", t, scene, f.eye.x, f.eye.y, f.eye.z,
                    f.eye.y - floor, set.evaluate("Camera x angle", t).y, set.evaluate("Camera y angle", t).y, f.fov);
        const V3 foot = sprite(t);
        const float size = set.evaluate("Sprite size", t).y;
        const Screen s = project(f, foot + V3{0.0f, size * 0.5f, 0.0f});
        const Screen top = project(f, foot + V3{0.0f, size, 0.0f});
        const Screen bottom = project(f, foot);
        const bool girlInView = s.depth > 0.0f && std::abs(s.x) < 1.3f && std::abs(s.y) < 1.3f;
        if (girlInView)
            std::printf(" %5.2f %5.2f %4.2f %7.4f |", s.x, s.y, (top.y - bottom.y) * 0.5f,
                        foot.y - ground(scene, foot.x, foot.z));
        else
            std::printf("          -               |");
        const std::string trouble = treeTrouble(scene, f.eye, girlInView, foot + V3{0.0f, size * 0.6f, 0.0f});
        if (scene == 0) {
            const Screen st = project(f, stump());
            if (st.depth > 0.0f && std::abs(st.x) < 1.3f && std::abs(st.y) < 1.3f)
                std::printf(" %5.2f %5.2f |", st.x, st.y);
            else
                std::printf("      -     |");
        }
        if (scene == 3) {
            for (V3 m : {truck(), forwarder(), excavator()}) {
                const Screen sm = project(f, m);
                if (sm.depth > 0.0f && std::abs(sm.x) < 1.3f && std::abs(sm.y) < 1.3f)
                    std::printf(" %5.2f %5.2f %5.3f", sm.x, sm.y, sm.depth);
                else
                    std::printf("       -          ");
            }
        }
        std::printf("%s\n", trouble.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Directed d = direct();
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) return splice(argv[2], d) ? 0 : 1;
    if (argc == 2 && std::strcmp(argv[1], "--report") == 0) {
        report(d);
        return 0;
    }
    if (argc != 1) {
        std::fprintf(stderr, "usage: %s [--write TrackData.cpp | --report]\n", argv[0]);
        return 2;
    }
    for (const auto& [track, array] : kArrayNames) std::printf("const Row %s[] = {\n%s};\n\n", array.c_str(), formatTrackRows(d.tracks.at(track)).c_str());
    return 0;
}
