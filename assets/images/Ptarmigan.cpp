#include "Ptarmigan.h"

#include <cmath>
#include <vector>

#include "CharacterKit.h"

namespace tolmero::images {
namespace {

const Rgb kWhite = hexColor(0xf8f8f4);
const Rgb kShadow = hexColor(0xc2cadc);
const Rgb kFeatherLine = hexColor(0x9aa6be);
const Rgb kBlack = hexColor(0x1c1a1e);
const Rgb kComb = hexColor(0xe4262e);
const Rgb kClaw = hexColor(0x4a4448);

// A feathered "snowshoe" foot: a shaggy white leg and a fluffy slipper with dark
// claws peeking out in front.
void foot(cairo_t* cr, Point hip, Point sole, double angle, float light) {
    const Point ankle = sole + Point{0.0, -20.0};
    auto shaggyLeg = [&] {
        const Point d = ankle - hip;
        const double len = std::max(1.0, std::hypot(d.x, d.y));
        const Point n{-d.y / len, d.x / len};
        std::vector<Point> pts;
        const int steps = 8;
        for (int i = 0; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            const double w = (30.0 - 8.0 * t) * ((i % 2) ? 1.12 : 1.0);
            pts.push_back(lerp(hip, ankle, t) + n * w);
        }
        for (int i = steps; i >= 0; --i) {
            const double t = static_cast<double>(i) / steps;
            const double w = (30.0 - 8.0 * t) * ((i % 2) ? 1.12 : 1.0);
            pts.push_back(lerp(hip, ankle, t) - n * w);
        }
        smoothClosedPath(cr, pts);
    };
    inkedShape(cr, shaggyLeg, shade(kWhite, light), shade(kShadow, light), {-5, -4});
    cairo_save(cr);
    cairo_translate(cr, sole.x, sole.y);
    cairo_rotate(cr, angle);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int k = 0; k < 3; ++k) {
        cairo_move_to(cr, 30, -6 + k * 4.0);
        cairo_line_to(cr, 46 + k * 2, -1 + k * 5.0);
        cairo_set_line_width(cr, 4.0);
        paint(cr, kClaw);
        cairo_stroke(cr);
    }
    inkedShape(cr, [&] {
        std::vector<Point> pts;
        for (int i = 0; i < 22; ++i) {
            const double a = 2 * kPi * i / 22;
            const double r = 1.0 + ((i % 2) ? 0.09 : -0.05);
            pts.push_back({std::cos(a) * 42 * r + 4, std::sin(a) * 16 * r - 10});
        }
        smoothClosedPath(cr, pts);
    }, shade(kWhite, light), shade(kShadow, light), {-4, -5});
    cairo_restore(cr);
}

}  // namespace

void drawPtarmigan(cairo_t* cr, int frame) {
    // A three-step walk: 0 the far foot forward, 1 passing with the far foot raised,
    // 2 the near foot forward. The head pokes forward as a foot lands.
    const double headForward = frame == 1 ? -12.0 : 10.0;
    const double bob = frame == 1 ? -10.0 : 0.0;
    const double tilt = frame == 0 ? -0.025 : frame == 2 ? 0.025 : 0.0;
    const Point body{240.0, 880.0 + bob};

    struct Step {
        double x, lift, angle;
    };
    const Step far = frame == 0 ? Step{318, 0, 0.0} : frame == 1 ? Step{262, 36, 0.3} : Step{196, 0, 0.0};
    const Step near = frame == 0 ? Step{204, 0, 0.0} : frame == 1 ? Step{244, 0, 0.0} : Step{310, 0, 0.0};
    foot(cr, {body.x + 30, body.y + 70}, {far.x, 1008.0 - far.lift}, far.angle, 0.82f);

    cairo_save(cr);
    cairo_translate(cr, body.x, body.y);
    cairo_rotate(cr, tilt);
    cairo_translate(cr, -body.x, -body.y);
    // Black outer tail feathers under the white coverts.
    inkedShape(cr, [&] {
        cairo_move_to(cr, body.x - 130, body.y - 40);
        cairo_curve_to(cr, body.x - 170, body.y - 50, body.x - 200, body.y - 40, body.x - 214, body.y - 24);
        cairo_curve_to(cr, body.x - 206, body.y + 4, body.x - 170, body.y + 18, body.x - 128, body.y + 18);
        cairo_close_path(cr);
    }, kBlack, kBlack, {0, 0});
    // Body, neck and head as one plump shape: a full breast, a back sloping to the
    // tail, the belly feathers hanging low.
    const double hx = body.x + 138 + headForward, hy = body.y - 132 + bob * 0.4;
    auto outline = [&] {
        smoothClosedPath(cr, {{body.x - 158, body.y - 34}, {body.x - 110, body.y - 74}, {body.x - 30, body.y - 98},
                              {body.x + 50, body.y - 96}, {hx - 50, hy + 40}, {hx - 46, hy - 14}, {hx - 22, hy - 48},
                              {hx + 12, hy - 54}, {hx + 40, hy - 36}, {hx + 52, hy - 6}, {hx + 44, hy + 22},
                              {hx + 20, hy + 46}, {body.x + 138, body.y - 30}, {body.x + 150, body.y + 24},
                              {body.x + 118, body.y + 84}, {body.x + 30, body.y + 112}, {body.x - 70, body.y + 100},
                              {body.x - 130, body.y + 56}, {body.x - 160, body.y + 6}});
    };
    inkedShape(cr, outline, kWhite, kShadow, {-12, -14});
    // Feather scallops, faint, over the breast and back.
    cairo_save(cr);
    outline();
    cairo_clip(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int row = 0; row < 5; ++row) {
        for (int k = 0; k < 9; ++k) {
            const double x = body.x - 120 + k * 32 + (row % 2) * 16, y = body.y - 60 + row * 30;
            cairo_arc(cr, x, y, 12, 0.4, kPi - 0.4);
            cairo_set_line_width(cr, 2.0);
            paint(cr, kFeatherLine, 0.35);
            cairo_stroke(cr);
        }
    }
    cairo_restore(cr);
    // The folded wing: coverts in front, long primaries overlapping toward the tail.
    for (int k = 4; k >= 0; --k) {
        const double x = body.x - 150 + k * 18.0, y = body.y - 14 + k * 5.0;
        inkedShape(cr, [&] { leafPath(cr, x + 60, y, 0.18 - k * 0.04, 150, 34); }, kWhite, kShadow, {-4, -6}, 2.0);
    }
    auto wing = [&] {
        cairo_move_to(cr, body.x - 60, body.y - 60);
        cairo_curve_to(cr, body.x, body.y - 84, body.x + 80, body.y - 66, body.x + 96, body.y - 20);
        cairo_curve_to(cr, body.x + 76, body.y + 20, body.x, body.y + 30, body.x - 70, body.y + 14);
        cairo_curve_to(cr, body.x - 96, body.y - 4, body.x - 90, body.y - 44, body.x - 60, body.y - 60);
        cairo_close_path(cr);
    };
    inkedShape(cr, wing, kWhite, kShadow, {-6, -9}, 2.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int row = 0; row < 3; ++row) {
        for (int k = 0; k < 5; ++k) {
            const double x = body.x - 50 + k * 30 + row * 8, y = body.y - 40 + row * 20;
            cairo_arc(cr, x, y, 11, 0.3, kPi - 0.3);
            cairo_set_line_width(cr, 2.0);
            paint(cr, kFeatherLine, 0.6);
            cairo_stroke(cr);
        }
    }
    // Bill, the black stripe to the eye, the red comb above it, the eye.
    inkedShape(cr, [&] {
        cairo_move_to(cr, hx + 50, hy - 14);
        cairo_curve_to(cr, hx + 64, hy - 16, hx + 74, hy - 6, hx + 74, hy + 6);
        cairo_curve_to(cr, hx + 66, hy + 2, hx + 60, hy + 6, hx + 52, hy + 8);
        cairo_close_path(cr);
    }, kBlack, kBlack, {0, 0}, 2.0);
    cairo_move_to(cr, hx + 30, hy - 7);
    cairo_line_to(cr, hx + 48, hy - 5);
    cairo_set_line_width(cr, 3.0);
    paint(cr, kBlack);
    cairo_stroke(cr);
    inkedShape(cr, [&] {
        cairo_move_to(cr, hx - 6, hy - 24);
        for (int k = 0; k < 5; ++k) {
            const double x0 = hx - 6 + k * 7.0;
            cairo_curve_to(cr, x0 + 1, hy - 36, x0 + 6, hy - 36, x0 + 7, hy - 24);
        }
        cairo_curve_to(cr, hx + 24, hy - 16, hx + 2, hy - 16, hx - 6, hy - 24);
        cairo_close_path(cr);
    }, kComb, shade(kComb, 0.7f), {-2, -2}, 1.8);
    ellipsePath(cr, hx + 14, hy - 8, 9.0, 9.0);
    fillWith(cr, kBlack);
    ellipsePath(cr, hx + 11, hy - 11, 3.0, 3.0);
    fillWith(cr, hexColor(0xffffff));
    cairo_restore(cr);

    foot(cr, {body.x - 20, body.y + 72}, {near.x, 1008.0 - near.lift}, near.angle, 1.0f);
}

}  // namespace tolmero::images
