#include "Girl.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "CharacterKit.h"

namespace tolmero::images {
namespace {

// Display colours; the light falls from the upper left.
struct Palette {
    Rgb skin = hexColor(0xf4cfb2), skinShadow = hexColor(0xdca088), cheek = hexColor(0xf08a88);
    Rgb hair = hexColor(0xf2ca62), hairShadow = hexColor(0xc48c3a), hairLine = hexColor(0xa06a2a);
    Rgb hat = hexColor(0xd62c36), hatShadow = hexColor(0x98202e), band = hexColor(0xf2ece0), bandShadow = hexColor(0xc8bfb6);
    Rgb pattern = hexColor(0x27336a);
    Rgb scarf = hexColor(0xf4b02c), scarfShadow = hexColor(0xc47a1a), stripe = hexColor(0xe0562a);
    Rgb coat = hexColor(0x3066bc), coatShadow = hexColor(0x1f4284), coatLine = hexColor(0x173264);
    Rgb toggle = hexColor(0xf2da94);
    Rgb mitten = hexColor(0xda323c), mittenShadow = hexColor(0x9c2232);
    Rgb trousers = hexColor(0x30344e), trousersShadow = hexColor(0x1c1e32);
    Rgb boot = hexColor(0x823e24), bootShadow = hexColor(0x52261a), sole = hexColor(0x2a1a16);
    Rgb fur = hexColor(0xf0e6ce), furShadow = hexColor(0xc2b092);
    Rgb eye = hexColor(0x2a1c22), mouth = hexColor(0xa8383e), mouthInside = hexColor(0x5a1a22), tear = hexColor(0x9ad2f6);
    Rgb reflector = hexColor(0xdce6f2), reflectorShadow = hexColor(0x8a98ac);
};
const Palette kP;

Rgb darker(Rgb c, float f) { return shade(c, f); }

// ---------- pieces shared by both views ----------

void mittenShape(cairo_t* cr, Point c, double angle, double scale, bool thumbLeft, float light) {
    inkedShape(cr, [&] {
        cairo_save(cr);
        cairo_translate(cr, c.x, c.y);
        cairo_rotate(cr, angle);
        cairo_scale(cr, scale, scale);
        // Palm, then thumb on one side.
        cairo_new_sub_path(cr);
        cairo_move_to(cr, -18, -20);
        cairo_curve_to(cr, -22, 6, -16, 30, 0, 30);
        cairo_curve_to(cr, 16, 30, 22, 6, 18, -20);
        cairo_close_path(cr);
        const double tx = thumbLeft ? -18 : 18;
        cairo_new_sub_path(cr);
        cairo_arc(cr, tx, 2, 9, 0, 2 * kPi);
        cairo_restore(cr);
    }, darker(kP.mitten, light), darker(kP.mittenShadow, light));
}

void cuffBand(cairo_t* cr, Point a, Point b, double width, Rgb colour, Rgb shadow) {
    inkedShape(cr, [&] { capsulePath(cr, a, b, width, width); }, colour, shadow, {-2.0, -2.0});
}

void bootFront(cairo_t* cr, double x, double bottom, double scale, float light) {
    const double s = scale;
    inkedShape(cr, [&] {
        cairo_move_to(cr, x - 24 * s, bottom - 86 * s);
        cairo_curve_to(cr, x - 26 * s, bottom - 50 * s, x - 38 * s, bottom - 36 * s, x - 38 * s, bottom - 14 * s);
        cairo_curve_to(cr, x - 38 * s, bottom + 2, x + 38 * s, bottom + 2, x + 38 * s, bottom - 14 * s);
        cairo_curve_to(cr, x + 38 * s, bottom - 36 * s, x + 26 * s, bottom - 50 * s, x + 24 * s, bottom - 86 * s);
        cairo_close_path(cr);
    }, darker(kP.boot, light), darker(kP.bootShadow, light));
    // Sole and a toe cap highlight.
    inkedShape(cr, [&] {
        cairo_move_to(cr, x - 39 * s, bottom - 12 * s);
        cairo_curve_to(cr, x - 38 * s, bottom + 1, x + 38 * s, bottom + 1, x + 39 * s, bottom - 12 * s);
        cairo_line_to(cr, x + 39 * s, bottom - 4 * s);
        cairo_curve_to(cr, x + 30 * s, bottom + 1, x - 30 * s, bottom + 1, x - 39 * s, bottom - 4 * s);
        cairo_close_path(cr);
    }, kP.sole, kP.sole, {0, 0}, 1.5);
    ellipsePath(cr, x - 12 * s, bottom - 30 * s, 12 * s, 6 * s, -0.2);
    fillWith(cr, darker(kP.boot, 1.35f * light), 0.7);
    // Fur cuff: a scalloped band at the top.
    inkedShape(cr, [&] {
        std::vector<Point> pts;
        for (int i = 0; i <= 8; ++i) pts.push_back({x - 30 * s + i * 7.5 * s, bottom - 98 * s + ((i % 2) ? -4.0 : 0.0) * s});
        for (int i = 8; i >= 0; --i) pts.push_back({x - 30 * s + i * 7.5 * s, bottom - 74 * s + ((i % 2) ? 4.0 : 0.0) * s});
        smoothClosedPath(cr, pts);
    }, darker(kP.fur, light), darker(kP.furShadow, light), {-3.0, -3.0});
}

// A braid hanging from top to bottom: a tapering plait with crossing strands, a red
// tie and a loose tuft below it.
void braid(cairo_t* cr, Point top, Point bottom, double width, float light) {
    const Point d = bottom - top;
    const double len = std::max(1.0, std::hypot(d.x, d.y));
    const Point n{-d.y / len, d.x / len};
    auto band = [&] {
        std::vector<Point> left, right;
        const int steps = 14;
        for (int i = 0; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            // Each plait lobe bulges a little.
            const double w = width * 0.5 * (1.0 - 0.3 * t) * (1.0 + 0.08 * std::sin(t * 6.0 * kPi));
            const Point c = lerp(top, bottom, t);
            left.push_back(c + n * w);
            right.push_back(c - n * w);
        }
        cairo_move_to(cr, left[0].x, left[0].y);
        for (const Point& p : left) cairo_line_to(cr, p.x, p.y);
        for (size_t i = right.size(); i-- > 0;) cairo_line_to(cr, right[i].x, right[i].y);
        cairo_close_path(cr);
    };
    inkedShape(cr, band, darker(kP.hair, light), darker(kP.hairShadow, light), {-3.0, -3.0}, 2.2);
    cairo_save(cr);
    band();
    cairo_clip(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    const int crossings = 6;
    for (int i = 0; i < crossings; ++i) {
        const double t = (i + 0.5) / crossings;
        const Point c = lerp(top, bottom, t);
        const double w = width * 0.5 * (1.0 - 0.3 * t);
        const double side = (i % 2) ? 1.0 : -1.0;
        // A strand crossing over from one edge to the middle.
        const Point a = c + n * (side * w) - d * (0.5 / crossings);
        const Point m = c + d * (0.35 / crossings);
        cairo_move_to(cr, a.x, a.y);
        cairo_curve_to(cr, a.x + d.x * 0.2 / crossings, a.y + d.y * 0.2 / crossings, m.x + n.x * side * w * 0.3, m.y + n.y * side * w * 0.3, m.x, m.y);
        cairo_set_line_width(cr, 2.4);
        paint(cr, darker(kP.hairLine, light));
        cairo_stroke(cr);
        ellipsePath(cr, c.x + n.x * side * w * 0.35 - 2, c.y + n.y * side * w * 0.35 - 4, w * 0.3, w * 0.18, std::atan2(d.y, d.x) + side * 0.6);
        fillWith(cr, darker(kP.hair, light * 1.2f), 0.6);
    }
    cairo_restore(cr);
    const Point tie = bottom;
    inkedShape(cr, [&] { ellipsePath(cr, tie.x, tie.y + 3, width * 0.34, 6); }, kP.hat, kP.hatShadow, {-1, -1}, 2.0);
    inkedShape(cr, [&] {
        cairo_move_to(cr, tie.x - width * 0.28, tie.y + 7);
        cairo_curve_to(cr, tie.x - width * 0.42, tie.y + 26, tie.x - 6, tie.y + 32, tie.x - 2, tie.y + 38);
        cairo_curve_to(cr, tie.x + 2, tie.y + 30, tie.x + 6, tie.y + 34, tie.x + 8, tie.y + 36);
        cairo_curve_to(cr, tie.x + width * 0.4, tie.y + 26, tie.x + width * 0.3, tie.y + 14, tie.x + width * 0.28, tie.y + 7);
        cairo_close_path(cr);
    }, darker(kP.hair, light), darker(kP.hairShadow, light), {-2, -2}, 2.0);
}

// The flame held in the cupped hands: tongues of red, orange and yellow whose heights
// and lean follow the phase (whole multiples of the cycle, so the loop is seamless).
void flame(cairo_t* cr, Point base, double phase) {
    const double w = 2 * kPi * phase;
    const double lean = 10.0 * std::sin(w) + 5.0 * std::sin(2 * w + 1.0);
    const double height = 150.0 + 22.0 * std::sin(2 * w + 0.4) + 10.0 * std::sin(3 * w);
    struct Layer {
        double scale;
        Rgb colour;
    };
    const Layer layers[] = {{1.0, hexColor(0xe0401c)}, {0.78, hexColor(0xf6841e)}, {0.55, hexColor(0xfcc23a)}, {0.32, hexColor(0xfff0a8)}};
    for (const Layer& l : layers) {
        const double s = l.scale;
        const double h = height * (0.45 + 0.55 * s);
        // Side tongues rise and fall out of step with the main one.
        const double left = 0.55 + 0.25 * std::sin(w + 2.0), right = 0.6 + 0.25 * std::sin(w * 2 + 4.0);
        const double bw = 46.0 * s;
        cairo_new_path(cr);
        cairo_move_to(cr, base.x - bw, base.y);
        cairo_curve_to(cr, base.x - bw * 1.1, base.y - h * 0.3, base.x - bw * 0.9 + lean * 0.3, base.y - h * left * 0.8,
                       base.x - bw * 0.8 + lean * 0.6, base.y - h * left);
        cairo_curve_to(cr, base.x - bw * 0.4 + lean * 0.4, base.y - h * left * 0.7, base.x - bw * 0.3, base.y - h * 0.55,
                       base.x - bw * 0.15 + lean * 0.5, base.y - h * 0.62);
        cairo_curve_to(cr, base.x - bw * 0.2 + lean * 0.7, base.y - h * 0.8, base.x + lean * 0.8, base.y - h * 0.92, base.x + lean, base.y - h);
        cairo_curve_to(cr, base.x + bw * 0.35 + lean * 0.6, base.y - h * 0.78, base.x + bw * 0.3, base.y - h * 0.62,
                       base.x + bw * 0.35 + lean * 0.4, base.y - h * 0.55);
        cairo_curve_to(cr, base.x + bw * 0.6 + lean * 0.5, base.y - h * right * 0.75, base.x + bw * 0.8 + lean * 0.5,
                       base.y - h * right * 0.9, base.x + bw * 0.85 + lean * 0.6, base.y - h * right);
        cairo_curve_to(cr, base.x + bw * 1.15, base.y - h * 0.35, base.x + bw * 1.05, base.y - 4, base.x + bw * 0.6, base.y + 6);
        cairo_curve_to(cr, base.x + bw * 0.2, base.y + 14, base.x - bw * 0.6, base.y + 12, base.x - bw, base.y);
        cairo_close_path(cr);
        if (s == 1.0) {
            cairo_set_line_width(cr, 3.0);
            paint(cr, hexColor(0x9a2010));
            cairo_stroke_preserve(cr);
        }
        paint(cr, l.colour);
        cairo_fill(cr);
    }
    // Sparks rising and fading through the cycle.
    for (int k = 0; k < 3; ++k) {
        const double u = std::fmod(phase + k / 3.0, 1.0);
        const Point p{base.x + 26.0 * std::sin(7.0 * k + u * 5.0) + lean, base.y - height - 10.0 - 90.0 * u};
        const double r = 5.0 * (1.0 - u) + 2.0;
        ellipsePath(cr, p.x, p.y, r, r);
        fillWith(cr, blend(hexColor(0xffe080), hexColor(0xe05020), static_cast<float>(u)));
    }
}

// Warm light of the flame added onto everything already drawn, and only there (the
// figure as drawn so far is the mask), so the background stays transparent.
void flameGlow(cairo_t* cr, Point centre, double strength) {
    cairo_surface_t* target = cairo_get_target(cr);
    cairo_surface_flush(target);
    const int w = cairo_image_surface_get_width(target), h = cairo_image_surface_get_height(target);
    cairo_surface_t* figure = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* copy = cairo_create(figure);
    cairo_set_source_surface(copy, target, 0, 0);
    cairo_paint(copy);
    cairo_destroy(copy);
    cairo_save(cr);
    double sx = 1.0, sy = 1.0;
    cairo_user_to_device_distance(cr, &sx, &sy);
    cairo_identity_matrix(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
    cairo_pattern_t* g = cairo_pattern_create_radial(centre.x * sx, centre.y * sy, 10.0 * sx, centre.x * sx, centre.y * sy, 260.0 * sx);
    cairo_pattern_add_color_stop_rgba(g, 0.0, 1.0, 0.7, 0.3, 0.5 * strength);
    cairo_pattern_add_color_stop_rgba(g, 0.45, 1.0, 0.55, 0.2, 0.2 * strength);
    cairo_pattern_add_color_stop_rgba(g, 1.0, 1.0, 0.5, 0.15, 0.0);
    cairo_set_source(cr, g);
    cairo_mask_surface(cr, figure, 0, 0);
    cairo_pattern_destroy(g);
    cairo_restore(cr);
    cairo_surface_destroy(figure);
}

// ---------- the front view ----------

struct FrontFrame {
    Point neck, shoulder[2], hip[2], head;
    double hemY;
};

void frontArm(cairo_t* cr, const FrontFrame& f, const FrontPose& p, int i, float light) {
    const Point s = f.shoulder[i];
    const Point h{p.handX[i], p.handY[i]};
    // Of the two ways the arm can bend, the elbow goes outward and down.
    // A hand raised toward the face brings the arm toward the viewer, which shortens
    // it in the picture.
    const double side = i == 0 ? -1.0 : 1.0;
    const double reach = std::clamp(std::hypot(h.x - s.x, h.y - s.y) / (0.85 * 266.0), 0.55, 1.0);
    const Point e1 = solveJoint(s, h, 138.0 * reach, 128.0 * reach, 1.0), e2 = solveJoint(s, h, 138.0 * reach, 128.0 * reach, -1.0);
    auto score = [&](Point e) { return 0.5 * side * (e.x - s.x) + (e.y - s.y); };
    const Point e = score(e1) >= score(e2) ? e1 : e2;
    const Rgb coat = darker(kP.coat, light), coatShadow = darker(kP.coatShadow, light);
    inkedShape(cr, [&] { capsulePath(cr, s, e, 54, 46); }, coat, coatShadow);
    inkedShape(cr, [&] { capsulePath(cr, e, lerp(e, h, 0.82), 46, 42); }, coat, coatShadow);
    // Sleeve quilting seam at the elbow and a darker cuff.
    const Point c0 = lerp(e, h, 0.68), c1 = lerp(e, h, 0.8);
    cuffBand(cr, c0, c1, 44, darker(kP.coatShadow, light * 1.15f), darker(kP.coatLine, light));
    const double angle = std::atan2(h.y - e.y, h.x - e.x) - kPi / 2;
    mittenShape(cr, h, angle, 1.0, i == 1, light);
}

void drawFace(cairo_t* cr, const FrontPose& p, Point hc) {
    const double fx = p.headTurn * 22.0;
    // Hair at the sides of the face, below the hat.
    for (int side = -1; side <= 1; side += 2) {
        inkedShape(cr, [&] {
            cairo_move_to(cr, hc.x + side * 56, hc.y - 60);
            cairo_curve_to(cr, hc.x + side * 86, hc.y - 40, hc.x + side * 84, hc.y + 10, hc.x + side * 70, hc.y + 40);
            cairo_curve_to(cr, hc.x + side * 60, hc.y + 10, hc.x + side * 50, hc.y - 20, hc.x + side * 40, hc.y - 50);
            cairo_close_path(cr);
        }, kP.hair, kP.hairShadow);
    }
    // Face: round, a little fuller at the cheeks.
    inkedShape(cr, [&] {
        smoothClosedPath(cr, {{hc.x + fx * 0.25, hc.y - 80}, {hc.x + 56 + fx * 0.15, hc.y - 58}, {hc.x + 72, hc.y - 4},
                              {hc.x + 62, hc.y + 46}, {hc.x + 30 + fx * 0.3, hc.y + 76}, {hc.x + fx * 0.4, hc.y + 84},
                              {hc.x - 30 + fx * 0.3, hc.y + 76}, {hc.x - 62, hc.y + 46}, {hc.x - 72, hc.y - 4},
                              {hc.x - 56 + fx * 0.15, hc.y - 58}});
    }, kP.skin, kP.skinShadow, {-7.0, -5.0});
    // Cheeks.
    for (int side = -1; side <= 1; side += 2) {
        ellipsePath(cr, hc.x + fx + side * 44 * (1.0 - 0.25 * side * p.headTurn), hc.y + 36, 15, 9);
        fillWith(cr, kP.cheek, 0.55);
    }
    const double eyeY = hc.y + 6 + p.gazeY * 0.3;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int side = -1; side <= 1; side += 2) {
        // The eye on the side she turns away from narrows.
        const double squash = 1.0 - 0.35 * std::max(0.0, -side * p.headTurn);
        const double ex = hc.x + fx + side * 28 * (1.0 - 0.2 * side * p.headTurn);
        const double browTilt = p.expression == Expression::Crying || p.expression == Expression::Sobbing ? 0.45 * side
                              : p.expression == Expression::Curious ? -0.1 * side : 0.0;
        const double browY = eyeY - (p.expression == Expression::Curious ? 32 : 26);
        cairo_move_to(cr, ex - 12 * squash, browY + 3 + browTilt * 10);
        cairo_curve_to(cr, ex - 4 * squash, browY - 3, ex + 4 * squash, browY - 3, ex + 12 * squash, browY + 3 - browTilt * 10);
        cairo_set_line_width(cr, 4.0);
        paint(cr, kP.hairLine);
        cairo_stroke(cr);
        if (p.expression == Expression::Crying || p.expression == Expression::Sobbing) {
            // Squeezed shut.
            cairo_move_to(cr, ex - 11 * squash, eyeY + 2);
            cairo_curve_to(cr, ex - 4 * squash, eyeY - 6, ex + 4 * squash, eyeY - 6, ex + 11 * squash, eyeY + 2);
            cairo_set_line_width(cr, 4.2);
            paint(cr, kP.eye);
            cairo_stroke(cr);
        } else {
            const double ry = p.expression == Expression::Curious ? 14 : 12.5;
            ellipsePath(cr, ex, eyeY, 9.5 * squash, ry);
            fillWith(cr, kP.eye);
            const double look = p.expression == Expression::Wonder ? 5.0 : 0.0;
            ellipsePath(cr, ex - 3 * squash + p.headTurn * 2.0, eyeY - 4 + look, 3.4 * squash, 3.8);
            fillWith(cr, hexColor(0xffffff));
            ellipsePath(cr, ex + 3 * squash, eyeY + 5 + look, 1.6, 1.6);
            fillWith(cr, hexColor(0xe8e8f0));
            // Lashes at the outer corner.
            cairo_move_to(cr, ex + side * 9 * squash, eyeY - 8);
            cairo_line_to(cr, ex + side * 14 * squash, eyeY - 12);
            cairo_set_line_width(cr, 2.4);
            paint(cr, kP.eye);
            cairo_stroke(cr);
        }
    }
    // Nose: a small shaded curve.
    cairo_move_to(cr, hc.x + fx * 1.2 - 4, hc.y + 34);
    cairo_curve_to(cr, hc.x + fx * 1.2, hc.y + 38, hc.x + fx * 1.2 + 5, hc.y + 36, hc.x + fx * 1.2 + 6, hc.y + 30);
    cairo_set_line_width(cr, 3.0);
    paint(cr, kP.skinShadow);
    cairo_stroke(cr);
    // Mouth.
    const double mx = hc.x + fx * 1.1, my = hc.y + 56;
    switch (p.expression) {
        case Expression::Smile:
            inkedShape(cr, [&] {
                cairo_move_to(cr, mx - 16, my - 3);
                cairo_curve_to(cr, mx - 10, my + 10, mx + 10, my + 10, mx + 16, my - 3);
                cairo_curve_to(cr, mx + 6, my + 1, mx - 6, my + 1, mx - 16, my - 3);
                cairo_close_path(cr);
            }, kP.mouthInside, kP.mouthInside, {0, 0}, 1.6);
            break;
        case Expression::Wonder:
            cairo_move_to(cr, mx - 12, my - 1);
            cairo_curve_to(cr, mx - 6, my + 6, mx + 6, my + 6, mx + 12, my - 1);
            cairo_set_line_width(cr, 3.6);
            paint(cr, kP.mouth);
            cairo_stroke(cr);
            break;
        case Expression::Curious:
            inkedShape(cr, [&] { ellipsePath(cr, mx, my + 2, 6.5, 8.5); }, kP.mouthInside, kP.mouthInside, {0, 0}, 1.6);
            break;
        case Expression::Crying:
            // Wailing: open, wide, turned down.
            inkedShape(cr, [&] {
                cairo_move_to(cr, mx - 20, my + 8);
                cairo_curve_to(cr, mx - 14, my - 8, mx + 14, my - 8, mx + 20, my + 8);
                cairo_curve_to(cr, mx + 10, my + 20, mx - 10, my + 20, mx - 20, my + 8);
                cairo_close_path(cr);
            }, kP.mouthInside, kP.mouthInside, {0, 0}, 1.8);
            ellipsePath(cr, mx, my + 12, 8, 4);
            fillWith(cr, hexColor(0xd0606a));
            break;
        case Expression::Sobbing:
            cairo_move_to(cr, mx - 15, my + 8);
            cairo_curve_to(cr, mx - 8, my - 2, mx + 8, my - 2, mx + 15, my + 8);
            cairo_set_line_width(cr, 4.0);
            paint(cr, kP.mouthInside);
            cairo_stroke(cr);
            break;
    }
    // Tears down the cheeks.
    for (int t = 0; t < p.tears; ++t) {
        const double side = (t % 2) ? 1.0 : -1.0;
        const double tx = hc.x + fx + side * (36 + 4 * (t / 2)), ty = eyeY + 16 + 22 * (t / 2);
        cairo_move_to(cr, tx, eyeY + 8);
        cairo_line_to(cr, tx + side * 2, ty);
        cairo_set_line_width(cr, 3.5);
        paint(cr, kP.tear, 0.9);
        cairo_stroke(cr);
        inkedShape(cr, [&] {
            cairo_move_to(cr, tx + side * 2, ty - 6);
            cairo_curve_to(cr, tx + side * 2 + 7, ty + 6, tx + side * 2 + 5, ty + 12, tx + side * 2, ty + 12);
            cairo_curve_to(cr, tx + side * 2 - 5, ty + 12, tx + side * 2 - 7, ty + 6, tx + side * 2, ty - 6);
            cairo_close_path(cr);
        }, kP.tear, darker(kP.tear, 0.7f), {-1, -1}, 1.5);
    }
}

void drawHat(cairo_t* cr, const FrontPose& p, Point hc) {
    const double fx = p.headTurn * 10.0;
    // Dome with knitted ribs.
    auto dome = [&] {
        cairo_move_to(cr, hc.x - 84, hc.y - 46);
        cairo_curve_to(cr, hc.x - 90, hc.y - 120, hc.x - 50 + fx, hc.y - 158, hc.x + fx, hc.y - 158);
        cairo_curve_to(cr, hc.x + 50 + fx, hc.y - 158, hc.x + 90, hc.y - 120, hc.x + 84, hc.y - 46);
        cairo_close_path(cr);
    };
    inkedShape(cr, dome, kP.hat, kP.hatShadow, {-8.0, -6.0});
    cairo_save(cr);
    dome();
    cairo_clip(cr);
    for (int k = -6; k <= 6; ++k) {
        const double x = hc.x + fx * 0.6 + k * 13.0;
        cairo_move_to(cr, x, hc.y - 60);
        cairo_curve_to(cr, x + k * 1.0, hc.y - 110, hc.x + fx + k * 4.0, hc.y - 150, hc.x + fx + k * 2.0, hc.y - 160);
        cairo_set_line_width(cr, 2.2);
        paint(cr, kP.hatShadow, 0.55);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    // Folded band with a row of small diamonds and dots.
    auto band = [&] {
        cairo_move_to(cr, hc.x - 88, hc.y - 78);
        cairo_curve_to(cr, hc.x - 40, hc.y - 90, hc.x + 40, hc.y - 90, hc.x + 88, hc.y - 78);
        cairo_line_to(cr, hc.x + 86, hc.y - 40);
        cairo_curve_to(cr, hc.x + 40, hc.y - 52, hc.x - 40, hc.y - 52, hc.x - 86, hc.y - 40);
        cairo_close_path(cr);
    };
    inkedShape(cr, band, kP.band, kP.bandShadow, {-6.0, -3.0});
    cairo_save(cr);
    band();
    cairo_clip(cr);
    for (int k = -6; k <= 6; ++k) {
        const double x = hc.x + fx + k * 14.0;
        const double y = hc.y - 64 - 8.0 * (1.0 - (k * k) / 49.0);
        cairo_move_to(cr, x, y - 8);
        cairo_line_to(cr, x + 6, y);
        cairo_line_to(cr, x, y + 8);
        cairo_line_to(cr, x - 6, y);
        cairo_close_path(cr);
        paint(cr, (k % 2) ? kP.hat : kP.pattern);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    // Pompom: a fluffy ball.
    const Point pc{hc.x + fx * 1.4, hc.y - 170};
    inkedShape(cr, [&] {
        std::vector<Point> pts;
        for (int i = 0; i < 26; ++i) {
            const double a = 2 * kPi * i / 26;
            const double r = 31.0 + ((i % 2) ? -2.5 : 2.5) + 1.5 * std::sin(i * 2.7);
            pts.push_back({pc.x + std::cos(a) * r, pc.y + std::sin(a) * r});
        }
        smoothClosedPath(cr, pts);
    }, kP.band, kP.bandShadow, {-3.5, -3.0});
}

void drawFringe(cairo_t* cr, const FrontPose& p, Point hc) {
    const double fx = p.headTurn * 14.0;
    inkedShape(cr, [&] {
        cairo_move_to(cr, hc.x - 74, hc.y - 50);
        for (int k = 0; k < 5; ++k) {
            const double x0 = hc.x - 74 + k * 29.6, x1 = x0 + 29.6;
            const double dip = 22 + 6 * ((k + 1) % 2);
            cairo_curve_to(cr, x0 + 6 + fx * 0.3, hc.y - 50 + dip, x1 - 8 + fx * 0.3, hc.y - 50 + dip, x1, hc.y - 50);
        }
        cairo_line_to(cr, hc.x + 74, hc.y - 62);
        cairo_line_to(cr, hc.x - 74, hc.y - 62);
        cairo_close_path(cr);
    }, kP.hair, kP.hairShadow, {-4.0, -3.0}, 2.2);
}

void drawHead(cairo_t* cr, const FrontPose& p, Point hc) {
    // The head turns about the neck.
    cairo_save(cr);
    cairo_translate(cr, hc.x, hc.y + 80);
    cairo_rotate(cr, p.headTilt);
    cairo_translate(cr, -hc.x, -(hc.y + 80));
    drawFace(cr, p, hc);
    drawFringe(cr, p, hc);
    drawHat(cr, p, hc);
    cairo_restore(cr);
}

void coatPath(cairo_t* cr, const FrontFrame& f, double hemSwing) {
    const Point n = f.neck, sl = f.shoulder[0], sr = f.shoulder[1];
    const double hy = f.hemY;
    cairo_move_to(cr, n.x - 36, n.y - 2);
    cairo_curve_to(cr, n.x - 56, n.y + 4, sl.x + 20, sl.y - 6, sl.x, sl.y + 6);
    cairo_curve_to(cr, sl.x - 16, sl.y + 40, sl.x - 12, sl.y + 120, sl.x - 18, sl.y + 200);
    cairo_curve_to(cr, sl.x - 26, sl.y + 280, n.x - 118 + hemSwing, hy - 50, n.x - 130 + hemSwing, hy);
    cairo_curve_to(cr, n.x - 60 + hemSwing, hy + 14, n.x + 60 + hemSwing, hy + 14, n.x + 130 + hemSwing, hy);
    cairo_curve_to(cr, n.x + 118 + hemSwing, hy - 50, sr.x + 26, sr.y + 280, sr.x + 18, sr.y + 200);
    cairo_curve_to(cr, sr.x + 12, sr.y + 120, sr.x + 16, sr.y + 40, sr.x, sr.y + 6);
    cairo_curve_to(cr, sr.x - 20, sr.y - 6, n.x + 56, n.y + 4, n.x + 36, n.y - 2);
    cairo_close_path(cr);
}

void drawCoatFront(cairo_t* cr, const FrontFrame& f, const FrontPose& p) {
    const double hemSwing = -p.sway * 0.6;
    inkedShape(cr, [&] { coatPath(cr, f, hemSwing); }, kP.coat, kP.coatShadow, {-10.0, -4.0});
    cairo_save(cr);
    coatPath(cr, f, hemSwing);
    cairo_clip(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    // Quilting seams, sagging a little between the stitches.
    for (int k = 0; k < 4; ++k) {
        const double y = f.neck.y + 110 + k * 84;
        cairo_move_to(cr, f.neck.x - 150, y - 10);
        cairo_curve_to(cr, f.neck.x - 60, y + 12, f.neck.x + 60, y + 12, f.neck.x + 150, y - 10);
        cairo_set_line_width(cr, 2.6);
        paint(cr, kP.coatLine, 0.85);
        cairo_stroke(cr);
        // Puffy highlight above each seam on the lit side.
        cairo_move_to(cr, f.neck.x - 96, y - 30);
        cairo_curve_to(cr, f.neck.x - 70, y - 22, f.neck.x - 40, y - 20, f.neck.x - 20, y - 22);
        cairo_set_line_width(cr, 7.0);
        paint(cr, darker(kP.coat, 1.3f), 0.5);
        cairo_stroke(cr);
    }
    // Front opening and toggles.
    cairo_move_to(cr, f.neck.x + 4, f.neck.y + 10);
    cairo_curve_to(cr, f.neck.x + 6, f.neck.y + 200, f.neck.x + 2 + hemSwing * 0.5, f.hemY - 150, f.neck.x + 4 + hemSwing, f.hemY + 10);
    cairo_set_line_width(cr, 3.0);
    paint(cr, kP.coatLine);
    cairo_stroke(cr);
    // Pocket flaps.
    for (int side = -1; side <= 1; side += 2) {
        const double x = f.neck.x + side * 70 + hemSwing * 0.4, y = f.neck.y + 300;
        inkedShape(cr, [&] {
            cairo_move_to(cr, x - 28, y - 6 * side);
            cairo_line_to(cr, x + 28, y + 6 * side);
            cairo_line_to(cr, x + 26, y + 16 + 6 * side);
            cairo_line_to(cr, x - 26, y + 16 - 6 * side);
            cairo_close_path(cr);
        }, darker(kP.coat, 0.9f), kP.coatShadow, {-2, -2}, 2.0);
    }
    cairo_restore(cr);
    for (int k = 0; k < 4; ++k) {
        const double y = f.neck.y + 72 + k * 84;
        inkedShape(cr, [&] { ellipsePath(cr, f.neck.x + 4, y, 11, 6.5); }, kP.toggle, darker(kP.toggle, 0.7f), {-2, -2}, 2.0);
    }
}

void drawReflector(cairo_t* cr, const FrontFrame& f, const FrontPose& p) {
    // A safety reflector hanging from the left pocket on a cord; it swings with her.
    const Point top{f.neck.x - 84 - p.sway * 0.6 * 0.4, f.neck.y + 312};
    const Point disc{top.x - p.sway * 1.2 - 3, top.y + 58};
    cairo_move_to(cr, top.x, top.y);
    cairo_line_to(cr, disc.x, disc.y - 14);
    cairo_set_line_width(cr, 2.2);
    paint(cr, inkColour());
    cairo_stroke(cr);
    inkedShape(cr, [&] {
        std::vector<Point> star;
        for (int i = 0; i < 10; ++i) {
            const double a = kUp + kPi * i / 5;
            const double r = (i % 2) ? 8.0 : 17.0;
            star.push_back({disc.x + std::cos(a) * r, disc.y + std::sin(a) * r});
        }
        cairo_move_to(cr, star[0].x, star[0].y);
        for (const Point& s : star) cairo_line_to(cr, s.x, s.y);
        cairo_close_path(cr);
    }, kP.reflector, kP.reflectorShadow, {-3, -3}, 2.0);
}

void drawScarfFront(cairo_t* cr, const FrontFrame& f, const FrontPose& p) {
    const Point n = f.neck;
    // The hanging end first; the roll around the neck covers its top.
    const Point a{n.x + 34, n.y + 20}, b{n.x + 46 + p.scarfSwing, n.y + 196};
    auto end = [&] {
        cairo_move_to(cr, a.x - 22, a.y);
        cairo_curve_to(cr, a.x - 22, a.y + 80, b.x - 24, b.y - 60, b.x - 22, b.y);
        cairo_line_to(cr, b.x + 22, b.y + 4);
        cairo_curve_to(cr, b.x + 24, b.y - 60, a.x + 24, a.y + 80, a.x + 24, a.y);
        cairo_close_path(cr);
    };
    inkedShape(cr, end, kP.scarf, kP.scarfShadow);
    cairo_save(cr);
    end();
    cairo_clip(cr);
    for (int k = 1; k <= 4; ++k) {
        const Point c = lerp(a, b, k / 4.6);
        cairo_rectangle(cr, c.x - 40, c.y - 6, 80, 12);
        paint(cr, kP.stripe);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int k = 0; k < 6; ++k) {
        const double x = b.x - 18 + k * 7.5;
        cairo_move_to(cr, x, b.y + 2);
        cairo_line_to(cr, x + p.scarfSwing * 0.2, b.y + 20);
        cairo_set_line_width(cr, 4.0);
        paint(cr, kP.scarfShadow);
        cairo_stroke(cr);
    }
    // The roll around the neck.
    auto roll = [&] {
        cairo_move_to(cr, n.x - 70, n.y - 12);
        cairo_curve_to(cr, n.x - 40, n.y - 26, n.x + 40, n.y - 26, n.x + 70, n.y - 12);
        cairo_curve_to(cr, n.x + 84, n.y + 12, n.x + 60, n.y + 36, n.x + 30, n.y + 38);
        cairo_curve_to(cr, n.x + 10, n.y + 40, n.x - 10, n.y + 40, n.x - 30, n.y + 38);
        cairo_curve_to(cr, n.x - 60, n.y + 36, n.x - 84, n.y + 12, n.x - 70, n.y - 12);
        cairo_close_path(cr);
    };
    inkedShape(cr, roll, kP.scarf, kP.scarfShadow, {-6.0, -5.0});
    cairo_save(cr);
    roll();
    cairo_clip(cr);
    for (int k = 0; k < 2; ++k) {
        const double y = n.y - 2 + k * 20;
        cairo_move_to(cr, n.x - 90, y - 6);
        cairo_curve_to(cr, n.x - 40, y + 10, n.x + 40, y + 10, n.x + 90, y - 6);
        cairo_set_line_width(cr, 7.0);
        paint(cr, kP.stripe);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void frontLeg(cairo_t* cr, const FrontFrame& f, const FrontPose& p, int i) {
    const double back = p.footBack[i];
    const double scale = 1.0 - 0.07 * back;
    const double bottom = 1020.0 - p.footLift[i] - back * 28.0;
    const Point ankle{p.footX[i], bottom - 80.0 * scale};
    const Point hip = f.hip[i];
    const Point knee = lerp(hip, ankle, 0.5) + Point{(i == 0 ? -1.0 : 1.0) * p.footLift[i] * 0.15, 0.0};
    const float light = static_cast<float>(1.0 - 0.18 * back);
    const Rgb t = darker(kP.trousers, light), ts = darker(kP.trousersShadow, light);
    inkedShape(cr, [&] { capsulePath(cr, hip, knee, 74, 66); }, t, ts);
    inkedShape(cr, [&] { capsulePath(cr, knee, ankle + Point{0, -10}, 66, 58); }, t, ts);
    bootFront(cr, p.footX[i], bottom, scale, light);
}

}  // namespace

namespace {

// The figure is drawn a little smaller than its design size, about the middle of the
// ground line, so that the pompom stays clear of the frame's top edge in every pose.
void fitToFrame(cairo_t* cr) {
    cairo_translate(cr, 256.0, 1020.0);
    cairo_scale(cr, 0.95, 0.95);
    cairo_translate(cr, -256.0, -1020.0);
}

}  // namespace

void drawGirlFront(cairo_t* cr, const FrontPose& p) {
    cairo_save(cr);
    fitToFrame(cr);
    // Whatever the pose, the foot lowest in the picture stands on the ground line.
    double lowestFoot = 0.0;
    for (int i = 0; i < 2; ++i) lowestFoot = std::max(lowestFoot, 1020.0 - p.footLift[i] - p.footBack[i] * 28.0);
    cairo_translate(cr, 0.0, 1020.0 - lowestFoot);
    const double cx = 256.0 + p.sway;
    FrontFrame f;
    f.neck = {cx, 292.0 + p.bob - p.shrug * 0.3};
    for (int i = 0; i < 2; ++i) {
        const double side = i == 0 ? -1.0 : 1.0;
        const Point offset = rotate({side * 88.0, 30.0 - p.shrug}, p.tilt);
        f.shoulder[i] = f.neck + offset;
        f.hip[i] = {cx + side * 32.0 - p.sway * 0.4, 650.0 + p.bob};
    }
    f.hemY = 708.0 + p.bob;
    const Point head{cx + p.headTurn * 4.0, 190.0 + p.bob + p.headNod};

    for (int i = 0; i < 2; ++i)
        if (p.armBehind[i]) frontArm(cr, f, p, i, 0.8f);
    // The leg further back first.
    const int first = p.footBack[0] >= p.footBack[1] ? 0 : 1;
    frontLeg(cr, f, p, first);
    frontLeg(cr, f, p, 1 - first);
    drawCoatFront(cr, f, p);
    drawReflector(cr, f, p);
    drawScarfFront(cr, f, p);
    const bool handsUp = p.handsOverFace;
    if (!handsUp)
        for (int i = 0; i < 2; ++i)
            if (!p.armBehind[i]) frontArm(cr, f, p, i, 1.0f);
    // Braids over the shoulders, then the head.
    const double turn = p.headTurn * 6.0;
    braid(cr, {head.x - 62 + turn, head.y + 30}, {head.x - 80 + p.braidSwing + turn, head.y + 206}, 32, 0.95f);
    braid(cr, {head.x + 62 + turn, head.y + 30}, {head.x + 80 + p.braidSwing + turn, head.y + 206}, 32, 1.0f);
    drawHead(cr, p, head);
    if (handsUp)
        for (int i = 0; i < 2; ++i) frontArm(cr, f, p, i, 1.0f);
    if (p.flame) {
        const Point base{cx, std::min(p.handY[0], p.handY[1]) - 18.0};
        flameGlow(cr, base + Point{0, -60}, 1.0);
        flame(cr, base, p.flamePhase);
    }
    cairo_restore(cr);
}

// ---------- the side view, walking to the left ----------

namespace {

struct Gait {
    Point foot;     // bottom of the heel... the ankle sits above it
    double toe;     // rotation of the boot (radians, positive: toe down)
};

// One leg's foot along the cycle u (0..1): on the ground from front to back for 60 %
// of the cycle, then lifted and carried forward. Forward is to the left.
Gait legAt(double u, double hipX) {
    const double stride = 88.0, lift = 50.0;
    u = u - std::floor(u);
    if (u < 0.6) {
        const double s = u / 0.6;
        return {{hipX - stride + 2.0 * stride * s, 1020.0}, 0.0};
    }
    const double v = (u - 0.6) / 0.4;
    const double e = v * v * (3.0 - 2.0 * v);
    const double toe = 0.35 * std::sin(kPi * std::min(1.0, v * 1.4)) - 0.15 * std::sin(kPi * v);
    return {{hipX + stride - 2.0 * stride * e, 1020.0 - lift * std::sin(kPi * v)}, toe};
}

void bootSide(cairo_t* cr, Point ankle, double toe, float light) {
    cairo_save(cr);
    cairo_translate(cr, ankle.x, ankle.y);
    cairo_rotate(cr, -toe);
    inkedShape(cr, [&] {
        cairo_move_to(cr, 24, -22);
        cairo_line_to(cr, -22, -22);
        cairo_curve_to(cr, -26, 8, -34, 22, -52, 38);
        cairo_curve_to(cr, -66, 50, -62, 72, -44, 72);
        cairo_line_to(cr, 26, 72);
        cairo_curve_to(cr, 34, 72, 36, 50, 30, 30);
        cairo_close_path(cr);
    }, darker(kP.boot, light), darker(kP.bootShadow, light), {-4, -4});
    inkedShape(cr, [&] {
        cairo_move_to(cr, -62, 62);
        cairo_curve_to(cr, -62, 74, -50, 76, -44, 76);
        cairo_line_to(cr, 28, 76);
        cairo_line_to(cr, 30, 64);
        cairo_close_path(cr);
    }, kP.sole, kP.sole, {0, 0}, 1.5);
    inkedShape(cr, [&] {
        std::vector<Point> pts;
        for (int i = 0; i <= 7; ++i) pts.push_back({-28.0 + i * 8.0, -34.0 + ((i % 2) ? -4.0 : 0.0)});
        for (int i = 7; i >= 0; --i) pts.push_back({-28.0 + i * 8.0, -12.0 + ((i % 2) ? 4.0 : 0.0)});
        smoothClosedPath(cr, pts);
    }, darker(kP.fur, light), darker(kP.furShadow, light), {-3, -3});
    cairo_restore(cr);
}

void sideLeg(cairo_t* cr, Point hip, const Gait& g, float light) {
    const Point ankle = g.foot + Point{0.0, -77.0};
    const Point knee = solveJoint(hip, ankle + Point{0, -8}, 150.0, 146.0, 1.0);
    const Rgb t = darker(kP.trousers, light), ts = darker(kP.trousersShadow, light);
    inkedShape(cr, [&] { capsulePath(cr, hip, knee, 72, 64); }, t, ts);
    inkedShape(cr, [&] { capsulePath(cr, knee, ankle + Point{0, -8}, 64, 54); }, t, ts);
    bootSide(cr, ankle, g.toe, light);
}

void sideArm(cairo_t* cr, Point shoulder, double swing, float light) {
    // swing > 0 carries the hand forward (left).
    const double upper = 136.0, lower = 124.0;
    const double a1 = swing;
    const Point elbow = shoulder + Point{-std::sin(a1) * upper, std::cos(a1) * upper};
    const double a2 = a1 + 0.25 + 0.35 * std::max(0.0, swing);
    const Point hand = elbow + Point{-std::sin(a2) * lower, std::cos(a2) * lower};
    const Rgb c = darker(kP.coat, light), cs = darker(kP.coatShadow, light);
    inkedShape(cr, [&] { capsulePath(cr, shoulder, elbow, 54, 46); }, c, cs);
    inkedShape(cr, [&] { capsulePath(cr, elbow, lerp(elbow, hand, 0.85), 46, 42); }, c, cs);
    cuffBand(cr, lerp(elbow, hand, 0.7), lerp(elbow, hand, 0.82), 44, darker(kP.coatShadow, light * 1.15f), darker(kP.coatLine, light));
    mittenShape(cr, hand, a2, 1.0, true, light);
}

void sideCoatPath(cairo_t* cr, Point neck, double hemY, double swing) {
    cairo_move_to(cr, neck.x - 28, neck.y - 4);
    cairo_curve_to(cr, neck.x - 52, neck.y + 20, neck.x - 60, neck.y + 70, neck.x - 62, neck.y + 130);
    cairo_curve_to(cr, neck.x - 66, neck.y + 250, neck.x - 84 + swing, hemY - 80, neck.x - 92 + swing, hemY);
    cairo_curve_to(cr, neck.x - 30 + swing, hemY + 14, neck.x + 60 + swing, hemY + 12, neck.x + 106 + swing, hemY - 6);
    cairo_curve_to(cr, neck.x + 90 + swing, hemY - 120, neck.x + 70, neck.y + 200, neck.x + 62, neck.y + 90);
    cairo_curve_to(cr, neck.x + 56, neck.y + 40, neck.x + 44, neck.y + 6, neck.x + 24, neck.y - 4);
    cairo_close_path(cr);
}

void sideHead(cairo_t* cr, Point hc, double braidSwing) {
    // The braid hangs down her back.
    braid(cr, {hc.x + 50, hc.y + 36}, {hc.x + 64 + braidSwing, hc.y + 210}, 32, 0.9f);
    // Back of the head: hair.
    inkedShape(cr, [&] { ellipsePath(cr, hc.x + 12, hc.y - 4, 74, 80); }, kP.hair, kP.hairShadow, {-6, -5});
    // Face in profile, looking left: forehead, button nose, lips and chin.
    inkedShape(cr, [&] {
        smoothClosedPath(cr, {{hc.x + 10, hc.y - 74}, {hc.x - 36, hc.y - 62}, {hc.x - 58, hc.y - 28}, {hc.x - 62, hc.y + 6},
                              {hc.x - 74, hc.y + 22}, {hc.x - 64, hc.y + 34}, {hc.x - 62, hc.y + 48}, {hc.x - 56, hc.y + 62},
                              {hc.x - 42, hc.y + 80}, {hc.x - 6, hc.y + 84}, {hc.x + 28, hc.y + 66}, {hc.x + 30, hc.y + 10},
                              {hc.x + 30, hc.y - 40}});
    }, kP.skin, kP.skinShadow, {-5, -4});
    // Hair over the ear and temple.
    inkedShape(cr, [&] {
        cairo_move_to(cr, hc.x + 2, hc.y - 60);
        cairo_curve_to(cr, hc.x + 30, hc.y - 30, hc.x + 34, hc.y + 20, hc.x + 24, hc.y + 50);
        cairo_curve_to(cr, hc.x + 50, hc.y + 30, hc.x + 70, hc.y - 20, hc.x + 60, hc.y - 60);
        cairo_close_path(cr);
    }, kP.hair, kP.hairShadow, {-3, -3}, 2.2);
    ellipsePath(cr, hc.x - 26, hc.y + 36, 14, 9);
    fillWith(cr, kP.cheek, 0.55);
    // Eye, brow, mouth.
    ellipsePath(cr, hc.x - 36, hc.y + 4, 8, 12);
    fillWith(cr, kP.eye);
    ellipsePath(cr, hc.x - 38, hc.y - 1, 3, 3.6);
    fillWith(cr, hexColor(0xffffff));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, hc.x - 48, hc.y - 20);
    cairo_curve_to(cr, hc.x - 40, hc.y - 26, hc.x - 30, hc.y - 26, hc.x - 24, hc.y - 22);
    cairo_set_line_width(cr, 4.0);
    paint(cr, kP.hairLine);
    cairo_stroke(cr);
    cairo_move_to(cr, hc.x - 58, hc.y + 52);
    cairo_curve_to(cr, hc.x - 52, hc.y + 58, hc.x - 46, hc.y + 58, hc.x - 42, hc.y + 54);
    cairo_set_line_width(cr, 3.4);
    paint(cr, kP.mouth);
    cairo_stroke(cr);
    // Fringe under the hat.
    inkedShape(cr, [&] {
        cairo_move_to(cr, hc.x - 62, hc.y - 48);
        cairo_curve_to(cr, hc.x - 60, hc.y - 28, hc.x - 50, hc.y - 22, hc.x - 40, hc.y - 30);
        cairo_curve_to(cr, hc.x - 34, hc.y - 22, hc.x - 22, hc.y - 24, hc.x - 16, hc.y - 34);
        cairo_line_to(cr, hc.x - 10, hc.y - 60);
        cairo_line_to(cr, hc.x - 62, hc.y - 62);
        cairo_close_path(cr);
    }, kP.hair, kP.hairShadow, {-3, -3}, 2.2);
    // Hat in profile, the pompom a little behind the top.
    auto dome = [&] {
        cairo_move_to(cr, hc.x - 72, hc.y - 46);
        cairo_curve_to(cr, hc.x - 78, hc.y - 130, hc.x - 10, hc.y - 160, hc.x + 20, hc.y - 156);
        cairo_curve_to(cr, hc.x + 70, hc.y - 150, hc.x + 96, hc.y - 110, hc.x + 90, hc.y - 40);
        cairo_close_path(cr);
    };
    inkedShape(cr, dome, kP.hat, kP.hatShadow, {-8, -6});
    cairo_save(cr);
    dome();
    cairo_clip(cr);
    for (int k = -5; k <= 6; ++k) {
        const double x = hc.x + 10 + k * 14.0;
        cairo_move_to(cr, x, hc.y - 60);
        cairo_curve_to(cr, x, hc.y - 110, hc.x + 14 + k * 4.0, hc.y - 150, hc.x + 16 + k * 2.0, hc.y - 160);
        cairo_set_line_width(cr, 2.2);
        paint(cr, kP.hatShadow, 0.55);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    auto band = [&] {
        cairo_move_to(cr, hc.x - 76, hc.y - 80);
        cairo_curve_to(cr, hc.x - 20, hc.y - 90, hc.x + 50, hc.y - 88, hc.x + 94, hc.y - 76);
        cairo_line_to(cr, hc.x + 92, hc.y - 40);
        cairo_curve_to(cr, hc.x + 50, hc.y - 50, hc.x - 20, hc.y - 54, hc.x - 74, hc.y - 42);
        cairo_close_path(cr);
    };
    inkedShape(cr, band, kP.band, kP.bandShadow, {-6, -3});
    cairo_save(cr);
    band();
    cairo_clip(cr);
    for (int k = -6; k <= 7; ++k) {
        const double x = hc.x + 8 + k * 14.0, y = hc.y - 64 - 6.0;
        cairo_move_to(cr, x, y - 8);
        cairo_line_to(cr, x + 6, y);
        cairo_line_to(cr, x, y + 8);
        cairo_line_to(cr, x - 6, y);
        cairo_close_path(cr);
        paint(cr, (k % 2) ? kP.hat : kP.pattern);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    const Point pc{hc.x + 34, hc.y - 166};
    inkedShape(cr, [&] {
        std::vector<Point> pts;
        for (int i = 0; i < 26; ++i) {
            const double a = 2 * kPi * i / 26;
            const double r = 31.0 + ((i % 2) ? -2.5 : 2.5) + 1.5 * std::sin(i * 2.7);
            pts.push_back({pc.x + std::cos(a) * r, pc.y + std::sin(a) * r});
        }
        smoothClosedPath(cr, pts);
    }, kP.band, kP.bandShadow, {-3.5, -3.0});
}

}  // namespace

void drawGirlSide(cairo_t* cr, const SidePose& pose) {
    cairo_save(cr);
    fitToFrame(cr);
    if (!kSideWalkFacesLeft) {
        cairo_translate(cr, 512.0, 0.0);
        cairo_scale(cr, -1.0, 1.0);
    }
    const double u = pose.phase;
    const double w = 2 * kPi * u;
    const double bob = 7.0 * std::cos(2.0 * w);
    const double hipX = 262.0;
    const Point hip{hipX, 652.0 + bob};
    const Point neck{252.0, 292.0 + bob};
    const Point shoulder{258.0, 334.0 + bob};
    const Point head{246.0, 188.0 + bob + 2.0 * std::cos(2.0 * w + 0.6)};
    // The near leg is in front at u = 0; the far one half a cycle later.
    const Gait nearLeg = legAt(u, hipX), farLeg = legAt(u + 0.5, hipX);
    const double armSwing = 0.42 * std::cos(w);

    sideArm(cr, shoulder + Point{8, -4}, armSwing, 0.62f);      // far arm, behind
    sideLeg(cr, hip + Point{6, 0}, farLeg, 0.62f);
    sideLeg(cr, hip, nearLeg, 1.0f);
    // Scarf end flapping behind her, then the coat, then the scarf roll.
    const double flap = 10.0 * std::sin(w * 2.0 + 0.8);
    inkedShape(cr, [&] {
        cairo_move_to(cr, neck.x + 20, neck.y + 6);
        cairo_curve_to(cr, neck.x + 60, neck.y + 30, neck.x + 70 + flap, neck.y + 90, neck.x + 84 + flap, neck.y + 130);
        cairo_line_to(cr, neck.x + 116 + flap, neck.y + 118);
        cairo_curve_to(cr, neck.x + 96 + flap, neck.y + 70, neck.x + 80, neck.y + 20, neck.x + 40, neck.y - 8);
        cairo_close_path(cr);
    }, kP.scarf, kP.scarfShadow);
    const double hemSwing = 6.0 * std::sin(w * 2.0 + 1.0);
    inkedShape(cr, [&] { sideCoatPath(cr, neck, 706.0 + bob, hemSwing); }, kP.coat, kP.coatShadow, {-8, -4});
    cairo_save(cr);
    sideCoatPath(cr, neck, 706.0 + bob, hemSwing);
    cairo_clip(cr);
    for (int k = 0; k < 4; ++k) {
        const double y = neck.y + 110 + k * 84;
        cairo_move_to(cr, neck.x - 120, y - 4);
        cairo_curve_to(cr, neck.x - 40, y + 14, neck.x + 40, y + 14, neck.x + 140, y - 4);
        cairo_set_line_width(cr, 2.6);
        paint(cr, kP.coatLine, 0.85);
        cairo_stroke(cr);
    }
    inkedShape(cr, [&] {
        cairo_move_to(cr, neck.x - 40, neck.y + 300);
        cairo_line_to(cr, neck.x + 20, neck.y + 308);
        cairo_line_to(cr, neck.x + 18, neck.y + 326);
        cairo_line_to(cr, neck.x - 42, neck.y + 318);
        cairo_close_path(cr);
    }, darker(kP.coat, 0.9f), kP.coatShadow, {-2, -2}, 2.0);
    cairo_restore(cr);
    inkedShape(cr, [&] {
        cairo_move_to(cr, neck.x - 46, neck.y - 16);
        cairo_curve_to(cr, neck.x - 10, neck.y - 30, neck.x + 40, neck.y - 24, neck.x + 54, neck.y - 8);
        cairo_curve_to(cr, neck.x + 62, neck.y + 14, neck.x + 40, neck.y + 34, neck.x, neck.y + 36);
        cairo_curve_to(cr, neck.x - 40, neck.y + 36, neck.x - 62, neck.y + 10, neck.x - 46, neck.y - 16);
        cairo_close_path(cr);
    }, kP.scarf, kP.scarfShadow, {-5, -4});
    sideHead(cr, head, -8.0 * std::sin(2.0 * w));
    sideArm(cr, shoulder, -armSwing, 1.0f);  // near arm
    cairo_restore(cr);
}

}  // namespace tolmero::images
