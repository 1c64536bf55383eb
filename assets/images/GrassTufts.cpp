// Grass tufts (tuppo1..5): bog sedges and grasses as dense tussocks. A tuft is seen
// from hundreds of metres as a few texels, where thin blades would mix with the white
// background into a pale haze; so each tuft has a solid core of old leaves at its foot
// and broad blades that overlap, with thin tips and seed heads only at the top.
#include <algorithm>
#include <cmath>
#include <vector>

#include "PlantKit.h"
#include "SmallPlants.h"

namespace tolmero::images {
namespace {

constexpr double kFoot = 510.0;  // the image bottom, where tufts stand

struct TuftStyle {
    int blades;
    double spread;            // angular spread of the blades around "up" (radians, 1 sigma)
    double baseHalfWidth;     // how wide the blades start at the foot
    double minLength, maxLength;
    double minWidth, maxWidth;
    double gravity;           // droop per step
    std::vector<Rgb> body;    // main blade colours
    std::vector<Rgb> tips;    // tip colours (yellowed, reddish or brown)
    Rgb core;                 // old leaves at the foot
    double tipShare;          // fraction of the blade length that turns to the tip colour
};

struct Blade {
    std::vector<Point> spine;
    double width;
    Rgb body, tip;
    float depth;  // 0 at the back, 1 in front
};

// A blade painted with a gradient from its dark foot through its body colour to its tip.
void drawBlade(cairo_t* cr, const Blade& b, double tipShare) {
    stripPath(cr, b.spine, [&](double s) { return b.width * std::pow(1.0 - s, 0.4) * (s < 0.1 ? 0.85 + 1.5 * s : 1.0); });
    const Point a = b.spine.front(), z = b.spine.back();
    cairo_pattern_t* g = cairo_pattern_create_linear(a.x, a.y, z.x, z.y);
    const float light = 0.55f + 0.55f * b.depth;
    const Rgb foot = shade(b.body, 0.35f * light), body = shade(b.body, light), tip = shade(b.tip, light);
    cairo_pattern_add_color_stop_rgb(g, 0.0, foot.r, foot.g, foot.b);
    cairo_pattern_add_color_stop_rgb(g, 0.3, body.r, body.g, body.b);
    cairo_pattern_add_color_stop_rgb(g, std::max(0.35, 1.0 - tipShare), body.r, body.g, body.b);
    cairo_pattern_add_color_stop_rgb(g, 1.0, tip.r, tip.g, tip.b);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // A lit fold along one side of broad blades.
    if (b.width > 6.0) {
        std::vector<Point> fold(b.spine.size());
        for (size_t i = 0; i < fold.size(); ++i) fold[i] = b.spine[i] + Point{-b.width * 0.18, 0.0};
        stripPath(cr, fold, [&](double s) { return b.width * 0.35 * std::pow(1.0 - s, 0.9); });
        paint(cr, shade(b.body, light * 1.35f), 0.55);
        cairo_fill(cr);
    }
}

std::vector<Blade> makeBlades(Rng& rng, const TuftStyle& s, double centreX) {
    std::vector<Blade> blades;
    for (int i = 0; i < s.blades; ++i) {
        const double offset = rng.normal() * s.baseHalfWidth * 0.5;
        const double angle = kUp + rng.normal() * s.spread + offset / s.baseHalfWidth * 0.35;
        // Outer blades are longer and arch over; inner ones stand up.
        const double outward = std::abs(angle - kUp) / (s.spread * 2.0);
        const double length = rng.uniform(static_cast<float>(s.minLength), static_cast<float>(s.maxLength)) *
                              (1.0 - 0.25 * std::min(1.0, outward));
        Blade b;
        b.spine = growLine(rng, {centreX + offset, kFoot + 6.0}, angle, length, 14, 0.025,
                           (angle - kUp) * 0.01, s.gravity * (0.5 + outward));
        // Blades end short of the image's sides (the sprites wrap around there).
        for (size_t k = 1; k < b.spine.size(); ++k) {
            if (b.spine[k].x < 12.0 || b.spine[k].x > 500.0) {
                b.spine.resize(std::max<size_t>(2, k));
                break;
            }
        }
        b.width = rng.uniform(static_cast<float>(s.minWidth), static_cast<float>(s.maxWidth));
        b.body = vary(rng, s.body[rng.below(static_cast<uint32_t>(s.body.size()))], 0.12f);
        b.tip = vary(rng, s.tips[rng.below(static_cast<uint32_t>(s.tips.size()))], 0.12f);
        b.depth = static_cast<float>(rng.unit());
        blades.push_back(std::move(b));
    }
    std::sort(blades.begin(), blades.end(), [](const Blade& a, const Blade& b) { return a.depth < b.depth; });
    return blades;
}

// The dense foot of a tussock: short, broad, dark old leaves.
void drawCore(cairo_t* cr, Rng& rng, const TuftStyle& s, double centreX, double halfWidth, double height) {
    for (int i = 0; i < 150; ++i) {
        const double offset = rng.uniform(-1.0f, 1.0f) * halfWidth;
        const double angle = kUp + offset / halfWidth * 0.9 + rng.normal() * 0.2;
        const std::vector<Point> spine =
            growLine(rng, {centreX + offset * 0.6, kFoot + 8.0}, angle, height * rng.uniform(0.5f, 1.0f), 8, 0.05, 0.0, 0.01);
        stripPath(cr, spine, [&](double t) { return 26.0 * (1.0 - t * 0.85); });
        fillWith(cr, shade(vary(rng, s.core, 0.2f), rng.uniform(0.45f, 0.8f)));
    }
}

TuftStyle sedge() {
    return {170, 0.42, 70.0, 200.0, 470.0, 6.0, 12.0, 0.012,
            {hexColor(0x6f8a3a), hexColor(0x7d9440), hexColor(0x5d7a34), hexColor(0x8a9a48)},
            {hexColor(0xb8a55a), hexColor(0xa08048), hexColor(0x9aa050)},
            hexColor(0x6a5c3c), 0.3};
}

TuftStyle autumnTussock() {
    return {180, 0.5, 80.0, 180.0, 420.0, 6.0, 13.0, 0.018,
            {hexColor(0xb8823c), hexColor(0xc89a4c), hexColor(0x9a7a3a), hexColor(0x8a8a40), hexColor(0xb0683a)},
            {hexColor(0xd0a860), hexColor(0xc0603a), hexColor(0xd8b870)},
            hexColor(0x6a5030), 0.4};
}

TuftStyle cottonGrass() {
    return {150, 0.38, 60.0, 160.0, 360.0, 5.0, 9.0, 0.012,
            {hexColor(0x6a8840), hexColor(0x7a9a44), hexColor(0x5a7a38)},
            {hexColor(0xa88a48), hexColor(0xb89858), hexColor(0x8a7a40)},
            hexColor(0x5a5034), 0.35};
}

TuftStyle moorGrass() {
    return {140, 0.45, 70.0, 150.0, 330.0, 6.0, 11.0, 0.016,
            {hexColor(0x8a9446), hexColor(0x9a9a50), hexColor(0x7a8a40), hexColor(0xa08a48)},
            {hexColor(0xc0a060), hexColor(0xa87850)},
            hexColor(0x6a5a38), 0.35};
}

TuftStyle wetSedge() {
    return {130, 0.28, 55.0, 220.0, 440.0, 5.0, 10.0, 0.008,
            {hexColor(0x5a8050), hexColor(0x4e7448), hexColor(0x688a54)},
            {hexColor(0x8a9050), hexColor(0x7a6a40)},
            hexColor(0x4a4a30), 0.25};
}

// A cotton-grass head: a ball of fine white bristles on a thin stalk, greyer below.
void drawCottonHead(cairo_t* cr, Rng& rng, Point c, double radius) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    const Rgb lit = hexColor(0xdcdad2), shadowSide = hexColor(0xa4a8b0);
    ellipsePath(cr, c.x, c.y, radius * 0.9, radius * 0.85);
    fillWith(cr, shadowSide);
    for (int i = 0; i < 90; ++i) {
        const double a = rng.uniform(0.0f, 2.0f * static_cast<float>(kPi));
        const double r = radius * rng.uniform(0.55f, 1.05f);
        const double start = rng.uniform(0.0f, 0.35f) * radius;
        const float light = static_cast<float>(0.5 + 0.5 * (-std::sin(a) * 0.6 - std::cos(a) * 0.4));
        cairo_move_to(cr, c.x + std::cos(a) * start, c.y + std::sin(a) * start);
        cairo_line_to(cr, c.x + std::cos(a) * r, c.y + std::sin(a) * r);
        cairo_set_line_width(cr, rng.uniform(2.0f, 4.0f));
        paint(cr, blend(shadowSide, lit, std::clamp(light + rng.uniform(-0.2f, 0.2f), 0.0f, 1.0f)));
        cairo_stroke(cr);
    }
}

// A feathery purple-brown panicle of moor grass along the top of a stalk.
void drawPanicle(cairo_t* cr, Rng& rng, const std::vector<Point>& stalk, Rgb colour) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (double t = 0.62; t <= 1.0; t += 0.012) {
        const Point p = along(stalk, t);
        const double heading = headingAt(stalk, t);
        const double reach = 16.0 * std::sin((t - 0.6) / 0.4 * kPi) + 4.0;
        for (int side = -1; side <= 1; side += 2) {
            const double a = heading + side * rng.uniform(0.25f, 0.6f);
            const double len = reach * rng.uniform(0.5f, 1.0f);
            cairo_move_to(cr, p.x, p.y);
            cairo_line_to(cr, p.x + std::cos(a) * len, p.y + std::sin(a) * len);
            cairo_set_line_width(cr, 2.6);
            paint(cr, vary(rng, colour, 0.18f));
            cairo_stroke(cr);
        }
    }
}

// A sedge's dark brown seed spike at the tip of a stalk.
void drawSpike(cairo_t* cr, Rng& rng, Point tip, double angle, double length) {
    const Point c = tip + Point{std::cos(angle), std::sin(angle)} * (-length * 0.5);
    leafPath(cr, c.x, c.y, angle, length, length * 0.32);
    fillWith(cr, vary(rng, hexColor(0x3a2a20), 0.2f));
    leafPath(cr, c.x - 1.5, c.y - 1.0, angle, length * 0.8, length * 0.14);
    fillWith(cr, vary(rng, hexColor(0x6a5038), 0.2f));
}

std::vector<Point> stalk(Rng& rng, double centreX, double length, double lean) {
    return growLine(rng, {centreX + rng.normal() * 14.0, kFoot}, kUp + lean, length, 18, 0.015, -lean * 0.01, 0.0);
}

void drawStalk(cairo_t* cr, const std::vector<Point>& line, Rgb colour) {
    stripPath(cr, line, [](double t) { return 4.2 - 1.8 * t; });
    fillWith(cr, colour);
}

}  // namespace

void drawGrassTuft(CairoLayer& layer, int variant) {
    layer.clear();
    cairo_t* cr = layer.cr();
    Rng rng(400 + variant);
    const double cx = 256.0;
    TuftStyle style = variant == 1 ? sedge() : variant == 2 ? autumnTussock() : variant == 3 ? cottonGrass()
                    : variant == 4 ? moorGrass() : wetSedge();
    drawCore(cr, rng, style, cx, style.baseHalfWidth * 1.7, variant == 5 ? 170.0 : 230.0);
    std::vector<Blade> blades = makeBlades(rng, style, cx);
    // Flower stalks stand among the blades: the back half before them, the rest after.
    std::vector<std::vector<Point>> stalks;
    const int stalkCount = variant == 3 ? 3 : variant == 4 ? 8 : variant == 5 ? 9 : 0;
    for (int i = 0; i < stalkCount; ++i) {
        const double lean = rng.normal() * (variant == 4 ? 0.22 : 0.16);
        const double length = variant == 3 ? rng.uniform(330.0f, 440.0f) : variant == 4 ? rng.uniform(360.0f, 470.0f)
                                                                                          : rng.uniform(300.0f, 420.0f);
        stalks.push_back(stalk(rng, cx, length, lean));
    }
    auto drawStalks = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            const auto& s = stalks[i];
            if (variant == 3) {
                drawStalk(cr, s, vary(rng, hexColor(0x6a7a3a), 0.1f));
                drawCottonHead(cr, rng, s.back(), rng.uniform(16.0f, 21.0f));
            } else if (variant == 4) {
                drawStalk(cr, s, vary(rng, hexColor(0x8a7a4a), 0.1f));
                drawPanicle(cr, rng, s, hexColor(0x8a6450));
            } else {
                drawStalk(cr, s, vary(rng, hexColor(0x6a7a44), 0.1f));
                drawSpike(cr, rng, s.back(), headingAt(s, 1.0), rng.uniform(34.0f, 48.0f));
                if (rng.chance(0.6)) {
                    const Point p = along(s, 0.9);
                    drawSpike(cr, rng, p, headingAt(s, 0.9) + rng.uniform(0.3f, 0.6f) * (rng.chance(0.5) ? 1 : -1), 26.0);
                }
            }
        }
    };
    const size_t half = stalks.size() / 2;
    for (size_t i = 0; i < blades.size(); ++i) {
        if (i == blades.size() / 2) drawStalks(0, half);
        drawBlade(cr, blades[i], style.tipShare);
    }
    drawStalks(half, stalks.size());
}

}  // namespace tolmero::images
