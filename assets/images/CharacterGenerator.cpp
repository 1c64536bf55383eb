// Writes the animation frames, 512 × 1024 RGBA: a transparent background and a figure
// whose alpha is 255 (the character pass keeps only alpha >= 0.98):
//   "sprites/animaatiot/riekko/riekko1..3.png"  the willow ptarmigan's walk
//   "sprites/animaatiot/tytto/..."               the girl:
//     etu1..9, etu91..93    walking toward the viewer (an eight-frame cycle), slowing
//                           down and stopping; etu93 is her standing pose
//     etue1..9, etue91..93  a looping twelve-frame walk toward the viewer, looking around
//     itku1..4              crying: the hands come up, cover the eyes, and one wipes a tear
//     sivu1..8              a looping walk cycle to the left, in profile
//     tuli1..6              holding a flame in cupped hands; the flame flickers in a loop
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "CharacterKit.h"
#include "Girl.h"
#include "Ptarmigan.h"
#include "common/ImageFile.h"

using namespace tolmero::images;

namespace {

// The walk toward the viewer at cycle phase 0..1: the image-left foot lands in front at
// phase 0, the other at 0.5; arms swing against the legs; the body is lowest when a
// foot lands and leans over the foot it stands on.
FrontPose frontWalk(double phase, double stride, double armSwing) {
    const double w = 2.0 * kPi * phase;
    FrontPose p;
    const double c = std::cos(w), s = std::sin(w);
    const double forward[2] = {c, -c};
    for (int i = 0; i < 2; ++i) {
        const double back = (1.0 - forward[i]) * 0.5 * stride;
        p.footBack[i] = back;
        // A foot is lifted while it swings from the back to the front.
        p.footLift[i] = std::max(0.0, i == 0 ? -s : s) * 38.0 * stride;
        p.footX[i] = (i == 0 ? 212.0 + 8.0 * back : 300.0 - 8.0 * back);
    }
    p.bob = 9.0 * (0.5 + 0.5 * std::cos(2.0 * w)) * stride;
    p.sway = -7.0 * s * stride;
    p.tilt = -0.025 * s * stride;
    for (int i = 0; i < 2; ++i) {
        // The arm swings forward with the opposite leg.
        const double a = (i == 0 ? -c : c) * armSwing;
        const double side = i == 0 ? -1.0 : 1.0;
        p.handX[i] = 256.0 + side * (98.0 - 26.0 * std::max(0.0, a) + 10.0 * std::max(0.0, -a)) + p.sway;
        p.handY[i] = 598.0 + p.bob - 44.0 * std::max(0.0, a) - 16.0 * std::max(0.0, -a);
        p.armBehind[i] = a < -0.35;
    }
    p.scarfSwing = 8.0 * s * stride;
    p.braidSwing = -6.0 * s * stride;
    return p;
}

FrontPose standing() {
    FrontPose p;
    p.handX[0] = 166.0;
    p.handX[1] = 346.0;
    p.handY[0] = p.handY[1] = 600.0;
    p.headTilt = 0.05;
    return p;
}

void write(const std::string& root, const std::string& name, const std::function<void(cairo_t*)>& draw) {
    CharacterCanvas canvas;
    draw(canvas.cr());
    writePng8(assetPath(root, name), kFrameWidth, kFrameHeight, 4, canvas.frame());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <asset output root>\n", argv[0]);
        return 2;
    }
    try {
        const std::string root = argv[1];
        for (int i = 0; i < 3; ++i)
            write(root, "sprites/animaatiot/riekko/riekko" + std::to_string(i + 1) + ".png", [i](cairo_t* cr) { drawPtarmigan(cr, i); });

        const std::string dir = "sprites/animaatiot/tytto/";
        const std::vector<std::string> numbers = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "91", "92", "93"};
        // etu: eight frames of walking, three of slowing down, then standing still.
        for (size_t i = 0; i < numbers.size(); ++i) {
            FrontPose p;
            if (i < 8) {
                p = frontWalk(static_cast<double>(i) / 8.0, 1.0, 1.0);
            } else if (i < 11) {
                const double settle = static_cast<double>(i - 7) / 4.0;  // 0.25, 0.5, 0.75
                p = frontWalk(static_cast<double>(i - 8) * 0.25, 1.0 - settle, 1.0 - settle);
                const FrontPose rest = standing();
                for (int k = 0; k < 2; ++k) {
                    p.handX[k] += (rest.handX[k] - p.handX[k]) * settle;
                    p.handY[k] += (rest.handY[k] - p.handY[k]) * settle;
                }
                p.headTilt = rest.headTilt * settle;
            } else {
                p = standing();
            }
            p.expression = Expression::Smile;
            write(root, dir + "etu" + numbers[i] + ".png", [p](cairo_t* cr) { drawGirlFront(cr, p); });
        }
        // etue: a twelve-frame loop, more careful steps, looking from side to side.
        for (size_t i = 0; i < numbers.size(); ++i) {
            const double phase = static_cast<double>(i) / 12.0;
            FrontPose p = frontWalk(phase, 0.85, 0.6);
            p.headTurn = 0.8 * std::sin(2.0 * kPi * phase);
            p.headTilt = 0.05 * std::sin(2.0 * kPi * phase + 0.5);
            p.shrug = 6.0;
            p.expression = Expression::Curious;
            write(root, dir + "etue" + numbers[i] + ".png", [p](cairo_t* cr) { drawGirlFront(cr, p); });
        }
        // itku: each frame is also held on its own, so each is a whole pose.
        for (int i = 0; i < 4; ++i) {
            FrontPose p = standing();
            p.headTilt = 0.0;
            switch (i) {
                case 0:  // the hands come up, the face crumples
                    p.handX[0] = 214.0; p.handY[0] = 330.0;
                    p.handX[1] = 298.0; p.handY[1] = 336.0;
                    p.handsOverFace = true;
                    p.expression = Expression::Crying;
                    p.tears = 2;
                    p.headNod = 6.0;
                    p.shrug = 6.0;
                    break;
                case 1:  // mittens at the cheeks, shoulders up
                    p.handX[0] = 196.0; p.handY[0] = 250.0;
                    p.handX[1] = 316.0; p.handY[1] = 250.0;
                    p.handsOverFace = true;
                    p.expression = Expression::Crying;
                    p.tears = 4;
                    p.headNod = 10.0;
                    p.shrug = 12.0;
                    break;
                case 2:  // face in the mittens, sobbing
                    p.handX[0] = 226.0; p.handY[0] = 206.0;
                    p.handX[1] = 288.0; p.handY[1] = 204.0;
                    p.handsOverFace = true;
                    p.expression = Expression::Sobbing;
                    p.tears = 2;
                    p.headNod = 16.0;
                    p.headTilt = -0.06;
                    p.shrug = 16.0;
                    break;
                default:  // one hand wipes an eye, the other hangs
                    p.handX[0] = 222.0; p.handY[0] = 200.0;
                    p.handX[1] = 348.0; p.handY[1] = 596.0;
                    p.handsOverFace = true;
                    p.expression = Expression::Crying;
                    p.tears = 3;
                    p.headNod = 8.0;
                    p.headTilt = 0.08;
                    p.shrug = 6.0;
                    break;
            }
            write(root, dir + "itku" + std::to_string(i + 1) + ".png", [p](cairo_t* cr) { drawGirlFront(cr, p); });
        }
        for (int i = 0; i < 8; ++i) {
            SidePose p;
            p.phase = i / 8.0;
            write(root, dir + "sivu" + std::to_string(i + 1) + ".png", [p](cairo_t* cr) { drawGirlSide(cr, p); });
        }
        // tuli: a six-frame loop; the flame flickers and she breathes.
        for (int i = 0; i < 6; ++i) {
            FrontPose p = standing();
            const double w = 2.0 * kPi * i / 6.0;
            p.headTilt = 0.0;
            p.handX[0] = 226.0; p.handY[0] = 548.0;
            p.handX[1] = 286.0; p.handY[1] = 548.0;
            p.bob = 2.0 * std::sin(w);
            p.handY[0] += p.bob;
            p.handY[1] += p.bob;
            p.headNod = 8.0;
            p.gazeY = 10.0;
            p.expression = Expression::Wonder;
            p.flame = true;
            p.flamePhase = i / 6.0;
            write(root, dir + "tuli" + std::to_string(i + 1) + ".png", [p](cairo_t* cr) { drawGirlFront(cr, p); });
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
