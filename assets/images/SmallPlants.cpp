#include "SmallPlants.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "PlantKit.h"

namespace tolmero::images {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kUp = -kPi / 2;
constexpr double kGround = 506.0;

enum class LeafKind { Oval, Needle, Scale };

struct ShrubStyle {
    Rgb stem;
    double stemWidth;
    Rgb leaves[3];
    LeafKind kind;
    double leafLength, leafWidth, leafSpacing;
    Rgb fruit;
    double fruitRadius, fruitChance;
    double jitter, branchChance;
};

ShrubStyle bilberry(bool autumn) {
    return {hexColor(0x4a7430), 2.6,
            {hexColor(0x5a8832), hexColor(0x6a9638), autumn ? hexColor(0x9a4a2a) : hexColor(0x4a7a2c)},
            LeafKind::Oval, 17.0, 10.0, 13.0, hexColor(0x28304e), 6.0, 0.25, 0.14, 0.55};
}
ShrubStyle lingonberry() {
    return {hexColor(0x5a4a38), 2.4, {hexColor(0x2e4a22), hexColor(0x38562a), hexColor(0x264020)},
            LeafKind::Oval, 16.0, 10.5, 9.0, hexColor(0xb02828), 5.5, 0.55, 0.08, 0.3};
}
ShrubStyle heather() {
    return {hexColor(0x5a4a3a), 2.2, {hexColor(0x4a5a36), hexColor(0x566a3c), hexColor(0xa0648e)},
            LeafKind::Scale, 6.0, 2.4, 3.0, hexColor(0xa8709a), 3.0, 0.0, 0.2, 0.6};
}
ShrubStyle crowberry() {
    return {hexColor(0x4a3a30), 2.2, {hexColor(0x2a3e22), hexColor(0x34482a), hexColor(0x243620)},
            LeafKind::Needle, 9.0, 2.2, 3.0, hexColor(0x18181e), 5.0, 0.3, 0.35, 0.5};
}

void drawFruit(cairo_t* cr, double x, double y, double r, Rgb colour) {
    cairo_arc(cr, x, y, r, 0, 2 * kPi);
    setColor(cr, plantSafe(colour));
    cairo_fill(cr);
    cairo_arc(cr, x - r * 0.35, y - r * 0.35, r * 0.35, 0, 2 * kPi);
    setColor(cr, plantSafe(colour * 1.6f + Rgb{0.15f, 0.15f, 0.15f}), 0.8);
    cairo_fill(cr);
}

void drawShrubStem(cairo_t* cr, Rng& rng, const ShrubStyle& s, Point start, double angle, double length, int depth,
                   double width) {
    const int steps = std::max(3, static_cast<int>(length / 14.0));
    const std::vector<Point> line = wanderingLine(rng, start, angle, length, steps, s.jitter, 0.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, line[0].x, line[0].y);
    for (const Point& p : line) cairo_line_to(cr, p.x, p.y);
    cairo_set_line_width(cr, width);
    setColor(cr, plantSafe(s.stem));
    cairo_stroke(cr);

    // Side branches first, so the leaves of this stem lie over them.
    if (depth > 0) {
        for (size_t i = 1; i + 1 < line.size(); ++i) {
            if (!rng.chance(s.branchChance / 2.0)) continue;
            const double side = rng.chance(0.5) ? 1.0 : -1.0;
            const double a = std::atan2(line[i + 1].y - line[i].y, line[i + 1].x - line[i].x);
            drawShrubStem(cr, rng, s, line[i], a + side * rng.uniform(0.4f, 0.9f), length * rng.uniform(0.35f, 0.6f),
                          depth - 1, width * 0.7);
        }
    }
    // Leaves along the stem, alternating sides, lit from above right.
    double travelled = 0.0;
    int side = 1;
    for (size_t i = 1; i < line.size(); ++i) {
        const double dx = line[i].x - line[i - 1].x, dy = line[i].y - line[i - 1].y;
        const double seg = std::hypot(dx, dy);
        const double a = std::atan2(dy, dx);
        for (double d = std::fmod(travelled, s.leafSpacing); d < seg; d += s.leafSpacing) {
            const double x = line[i - 1].x + dx * d / seg, y = line[i - 1].y + dy * d / seg;
            side = -side;
            const Rgb colour = jitterColour(rng, s.leaves[rng.below(s.kind == LeafKind::Scale ? 2 : 3)], 0.12f) *
                               static_cast<float>(0.85 + 0.25 * (side > 0 ? 1.0 : 0.0));
            if (s.kind == LeafKind::Oval) {
                const double la = a + side * rng.uniform(0.5f, 1.1f);
                drawSmallLeaf(cr, x + std::cos(la) * s.leafLength * 0.45, y + std::sin(la) * s.leafLength * 0.45, la,
                              s.leafLength * rng.uniform(0.8f, 1.15f), s.leafWidth, colour);
            } else {
                const double la = a + side * (s.kind == LeafKind::Needle ? rng.uniform(0.5f, 1.2f) : 0.35);
                cairo_move_to(cr, x, y);
                cairo_line_to(cr, x + std::cos(la) * s.leafLength, y + std::sin(la) * s.leafLength);
                cairo_set_line_width(cr, s.leafWidth);
                setColor(cr, plantSafe(colour));
                cairo_stroke(cr);
            }
        }
        travelled += seg;
    }
    if (s.kind == LeafKind::Scale) {
        // Heather flowers: a spike of small pink bells on the upper part of the stem.
        for (size_t i = line.size() / 2; i < line.size(); ++i) {
            for (int k = 0; k < 3; ++k) {
                cairo_arc(cr, line[i].x + rng.uniform(-5.0f, 5.0f), line[i].y + rng.uniform(-5.0f, 5.0f),
                          rng.uniform(2.2f, 3.4f), 0, 2 * kPi);
                setColor(cr, jitterColour(rng, s.leaves[2], 0.15f));
                cairo_fill(cr);
            }
        }
    }
    if (rng.chance(s.fruitChance)) {
        const int n = 1 + static_cast<int>(rng.below(3));
        for (int k = 0; k < n; ++k)
            drawFruit(cr, line.back().x + rng.uniform(-6.0f, 6.0f), line.back().y + rng.uniform(-2.0f, 8.0f), s.fruitRadius,
                      s.fruit * rng.uniform(0.85f, 1.1f));
    }
}

void drawShrub(cairo_t* cr, Rng& rng, const ShrubStyle& s, double centreX, double spreadX, double height, int stems) {
    for (int i = 0; i < stems; ++i) {
        const double x = centreX + rng.uniform(-1.0f, 1.0f) * spreadX;
        const double angle = kUp + rng.uniform(-0.55f, 0.55f) + (x - centreX) / std::max(1.0, spreadX) * 0.3;
        drawShrubStem(cr, rng, s, {x, kGround}, angle, height * rng.uniform(0.6f, 1.0f), 2, s.stemWidth);
    }
}

void paintWhite(CairoLayer& layer) { layer.fill({1.0f, 1.0f, 1.0f}); }

}  // namespace

void drawGrassTuft(CairoLayer& layer, int variant) {
    paintWhite(layer);
    cairo_t* cr = layer.cr();
    Rng rng(400 + variant);
    const Rgb green[] = {hexColor(0x5a7a30), hexColor(0x6e8a38), hexColor(0x4a6428), hexColor(0x7a9040)};
    const Rgb straw[] = {hexColor(0xa08a58), hexColor(0x8a7448), hexColor(0xb09a66), hexColor(0x7a6a48)};
    const double dryShare = variant == 3 ? 0.75 : variant == 5 ? 0.45 : 0.2;
    const int blades = variant == 5 ? 60 : 70 + 12 * variant;
    const double spread = variant == 2 ? 0.55 : 0.38;
    // Dry blades first: old growth sits at the back and bottom of a tuft.
    std::vector<std::pair<bool, double>> order;
    for (int i = 0; i < blades; ++i) order.push_back({rng.chance(dryShare), rng.unit()});
    std::stable_sort(order.begin(), order.end(), [](auto& a, auto& b) { return a.first > b.first; });
    for (const auto& [dry, _] : order) {
        const double x = 256.0 + rng.normal() * 16.0;
        const double angle = kUp + rng.normal() * spread;
        const double length = rng.uniform(180.0f, 470.0f) * (dry ? 0.8 : 1.0);
        // Blades arch outward under their own weight.
        const double bend = (angle - kUp) * 0.045 + rng.uniform(-0.01f, 0.01f);
        const std::vector<Point> line = wanderingLine(rng, {x, kGround + 4.0}, angle, length, 14, 0.02, bend);
        const Rgb colour = jitterColour(rng, dry ? straw[rng.below(4)] : green[rng.below(4)], 0.12f);
        drawLimb(cr, line, variant == 5 ? 3.5 : rng.uniform(4.0f, 7.0f), 0.6, colour, 0.35);
    }
    if (variant == 4 || variant == 5) {
        // Flowering stalks with small spikelets, taller than the leaves.
        const int stalks = variant == 4 ? 9 : 5;
        for (int i = 0; i < stalks; ++i) {
            const std::vector<Point> line = wanderingLine(rng, {256.0 + rng.normal() * 10.0, kGround}, kUp + rng.normal() * 0.25,
                                                          rng.uniform(380.0f, 480.0f), 16, 0.02, 0.0);
            drawLimb(cr, line, 2.4, 1.2, hexColor(0x8a8450), 0.3);
            const Point top = line.back();
            for (int k = 0; k < (variant == 4 ? 14 : 6); ++k) {
                const double ky = top.y + k * 5.0;
                const double side = (k & 1) ? 1.0 : -1.0;
                drawSmallLeaf(cr, top.x + side * 6.0, ky, kUp + side * 0.5, variant == 4 ? 14.0 : 18.0, 6.0,
                              jitterColour(rng, variant == 4 ? hexColor(0x9a8a5a) : hexColor(0x8a6a4a), 0.1f));
            }
        }
    }
}

void drawDecayingLog(CairoLayer& layer) {
    paintWhite(layer);
    cairo_t* cr = layer.cr();
    Rng rng(501);
    const double left = 28.0, right = 470.0, top = 380.0, bottom = 470.0;
    const double cy = (top + bottom) * 0.5, ry = (bottom - top) * 0.5;
    // Body of the log with birch bark, shaded underneath.
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, top, 0, bottom);
    cairo_pattern_add_color_stop_rgb(shade, 0.0, 0.66, 0.64, 0.6);
    cairo_pattern_add_color_stop_rgb(shade, 0.35, 0.72, 0.7, 0.66);
    cairo_pattern_add_color_stop_rgb(shade, 1.0, 0.3, 0.28, 0.26);
    cairo_move_to(cr, left, top + 6.0);
    for (double x = left; x <= right; x += 20.0) cairo_line_to(cr, x, top + rng.uniform(-2.0f, 3.0f));
    cairo_line_to(cr, right, bottom);
    cairo_line_to(cr, left + 8.0, bottom);
    // A jagged, broken left end.
    for (int k = 0; k < 6; ++k) cairo_line_to(cr, left + rng.uniform(-12.0f, 12.0f), bottom - (k + 1) * ry / 3.0);
    cairo_close_path(cr);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
    // Black patches and lenticels of the bark, curling flakes.
    for (int i = 0; i < 220; ++i) {
        const double x = rng.uniform(static_cast<float>(left) + 6.0f, static_cast<float>(right) - 10.0f);
        const double y = rng.uniform(static_cast<float>(top) + 4.0f, static_cast<float>(bottom) - 4.0f);
        cairo_move_to(cr, x, y - rng.uniform(2.0f, 8.0f));
        cairo_line_to(cr, x + rng.uniform(-1.0f, 1.0f), y + rng.uniform(2.0f, 8.0f));
        cairo_set_line_width(cr, rng.uniform(1.0f, 2.5f));
        setColor(cr, hexColor(0x2a2624));
        cairo_stroke(cr);
    }
    for (int i = 0; i < 16; ++i) {
        const double x = rng.uniform(static_cast<float>(left) + 20.0f, static_cast<float>(right) - 30.0f);
        const double y = rng.uniform(static_cast<float>(top) + 10.0f, static_cast<float>(bottom) - 10.0f);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, rng.uniform(8.0f, 22.0f), rng.uniform(6.0f, 14.0f));
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
        cairo_restore(cr);
        setColor(cr, hexColor(0x1e1c1a) * rng.uniform(0.9f, 1.4f));
        cairo_fill(cr);
    }
    // The broken end shows soft brown rotten wood.
    cairo_save(cr);
    cairo_translate(cr, right, cy);
    cairo_scale(cr, 16.0, ry);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
    setColor(cr, hexColor(0x7a5a3a));
    cairo_fill(cr);
    for (int k = 1; k <= 3; ++k) {
        cairo_save(cr);
        cairo_translate(cr, right, cy);
        cairo_scale(cr, 16.0 * k / 4.0, ry * k / 4.0);
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
        cairo_restore(cr);
        cairo_set_line_width(cr, 1.5);
        setColor(cr, hexColor(0x5a4028));
        cairo_stroke(cr);
    }
    // Moss cushions on the upper side and two bracket fungi.
    for (int i = 0; i < 260; ++i) {
        const double x = rng.uniform(60.0f, 400.0f);
        const double hump = std::sin((x - 60.0) / 340.0 * kPi);
        if (!rng.chance(hump)) continue;
        drawSmallLeaf(cr, x, top + rng.uniform(-6.0f, 8.0f), kUp + rng.uniform(-1.2f, 1.2f), rng.uniform(6.0f, 12.0f), 4.0,
                      jitterColour(rng, hexColor(0x5a7a2e), 0.2f));
    }
    for (int i = 0; i < 2; ++i) {
        const double x = 150.0 + 150.0 * i, y = cy + 8.0;
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, 30.0, 14.0);
        cairo_arc(cr, 0, 0, 1, 0, kPi);
        cairo_restore(cr);
        setColor(cr, hexColor(0x8a6a40));
        cairo_fill(cr);
        cairo_save(cr);
        cairo_translate(cr, x, y + 2.0);
        cairo_scale(cr, 30.0, 12.0);
        cairo_arc(cr, 0, 0, 1, 0.1, kPi - 0.1);
        cairo_restore(cr);
        cairo_set_line_width(cr, 2.0);
        setColor(cr, hexColor(0xb09068));
        cairo_stroke(cr);
    }
    // Grass growing up in front of the log.
    for (int i = 0; i < 30; ++i) {
        const std::vector<Point> line = wanderingLine(rng, {rng.uniform(20.0f, 490.0f), kGround + 4.0},
                                                      kUp + rng.normal() * 0.3, rng.uniform(30.0f, 90.0f), 6, 0.05, 0.0);
        drawLimb(cr, line, 3.5, 0.6, jitterColour(rng, hexColor(0x6a8a38), 0.15f), 0.3);
    }
}

void drawBogFlower(CairoLayer& layer) {
    paintWhite(layer);
    cairo_t* cr = layer.cr();
    Rng rng(601);
    for (int i = 0; i < 7; ++i) {
        const std::vector<Point> stem = wanderingLine(rng, {256.0 + rng.normal() * 30.0, kGround}, kUp + rng.normal() * 0.25,
                                                      rng.uniform(200.0f, 400.0f), 12, 0.07, 0.0);
        drawLimb(cr, stem, 4.0, 2.0, hexColor(0x6a3a30), 0.3);
        // Narrow blue-green leaves along the stem.
        for (size_t k = 1; k + 2 < stem.size(); ++k) {
            const double side = (k & 1) ? 1.0 : -1.0;
            const double a = kUp + side * rng.uniform(0.5f, 0.9f);
            drawSmallLeaf(cr, stem[k].x + std::cos(a) * 16.0, stem[k].y + std::sin(a) * 16.0, a, 38.0, 7.0,
                          jitterColour(rng, hexColor(0x4a6a5a), 0.12f));
        }
        // A cluster of nodding pink bells at the top.
        const Point top = stem.back();
        const int bells = 3 + static_cast<int>(rng.below(4));
        for (int b = 0; b < bells; ++b) {
            const double a = kUp + rng.uniform(-1.3f, 1.3f);
            const double stalk = rng.uniform(14.0f, 26.0f);
            const double bx = top.x + std::cos(a) * stalk, by = top.y + std::sin(a) * stalk + 14.0;
            cairo_move_to(cr, top.x, top.y);
            cairo_curve_to(cr, top.x + std::cos(a) * stalk, top.y + std::sin(a) * stalk, bx, by - 14.0, bx, by - 8.0);
            cairo_set_line_width(cr, 1.6);
            setColor(cr, hexColor(0xa04a5a));
            cairo_stroke(cr);
            cairo_save(cr);
            cairo_translate(cr, bx, by);
            cairo_scale(cr, 9.0, 11.0);
            cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
            cairo_restore(cr);
            setColor(cr, plantSafe(jitterColour(rng, hexColor(0xc07a8a), 0.1f)));
            cairo_fill(cr);
            cairo_arc(cr, bx - 3.0, by - 3.0, 3.5, 0, 2 * kPi);
            setColor(cr, plantSafe(hexColor(0xd8a0aa)));
            cairo_fill(cr);
        }
    }
}

void drawDwarfShrub(CairoLayer& layer, int variant) {
    paintWhite(layer);
    cairo_t* cr = layer.cr();
    Rng rng(700 + variant);
    switch (variant) {
        case 1: drawShrub(cr, rng, bilberry(false), 256.0, 70.0, 330.0, 9); break;
        case 2: drawShrub(cr, rng, bilberry(true), 256.0, 110.0, 260.0, 14); break;
        case 3: drawShrub(cr, rng, lingonberry(), 256.0, 90.0, 200.0, 16); break;
        case 4: drawShrub(cr, rng, lingonberry(), 256.0, 130.0, 150.0, 22); break;
        case 5: drawShrub(cr, rng, heather(), 256.0, 90.0, 300.0, 16); break;
        default: drawShrub(cr, rng, crowberry(), 256.0, 150.0, 170.0, 18); break;
    }
}

void drawStump(CairoLayer& layer) {
    paintWhite(layer);
    cairo_t* cr = layer.cr();
    Rng rng(801);
    const double cx = 256.0, topY = 212.0, rx = 118.0, ry = 34.0, baseY = 478.0, baseRx = 150.0;
    // Roots spreading into the ground.
    for (int i = 0; i < 6; ++i) {
        const double side = (i & 1) ? 1.0 : -1.0;
        const std::vector<Point> root = wanderingLine(rng, {cx + side * rng.uniform(40.0f, 110.0f), baseY - 30.0},
                                                      side > 0 ? 0.35 : kPi - 0.35, rng.uniform(60.0f, 130.0f), 6, 0.1, 0.04 * side);
        drawLimb(cr, root, 34.0, 6.0, hexColor(0x5a4c40), 0.35);
    }
    // The trunk's sides, widening toward the foot, shaded from left to right.
    cairo_pattern_t* shade = cairo_pattern_create_linear(cx - baseRx, 0, cx + baseRx, 0);
    cairo_pattern_add_color_stop_rgb(shade, 0.0, 0.2, 0.17, 0.14);
    cairo_pattern_add_color_stop_rgb(shade, 0.55, 0.42, 0.36, 0.3);
    cairo_pattern_add_color_stop_rgb(shade, 0.85, 0.5, 0.44, 0.37);
    cairo_pattern_add_color_stop_rgb(shade, 1.0, 0.3, 0.26, 0.22);
    cairo_move_to(cr, cx - rx, topY);
    cairo_curve_to(cr, cx - rx - 4.0, topY + 150.0, cx - baseRx + 10.0, baseY - 40.0, cx - baseRx, baseY);
    cairo_curve_to(cr, cx - 60.0, baseY + 12.0, cx + 60.0, baseY + 12.0, cx + baseRx, baseY);
    cairo_curve_to(cr, cx + baseRx - 10.0, baseY - 40.0, cx + rx + 4.0, topY + 150.0, cx + rx, topY);
    cairo_close_path(cr);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
    // Bark furrows and ridges.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 70; ++i) {
        const double f = rng.uniform(-0.95f, 0.95f);
        double x = cx + f * rx, y = topY + ry * std::sqrt(std::max(0.0, 1.0 - f * f)) + 4.0;
        cairo_move_to(cr, x, y);
        while (y < baseY - 8.0) {
            y += rng.uniform(10.0f, 22.0f);
            x += rng.uniform(-2.5f, 2.5f) + f * 1.2;
            cairo_line_to(cr, x, y);
        }
        const bool ridge = rng.chance(0.4);
        cairo_set_line_width(cr, ridge ? rng.uniform(2.0f, 4.0f) : rng.uniform(1.5f, 3.5f));
        setColor(cr, ridge ? hexColor(0x7a6a5a) * static_cast<float>(0.7 + 0.5 * (f + 1.0) * 0.5)
                           : hexColor(0x221c18));
        cairo_stroke(cr);
    }
    // The sawn top: weathered wood with growth rings and drying cracks inside a bark rim.
    auto ellipse = [&](double sx, double sy) {
        cairo_save(cr);
        cairo_translate(cr, cx, topY);
        cairo_scale(cr, sx, sy);
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
        cairo_restore(cr);
    };
    ellipse(rx, ry);
    setColor(cr, hexColor(0x3a3028));
    cairo_fill(cr);
    ellipse(rx - 8.0, ry - 4.0);
    setColor(cr, hexColor(0xa88a60));
    cairo_fill(cr);
    for (int k = 1; k < 14; ++k) {
        const double f = k / 14.0;
        ellipse((rx - 8.0) * f + rng.uniform(-1.0f, 1.0f), (ry - 4.0) * f);
        cairo_set_line_width(cr, 1.0);
        setColor(cr, hexColor(0x7a6040), 0.7);
        cairo_stroke(cr);
    }
    for (int i = 0; i < 7; ++i) {
        const double a = rng.uniform(0.0f, 2.0f * static_cast<float>(kPi));
        const double r = rng.uniform(0.3f, 0.9f);
        cairo_move_to(cr, cx + std::cos(a) * rx * 0.1, topY + std::sin(a) * ry * 0.1);
        cairo_line_to(cr, cx + std::cos(a) * rx * r, topY + std::sin(a) * ry * r);
        cairo_set_line_width(cr, 1.6);
        setColor(cr, hexColor(0x4a3a2a));
        cairo_stroke(cr);
    }
    // Moss creeping up the foot.
    for (int i = 0; i < 500; ++i) {
        const double x = cx + rng.uniform(-1.05f, 1.05f) * baseRx;
        const double y = baseY - std::pow(rng.unit(), 2.0) * 70.0;
        drawSmallLeaf(cr, x, y, kUp + rng.uniform(-1.0f, 1.0f), rng.uniform(5.0f, 10.0f), 3.5,
                      jitterColour(rng, hexColor(0x5a782e), 0.2f));
    }
}

void drawStumpTwig(CairoLayer& layer, int number) {
    paintWhite(layer);
    cairo_t* cr = layer.cr();
    Rng rng(900 + number);
    // Each twig grows at its own place around the stump's foot; those in front of the
    // stump stay low so the stump still shows.
    struct Placement {
        int number;
        double x, height;
    };
    const Placement placements[] = {{1, 80, 300},  {2, 430, 320}, {3, 150, 250}, {4, 370, 260}, {5, 105, 340},
                                    {6, 405, 230}, {7, 215, 150}, {8, 300, 160}, {9, 55, 240},  {91, 460, 280},
                                    {93, 180, 200}, {94, 335, 190}, {95, 255, 130}, {96, 125, 290}, {97, 395, 310}};
    Placement p{number, 256.0, 150.0};
    for (const Placement& q : placements) {
        if (q.number == number) p = q;
    }
    ShrubStyle style = bilberry(false);
    switch (number % 4) {
        case 1: style = lingonberry(); break;
        case 2: style = heather(); break;
        case 3: style = crowberry(); break;
        default: break;
    }
    drawShrub(cr, rng, style, p.x, 18.0, p.height, 3 + static_cast<int>(rng.below(3)));
}

}  // namespace tolmero::images
