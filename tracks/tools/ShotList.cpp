#include "tracks/tools/ShotList.h"

#include <algorithm>

#include "tracks/tools/ShotWorld.h"

namespace tolmero::shots {
namespace {


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

}  // namespace

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
        // Aimed above her head, so that the horizon and the machines on it
        // sink below the title cards, which then stand on the night sky.
        {255.899f, C, look(head(titleWalk(0.0f), 0.0108f) + V3{0.0f, 0.0055f, 0.0f})},
        {289.007f, S, look(head(kCryingAtFire, 0.0108f) + V3{0.0f, 0.0055f, 0.0f})},
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

}  // namespace tolmero::shots
