#pragma once
// The girl of the animation frames: a Finnish girl in a quilted blue winter coat, a red
// knitted hat with a pompom and a patterned band, a striped scarf, red mittens, snow
// trousers and fur-topped boots, with two blonde braids. She is drawn from the front
// (etu, etue, itku, tuli) or walking to the left in profile (sivu), standing on the
// frame's bottom edge.
#include <cairo.h>

namespace tolmero::images {

enum class Expression { Smile, Curious, Crying, Sobbing, Wonder };

struct FrontPose {
    double bob = 0.0;        // upper body lowered (frame pixels, positive down)
    double sway = 0.0;       // torso shift to the right
    double tilt = 0.0;       // shoulder roll (radians, positive: right shoulder down)
    // Feet: horizontal position of the boot's centre, its lift above the ground and
    // how far back (away from the viewer) it is, 0..1; back feet stand higher and smaller.
    double footX[2] = {214.0, 298.0};
    double footLift[2] = {0.0, 0.0};
    double footBack[2] = {0.0, 0.0};
    // Hands (mitten centres) and whether each arm swings behind the body.
    double handX[2] = {158.0, 354.0};
    double handY[2] = {590.0, 590.0};
    bool armBehind[2] = {false, false};
    double headTurn = 0.0;   // -1 (her right, image left) .. 1
    double headTilt = 0.0;   // radians
    double headNod = 0.0;    // head lowered (pixels)
    double gazeY = 0.0;      // eyes looking down (pixels)
    double shrug = 0.0;      // shoulders raised (pixels)
    double scarfSwing = 0.0; // hanging end of the scarf, pixels to the right
    double braidSwing = 0.0;
    Expression expression = Expression::Smile;
    int tears = 0;
    bool handsOverFace = false;  // mittens drawn over the eyes
    bool flame = false;
    double flamePhase = 0.0;     // 0..1 around the flicker cycle
};

// The profile walk (sivu) goes to the left of the picture, the way "Sprite position"
// moves across the screen while it plays; false mirrors it to walk to the right.
constexpr bool kSideWalkFacesLeft = true;

struct SidePose {
    double phase = 0.0;  // walk cycle, 0..1
};

void drawGirlFront(cairo_t* cr, const FrontPose& pose);
void drawGirlSide(cairo_t* cr, const SidePose& pose);

}  // namespace tolmero::images
