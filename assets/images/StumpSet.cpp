// The stump set: a sawn spruce stump (kanto) and fifteen sprigs of dwarf shrubs
// (varpu...) that the stump pass stacks on the stump's quad, behind it. Every sprig is
// rooted on the bottom edge at its own place around the stump, so that together they
// make a patch of lingonberry, blueberry, heather and crowberry growing from the
// ground around it; the tall ones behind the stump show above its cut.
#include <algorithm>
#include <cmath>
#include <vector>

#include "PlantKit.h"
#include "Shrubs.h"
#include "SmallPlants.h"
#include "StumpImages.h"
#include "common/Noise.h"

namespace tolmero::images {
namespace {

constexpr double kCx = 256.0;
constexpr double kTopY = 232.0;    // centre of the cut
constexpr double kTopRx = 116.0;
constexpr double kTopRy = 38.0;
constexpr double kGroundY = 472.0;
constexpr double kFootRx = 152.0;

const Rgb kBark = hexColor(0x6a5a4e);
const Rgb kBarkScale = hexColor(0x8a6e5a);
const Rgb kBarkDeep = hexColor(0x2a201c);
const Rgb kWood = hexColor(0xc8a878);
const Rgb kHeartwood = hexColor(0xb48e62);
const Rgb kRing = hexColor(0x8a6840);
const Rgb kMoss = hexColor(0x5a8a2a);

void stumpBodyPath(cairo_t* cr) {
    cairo_move_to(cr, kCx - kTopRx, kTopY);
    cairo_curve_to(cr, kCx - kTopRx - 2.0, kTopY + 120.0, kCx - kFootRx + 14.0, kGroundY - 50.0, kCx - kFootRx, kGroundY);
    cairo_curve_to(cr, kCx - 70.0, kGroundY + 16.0, kCx + 70.0, kGroundY + 16.0, kCx + kFootRx, kGroundY);
    cairo_curve_to(cr, kCx + kFootRx - 14.0, kGroundY - 50.0, kCx + kTopRx + 2.0, kTopY + 120.0, kCx + kTopRx, kTopY);
    // Round the front of the cut.
    cairo_save(cr);
    cairo_translate(cr, kCx, kTopY);
    cairo_scale(cr, kTopRx, kTopRy);
    cairo_arc_negative(cr, 0, 0, 1, 0, kPi);
    cairo_restore(cr);
    cairo_close_path(cr);
}

// Half width of the stump at height y.
double halfWidthAt(double y) {
    const double t = std::clamp((y - kTopY) / (kGroundY - kTopY), 0.0, 1.0);
    return kTopRx + (kFootRx - kTopRx) * std::pow(t, 2.5);
}

void drawRoots(cairo_t* cr, Rng& rng) {
    struct Root {
        double side, startY, angle, length, width;
    };
    const Root roots[] = {{-1, 420, 2.7, 110, 50}, {1, 418, 0.42, 115, 52}, {-1, 450, 2.3, 80, 40}, {1, 448, 0.85, 85, 42},
                          {-1, 462, 1.95, 50, 36}, {1, 465, 1.25, 50, 34}};
    for (const Root& r : roots) {
        const Point start{kCx + r.side * (halfWidthAt(r.startY) - 20.0), r.startY};
        std::vector<Point> line = growLine(rng, start, r.angle, r.length, 8, 0.05, 0.0, 0.09);
        for (Point& p : line) p.y = std::min(p.y, kGroundY + 40.0);
        drawLimb(cr, line, r.width, r.width * 0.45, kBark, 0.45f);
        // Moss on the upper side of each root.
        for (int i = 0; i < 25; ++i) {
            const Point p = along(line, rng.uniform(0.1f, 0.9f));
            ellipsePath(cr, p.x + rng.uniform(-8.0f, 8.0f), p.y - r.width * 0.3 + rng.uniform(-4.0f, 4.0f), rng.uniform(3.0f, 7.0f),
                        rng.uniform(2.5f, 5.0f));
            fillWith(cr, shade(vary(rng, kMoss, 0.2f), rng.uniform(0.7f, 1.15f)));
        }
    }
}

void drawStumpSides(cairo_t* cr, Rng& rng) {
    stumpBodyPath(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(kCx - kFootRx, 0, kCx + kFootRx, 0);
    const Rgb lit = shade(kBark, 1.25f), mid = kBark, dark = shade(kBark, 0.35f);
    cairo_pattern_add_color_stop_rgb(g, 0.0, mid.r, mid.g, mid.b);
    cairo_pattern_add_color_stop_rgb(g, 0.25, lit.r, lit.g, lit.b);
    cairo_pattern_add_color_stop_rgb(g, 0.6, mid.r, mid.g, mid.b);
    cairo_pattern_add_color_stop_rgb(g, 1.0, dark.r, dark.g, dark.b);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    cairo_save(cr);
    stumpBodyPath(cr);
    cairo_clip(cr);
    // Spruce bark: thin, flat, rounded scales overlapping like shingles, in loose
    // vertical runs, some reddish where fresh bark shows, lit from the left.
    for (int i = 0; i < 2600; ++i) {
        const double y = rng.uniform(static_cast<float>(kTopY) - 10.0f, static_cast<float>(kGroundY) + 10.0f);
        const double hw = halfWidthAt(y);
        const double f = rng.uniform(-1.0f, 1.0f);
        const double x = kCx + f * hw;
        const float light = static_cast<float>(1.15 - 0.6 * (f + 1.0) * 0.5) * rng.uniform(0.75f, 1.15f);
        // Scales seen edge-on near the silhouette are narrower.
        const double rx = rng.uniform(4.0f, 8.0f) * std::sqrt(std::max(0.08, 1.0 - f * f));
        const double ry = rng.uniform(2.2f, 3.8f);
        ellipsePath(cr, x, y + 1.6, rx * 1.05, ry);
        fillWith(cr, shade(kBarkDeep, light * 1.4f), 0.75);
        ellipsePath(cr, x, y, rx, ry * 0.85);
        const float hue = rng.uniform(0.0f, 1.0f);
        fillWith(cr, shade(hue < 0.25f ? kBarkScale : hue < 0.35f ? hexColor(0x8a8478) : kBark, light));
    }
    // Patches of grey-green lichen.
    for (int i = 0; i < 14; ++i) {
        const double y = rng.uniform(static_cast<float>(kTopY) + 40.0f, static_cast<float>(kGroundY) - 60.0f);
        const double x = kCx + rng.uniform(-0.8f, 0.6f) * halfWidthAt(y);
        for (int k = 0; k < 14; ++k) {
            ellipsePath(cr, x + rng.uniform(-9.0f, 9.0f), y + rng.uniform(-7.0f, 7.0f), rng.uniform(2.0f, 4.0f), rng.uniform(1.5f, 3.0f));
            fillWith(cr, vary(rng, hexColor(0x9aa88e), 0.15f));
        }
    }
    // Deep vertical cracks.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 22; ++i) {
        double f = rng.uniform(-0.92f, 0.92f);
        double y = rng.uniform(static_cast<float>(kTopY) + 30.0f, static_cast<float>(kGroundY) - 20.0f);
        cairo_move_to(cr, kCx + f * halfWidthAt(y), y);
        const double y1 = y + rng.uniform(18.0f, 60.0f);
        while (y < y1) {
            y += 7.0;
            f += rng.uniform(-0.03f, 0.03f);
            cairo_line_to(cr, kCx + f * halfWidthAt(y), y);
        }
        cairo_set_line_width(cr, rng.uniform(1.5f, 3.2f));
        paint(cr, kBarkDeep, 0.8);
        cairo_stroke(cr);
    }
    // Moss creeping up from the ground, thickest at the foot and on the shaded side.
    for (int i = 0; i < 900; ++i) {
        const double f = rng.uniform(-1.05f, 1.05f);
        const double rise = std::pow(rng.unit(), 3.0) * (45.0 + 40.0 * std::max(0.0, f));
        const double y = kGroundY + 6.0 - rise;
        const double x = kCx + f * halfWidthAt(y);
        ellipsePath(cr, x, y, rng.uniform(2.0f, 5.0f), rng.uniform(1.5f, 3.5f));
        fillWith(cr, shade(vary(rng, kMoss, 0.25f), static_cast<float>(0.95 - 0.4 * (f + 1.0) * 0.5) * rng.uniform(0.6f, 1.0f)));
    }
    // Shade under the rim of the cut, where the bark overhangs.
    cairo_pattern_t* rim = cairo_pattern_create_linear(0, kTopY, 0, kTopY + 70.0);
    cairo_pattern_add_color_stop_rgba(rim, 0.0, 0.05, 0.04, 0.03, 0.55);
    cairo_pattern_add_color_stop_rgba(rim, 1.0, 0.05, 0.04, 0.03, 0.0);
    cairo_set_source(cr, rim);
    cairo_paint(cr);
    cairo_pattern_destroy(rim);
    cairo_restore(cr);
}

void drawCut(cairo_t* cr, Rng& rng) {
    // Bark rim, then the wood; rings are eccentric, as in a tree that leaned.
    ellipsePath(cr, kCx, kTopY, kTopRx, kTopRy);
    fillWith(cr, shade(kBark, 0.8f));
    ellipsePath(cr, kCx, kTopY + 1.0, kTopRx - 8.0, kTopRy - 3.5);
    fillWith(cr, kWood);
    const Point pith{kCx + 14.0, kTopY - 4.0};
    cairo_save(cr);
    ellipsePath(cr, kCx, kTopY + 1.0, kTopRx - 8.0, kTopRy - 3.5);
    cairo_clip(cr);
    // Heartwood: a warmer core.
    ellipsePath(cr, pith.x - 4.0, pith.y + 1.0, (kTopRx - 8.0) * 0.7, (kTopRy - 3.5) * 0.7);
    fillWith(cr, kHeartwood);
    const int rings = 34;
    for (int k = 1; k <= rings; ++k) {
        const double f = std::pow(static_cast<double>(k) / rings, 0.9);
        cairo_new_path(cr);
        for (int i = 0; i <= 72; ++i) {
            const double a = 2 * kPi * i / 72;
            const double wobble = 1.0 + 0.025 * std::sin(a * 3.0 + k * 0.7) + 0.015 * std::sin(a * 7.0 + k);
            // Blend from the pith-centred circle to the outline so the outer rings follow the rim.
            const double cxr = pith.x + (kCx - pith.x) * f, cyr = pith.y + (kTopY + 1.0 - pith.y) * f;
            const double x = cxr + std::cos(a) * (kTopRx - 8.0) * f * wobble;
            const double y = cyr + std::sin(a) * (kTopRy - 3.5) * f * wobble;
            if (i == 0) cairo_move_to(cr, x, y); else cairo_line_to(cr, x, y);
        }
        cairo_close_path(cr);
        cairo_set_line_width(cr, k % 5 == 0 ? 2.0 : 1.3);
        paint(cr, shade(kRing, rng.uniform(0.6f, 0.95f)), 0.9);
        cairo_stroke(cr);
    }
    // Drying cracks from the pith and faint saw marks across the cut.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 6; ++i) {
        const double a = rng.uniform(0.0f, 6.2832f);
        const double r = rng.uniform(0.4f, 0.95f);
        cairo_move_to(cr, pith.x, pith.y);
        cairo_line_to(cr, pith.x + std::cos(a) * (kTopRx - 8.0) * r * 0.5, pith.y + std::sin(a) * (kTopRy - 3.5) * r * 0.5 + 1.0);
        cairo_line_to(cr, pith.x + std::cos(a) * (kTopRx - 8.0) * r, pith.y + std::sin(a) * (kTopRy - 3.5) * r);
        cairo_set_line_width(cr, rng.uniform(1.5f, 2.8f));
        paint(cr, hexColor(0x4a3420));
        cairo_stroke(cr);
    }
    for (int i = 0; i < 9; ++i) {
        const double x = kCx - kTopRx + 30.0 + i * 22.0;
        cairo_move_to(cr, x, kTopY - kTopRy);
        cairo_curve_to(cr, x + 14.0, kTopY - 10.0, x + 14.0, kTopY + 10.0, x, kTopY + kTopRy);
        cairo_set_line_width(cr, 3.0);
        paint(cr, shade(kWood, 1.08f), 0.15);
        cairo_stroke(cr);
    }
    // Weathering: the cut greys toward its rim.
    cairo_pattern_t* g = cairo_pattern_create_radial(pith.x, pith.y, 10.0, kCx, kTopY, kTopRx);
    cairo_pattern_add_color_stop_rgba(g, 0.0, 0.5, 0.45, 0.4, 0.0);
    cairo_pattern_add_color_stop_rgba(g, 1.0, 0.45, 0.42, 0.4, 0.45);
    cairo_set_source(cr, g);
    cairo_paint(cr);
    cairo_pattern_destroy(g);
    cairo_restore(cr);
    // Amber resin beads on the rim.
    for (int i = 0; i < 4; ++i) {
        const double a = rng.uniform(0.2f, 2.9f);
        const double x = kCx + std::cos(a) * (kTopRx - 3.0), y = kTopY + std::sin(a) * (kTopRy - 1.0) + rng.uniform(0.0f, 10.0f);
        ellipsePath(cr, x, y, rng.uniform(2.0f, 3.5f), rng.uniform(3.0f, 5.5f));
        fillWith(cr, hexColor(0xc8861e));
        ellipsePath(cr, x - 1.2, y - 1.5, 1.4, 2.0);
        fillWith(cr, hexColor(0xf0d080));
    }
}

struct Sprig {
    int number;
    double x, height, lean;
    Shrub species;
    int stems;
};

// The sprig of every twig number. Left and right of the stump the sprigs show
// whole; the tall ones behind it rise above the cut.
constexpr Sprig kSprigs[] = {{91, 84, 250, -0.15, Shrub::Lingonberry, 4}, {1, 430, 230, 0.15, Shrub::Blueberry, 3},
                             {2, 126, 200, -0.1, Shrub::Heather, 5},      {3, 392, 300, 0.12, Shrub::Blueberry, 3},
                             {4, 60, 150, -0.2, Shrub::Crowberry, 4},     {5, 452, 170, 0.2, Shrub::Lingonberry, 4},
                             {6, 182, 360, -0.05, Shrub::Blueberry, 3},   {7, 322, 380, 0.06, Shrub::Heather, 4},
                             {8, 100, 120, -0.2, Shrub::Lingonberry, 5},  {9, 410, 120, 0.2, Shrub::Crowberry, 4},
                             {93, 252, 430, 0.0, Shrub::Blueberry, 3},    {94, 150, 260, -0.12, Shrub::Heather, 4},
                             {95, 362, 210, 0.1, Shrub::Lingonberry, 4},  {96, 72, 330, -0.12, Shrub::Heather, 5},
                             {97, 446, 310, 0.12, Shrub::Blueberry, 3}};

constexpr bool everyTwigHasItsSprig() {
    for (int number : generated::kStumpTwigNumbers) {
        bool found = false;
        for (const Sprig& s : kSprigs) found = found || s.number == number;
        if (!found) return false;
    }
    return true;
}
static_assert(everyTwigHasItsSprig(), "a twig of StumpImages.h has no sprig in kSprigs");

}  // namespace

void drawStump(CairoLayer& layer) {
    layer.clear();
    cairo_t* cr = layer.cr();
    Rng rng(801);
    drawRoots(cr, rng);
    drawStumpSides(cr, rng);
    drawCut(cr, rng);
    // A little moss and grass at the very foot, in front of the roots.
    for (int i = 0; i < 70; ++i) {
        const std::vector<Point> line = growLine(rng, {rng.uniform(40.0f, 472.0f), 516.0}, kUp + rng.normal() * 0.45,
                                                 rng.uniform(16.0f, 48.0f), 6, 0.06, 0.0, 0.02);
        stripPath(cr, line, [](double t) { return 3.6 * (1.0 - t); });
        fillWith(cr, vary(rng, hexColor(0x6a8a34), 0.2f));
    }
}

void drawStumpTwig(CairoLayer& layer, int number) {
    layer.clear();
    cairo_t* cr = layer.cr();
    Rng rng(900 + number);
    Sprig s{number, 256.0, 200.0, 0.0, Shrub::Lingonberry, 3};
    for (const Sprig& q : kSprigs)
        if (q.number == number) s = q;
    drawShrub(cr, rng, s.species, {s.x, 508.0, 24.0, s.height, s.stems + 3, s.lean});
}

}  // namespace tolmero::images
