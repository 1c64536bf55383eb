// The production's keyframe tracks: 36 named tracks of constant data.
//
// Each row is one key: {time in beats, x, y, z, kind}. Scalar tracks keep their
// value in y (x carries an unused number, usually close to the key's time);
// spatial tracks use x, y, z. kind is the multiplicity marker w: kCorner keys
// are passed through with a corner, two at one time make a jump; kSmooth keys
// only bend the curve. Keys are in non-decreasing time.

#include "tracks/TrackSet.h"

#include <cstddef>

namespace tolmero {

namespace {

constexpr float kCorner = 3.0f;
constexpr float kSmooth = 1.0f;

struct Row {
    float time;
    float x;
    float y;
    float z;
    float w;
};

// ---------------------------------------------------------------------------
// Camera

// The camera, the character's foot point and the machine joints below are
// written by the shot tool of tracks/tools/ from its shot list (look-at
// targets and points over the terrain in ShotList.cpp, dig and crane cycles in
// JointCurves.cpp); re-aim a shot there and splice the rows back in with its
// --write option.
//
// Camera eye point in world units. Between cuts a shot is a corner key at each
// end, with smooth keys bending the move in between; a cut is two corner keys
// at one time. The eye stays low over the landscape (x, z in -0.5..0.5).
//   intro along the forest edge in the grass; the logo: a rise over the
//   spruces, then a creep toward the ptarmigan's knoll; the girl standing on
//   the bog; scene 1: over the reeds as she walks across the wooded island, a
//   skim over the open water, high and wide over the lake; the girl crying,
//   then a dolly in while the lens widens as she walks past the stump; looking
//   down on the stump while the twigs grow; the machines at night: overview,
//   crane, excavator; the title walk toward the camera; the fire from the bog
//   to the south; the crane burning; round the machines; the girl crying; an
//   arc round the burning girl that ends on the closing frame.
const Row kCameraPosition[] = {
    {-0.329086f, -0.21798f, 0.00392f, 0.418076f, kSmooth},
    {15.3502f, -0.22262f, 0.00282f, 0.38446f, kSmooth},
    {31.978f, -0.19084f, 0.01195f, 0.36586f, kCorner},
    {31.978f, -0.18657f, 0.00915f, 0.01551f, kCorner},
    {35.0f, -0.184f, 0.0232f, 0.01f, kCorner},
    {48.0f, -0.0700281f, 0.0218856f, -0.0413527f, kSmooth},
    {60.0f, -0.0799832f, 0.00976585f, -0.0809556f, kSmooth},
    {72.0962f, -0.06f, 0.0109958f, -0.085f, kCorner},
    {72.0962f, -0.0649033f, 0.00864661f, -0.22979f, kCorner},
    {84.0f, -0.065413f, 0.00871885f, -0.217088f, kSmooth},
    {96.8138f, -0.0666023f, 0.00809605f, -0.207828f, kCorner},
    {96.8138f, -0.243f, 0.0236756f, -0.024f, kCorner},
    {114.0f, -0.243988f, 0.0236756f, -0.0501976f, kSmooth},
    {130.374f, -0.245f, 0.0236756f, -0.074f, kCorner},
    {130.374f, -0.359526f, 0.00116554f, -0.128f, kCorner},
    {144.003f, -0.31f, 0.00134264f, -0.126f, kCorner},
    {144.003f, -0.359526f, 0.0236756f, -0.215f, kCorner},
    {159.87f, -0.345f, 0.0229976f, -0.205f, kCorner},
    {159.87f, -0.237546f, 0.0114449f, -0.0475927f, kCorner},
    {168.104f, -0.237046f, 0.0114449f, -0.0470927f, kCorner},
    {168.104f, -0.237546f, 0.0114449f, -0.0475927f, kCorner},
    {180.0f, -0.239535f, 0.00990609f, 0.00252725f, kSmooth},
    {191.981f, -0.248068f, 0.0117751f, 0.0384949f, kCorner},
    {191.981f, -0.196916f, 0.0213128f, 0.0321578f, kCorner},
    {214.0f, -0.196916f, 0.0217112f, 0.0321578f, kSmooth},
    {223.938f, -0.196916f, 0.0223128f, 0.0321578f, kCorner},
    {223.938f, 0.14f, 0.0109922f, -0.205f, kCorner},
    {230.0f, 0.160596f, 0.00998893f, -0.220818f, kSmooth},
    {236.186f, 0.178f, 0.00899721f, -0.232f, kCorner},
    {236.186f, 0.28f, 0.0159627f, -0.372f, kCorner},
    {242.0f, 0.286035f, 0.0149694f, -0.365965f, kSmooth},
    {247.951f, 0.292f, 0.0139849f, -0.36f, kCorner},
    {247.951f, 0.215f, 0.00999604f, -0.205f, kCorner},
    {255.899f, 0.22f, 0.00899534f, -0.208f, kCorner},
    {255.899f, 0.0300693f, 0.00827574f, -0.0559291f, kCorner},
    {266.0f, 0.0355256f, 0.00803453f, -0.0249806f, kSmooth},
    {278.0f, 0.0423759f, 0.0073696f, 0.0123041f, kSmooth},
    {289.007f, 0.0458193f, 0.00749377f, 0.0307209f, kCorner},
    {289.007f, -0.034f, 0.0172484f, 0.28f, kCorner},
    {304.0f, -0.0300022f, 0.0174406f, 0.275003f, kSmooth},
    {318.96f, -0.026f, 0.0159496f, 0.27f, kCorner},
    {318.96f, 0.212f, 0.0104637f, -0.262f, kCorner},
    {321.109f, 0.215f, 0.0107209f, -0.266f, kCorner},
    {321.109f, 0.39f, 0.0119977f, -0.23f, kCorner},
    {330.0f, 0.421442f, 0.0132332f, -0.303977f, kSmooth},
    {342.0f, 0.383809f, 0.0132575f, -0.375991f, kSmooth},
    {350.082f, 0.29f, 0.0119781f, -0.37f, kCorner},
    {350.082f, 0.000838488f, 0.0102753f, -0.0119651f, kCorner},
    {352.039f, 0.00466733f, 0.0096681f, -0.000808522f, kCorner},
    {352.039f, 0.427464f, 0.012f, -0.378826f, kCorner},
    {352.039f, 0.0548921f, 0.0104461f, 0.260047f, kCorner},
    {362.0f, 0.099015f, 0.00991901f, 0.290509f, kSmooth},
    {370.0f, 0.117018f, 0.00922077f, 0.281799f, kCorner},
    {375.864f, 0.12279f, 0.00993f, 0.27542f, kSmooth},
};

// Camera yaw in radians (y), turning about the vertical axis; each shot keeps
// the turn count of its own framing, so values leave -pi..pi.
const Row kCameraXAngle[] = {
    {31.978f, 31.978f, 4.603f, 0.0f, kCorner},
    {31.978f, 31.978f, 5.43971f, 0.0f, kCorner},
    {47.0f, 47.0f, 4.72913f, 0.0f, kSmooth},
    {59.0f, 59.0f, 3.65149f, 0.0f, kSmooth},
    {72.0962f, 72.0962f, 5.24608f, 0.0f, kCorner},
    {72.0962f, 72.0962f, 12.6174f, 0.0f, kCorner},
    {96.8138f, 96.8138f, 12.61f, 0.0f, kCorner},
    {96.8138f, 96.8138f, 2.99677f, 0.0f, kCorner},
    {130.374f, 130.374f, 3.02217f, 0.0f, kCorner},
    {130.374f, 130.374f, -1.53396f, 0.0f, kCorner},
    {144.003f, 144.003f, -1.53691f, 0.0f, kCorner},
    {144.003f, 144.003f, -0.825146f, 0.0f, kCorner},
    {159.87f, 159.87f, -0.806674f, 0.0f, kCorner},
    {159.87f, 159.87f, -0.683185f, 0.0f, kCorner},
    {168.055f, 168.055f, -0.682335f, 0.0f, kCorner},
    {168.055f, 168.055f, -0.683382f, 0.0f, kCorner},
    {191.981f, 191.981f, -0.583005f, 0.0f, kCorner},
    {191.981f, 191.981f, -5.72348f, 0.0f, kCorner},
    {223.938f, 223.938f, -5.72348f, 0.0f, kCorner},
    {223.938f, 223.938f, -2.17051f, 0.0f, kCorner},
    {236.186f, 236.186f, -2.16214f, 0.0f, kCorner},
    {236.186f, 236.186f, 0.692108f, 0.0f, kCorner},
    {247.951f, 247.951f, 0.933088f, 0.0f, kCorner},
    {247.951f, 247.951f, -2.59791f, 0.0f, kCorner},
    {255.899f, 255.899f, -2.65363f, 0.0f, kCorner},
    {255.899f, 255.899f, 3.14157f, 0.0f, kCorner},
    {289.007f, 289.007f, 3.14159f, 0.0f, kCorner},
    {305.0f, 305.0f, 3.67418f, 0.0f, kSmooth},
    {321.109f, 321.109f, 3.51187f, 0.0f, kCorner},
    {321.109f, 321.109f, 1.9941f, 0.0f, kCorner},
    {335.5f, 335.5f, 1.2799f, 0.0f, kSmooth},
    {350.082f, 350.082f, 0.336174f, 0.0f, kCorner},
    {350.082f, 350.082f, -1.6f, 0.0f, kCorner},
    {366.048f, 366.048f, -3.76228f, 0.0f, kSmooth},
};

// Camera pitch in radians (y); positive tilts the view down.
const Row kCameraYAngle[] = {
    {0.279733f, 0.279733f, -0.161694f, 0.0f, kSmooth},
    {8.41f, 8.41f, -0.118762f, 0.0f, kSmooth},
    {16.5f, 16.5f, 0.0310279f, 0.0f, kSmooth},
    {24.3f, 24.3f, -0.129245f, 0.0f, kSmooth},
    {31.978f, 31.978f, -0.253706f, 0.0f, kCorner},
    {31.978f, 31.978f, -0.0757779f, 0.0f, kCorner},
    {52.0f, 52.0f, 0.0f, 0.0f, kSmooth},
    {72.0962f, 72.0962f, 0.01f, 0.0f, kCorner},
    {72.0962f, 72.0962f, 0.040001f, 0.0f, kCorner},
    {96.8138f, 96.8138f, 0.0500003f, 0.0f, kCorner},
    {96.8138f, 96.8138f, 0.331202f, 0.0f, kCorner},
    {130.374f, 130.374f, 0.321761f, 0.0f, kCorner},
    {130.374f, 130.374f, -0.0526459f, 0.0f, kCorner},
    {144.003f, 144.003f, -0.02f, 0.0f, kCorner},
    {159.87f, 159.87f, 0.06f, 0.0f, kCorner},
    {168.055f, 168.055f, 0.0518659f, 0.0f, kCorner},
    {168.055f, 168.055f, 0.0467469f, 0.0f, kCorner},
    {191.981f, 191.981f, 0.0689752f, 0.0f, kCorner},
    {191.981f, 191.981f, 0.682114f, 0.0f, kCorner},
    {208.0f, 208.0f, 0.64f, 0.0f, kSmooth},
    {223.938f, 223.938f, 0.0f, 0.0f, kCorner},
    {223.938f, 223.938f, 0.0f, 0.0f, kSmooth},
    {236.186f, 236.186f, -0.06f, 0.0f, kCorner},
    {247.951f, 247.951f, -0.0852012f, 0.0f, kCorner},
    {247.951f, 247.951f, -0.0741521f, 0.0f, kCorner},
    {255.899f, 255.899f, -0.10207f, 0.0f, kCorner},
    {255.899f, 255.899f, -0.128456f, 0.0f, kCorner},
    {289.007f, 289.007f, -0.205349f, 0.0f, kSmooth},
    {321.109f, 321.109f, 0.02f, 0.0f, kSmooth},
    {350.082f, 350.082f, -0.00793728f, 0.0f, kCorner},
    {350.082f, 350.082f, 0.0693221f, 0.0f, kCorner},
    {374.175f, 374.175f, -0.0803304f, 0.0f, kSmooth},
};

// Vertical field of view in degrees (y).
const Row kFieldOfView[] = {
    {31.978f, 113.713f, 24.0996f, 0.0f, kCorner},
    {31.978f, 38.5052f, 16.5556f, 0.0f, kCorner},
    {96.8138f, 96.8176f, 16.5691f, 0.0f, kCorner},
    {96.8138f, 101.459f, 17.5979f, 0.0f, kCorner},
    {109.443f, 122.979f, 17.8046f, 0.0f, kSmooth},
    {130.374f, 127.761f, 19.7672f, 0.0f, kCorner},
    {144.003f, 134.765f, 19.7435f, 0.0f, kCorner},
    {144.003f, 176.174f, 36.5332f, 0.0f, kCorner},
    {159.87f, 160.117f, 36.3776f, 0.0f, kCorner},
    {159.87f, 182.512f, 13.9535f, 0.0f, kCorner},
    {168.055f, 168.292f, 13.9594f, 0.0f, kCorner},
    {168.055f, 178.52f, 16.8652f, 0.0f, kCorner},
    {191.981f, 189.55f, 52.1785f, 0.0f, kCorner},
    {223.938f, 202.303f, 52.0453f, 0.0f, kCorner},
    {255.899f, 255.795f, 52.1969f, 0.0f, kCorner},
    {255.899f, 259.916f, 45.1476f, 0.0f, kCorner},
    {264.122f, 259.147f, 45.3283f, 0.0f, kSmooth},
};

// Whether the fire burns (y > 0): switches on at beat 289.007.
const Row kFlamesEnabled[] = {
    {289.007f, 77.8877f, -0.168139f, 0.0f, kCorner},
    {289.007f, 296.923f, 0.996703f, 0.0f, kCorner},
};

// ---------------------------------------------------------------------------
// Machines. Angles in radians (y); positions at 1/200 of world scale.

const Row kKaivinAngle[] = {{232.216f, 20.389f, 0.380559f, 0.0f, kSmooth}};
const Row kKaivinPos[] = {{267.967f, 0.242946f, 0.00000896002f, -0.251233f, kSmooth}};
const Row kKoneAngle[] = {{266.33f, 270.949f, -0.942338f, 0.0f, kSmooth}};
const Row kKouraPos[] = {{292.188f, 0.235132f, 0.0000301205f, -0.317865f, kSmooth}};
const Row kRekkaAngle[] = {{286.749f, 286.749f, 1.34102f, 0.0f, kSmooth}};
const Row kRekkaPos[] = {{322.584f, 0.306005f, -0.0000348315f, -0.294834f, kSmooth}};

// Excavator boom (negative leans it forward): a dig cycle every 30 beats.
const Row kKauha1[] = {
    {222.844f, 222.844f, 0.1f, 0.0f, kSmooth},
    {230.0f, 230.0f, -0.9f, 0.0f, kSmooth},
    {240.0f, 240.0f, -1.0f, 0.0f, kSmooth},
    {250.0f, 250.0f, 0.1f, 0.0f, kSmooth},
    {260.0f, 260.0f, -0.9f, 0.0f, kSmooth},
    {270.0f, 270.0f, -1.05107f, 0.0f, kSmooth},
    {280.0f, 280.0f, 0.235584f, 0.0f, kSmooth},
    {290.0f, 290.0f, -0.9f, 0.0f, kSmooth},
    {300.0f, 300.0f, -1.0f, 0.0f, kSmooth},
    {310.0f, 310.0f, 0.15f, 0.0f, kSmooth},
    {320.0f, 320.0f, -0.85f, 0.0f, kSmooth},
    {330.0f, 330.0f, -1.0f, 0.0f, kSmooth},
    {340.0f, 340.0f, 0.1f, 0.0f, kSmooth},
    {350.0f, 350.0f, -0.9f, 0.0f, kSmooth},
    {360.0f, 360.0f, -1.0f, 0.0f, kSmooth},
    {370.0f, 370.0f, 0.12f, 0.0f, kSmooth},
    {385.0f, 385.0f, -0.9f, 0.0f, kSmooth},
    {400.0f, 400.0f, -0.95f, 0.0f, kSmooth},
    {418.481f, 418.481f, 0.0f, 0.0f, kSmooth},
};

// Excavator stick (its angle adds to the boom's): raised to reach out, down
// into the ground to dig.
const Row kKauha2[] = {
    {223.938f, 223.938f, 0.5f, 0.0f, kSmooth},
    {230.0f, 230.0f, 1.3f, 0.0f, kSmooth},
    {241.0f, 241.0f, -0.3f, 0.0f, kSmooth},
    {260.0f, 260.0f, 1.52224f, 0.0f, kSmooth},
    {271.0f, 271.0f, -0.362437f, 0.0f, kSmooth},
    {290.0f, 290.0f, 1.3f, 0.0f, kSmooth},
    {301.0f, 301.0f, -0.25f, 0.0f, kSmooth},
    {320.0f, 320.0f, 1.35f, 0.0f, kSmooth},
    {331.0f, 331.0f, -0.3f, 0.0f, kSmooth},
    {350.0f, 350.0f, 1.3f, 0.0f, kSmooth},
    {361.0f, 361.0f, -0.25f, 0.0f, kSmooth},
    {386.0f, 386.0f, 1.2f, 0.0f, kSmooth},
    {412.322f, 412.322f, 0.3f, 0.0f, kSmooth},
};

// Excavator bucket: curl to fill, open to dump.
const Row kKauha3[] = {
    {232.158f, 232.158f, 0.0f, 0.0f, kSmooth},
    {243.0f, 243.0f, -0.652388f, 0.0f, kSmooth},
    {257.0f, 257.0f, 0.0724875f, 0.0f, kSmooth},
    {273.0f, 273.0f, -0.6f, 0.0f, kSmooth},
    {300.0f, 300.0f, 0.05f, 0.0f, kSmooth},
    {333.0f, 333.0f, -0.55f, 0.0f, kSmooth},
    {362.0f, 362.0f, 0.0f, 0.0f, kSmooth},
    {409.182f, 409.182f, -0.4f, 0.0f, kSmooth},
};

// Crane slew about the vertical axis: working swings first, then the crane
// whirls round several turns one way and back the other while the forest burns.
const Row kKoura1[] = {
    {223.938f, 223.938f, 1.45f, 0.0f, kSmooth},
    {236.5f, 236.5f, 3.05f, 0.0f, kSmooth},
    {249.8f, 249.8f, 1.55f, 0.0f, kSmooth},
    {260.3f, 260.3f, 3.15f, 0.0f, kSmooth},
    {271.186f, 271.186f, 1.6f, 0.0f, kSmooth},
    {271.186f, 271.186f, 1.95f, 0.0f, kSmooth},
    {283.4f, 283.4f, 3.1f, 0.0f, kSmooth},
    {298.0f, 298.0f, 5.0f, 0.0f, kSmooth},
    {314.5f, 314.5f, 9.2f, 0.0f, kSmooth},
    {329.2f, 329.2f, 13.3455f, 0.0f, kSmooth},
    {347.8f, 347.8f, 6.0f, 0.0f, kSmooth},
    {368.3f, 368.3f, -4.2f, 0.0f, kSmooth},
    {389.5f, 389.5f, -11.0947f, 0.0f, kSmooth},
    {406.67f, 406.67f, -10.2f, 0.0f, kSmooth},
};

// Crane main boom (positive leans it forward).
const Row kKoura2[] = {
    {223.938f, 223.938f, 0.45f, 0.0f, kSmooth},
    {230.0f, 230.0f, 0.55f, 0.0f, kSmooth},
    {236.5f, 236.5f, -0.35f, 0.0f, kSmooth},
    {243.0f, 243.0f, 0.2f, 0.0f, kSmooth},
    {249.8f, 249.8f, 0.616617f, 0.0f, kSmooth},
    {255.0f, 255.0f, 0.3f, 0.0f, kSmooth},
    {260.3f, 260.3f, -0.4f, 0.0f, kSmooth},
    {266.0f, 266.0f, 0.3f, 0.0f, kSmooth},
    {271.186f, 271.186f, 0.5f, 0.0f, kSmooth},
    {277.0f, 277.0f, 0.2f, 0.0f, kSmooth},
    {283.4f, 283.4f, -0.496617f, 0.0f, kSmooth},
    {300.0f, 300.0f, 0.3f, 0.0f, kSmooth},
    {330.0f, 330.0f, -0.2f, 0.0f, kSmooth},
    {360.0f, 360.0f, 0.4f, 0.0f, kSmooth},
    {408.39f, 408.39f, 0.0f, 0.0f, kSmooth},
};

// Crane lift cylinder: follows the main boom so that it keeps pointing at its
// mounting.
const Row kKoura3[] = {
    {226.689f, 226.689f, 0.679732f, 0.0f, kSmooth},
    {232.0f, 232.0f, 0.350747f, 0.0f, kSmooth},
    {237.5f, 237.5f, -0.207098f, 0.0f, kSmooth},
    {243.0f, 243.0f, 0.274307f, 0.0f, kSmooth},
    {249.5f, 249.5f, 0.730412f, 0.0f, kSmooth},
    {255.0f, 255.0f, 0.365767f, 0.0f, kSmooth},
    {260.5f, 260.5f, -0.29295f, 0.0f, kSmooth},
    {266.0f, 266.0f, 0.345981f, 0.0f, kSmooth},
    {271.5f, 271.5f, 0.597665f, 0.0f, kSmooth},
    {277.0f, 277.0f, 0.226074f, 0.0f, kSmooth},
    {283.5f, 283.5f, -0.638908f, 0.0f, kSmooth},
    {300.0f, 300.0f, 0.103968f, 0.0f, kSmooth},
    {330.0f, 330.0f, -0.0280886f, 0.0f, kSmooth},
    {360.0f, 360.0f, 0.344109f, 0.0f, kSmooth},
    {415.195f, 415.195f, 0.0f, 0.0f, kSmooth},
};

// Crane outer boom (positive lowers its tip).
const Row kKoura4[] = {
    {226.087f, 226.087f, 0.8f, 0.0f, kSmooth},
    {232.0f, 232.0f, 0.9f, 0.0f, kSmooth},
    {237.0f, 237.0f, -0.5f, 0.0f, kSmooth},
    {244.0f, 244.0f, 0.3f, 0.0f, kSmooth},
    {250.0f, 250.0f, 1.06919f, 0.0f, kSmooth},
    {261.0f, 261.0f, -0.978581f, 0.0f, kSmooth},
    {266.0f, 266.0f, 0.2f, 0.0f, kSmooth},
    {272.0f, 272.0f, 0.9f, 0.0f, kSmooth},
    {284.0f, 284.0f, -0.6f, 0.0f, kSmooth},
    {310.0f, 310.0f, 0.4f, 0.0f, kSmooth},
    {360.0f, 360.0f, -0.3f, 0.0f, kSmooth},
    {421.076f, 421.076f, 0.2f, 0.0f, kSmooth},
};

// Grapple: hangs plumb below the outer boom's tip, flung outward while the
// crane whirls.
const Row kKoura5[] = {
    {225.279f, 225.279f, -1.25041f, 0.0f, kSmooth},
    {232.0f, 232.0f, -0.858306f, 0.0f, kSmooth},
    {237.0f, 237.0f, 0.230781f, 0.0f, kSmooth},
    {244.0f, 244.0f, -0.560014f, 0.0f, kSmooth},
    {250.0f, 250.0f, -1.14644f, 0.0f, kSmooth},
    {261.0f, 261.0f, 0.629424f, 0.0f, kSmooth},
    {266.0f, 266.0f, -0.31518f, 0.0f, kSmooth},
    {272.0f, 272.0f, -0.971478f, 0.0f, kSmooth},
    {284.0f, 284.0f, 0.377675f, 0.0f, kSmooth},
    {345.0f, 345.0f, 2.12026f, 0.0f, kSmooth},
    {380.0f, 380.0f, -0.126864f, 0.0f, kSmooth},
    {412.623f, 412.623f, -0.130799f, 0.0f, kSmooth},
};

// ---------------------------------------------------------------------------
// Character sprite

// Frame of the character sprite (y, truncated): the ptarmigan (frames 0-2) on
// smooth keys that swing about the frames so the curve stays within them; the
// low keys just before the first corner key hold the curve down until that key
// pulls it up almost at once. From there corner keys only: holds, and walk
// cycles that climb through a frame range and jump back.
const Row kSpriteFrame[] = {
    {31.978f, 31.978f, 0.4f, 0.0f, kSmooth},
    {34.9f, 34.9f, -0.3f, 0.0f, kSmooth},
    {37.9f, 37.9f, 3.4f, 0.0f, kSmooth},
    {40.8f, 40.8f, -1.5f, 0.0f, kSmooth},
    {43.7f, 43.7f, 4.8f, 0.0f, kSmooth},
    {46.7f, 46.7f, -2.7f, 0.0f, kSmooth},
    {49.6f, 49.6f, 6.0f, 0.0f, kSmooth},
    {52.6f, 52.6f, -3.49f, 0.0f, kSmooth},
    {55.5f, 55.5f, 6.4f, 0.0f, kSmooth},
    {58.5f, 58.5f, -3.7f, 0.0f, kSmooth},
    {63.9f, 63.9f, 5.12f, 0.0f, kSmooth},
    {64.8931f, 64.8931f, -3.6f, 0.0f, kSmooth},
    {64.8931f, 64.8931f, 14.6f, 0.0f, kCorner},
    {96.8138f, 96.8138f, 14.62f, 0.0f, kCorner},
    {100.068f, 100.068f, 14.65f, 0.0f, kCorner},
    {102.883f, 102.883f, 26.6f, 0.0f, kCorner},
    {102.883f, 102.883f, 15.0f, 0.0f, kCorner},
    {106.04f, 106.04f, 26.6f, 0.0f, kCorner},
    {106.04f, 106.04f, 15.0f, 0.0f, kCorner},
    {108.94f, 108.94f, 26.6f, 0.0f, kCorner},
    {108.94f, 108.94f, 15.0f, 0.0f, kCorner},
    {112.012f, 112.012f, 26.6f, 0.0f, kCorner},
    {112.012f, 112.012f, 15.0f, 0.0f, kCorner},
    {115.168f, 115.168f, 26.6f, 0.0f, kCorner},
    {115.168f, 115.168f, 15.0f, 0.0f, kCorner},
    {118.58f, 118.58f, 26.6f, 0.0f, kCorner},
    {118.58f, 118.58f, 15.0f, 0.0f, kCorner},
    {121.907f, 121.907f, 26.6f, 0.0f, kCorner},
    {121.907f, 121.907f, 15.0f, 0.0f, kCorner},
    {124.04f, 124.04f, 26.6f, 0.0f, kCorner},
    {124.04f, 124.04f, 8.4f, 0.0f, kCorner},
    {126.876f, 126.876f, 14.1f, 0.0f, kCorner},
    {126.876f, 126.876f, 3.2f, 0.0f, kCorner},
    {130.374f, 130.374f, 14.2f, 0.0f, kCorner},
    {165.905f, 165.905f, 14.2f, 0.0f, kCorner},
    {165.905f, 165.905f, 27.0f, 0.0f, kCorner},
    {168.104f, 168.104f, 30.9f, 0.0f, kCorner},
    {168.104f, 168.104f, 31.0f, 0.0f, kCorner},
    {171.017f, 171.017f, 38.6f, 0.0f, kCorner},
    {171.017f, 171.017f, 31.0f, 0.0f, kCorner},
    {174.114f, 174.114f, 38.6f, 0.0f, kCorner},
    {174.114f, 174.114f, 31.0f, 0.0f, kCorner},
    {176.964f, 176.964f, 38.6f, 0.0f, kCorner},
    {176.964f, 176.964f, 31.0f, 0.0f, kCorner},
    {180.017f, 180.017f, 38.6f, 0.0f, kCorner},
    {180.017f, 180.017f, 31.0f, 0.0f, kCorner},
    {182.999f, 182.999f, 38.6f, 0.0f, kCorner},
    {182.999f, 182.999f, 31.0f, 0.0f, kCorner},
    {185.982f, 185.982f, 38.6f, 0.0f, kCorner},
    {185.982f, 185.982f, 31.0f, 0.0f, kCorner},
    {188.968f, 188.968f, 38.6f, 0.0f, kCorner},
    {188.968f, 188.968f, 31.0f, 0.0f, kCorner},
    {191.999f, 191.999f, 38.6f, 0.0f, kCorner},
    {191.999f, 191.999f, 26.9f, 0.0f, kCorner},
    {255.899f, 255.899f, 15.3f, 0.0f, kCorner},
    {259.033f, 259.033f, 26.5f, 0.0f, kCorner},
    {259.033f, 259.033f, 15.0f, 0.0f, kCorner},
    {261.983f, 261.983f, 26.5f, 0.0f, kCorner},
    {261.983f, 261.983f, 15.0f, 0.0f, kCorner},
    {264.984f, 264.984f, 26.5f, 0.0f, kCorner},
    {264.984f, 264.984f, 15.0f, 0.0f, kCorner},
    {267.934f, 267.934f, 26.5f, 0.0f, kCorner},
    {267.934f, 267.934f, 15.0f, 0.0f, kCorner},
    {270.572f, 270.572f, 26.5f, 0.0f, kCorner},
    {270.572f, 270.572f, 15.0f, 0.0f, kCorner},
    {273.625f, 273.625f, 26.5f, 0.0f, kCorner},
    {273.625f, 273.625f, 15.0f, 0.0f, kCorner},
    {276.264f, 276.264f, 26.5f, 0.0f, kCorner},
    {276.264f, 276.264f, 15.0f, 0.0f, kCorner},
    {279.007f, 279.007f, 26.5f, 0.0f, kCorner},
    {279.007f, 279.007f, 15.0f, 0.0f, kCorner},
    {282.059f, 282.059f, 26.5f, 0.0f, kCorner},
    {282.059f, 282.059f, 15.0f, 0.0f, kCorner},
    {284.957f, 284.957f, 26.5f, 0.0f, kCorner},
    {284.957f, 284.957f, 14.9f, 0.0f, kCorner},
    {287.014f, 287.014f, 23.5f, 0.0f, kCorner},
    {287.014f, 287.014f, 27.3f, 0.0f, kCorner},
    {289.007f, 289.007f, 27.4f, 0.0f, kCorner},
    {289.007f, 289.007f, 29.9f, 0.0f, kCorner},
    {350.082f, 350.082f, 29.95f, 0.0f, kCorner},
    {350.082f, 350.082f, 30.8f, 0.0f, kCorner},
    {352.039f, 352.039f, 30.85f, 0.0f, kCorner},
    {352.039f, 352.039f, 39.3f, 0.0f, kCorner},
    {354.75f, 354.75f, 44.9f, 0.0f, kCorner},
    {354.75f, 354.75f, 39.3f, 0.0f, kCorner},
    {357.894f, 357.894f, 44.9f, 0.0f, kCorner},
    {357.894f, 357.894f, 39.3f, 0.0f, kCorner},
    {361.024f, 361.024f, 44.9f, 0.0f, kCorner},
    {361.024f, 361.024f, 39.3f, 0.0f, kCorner},
    {363.958f, 363.958f, 44.9f, 0.0f, kCorner},
    {363.958f, 363.958f, 39.3f, 0.0f, kCorner},
    {366.961f, 366.961f, 44.9f, 0.0f, kCorner},
    {366.961f, 366.961f, 39.3f, 0.0f, kCorner},
    {369.895f, 369.895f, 44.9f, 0.0f, kCorner},
    {369.895f, 369.895f, 39.3f, 0.0f, kCorner},
    {373.108f, 373.108f, 44.9f, 0.0f, kCorner},
    {373.108f, 373.108f, 39.3f, 0.0f, kCorner},
    {375.971f, 375.971f, 44.9f, 0.0f, kCorner},
    {375.971f, 375.971f, 39.3f, 0.0f, kCorner},
    {379.114f, 379.114f, 44.9f, 0.0f, kCorner},
    {379.114f, 379.114f, 39.3f, 0.0f, kCorner},
    {382.048f, 382.048f, 44.9f, 0.0f, kCorner},
    {382.048f, 382.048f, 39.3f, 0.0f, kCorner},
    {384.982f, 384.982f, 44.9f, 0.0f, kCorner},
    {384.982f, 384.982f, 39.3f, 0.0f, kCorner},
    {387.915f, 387.915f, 44.9f, 0.0f, kCorner},
    {387.915f, 387.915f, 39.3f, 0.0f, kCorner},
    {390.988f, 390.988f, 44.9f, 0.0f, kCorner},
    {390.988f, 390.988f, 39.3f, 0.0f, kCorner},
    {394.061f, 394.061f, 44.9f, 0.0f, kCorner},
    {394.061f, 394.061f, 39.3f, 0.0f, kCorner},
    {396.925f, 396.925f, 44.9f, 0.0f, kCorner},
    {396.925f, 396.925f, 39.3f, 0.0f, kCorner},
    {399.998f, 399.998f, 44.9f, 0.0f, kCorner},
    {399.998f, 399.998f, 39.3f, 0.0f, kCorner},
    {403.002f, 403.002f, 44.9f, 0.0f, kCorner},
    {403.002f, 403.002f, 39.3f, 0.0f, kCorner},
    {405.935f, 405.935f, 44.9f, 0.0f, kCorner},
    {405.935f, 405.935f, 39.3f, 0.0f, kCorner},
    {408.869f, 408.869f, 44.9f, 0.0f, kCorner},
    {408.869f, 408.869f, 39.3f, 0.0f, kCorner},
    {411.872f, 411.872f, 44.9f, 0.0f, kCorner},
    {411.872f, 411.872f, 39.3f, 0.0f, kCorner},
    {415.085f, 415.085f, 44.9f, 0.0f, kCorner},
};

// Foot point of the character sprite, on the terrain of the scene showing.
// While she is not in the picture she waits far outside the landscape and
// high above it; the middle keys of the two triples are passed in no time.
const Row kSpritePosition[] = {
    {46.6513f, 0.0387275f, 0.000728942f, -0.147519f, kCorner},
    {57.0f, 0.00472212f, 2.04984e-05f, -0.128105f, kSmooth},
    {70.2098f, -0.03f, 2.04984e-05f, -0.123f, kCorner},
    {70.2098f, 2.01365f, 0.5f, -1.05543f, kCorner},
    {70.2098f, -0.07f, 2.04984e-05f, -0.13f, kCorner},
    {96.8138f, -0.07f, 2.04984e-05f, -0.13f, kCorner},
    {96.8138f, -0.25f, 0.00279639f, -0.072f, kCorner},
    {114.0f, -0.249744f, 0.00589423f, -0.0991855f, kSmooth},
    {130.374f, -0.251f, 0.0026878f, -0.124f, kCorner},
    {130.374f, -0.251f, 0.0026878f, -0.124f, kCorner},
    {159.87f, -0.251f, 0.0026878f, -0.124f, kCorner},
    {159.87f, -0.183889f, 0.00206864f, 0.0183304f, kCorner},
    {168.104f, -0.183889f, 0.00206864f, 0.0183304f, kCorner},
    {168.104f, -0.183889f, 0.00206864f, 0.0183304f, kCorner},
    {180.0f, -0.212048f, 0.00391522f, 0.0412504f, kSmooth},
    {191.981f, -0.234301f, 0.00464742f, 0.0593628f, kCorner},
    {191.981f, -1.9152f, 1.14168f, 1.71704f, kCorner},
    {255.899f, -1.85f, 1.14f, 1.6f, kCorner},
    {255.899f, 0.0300693f, 0.000618181f, -0.101929f, kCorner},
    {264.122f, 0.0340068f, 0.000487921f, -0.0797666f, kCorner},
    {264.122f, 0.1f, 2.04984e-05f, 0.1f, kCorner},
    {264.122f, 0.0340068f, 0.000487921f, -0.0797666f, kCorner},
    {272.139f, 0.0379443f, 0.0005795f, -0.0576041f, kCorner},
    {272.139f, 0.0379443f, 0.0005795f, -0.0576041f, kCorner},
    {280.051f, 0.0418818f, 2.46823e-05f, -0.0354416f, kCorner},
    {280.051f, 0.0418818f, 2.46823e-05f, -0.0354416f, kCorner},
    {287.014f, 0.0458193f, 3.50184e-05f, -0.0132791f, kCorner},
    {287.014f, 0.0458193f, 0.000750397f, -0.0132791f, kCorner},
    {318.96f, 0.0458193f, 0.000750397f, -0.0132791f, kCorner},
    {321.109f, 0.0458193f, 0.000750397f, -0.0132791f, kCorner},
    {352.039f, 0.0458193f, 0.000750397f, -0.0132791f, kCorner},
    {352.039f, 0.093173f, 0.000766809f, 0.248446f, kCorner},
};

// ---------------------------------------------------------------------------
// Character sprite size (y, world units of the quad's height).

const Row kSpriteSize[] = {
    {-2.41817f, -2.41817f, 0.0241642f, 0.0f, kSmooth},
    {-1.6226f, -2.07729f, 0.0102273f, 0.0f, kCorner},
    {2.43369f, 3.01974f, 0.0102518f, 0.0f, kSmooth},
    {31.978f, 31.8205f, 0.0131258f, 0.0f, kCorner},
    {96.8138f, 96.5705f, 0.0083866f, 0.0f, kCorner},
    {168.104f, 167.152f, 0.00839382f, 0.0f, kCorner},
    {168.104f, 171.822f, 0.0107553f, 0.0f, kCorner},
};

// ---------------------------------------------------------------------------
// Sequencing and effects

// Bloom strength (y).
const Row kBloom[] = {
    {-0.070832f, 2.57957f, 1.99589f, 0.0f, kSmooth},
    {5.18962f, 3.5331f, 1.2094f, 0.0f, kSmooth},
    {31.978f, 15.8084f, 1.11479f, 0.0f, kCorner},
    {31.978f, 36.9825f, 1.05641f, 0.0f, kCorner},
    {191.981f, 192.22f, 1.05599f, 0.0f, kCorner},
    {199.641f, 199.641f, 0.98f, 0.0f, kSmooth},
    {213.041f, 205.438f, 0.72f, 0.0f, kSmooth},
    {220.875f, 215.873f, 0.9f, 0.0f, kSmooth},
    {224.111f, 217.729f, 1.0581f, 0.0f, kCorner},
    {289.007f, 288.791f, 1.05107f, 0.0f, kCorner},
    {289.007f, 289.257f, 1.08f, 0.0f, kCorner},
    {318.96f, 318.842f, 1.12f, 0.0f, kSmooth},
    {412.0f, 412.0f, 1.25f, 0.0f, kSmooth},
    {415.6f, 415.6f, 0.8f, 0.0f, kSmooth},
    {415.637f, 413.728f, 3.55189f, 0.0f, kSmooth},
};

// Logo particle activation (y): the logo forms as it rises to 1 and blows away
// as it passes on toward 2.
const Row kLogoActivation[] = {
    {36.7091f, 5.80363f, -0.29667f, 0.0f, kSmooth},
    {46.835f, 46.6644f, 1.00073f, 0.0f, kCorner},
    {59.0342f, 59.9726f, 1.01886f, 0.0f, kCorner},
    {65.3458f, 24.9942f, 2.06495f, 0.0f, kSmooth},
};

// Scene index (y, clamped to 0..3 and truncated): 2, 0, 1, 0, 3.
const Row kScene[] = {
    {-1.14396f, 9.39305f, 2.42954f, 3.60073f, kSmooth},
    {-0.068995f, -0.0265053f, 2.43636f, 0.0f, kCorner},
    {31.978f, 31.1509f, 2.45266f, 0.0f, kCorner},
    {31.978f, 33.9374f, 0.544825f, 0.0f, kCorner},
    {96.8138f, 36.0639f, 0.564762f, 0.0f, kCorner},
    {96.8138f, 96.8264f, 1.08731f, 0.0f, kCorner},
    {159.87f, 112.95f, 1.08731f, 0.0f, kCorner},
    {159.87f, 171.589f, 0.199341f, 0.0f, kCorner},
    {224.111f, 199.75f, 0.217463f, 0.0f, kCorner},
    {224.111f, 236.224f, 3.13508f, 0.0f, kSmooth},
};

// Twig growth around the stump (y).
const Row kStumpGrowth[] = {
    {191.981f, 12.2059f, 1.41572f, 0.0f, kSmooth},
    {194.016f, 204.987f, 1.01483f, 0.0f, kSmooth},
    {224.111f, 19.7425f, 0.437896f, 0.0f, kSmooth},
};

// Foot point of the stump (x, y, z); it stands in place from 168.104 to 224.111.
const Row kStumpPosition[] = {
    {168.104f, 0.614035f, 0.389091f, -1.64522f, kCorner},
    {168.104f, -0.205992f, -0.0000426061f, 0.0467105f, kCorner},
    {224.111f, -0.205977f, -0.0000674249f, 0.0465679f, kCorner},
    {224.111f, 0.868421f, 0.311357f, -1.94384f, kCorner},
};

// Title card (y, truncated; only 0 to 3 draw a card): none, 0, 1, 2, 3, none.
const Row kTitle[] = {
    {255.899f, 251.142f, -5.00257f, 0.0f, kCorner},
    {255.899f, 256.643f, -0.790896f, 0.0f, kCorner},
    {264.122f, 261.123f, -0.790896f, 0.0f, kCorner},
    {264.122f, 265.901f, 1.31494f, 0.0f, kCorner},
    {272.139f, 31.2233f, 1.2829f, 0.0f, kCorner},
    {272.139f, 291.238f, 2.51828f, 0.0f, kCorner},
    {280.051f, 276.308f, 2.63861f, 0.0f, kCorner},
    {280.051f, 282.024f, 3.72161f, 0.0f, kCorner},
    {287.014f, 286.546f, 3.60128f, 0.0f, kCorner},
    {287.014f, 289.787f, 6.12828f, 0.0f, kCorner},
};

template <std::size_t N>
Track toTrack(const Row (&rows)[N]) {
    Track track;
    track.reserve(N);
    for (const Row& row : rows) {
        track.push_back(TrackKey{row.time, TrackValue{row.x, row.y, row.z, row.w}});
    }
    return track;
}

std::map<std::string, Track, std::less<>> buildTracks() {
    std::map<std::string, Track, std::less<>> tracks;
    tracks.emplace("Camera position", toTrack(kCameraPosition));
    tracks.emplace("Camera x angle", toTrack(kCameraXAngle));
    tracks.emplace("Camera y angle", toTrack(kCameraYAngle));
    tracks.emplace("Field of view", toTrack(kFieldOfView));
    tracks.emplace("Flames enabled", toTrack(kFlamesEnabled));
    tracks.emplace("Kaivin angle", toTrack(kKaivinAngle));
    tracks.emplace("Kaivin pos", toTrack(kKaivinPos));
    // The machines' wheels never turn: their tracks exist without keys.
    tracks.emplace("Kaivurirenkaat 1", Track{});
    tracks.emplace("Kaivurirenkaat 2", Track{});
    tracks.emplace("Kauha 1", toTrack(kKauha1));
    tracks.emplace("Kauha 2", toTrack(kKauha2));
    tracks.emplace("Kauha 3", toTrack(kKauha3));
    tracks.emplace("Kone angle", toTrack(kKoneAngle));
    tracks.emplace("Koura 1", toTrack(kKoura1));
    tracks.emplace("Koura 2", toTrack(kKoura2));
    tracks.emplace("Koura 3", toTrack(kKoura3));
    tracks.emplace("Koura 4", toTrack(kKoura4));
    tracks.emplace("Koura 5", toTrack(kKoura5));
    tracks.emplace("Koura pos", toTrack(kKouraPos));
    tracks.emplace("Rekka angle", toTrack(kRekkaAngle));
    tracks.emplace("Rekka pos", toTrack(kRekkaPos));
    tracks.emplace("Renkaat 1", Track{});
    tracks.emplace("Renkaat 2", Track{});
    tracks.emplace("Renkaat 3", Track{});
    tracks.emplace("Renkaat 4", Track{});
    tracks.emplace("Renkaat 5", Track{});
    tracks.emplace("Renkaat 6", Track{});
    tracks.emplace("Sprite frame", toTrack(kSpriteFrame));
    tracks.emplace("Sprite position", toTrack(kSpritePosition));
    tracks.emplace("Sprite size", toTrack(kSpriteSize));
    tracks.emplace("bloom", toTrack(kBloom));
    tracks.emplace("logo activation", toTrack(kLogoActivation));
    tracks.emplace("scene", toTrack(kScene));
    tracks.emplace("stump growth", toTrack(kStumpGrowth));
    tracks.emplace("stump position", toTrack(kStumpPosition));
    tracks.emplace("title", toTrack(kTitle));
    return tracks;
}

}  // namespace

const std::map<std::string, Track, std::less<>>& productionTracks() {
    static const std::map<std::string, Track, std::less<>> tracks = buildTracks();
    return tracks;
}

}  // namespace tolmero
