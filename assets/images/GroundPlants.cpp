// The low plants of the bog: six dwarf shrubs (varpuinen1..6), the cloudberry
// (suokukka) and a decaying birch log (maatuvakoivu).
#include <algorithm>
#include <cmath>
#include <vector>

#include "PlantKit.h"
#include "Shrubs.h"
#include "SmallPlants.h"

namespace tolmero::images {
namespace {

constexpr double kFoot = 510.0;

// A kidney-shaped cloudberry leaf with five shallow, toothed lobes, seen a little from
// above (squashed vertically), with radiating veins.
void cloudberryLeaf(cairo_t* cr, Rng& rng, Point c, double radius, double tilt, Rgb colour) {
    const int n = 90;
    cairo_save(cr);
    cairo_translate(cr, c.x, c.y);
    cairo_rotate(cr, tilt);
    cairo_scale(cr, 1.0, 0.62);
    for (int i = 0; i <= n; ++i) {
        // The leaf fills an arc of about 300 degrees around the stalk, open at the bottom.
        const double a = kPi / 2 + 0.45 + (2 * kPi - 0.9) * i / n;
        const double lobe = 0.1 * std::pow(std::abs(std::sin((a - kPi / 2 - 0.45) / (2 * kPi - 0.9) * 5.0 * kPi)), 0.5);
        const double tooth = (i % 3 == 0) ? 0.035 : 0.0;
        const double r = radius * (0.88 + lobe - tooth);
        if (i == 0) cairo_move_to(cr, std::cos(a) * r, std::sin(a) * r); else cairo_line_to(cr, std::cos(a) * r, std::sin(a) * r);
    }
    cairo_line_to(cr, 0, radius * 0.15);
    cairo_close_path(cr);
    cairo_restore(cr);
    fillWith(cr, colour);
    // Lit upper half, veins.
    cairo_save(cr);
    cairo_translate(cr, c.x, c.y);
    cairo_rotate(cr, tilt);
    cairo_scale(cr, 1.0, 0.62);
    cairo_new_sub_path(cr);
    cairo_arc(cr, -radius * 0.12, -radius * 0.2, radius * 0.6, 0, 2 * kPi);
    cairo_restore(cr);
    fillWith(cr, shade(colour, 1.2f), 0.45);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int v = 0; v < 5; ++v) {
        const double a = kPi / 2 + 0.45 + (2 * kPi - 0.9) * (v + 0.5) / 5.0;
        cairo_move_to(cr, c.x, c.y);
        const double ex = std::cos(a) * radius * 0.8, ey = std::sin(a) * radius * 0.8 * 0.62;
        cairo_line_to(cr, c.x + ex * std::cos(tilt) - ey * std::sin(tilt), c.y + ex * std::sin(tilt) + ey * std::cos(tilt));
        cairo_set_line_width(cr, 1.6);
        paint(cr, shade(colour, 0.6f), 0.8);
        cairo_stroke(cr);
    }
    (void)rng;
}

// A cloudberry: an aggregate of glossy drupelets, amber when ripe, red before.
void cloudberryFruit(cairo_t* cr, Rng& rng, Point c, double radius, bool ripe) {
    const Rgb base = ripe ? hexColor(0xe08a2a) : hexColor(0xc03a2a);
    ellipsePath(cr, c.x, c.y, radius, radius * 1.05);
    fillWith(cr, shade(base, 0.7f));
    for (int i = 0; i < 26; ++i) {
        const double a = rng.uniform(0.0f, 6.2832f), d = std::sqrt(rng.unit()) * radius * 0.72;
        const double x = c.x + std::cos(a) * d, y = c.y + std::sin(a) * d;
        const float light = static_cast<float>(1.0 - 0.35 * ((x - c.x) + (y - c.y)) / radius);
        ellipsePath(cr, x, y, radius * 0.3, radius * 0.3);
        fillWith(cr, shade(base, light));
        ellipsePath(cr, x - radius * 0.09, y - radius * 0.09, radius * 0.08, radius * 0.08);
        fillWith(cr, blend(base, hexColor(0xfff0c0), 0.7f));
    }
    // Sepals behind the fruit's foot.
    for (int k = 0; k < 5; ++k) {
        const double a = kPi / 2 + (k - 2) * 0.5;
        leafPath(cr, c.x + std::cos(a) * radius * 1.05, c.y + std::sin(a) * radius * 0.9, a, radius * 0.8, radius * 0.35);
        fillWith(cr, hexColor(0x5a6a2a));
    }
}

void cloudberryFlower(cairo_t* cr, Point c, double radius) {
    for (int k = 0; k < 5; ++k) {
        const double a = kUp + k * 2 * kPi / 5 + 0.2;
        ellipsePath(cr, c.x + std::cos(a) * radius * 0.55, c.y + std::sin(a) * radius * 0.45, radius * 0.55, radius * 0.42, a);
        fillWith(cr, hexColor(0xe4e2d8));
        ellipsePath(cr, c.x + std::cos(a) * radius * 0.45, c.y + std::sin(a) * radius * 0.38, radius * 0.3, radius * 0.22, a);
        fillWith(cr, hexColor(0xc8ccc8), 0.6);
    }
    ellipsePath(cr, c.x, c.y, radius * 0.22, radius * 0.2);
    fillWith(cr, hexColor(0xd8b040));
}

}  // namespace

void drawDwarfShrub(CairoLayer& layer, int variant) {
    layer.clear();
    cairo_t* cr = layer.cr();
    Rng rng(700 + variant);
    switch (variant) {
        case 1: drawShrub(cr, rng, Shrub::Heather, {256.0, kFoot, 110.0, 330.0, 34, 0.0}); break;
        case 2: drawShrub(cr, rng, Shrub::Blueberry, {256.0, kFoot, 120.0, 300.0, 22, 0.0}); break;
        case 3: drawShrub(cr, rng, Shrub::Lingonberry, {256.0, kFoot, 150.0, 190.0, 40, 0.0}); break;
        case 4: drawShrub(cr, rng, Shrub::Crowberry, {256.0, kFoot, 110.0, 190.0, 30, 0.0}); break;
        case 5: drawShrub(cr, rng, Shrub::BogRosemary, {256.0, kFoot, 90.0, 300.0, 22, 0.0}); break;
        default: drawShrub(cr, rng, Shrub::DwarfBirch, {256.0, kFoot, 90.0, 270.0, 24, 0.0}); break;
    }
}

void drawBogFlower(CairoLayer& layer) {
    layer.clear();
    cairo_t* cr = layer.cr();
    Rng rng(601);
    // The sprite is drawn almost as tall as the girl; a cloudberry is a low plant, so
    // it fills only the lower part of its image.
    cairo_translate(cr, 256.0, kFoot);
    cairo_scale(cr, 0.6, 0.6);
    cairo_translate(cr, -256.0, -kFoot);
    const Rgb greens[] = {hexColor(0x4e7a2a), hexColor(0x5a8a30), hexColor(0x44702a)};
    const Rgb autumn[] = {hexColor(0xc8862a), hexColor(0xb85a26), hexColor(0xd0a030)};
    struct Stalk {
        double x, height, lean;
        int fruit;  // 0 none, 1 ripe berry, 2 unripe berry, 3 flower
    };
    const Stalk stalks[] = {{150, 250, -0.3, 0}, {330, 230, 0.28, 0}, {230, 330, -0.08, 1}, {290, 300, 0.12, 0},
                            {190, 200, -0.18, 0}, {370, 170, 0.35, 0}, {260, 420, 0.04, 3}, {120, 150, -0.4, 0},
                            {310, 300, 0.16, 0}, {400, 120, 0.5, 0}};
    // Leaves first, back to front (taller stalks are further back), then fruit stalks.
    for (const Stalk& s : stalks) {
        if (s.fruit != 0) continue;
        const std::vector<Point> line = growLine(rng, {s.x, kFoot + 4.0}, kUp + s.lean, s.height, 10, 0.04, -s.lean * 0.02);
        stripPath(cr, line, [](double t) { return 5.0 - 2.0 * t; });
        fillWith(cr, hexColor(0x5a6a2a));
        const bool turned = rng.chance(0.35);
        const Rgb colour = turned ? autumn[rng.below(3)] : greens[rng.below(3)];
        const double radius = rng.uniform(62.0f, 84.0f) * (0.7 + 0.3 * s.height / 330.0);
        cloudberryLeaf(cr, rng, line.back() + Point{0.0, -radius * 0.1}, radius, s.lean * 0.6 + rng.uniform(-0.15f, 0.15f),
                       shade(colour, rng.uniform(0.85f, 1.1f)));
    }
    for (const Stalk& s : stalks) {
        if (s.fruit == 0) continue;
        const std::vector<Point> line = growLine(rng, {s.x, kFoot + 4.0}, kUp + s.lean, s.height, 12, 0.03, -s.lean * 0.02);
        stripPath(cr, line, [](double t) { return 4.5 - 1.5 * t; });
        fillWith(cr, hexColor(0x6a6a30));
        if (s.fruit == 3) cloudberryFlower(cr, line.back(), 34.0);
        else cloudberryFruit(cr, rng, line.back(), s.fruit == 1 ? 26.0 : 20.0, s.fruit == 1);
    }
}

void drawDecayingLog(CairoLayer& layer) {
    layer.clear();
    cairo_t* cr = layer.cr();
    Rng rng(501);
    // The log lies across the image, sunk a little into the moss, slightly rising to the right.
    const double left = 18.0, right = 478.0;
    auto axisY = [&](double x) { return 432.0 - (x - left) * 0.05; };
    const double radius = 52.0;
    const Rgb bark = hexColor(0xbcb8ae), rotten = hexColor(0x8a5a34), moss = hexColor(0x5a8a26);
    auto logOutline = [&](double inset) {
        cairo_move_to(cr, left + 6.0, axisY(left) - radius + inset);
        for (double x = left; x <= right; x += 10.0) cairo_line_to(cr, x, axisY(x) - radius + inset + std::sin(x * 0.05) * 2.0);
        cairo_line_to(cr, right, axisY(right) + radius - inset);
        for (double x = right; x >= left; x -= 10.0) cairo_line_to(cr, x, axisY(x) + radius - inset);
        // A jagged, broken left end.
        for (int k = 0; k < 7; ++k) cairo_line_to(cr, left + rng.uniform(-10.0f, 12.0f), axisY(left) + radius - (k + 1) * radius * 2.0 / 8.0);
        cairo_close_path(cr);
    };
    // Rotten wood underneath: where the bark has fallen away, the log is brown.
    logOutline(0.0);
    fillWith(cr, shade(rotten, 0.8f));
    // Bark in large pieces, shaded round: pale above, dark beneath.
    for (double x = left + 10.0; x < right - 6.0;) {
        const double w = rng.uniform(40.0f, 110.0f);
        const double x1 = std::min(right - 4.0, x + w);
        const double top = rng.uniform(0.0f, 10.0f), bottom = rng.uniform(10.0f, 34.0f);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, axisY(x) - radius, 0, axisY(x) + radius);
        const Rgb hi = shade(bark, 1.0f), mid = shade(bark, 0.8f), lo = shade(bark, 0.3f);
        cairo_pattern_add_color_stop_rgb(g, 0.0, mid.r, mid.g, mid.b);
        cairo_pattern_add_color_stop_rgb(g, 0.3, hi.r, hi.g, hi.b);
        cairo_pattern_add_color_stop_rgb(g, 1.0, lo.r, lo.g, lo.b);
        cairo_move_to(cr, x, axisY(x) - radius + top);
        cairo_line_to(cr, x1, axisY(x1) - radius + top + rng.uniform(-3.0f, 3.0f));
        cairo_line_to(cr, x1 + rng.uniform(-6.0f, 6.0f), axisY(x1) + radius - bottom);
        cairo_line_to(cr, x + rng.uniform(-6.0f, 6.0f), axisY(x) + radius - bottom * rng.uniform(0.6f, 1.2f));
        cairo_close_path(cr);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
        // Lenticels and black marks on this piece.
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        for (int i = 0; i < static_cast<int>(w * 0.8); ++i) {
            const double px = rng.uniform(static_cast<float>(x) + 3.0f, static_cast<float>(x1) - 3.0f);
            const double py = axisY(px) + rng.uniform(static_cast<float>(-radius + top + 4.0), static_cast<float>(radius - bottom - 4.0));
            cairo_move_to(cr, px, py - rng.uniform(2.0f, 6.0f));
            cairo_line_to(cr, px + rng.uniform(-0.6f, 0.6f), py + rng.uniform(2.0f, 6.0f));
            cairo_set_line_width(cr, rng.uniform(1.2f, 2.4f));
            paint(cr, hexColor(0x2a2422), 0.85);
            cairo_stroke(cr);
        }
        x = x1 + rng.uniform(6.0f, 30.0f);  // a gap shows the rotten wood
    }
    // The broken right end: soft brown wood with rings.
    const Point end{right, axisY(right)};
    ellipsePath(cr, end.x, end.y, 18.0, radius);
    fillWith(cr, hexColor(0x9a6a3e));
    for (int k = 1; k <= 4; ++k) {
        ellipsePath(cr, end.x + 1.0, end.y, 18.0 * k / 5.0, radius * k / 5.0);
        cairo_set_line_width(cr, 1.6);
        paint(cr, hexColor(0x6a4428));
        cairo_stroke(cr);
    }
    // Tinder fungus: grey hooves on the side.
    for (double fx : {170.0, 330.0}) {
        const double fy = axisY(fx) + 6.0;
        cairo_move_to(cr, fx - 30.0, fy - 12.0);
        cairo_curve_to(cr, fx - 34.0, fy + 26.0, fx + 34.0, fy + 26.0, fx + 30.0, fy - 12.0);
        cairo_close_path(cr);
        fillWith(cr, hexColor(0x7a746a));
        for (int k = 0; k < 3; ++k) {
            cairo_move_to(cr, fx - 26.0 + k * 3, fy - 2.0 + k * 7);
            cairo_curve_to(cr, fx - 10, fy + 6.0 + k * 7, fx + 10, fy + 6.0 + k * 7, fx + 26.0 - k * 3, fy - 2.0 + k * 7);
            cairo_set_line_width(cr, 2.0);
            paint(cr, hexColor(0x4a443e));
            cairo_stroke(cr);
        }
        cairo_move_to(cr, fx - 28.0, fy + 14.0);
        cairo_curve_to(cr, fx - 10, fy + 24.0, fx + 10, fy + 24.0, fx + 28.0, fy + 14.0);
        cairo_set_line_width(cr, 3.0);
        paint(cr, hexColor(0x9a7a52));
        cairo_stroke(cr);
    }
    // Moss cushions along the top, lichen flecks, then grass and lingonberry in front.
    for (int i = 0; i < 900; ++i) {
        const double x = rng.uniform(40.0f, 440.0f);
        const double hump = std::sin((x - 40.0) / 400.0 * kPi);
        if (!rng.chance(0.3 + 0.7 * hump)) continue;
        const double y = axisY(x) - radius + rng.uniform(-6.0f, 14.0f) * (0.5 + hump);
        ellipsePath(cr, x, y, rng.uniform(4.0f, 9.0f), rng.uniform(3.0f, 6.0f));
        const float light = static_cast<float>(1.1 - (y - (axisY(x) - radius)) / 30.0);
        fillWith(cr, shade(vary(rng, moss, 0.2f), std::max(0.5f, light)));
    }
    for (int i = 0; i < 60; ++i) {
        const double x = rng.uniform(50.0f, 440.0f);
        ellipsePath(cr, x, axisY(x) + rng.uniform(-30.0f, 20.0f), rng.uniform(3.0f, 7.0f), rng.uniform(2.0f, 4.0f));
        fillWith(cr, hexColor(0x9aa88a), 0.9);
    }
    drawShrub(cr, rng, Shrub::Lingonberry, {110.0, kFoot, 70.0, 70.0, 10, 0.0});
    drawShrub(cr, rng, Shrub::Crowberry, {380.0, kFoot, 90.0, 60.0, 8, 0.0});
    for (int i = 0; i < 40; ++i) {
        const std::vector<Point> line =
            growLine(rng, {rng.uniform(10.0f, 500.0f), kFoot + 4.0}, kUp + rng.normal() * 0.3, rng.uniform(40.0f, 120.0f), 8, 0.04, 0.0, 0.01);
        stripPath(cr, line, [](double t) { return 5.0 * (1.0 - t); });
        fillWith(cr, vary(rng, hexColor(0x7a9a3a), 0.2f));
    }
}

}  // namespace tolmero::images
