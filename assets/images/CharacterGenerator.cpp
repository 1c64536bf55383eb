// Writes the stand-in animation frames, 512 × 1024 RGBA with a transparent background
// and a fully opaque figure (the character pass cuts by alpha):
//   "sprites/animaatiot/riekko/riekko1..3.png"  the willow ptarmigan in white plumage
//   "sprites/animaatiot/tytto/..."               the girl: etu (front, walking), etue (front,
//   looking around), itku (crying), sivu (side, walking), tuli (holding a flame)
// Successive frames of a sequence differ by the phase of the movement.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "common/CairoLayer.h"
#include "common/ImageFile.h"

using namespace tolmero::images;

namespace {

constexpr int W = 512;
constexpr int H = 1024;
constexpr double kPi = 3.14159265358979323846;

const Rgb kSkin = hexColor(0xf0c8a8), kCheek = hexColor(0xe89a90), kHair = hexColor(0xd8b060);
const Rgb kCap = hexColor(0xc83434), kCoat = hexColor(0x3a5a9a), kCoatDark = hexColor(0x2a4274);
const Rgb kScarf = hexColor(0xe0a030), kLegs = hexColor(0x303040), kBoots = hexColor(0x5a3a22);
const Rgb kMitten = hexColor(0xb83030), kInk = hexColor(0x1e1a1a);

void ellipse(cairo_t* cr, double x, double y, double rx, double ry, double angle = 0.0) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
}

void fill(cairo_t* cr, Rgb c) {
    setColor(cr, c);
    cairo_fill(cr);
}

void limb(cairo_t* cr, double x0, double y0, double x1, double y1, double width, Rgb c) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_set_line_width(cr, width);
    setColor(cr, c);
    cairo_stroke(cr);
}

// Two-segment limb through a knee or elbow pushed sideways by bend.
void jointedLimb(cairo_t* cr, double x0, double y0, double x1, double y1, double bend, double width, Rgb c) {
    const double mx = (x0 + x1) * 0.5 + bend, my = (y0 + y1) * 0.5;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, mx, my);
    cairo_line_to(cr, x1, y1);
    cairo_set_line_width(cr, width);
    setColor(cr, c);
    cairo_stroke(cr);
}

struct FrontPose {
    double bob = 0.0;          // body height change
    double leftLift = 0.0;     // how far each foot is lifted
    double rightLift = 0.0;
    double leftArm = 0.0;      // hand offsets (forward swing shows as a rise)
    double rightArm = 0.0;
    double headTurn = 0.0;     // -1 .. 1, left to right
    double headTilt = 0.0;     // radians
    bool handsToFace = false;  // crying
    bool holdingFlame = false;
    double flamePhase = 0.0;
    int tears = 0;
};

void drawHead(cairo_t* cr, double cx, double cy, double turn, double tilt, bool crying, bool smiling) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, tilt);
    // Braids behind the head.
    for (int side = -1; side <= 1; side += 2) {
        for (int k = 0; k < 5; ++k) ellipse(cr, side * 62.0 - turn * 10.0, 40.0 + k * 26.0, 15.0, 16.0);
        fill(cr, kHair * (side < 0 ? 0.85f : 1.0f));
    }
    ellipse(cr, 0, 0, 70, 82);
    fill(cr, kSkin);
    // Fringe and cap with a pompom.
    ellipse(cr, turn * 8.0, -38.0, 70, 42);
    fill(cr, kHair);
    cairo_move_to(cr, -76, -30);
    cairo_curve_to(cr, -76, -120, 76, -120, 76, -30);
    cairo_close_path(cr);
    fill(cr, kCap);
    cairo_rectangle(cr, -78, -42, 156, 20);
    fill(cr, kCap * 0.8f);
    ellipse(cr, turn * 12.0, -112.0, 22, 22);
    fill(cr, hexColor(0xf0e8d8));
    // Face.
    const double ex = turn * 16.0;
    if (crying) {
        limb(cr, ex - 34, 8, ex - 14, 12, 5, kInk);
        limb(cr, ex + 14, 12, ex + 34, 8, 5, kInk);
        cairo_arc(cr, ex, 48, 14, kPi * 1.1, kPi * 1.9);
        cairo_set_line_width(cr, 5);
        setColor(cr, kInk);
        cairo_stroke(cr);
    } else {
        ellipse(cr, ex - 24, 6, 7, 9);
        fill(cr, kInk);
        ellipse(cr, ex + 24, 6, 7, 9);
        fill(cr, kInk);
        cairo_arc(cr, ex, 34, smiling ? 16 : 10, kPi * 0.15, kPi * 0.85);
        cairo_set_line_width(cr, 4);
        setColor(cr, hexColor(0x8a3030));
        cairo_stroke(cr);
    }
    ellipse(cr, ex - 42, 30, 12, 8);
    fill(cr, kCheek);
    ellipse(cr, ex + 42, 30, 12, 8);
    fill(cr, kCheek);
    cairo_restore(cr);
}

void drawFlame(cairo_t* cr, double x, double y, double phase) {
    const double lean = std::sin(phase * 1.7) * 14.0;
    const double height = 120.0 + 22.0 * std::sin(phase * 2.3);
    const Rgb layers[] = {hexColor(0xe0501c), hexColor(0xf8a030), hexColor(0xffe080)};
    for (int k = 0; k < 3; ++k) {
        const double s = 1.0 - 0.3 * k;
        cairo_move_to(cr, x - 34 * s, y);
        cairo_curve_to(cr, x - 40 * s, y - height * 0.5 * s, x + lean, y - height * 0.7 * s, x + lean * 1.4, y - height * s);
        cairo_curve_to(cr, x + lean * 0.5 + 10 * s, y - height * 0.6 * s, x + 42 * s, y - height * 0.4 * s, x + 34 * s, y);
        cairo_curve_to(cr, x + 20 * s, y + 22 * s, x - 20 * s, y + 22 * s, x - 34 * s, y);
        cairo_close_path(cr);
        fill(cr, layers[k]);
    }
}

void drawGirlFront(cairo_t* cr, const FrontPose& p) {
    const double b = p.bob;
    const double hipY = 690.0 + b;
    // Legs and boots.
    const double feet[2][2] = {{206.0, 1000.0 - p.leftLift}, {306.0, 1000.0 - p.rightLift}};
    for (int i = 0; i < 2; ++i) {
        const double hipX = i == 0 ? 222.0 : 290.0;
        jointedLimb(cr, hipX, hipY - 20, feet[i][0], feet[i][1] - 40, (i == 0 ? -1 : 1) * (i == 0 ? p.leftLift : p.rightLift) * 0.3,
                    44, kLegs);
        ellipse(cr, feet[i][0], feet[i][1] - 22, 34, 24);
        fill(cr, kBoots);
    }
    // Coat: flared from the shoulders to the knees.
    cairo_move_to(cr, 186, 300 + b);
    cairo_curve_to(cr, 160, 420 + b, 140, 600 + b, 128, 720 + b);
    cairo_curve_to(cr, 200, 740 + b, 312, 740 + b, 384, 720 + b);
    cairo_curve_to(cr, 372, 600 + b, 352, 420 + b, 326, 300 + b);
    cairo_close_path(cr);
    fill(cr, kCoat);
    for (int k = 0; k < 4; ++k) {
        ellipse(cr, 256, 380 + k * 80 + b, 7, 7);
        fill(cr, hexColor(0xd8c890));
    }
    limb(cr, 256, 330 + b, 256, 725 + b, 3, kCoatDark);
    // Arms.
    auto arm = [&](double shoulderX, double handX, double handY) {
        jointedLimb(cr, shoulderX, 320 + b, handX, handY, shoulderX < 256 ? -14 : 14, 40, kCoat * 0.9f);
        ellipse(cr, handX, handY, 22, 24);
        fill(cr, kMitten);
    };
    if (p.handsToFace) {
        arm(188, 226, 232 + b);
        arm(324, 286, 232 + b);
    } else if (p.holdingFlame) {
        arm(188, 238, 530 + b);
        arm(324, 274, 530 + b);
    } else {
        arm(188, 150 + p.leftArm * 0.2, 590 + b - p.leftArm);
        arm(324, 362 - p.rightArm * 0.2, 590 + b - p.rightArm);
    }
    // Scarf and head; crying hides the face behind the mittens.
    ellipse(cr, 256, 300 + b, 78, 26);
    fill(cr, kScarf);
    limb(cr, 290, 310 + b, 300, 420 + b, 26, kScarf * 0.9f);
    drawHead(cr, 256, 190 + b, p.headTurn, p.headTilt, p.handsToFace, !p.handsToFace && !p.holdingFlame);
    if (p.handsToFace) {
        ellipse(cr, 226, 206 + b, 26, 28);
        fill(cr, kMitten);
        ellipse(cr, 286, 206 + b, 26, 28);
        fill(cr, kMitten);
        for (int t = 0; t < p.tears; ++t) {
            const double tx = t % 2 == 0 ? 196.0 : 318.0;
            const double ty = 240.0 + b + 26.0 * t;
            cairo_move_to(cr, tx, ty - 12);
            cairo_curve_to(cr, tx + 8, ty, tx + 8, ty + 8, tx, ty + 8);
            cairo_curve_to(cr, tx - 8, ty + 8, tx - 8, ty, tx, ty - 12);
            fill(cr, hexColor(0x80b8f0));
        }
    }
    if (p.holdingFlame) drawFlame(cr, 256, 520 + b, p.flamePhase);
}

void drawGirlSide(cairo_t* cr, double phase) {
    const double swing = std::sin(phase);
    const double b = -std::abs(std::cos(phase)) * 8.0;
    const double hipX = 250.0, hipY = 690.0 + b;
    // Far limbs darker, near limbs on top.
    for (int near = 0; near < 2; ++near) {
        const double s = near == 0 ? -swing : swing;
        const float shade = near == 0 ? 0.75f : 1.0f;
        const double footX = hipX + s * 110.0, footY = 1000.0 - std::max(0.0, -s) * 30.0;
        jointedLimb(cr, hipX, hipY - 10, footX, footY - 30, std::max(0.0, -s) * 30.0, 44, kLegs * shade);
        cairo_move_to(cr, footX - 26, footY);
        cairo_line_to(cr, footX + 42, footY);
        cairo_line_to(cr, footX + 36, footY - 40);
        cairo_line_to(cr, footX - 22, footY - 44);
        cairo_close_path(cr);
        fill(cr, kBoots * shade);
        if (near == 0) {
            jointedLimb(cr, 250, 330 + b, 250 - s * 90.0, 580 + b, 18, 38, kCoat * 0.7f);
            ellipse(cr, 250 - s * 90.0, 585 + b, 20, 22);
            fill(cr, kMitten * 0.75f);
        }
    }
    // Coat in profile.
    cairo_move_to(cr, 214, 300 + b);
    cairo_curve_to(cr, 196, 450 + b, 170, 620 + b, 160, 720 + b);
    cairo_line_to(cr, 350, 720 + b);
    cairo_curve_to(cr, 330, 600 + b, 310, 420 + b, 300, 300 + b);
    cairo_close_path(cr);
    fill(cr, kCoat);
    // Near arm.
    jointedLimb(cr, 256, 330 + b, 256 + swing * 90.0, 580 + b, -18, 40, kCoat * 0.92f);
    ellipse(cr, 256 + swing * 90.0, 585 + b, 22, 24);
    fill(cr, kMitten);
    // Head in profile, facing right, braid behind.
    for (int k = 0; k < 6; ++k) ellipse(cr, 196 - k * 3.0 - swing * 4.0, 240 + k * 24.0 + b, 16, 16);
    fill(cr, kHair);
    ellipse(cr, 262, 300 + b, 56, 24);
    fill(cr, kScarf);
    ellipse(cr, 262, 190 + b, 66, 80);
    fill(cr, kSkin);
    ellipse(cr, 322, 200 + b, 12, 10);  // nose
    fill(cr, kSkin);
    ellipse(cr, 236, 160 + b, 56, 50);
    fill(cr, kHair);
    cairo_move_to(cr, 190, 150 + b);
    cairo_curve_to(cr, 190, 60 + b, 330, 60 + b, 330, 150 + b);
    cairo_close_path(cr);
    fill(cr, kCap);
    ellipse(cr, 200, 90 + b, 22, 22);
    fill(cr, hexColor(0xf0e8d8));
    ellipse(cr, 296, 186 + b, 7, 9);
    fill(cr, kInk);
    ellipse(cr, 290, 222 + b, 12, 8);
    fill(cr, kCheek);
}

// The ptarmigan in winter white, facing right; pose 0 upright, 1 walking, 2 pecking.
void drawPtarmigan(cairo_t* cr, int pose) {
    const Rgb white = hexColor(0xf4f4f0), shadow = hexColor(0xc8ccd4);
    const double lift = pose == 1 ? 26.0 : 0.0;
    // Feathered feet.
    ellipse(cr, 220, 930, 30, 22);
    fill(cr, white);
    ellipse(cr, 300 + (pose == 1 ? 30 : 0), 930 - lift, 30, 22);
    fill(cr, white);
    // Black outer tail feathers at the back.
    cairo_move_to(cr, 120, 740);
    cairo_line_to(cr, 40, 700);
    cairo_line_to(cr, 50, 760);
    cairo_line_to(cr, 120, 800);
    cairo_close_path(cr);
    fill(cr, hexColor(0x1c1c1c));
    // Body with a shaded belly.
    ellipse(cr, 240, 790, 175, 125, pose == 2 ? 0.2 : -0.05);
    fill(cr, white);
    ellipse(cr, 250, 850, 140, 60);
    fill(cr, shadow);
    ellipse(cr, 240, 770, 165, 110, pose == 2 ? 0.2 : -0.05);
    fill(cr, white);
    // Head on a short neck.
    const double hx = pose == 2 ? 410.0 : 370.0, hy = pose == 2 ? 860.0 : pose == 1 ? 640.0 : 600.0;
    limb(cr, 320, 720, hx - 10, hy + 20, 90, white);
    ellipse(cr, hx, hy, 62, 56);
    fill(cr, white);
    const double dir = pose == 2 ? 0.9 : 0.0;
    cairo_save(cr);
    cairo_translate(cr, hx, hy);
    cairo_rotate(cr, dir);
    cairo_move_to(cr, 52, -8);
    cairo_line_to(cr, 84, 6);
    cairo_line_to(cr, 52, 16);
    cairo_close_path(cr);
    fill(cr, hexColor(0x222222));
    ellipse(cr, 20, -8, 9, 9);
    fill(cr, kInk);
    ellipse(cr, 20, -28, 20, 8);  // red comb above the eye
    fill(cr, hexColor(0xd03030));
    cairo_restore(cr);
    // A few feather lines on the wing.
    for (int k = 0; k < 4; ++k) {
        cairo_arc(cr, 220 + k * 18.0, 760, 80 - k * 8.0, 0.3, 1.4);
        cairo_set_line_width(cr, 3.0);
        setColor(cr, shadow);
        cairo_stroke(cr);
    }
}

void write(const std::string& root, const std::string& name, const std::function<void(cairo_t*)>& draw) {
    CairoLayer layer(W, H);
    layer.clear();
    draw(layer.cr());
    // Hard-edged alpha: the character pass keeps only texels with alpha of at least 0.98.
    writePng8(assetPath(root, name), W, H, 4, layer.rgba8(0.5f));
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
        // Twelve-frame walking cycles from the front: etu1..9 then etu91..93 continue it.
        const std::vector<std::string> cycle = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "91", "92", "93"};
        for (int variant = 0; variant < 2; ++variant) {
            for (size_t i = 0; i < cycle.size(); ++i) {
                const double phase = 2.0 * kPi * static_cast<double>(i) / cycle.size();
                FrontPose p;
                p.bob = -std::abs(std::sin(phase)) * 10.0;
                p.leftLift = std::max(0.0, std::sin(phase)) * 46.0;
                p.rightLift = std::max(0.0, -std::sin(phase)) * 46.0;
                p.leftArm = -std::sin(phase) * 40.0;
                p.rightArm = std::sin(phase) * 40.0;
                if (variant == 1) {
                    // Looking around while walking.
                    p.headTurn = std::sin(phase * 0.5) * 0.8;
                    p.headTilt = std::sin(phase) * 0.06;
                }
                const std::string name = dir + (variant == 0 ? "etu" : "etue") + cycle[i] + ".png";
                write(root, name, [p](cairo_t* cr) { drawGirlFront(cr, p); });
            }
        }
        for (int i = 0; i < 4; ++i) {
            FrontPose p;
            p.handsToFace = true;
            p.bob = (i % 2) * 8.0;  // sobbing shakes the shoulders
            p.headTilt = 0.12 * ((i % 2) ? 1 : -1) * 0.3;
            p.tears = 1 + i;
            write(root, dir + "itku" + std::to_string(i + 1) + ".png", [p](cairo_t* cr) { drawGirlFront(cr, p); });
        }
        for (int i = 0; i < 8; ++i) {
            const double phase = 2.0 * kPi * i / 8.0;
            write(root, dir + "sivu" + std::to_string(i + 1) + ".png", [phase](cairo_t* cr) { drawGirlSide(cr, phase); });
        }
        for (int i = 0; i < 6; ++i) {
            FrontPose p;
            p.holdingFlame = true;
            p.flamePhase = i * 1.1;
            p.bob = std::sin(i * 1.05) * 3.0;
            write(root, dir + "tuli" + std::to_string(i + 1) + ".png", [p](cairo_t* cr) { drawGirlFront(cr, p); });
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
