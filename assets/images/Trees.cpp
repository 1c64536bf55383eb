#include "Trees.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "PlantKit.h"

namespace tolmero::images {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kUp = -kPi / 2;  // direction "up" in image coordinates

struct Clump {
    double x, y, r, depth;
};

// Position and width of a limb at a fraction t of its length.
Point along(const std::vector<Point>& line, double t) {
    const double f = std::clamp(t, 0.0, 1.0) * (line.size() - 1);
    const size_t i = std::min(static_cast<size_t>(f), line.size() - 2);
    const double k = f - i;
    return {line[i].x + (line[i + 1].x - line[i].x) * k, line[i].y + (line[i + 1].y - line[i].y) * k};
}

// Leaves scattered in a disc, lit from the upper right and darker toward the back.
void drawLeafClump(cairo_t* cr, Rng& rng, const Clump& c, const Rgb* palette, int paletteSize, double leafLength,
                   Point crownCentre, double crownRadius) {
    const int leaves = static_cast<int>(c.r * c.r / 13.0) + 8;
    for (int i = 0; i < leaves; ++i) {
        const double a = rng.uniform(0.0f, 2.0f * static_cast<float>(kPi));
        const double d = c.r * std::sqrt(rng.unit());
        const double x = c.x + std::cos(a) * d, y = c.y + std::sin(a) * d;
        // Light from the upper right of the clump and of the whole crown.
        const double local = ((x - c.x) - (y - c.y)) / (c.r * 1.4);
        const double global = ((x - crownCentre.x) - (y - crownCentre.y)) / (crownRadius * 2.0);
        const float light = static_cast<float>(0.55 + 0.35 * c.depth + 0.18 * local + 0.15 * global);
        const Rgb colour = palette[rng.below(static_cast<uint32_t>(paletteSize))] * std::clamp(light, 0.3f, 1.25f);
        drawSmallLeaf(cr, x, y, rng.uniform(0.0f, 2.0f * static_cast<float>(kPi)), leafLength * rng.uniform(0.8f, 1.2f),
                      leafLength * 0.62, jitterColour(rng, colour, 0.1f));
    }
}

void paintWhite(CairoLayer& layer) { layer.fill({1.0f, 1.0f, 1.0f}); }

}  // namespace

void drawBirch(CairoLayer& layer, uint64_t seed, bool leaning) {
    paintWhite(layer);
    cairo_t* cr = layer.cr();
    Rng rng(seed);
    const std::vector<Point> trunk =
        wanderingLine(rng, {512.0 + rng.uniform(-20.0f, 20.0f), 2060.0}, kUp, 1880.0, 30, 0.02, leaning ? 0.004 : 0.0);
    const Point crownCentre = along(trunk, 0.62);
    const double crownRadius = 430.0;

    // Branches rise from the trunk and droop toward their ends.
    std::vector<std::vector<Point>> branches;
    for (int i = 0; i < 26; ++i) {
        const double t = rng.uniform(0.3f, 0.93f);
        const double side = (i & 1) ? 1.0 : -1.0;
        const Point start = along(trunk, t);
        const double length = rng.uniform(160.0f, 360.0f) * (1.15 - 0.6 * (t - 0.3));
        branches.push_back(wanderingLine(rng, start, kUp + side * rng.uniform(0.45f, 1.0f), length, 10, 0.08,
                                         side * 0.045));
    }
    std::vector<Clump> clumps;
    for (const auto& b : branches) {
        for (double t = 0.3; t <= 1.0; t += 0.12) {
            const Point p = along(b, t);
            clumps.push_back({p.x + rng.uniform(-15.0f, 15.0f), p.y + rng.uniform(-10.0f, 25.0f), rng.uniform(26.0f, 52.0f),
                              rng.unit()});
        }
    }
    // Fill the crown's outline so it reads as one rounded mass with gaps.
    for (int i = 0; i < 120; ++i) {
        const double a = rng.uniform(0.0f, 2.0f * static_cast<float>(kPi));
        const double d = std::sqrt(rng.unit());
        clumps.push_back({crownCentre.x + std::cos(a) * d * 380.0, crownCentre.y + std::sin(a) * d * 640.0 - 60.0,
                          rng.uniform(24.0f, 46.0f), rng.unit()});
    }
    // The leader at the top carries foliage too.
    for (double t = 0.9; t <= 1.0; t += 0.025) {
        const Point p = along(trunk, t);
        clumps.push_back({p.x + rng.uniform(-20.0f, 20.0f), p.y + 10.0, rng.uniform(22.0f, 34.0f), 0.5 + 0.5 * rng.unit()});
    }
    std::sort(clumps.begin(), clumps.end(), [](const Clump& a, const Clump& b) { return a.depth < b.depth; });

    const Rgb leaves[] = {hexColor(0x5a7a2a), hexColor(0x6a8a32), hexColor(0x4a6a24), hexColor(0x7a9638),
                          hexColor(0x3e5a20)};
    const Rgb twig = hexColor(0x4a3c34);
    size_t next = 0;
    // Back half of the foliage, then branches and trunk, then the front half.
    for (; next < clumps.size() && clumps[next].depth < 0.45; ++next)
        drawLeafClump(cr, rng, clumps[next], leaves, 5, 10.0, crownCentre, crownRadius);
    for (const auto& b : branches) drawLimb(cr, b, 9.0, 2.0, twig, 0.3);

    // White-grey bark (kept below the cut-out brightness), lenticels and black patches.
    drawLimb(cr, trunk, 48.0, 9.0, hexColor(0xb8b4ac), 0.35);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 900; ++i) {
        const double t = rng.unit() * 0.97;
        const Point p = along(trunk, t);
        const double width = 48.0 + (9.0 - 48.0) * t;
        const double len = rng.uniform(2.0f, 0.35f * static_cast<float>(width) + 3.0f);
        // Keep the dash on the bark.
        const double room = std::max(0.0, 0.46 * width - len * 0.5);
        const double x = p.x + rng.uniform(-1.0f, 1.0f) * room;
        cairo_move_to(cr, x - len * 0.5, p.y);
        cairo_line_to(cr, x + len * 0.5, p.y + rng.uniform(-1.0f, 1.0f));
        cairo_set_line_width(cr, rng.uniform(1.0f, 2.6f));
        setColor(cr, hexColor(0x2e2a28) * rng.uniform(0.8f, 1.3f));
        cairo_stroke(cr);
    }
    for (int i = 0; i < 60; ++i) {
        const double t = std::pow(rng.unit(), 1.6) * 0.9;
        const Point p = along(trunk, t);
        const double width = 48.0 + (9.0 - 48.0) * t;
        const double r = rng.uniform(3.0f, 0.35f * static_cast<float>(width) + 4.0f);
        const double cx = p.x + rng.uniform(-0.35f, 0.35f) * width;
        for (int k = 0; k < 7; ++k) {
            const double a = 2 * kPi * k / 7;
            const double rr = r * rng.uniform(0.5f, 1.2f);
            const double px = cx + std::cos(a) * rr, py = p.y + std::sin(a) * rr * 1.5;
            if (k == 0) cairo_move_to(cr, px, py); else cairo_line_to(cr, px, py);
        }
        cairo_close_path(cr);
        setColor(cr, hexColor(0x262220));
        cairo_fill(cr);
    }
    // The old base of a birch is dark and deeply cracked.
    for (int i = 0; i < 70; ++i) {
        const double t = rng.uniform(0.0f, 0.12f);
        const Point p = along(trunk, t);
        const double x = p.x + rng.uniform(-22.0f, 22.0f);
        cairo_move_to(cr, x, p.y);
        cairo_line_to(cr, x + rng.uniform(-3.0f, 3.0f), p.y - rng.uniform(20.0f, 90.0f));
        cairo_set_line_width(cr, rng.uniform(3.0f, 9.0f));
        setColor(cr, hexColor(0x34302c) * rng.uniform(0.8f, 1.3f));
        cairo_stroke(cr);
    }
    for (; next < clumps.size(); ++next) {
        drawLeafClump(cr, rng, clumps[next], leaves, 5, 10.0, crownCentre, crownRadius);
        // Some clumps trail hanging strands of leaves, the weeping habit of birches.
        if (rng.chance(0.18)) {
            const Clump& c = clumps[next];
            double x = c.x, y = c.y + c.r * 0.5;
            const int steps = 6 + static_cast<int>(rng.below(10));
            for (int s = 0; s < steps; ++s) {
                x += rng.uniform(-2.0f, 2.0f);
                y += 9.0;
                drawSmallLeaf(cr, x + rng.uniform(-5.0f, 5.0f), y, kPi / 2 + rng.uniform(-0.8f, 0.8f), 9.0, 5.6,
                              jitterColour(rng, leaves[rng.below(5)], 0.1f));
            }
        }
    }
}

void drawSpruce(CairoLayer& layer, uint64_t seed, double slenderness) {
    paintWhite(layer);
    cairo_t* cr = layer.cr();
    Rng rng(seed);
    const double apex = 60.0, crownBase = 1890.0;
    const std::vector<Point> trunk = wanderingLine(rng, {512.0, 2060.0}, kUp, 2000.0, 20, 0.01, 0.0);
    drawLimb(cr, trunk, 40.0, 4.0, hexColor(0x4a3a30), 0.35);
    const Rgb needles[] = {hexColor(0x1c2e1a), hexColor(0x243a22), hexColor(0x2e4628), hexColor(0x3a5430)};
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);

    // Two passes: branches behind the trunk (darker), then in front.
    for (int pass = 0; pass < 2; ++pass) {
        for (double y = apex + 14.0; y < crownBase; y += rng.uniform(7.0f, 12.0f)) {
            const double t = (y - apex) / (crownBase - apex);
            const double half = (14.0 + 330.0 * std::pow(t, 0.9) * slenderness) * (0.7 + 0.45 * rng.unit());
            const double trunkX = along(trunk, (2060.0 - y) / 2000.0).x;
            const int branchesHere = pass == 0 ? 2 : 1 + static_cast<int>(rng.below(2));
            for (int b = 0; b < branchesHere; ++b) {
                const double side = pass == 0 ? (b == 0 ? -1.0 : 1.0) : (rng.chance(0.5) ? -1.0 : 1.0);
                const double reach = half * (pass == 0 ? 1.0 : rng.uniform(0.3f, 0.9f));
                const float depthLight = pass == 0 ? 0.7f : 1.0f;
                // The branch droops from the trunk and lifts a little at its tip.
                const int segments = std::max(3, static_cast<int>(reach / 12.0));
                double px = trunkX, py = y;
                for (int s = 1; s <= segments; ++s) {
                    const double u = static_cast<double>(s) / segments;
                    const double nx = trunkX + side * reach * u;
                    const double ny = y + reach * (0.32 * u - 0.12 * u * u * u) * (0.6 + 0.8 * t);
                    cairo_move_to(cr, px, py);
                    cairo_line_to(cr, nx, ny);
                    cairo_set_line_width(cr, 2.5 * (1.0 - u) + 1.0);
                    setColor(cr, hexColor(0x2a2420) * depthLight);
                    cairo_stroke(cr);
                    // Hanging branchlets covered in needles, lighter on top and at the tips.
                    const int hangers = 3;
                    for (int h = 0; h < hangers; ++h) {
                        const double hx = px + (nx - px) * rng.unit();
                        const double hy = py + (ny - py) * rng.unit();
                        const double len = rng.uniform(8.0f, 22.0f) * (0.6 + 0.8 * t);
                        const double ang = kPi / 2 + side * rng.uniform(-0.9f, 0.2f);
                        const float light = depthLight * static_cast<float>(0.75 + 0.35 * u + (side > 0 ? 0.12 : -0.05));
                        cairo_move_to(cr, hx, hy);
                        cairo_line_to(cr, hx + std::cos(ang) * len, hy + std::sin(ang) * len);
                        cairo_set_line_width(cr, rng.uniform(3.0f, 5.5f));
                        setColor(cr, jitterColour(rng, needles[rng.below(4)] * light, 0.15f));
                        cairo_stroke(cr);
                    }
                    drawNeedleTuft(cr, rng, nx, ny, 7.0, 6, needles[3] * depthLight * 1.15f, 1.6);
                    px = nx;
                    py = ny;
                }
            }
        }
    }
}

void drawTallPine(CairoLayer& layer, uint64_t seed) {
    paintWhite(layer);
    cairo_t* cr = layer.cr();
    Rng rng(seed);
    const std::vector<Point> trunk = wanderingLine(rng, {512.0, 2060.0}, kUp, 1800.0, 24, 0.025, 0.0);
    const Rgb needles[] = {hexColor(0x2a4430), hexColor(0x34502f), hexColor(0x223a2a), hexColor(0x40583a)};

    // Crooked limbs carrying flat pads of needle tufts.
    std::vector<std::vector<Point>> limbs;
    for (int i = 0; i < 16; ++i) {
        const double t = rng.uniform(0.66f, 0.99f);
        const double side = (i & 1) ? 1.0 : -1.0;
        limbs.push_back(wanderingLine(rng, along(trunk, t), kUp + side * rng.uniform(0.6f, 1.3f),
                                      rng.uniform(120.0f, 360.0f) * (1.3 - (t - 0.66)), 8, 0.3, -side * 0.02));
    }
    for (const auto& l : limbs) drawLimb(cr, l, 13.0, 3.0, hexColor(0x9a5a3a), 0.35);

    // Bark: grey, furrowed plates low down; thin orange flaking bark higher up.
    drawLimb(cr, trunk, 58.0, 12.0, hexColor(0xb06a44), 0.4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 500; ++i) {
        const double t = rng.uniform(0.0f, 0.95f);
        const Point p = along(trunk, t);
        const double width = 58.0 + (12.0 - 58.0) * t;
        const double x = p.x + rng.uniform(-0.42f, 0.42f) * width;
        if (t < 0.42) {
            // Furrowed plates, rarer toward the transition.
            if (rng.unit() > 1.0 - t / 0.42 + 0.3) continue;
            const double h = rng.uniform(12.0f, 40.0f);
            cairo_rectangle(cr, x - 4.0, p.y - h, rng.uniform(5.0f, 10.0f), h);
            setColor(cr, hexColor(0x5a4e44) * rng.uniform(0.8f, 1.2f));
            cairo_fill(cr);
            cairo_move_to(cr, x - 4.5, p.y);
            cairo_line_to(cr, x - 4.5, p.y - h);
            cairo_set_line_width(cr, 1.8);
            setColor(cr, hexColor(0x2a2420));
            cairo_stroke(cr);
        } else {
            cairo_move_to(cr, x, p.y);
            cairo_line_to(cr, x + rng.uniform(3.0f, 9.0f), p.y + rng.uniform(-1.5f, 1.5f));
            cairo_set_line_width(cr, 1.5);
            setColor(cr, hexColor(0xc0805a) * rng.uniform(0.85f, 1.1f));
            cairo_stroke(cr);
        }
    }

    // Needle pads at the limb ends and along the top.
    std::vector<Clump> pads;
    for (const auto& l : limbs) {
        pads.push_back({l.back().x, l.back().y, rng.uniform(60.0f, 110.0f), rng.unit()});
        const Point mid = along(l, 0.6);
        if (rng.chance(0.6)) pads.push_back({mid.x, mid.y - 10.0, rng.uniform(40.0f, 70.0f), rng.unit()});
    }
    pads.push_back({trunk.back().x, trunk.back().y - 20.0, 120.0, 1.0});
    std::sort(pads.begin(), pads.end(), [](const Clump& a, const Clump& b) { return a.depth < b.depth; });
    for (const Clump& pad : pads) {
        const int tufts = static_cast<int>(pad.r * 0.25);
        for (int i = 0; i < tufts; ++i) {
            const double x = pad.x + rng.uniform(-1.0f, 1.0f) * pad.r;
            const double y = pad.y + rng.uniform(-0.45f, 0.3f) * pad.r;
            // Tufts on top of a pad catch the light.
            const float light = static_cast<float>(0.75 + 0.3 * pad.depth + 0.35 * (pad.y - y) / pad.r);
            drawNeedleTuft(cr, rng, x, y, rng.uniform(20.0f, 32.0f), 34, needles[rng.below(4)] * light, 1.5);
        }
    }
}

void drawBogPine(CairoLayer& layer, uint64_t seed, bool twinTop) {
    paintWhite(layer);
    cairo_t* cr = layer.cr();
    Rng rng(seed);
    const Rgb needles[] = {hexColor(0x2e4a30), hexColor(0x3a5432), hexColor(0x283e2a), hexColor(0x46603c)};
    std::vector<std::vector<Point>> stems{wanderingLine(rng, {512.0, 2060.0}, kUp + rng.uniform(-0.08f, 0.08f), 1780.0, 22, 0.06, 0.0)};
    if (twinTop) stems.push_back(wanderingLine(rng, along(stems[0], 0.55), kUp + 0.35, 760.0, 12, 0.08, -0.01));

    std::vector<std::vector<Point>> limbs;
    std::vector<bool> dead;
    for (const auto& stem : stems) {
        for (int i = 0; i < 22; ++i) {
            const double t = rng.uniform(0.12f, 0.97f);
            const double side = rng.chance(0.5) ? 1.0 : -1.0;
            limbs.push_back(wanderingLine(rng, along(stem, t), kUp + side * rng.uniform(0.7f, 1.5f),
                                          rng.uniform(90.0f, 280.0f) * (1.2 - 0.6 * t), 7, 0.35, 0.0));
            dead.push_back(t < 0.35 && rng.chance(0.7));
        }
    }
    for (size_t i = 0; i < limbs.size(); ++i)
        drawLimb(cr, limbs[i], 8.0, 2.0, dead[i] ? hexColor(0x6a625a) : hexColor(0x7a5440), 0.3);
    for (size_t s = 0; s < stems.size(); ++s)
        drawLimb(cr, stems[s], s == 0 ? 44.0 : 22.0, 6.0, hexColor(0x6a5444), 0.35);
    // Rough grey bark flakes.
    for (int i = 0; i < 260; ++i) {
        const double t = rng.uniform(0.0f, 0.9f);
        const Point p = along(stems[0], t);
        const double width = 36.0 + (5.0 - 36.0) * t;
        cairo_rectangle(cr, p.x + rng.uniform(-0.4f, 0.3f) * width, p.y, rng.uniform(3.0f, 7.0f), rng.uniform(6.0f, 18.0f));
        setColor(cr, hexColor(0x4a3e36) * rng.uniform(0.7f, 1.3f));
        cairo_fill(cr);
    }
    // Sparse, clumpy foliage: stunted pines carry their needles in small knots.
    for (size_t i = 0; i < limbs.size(); ++i) {
        if (dead[i]) continue;
        const auto& l = limbs[i];
        const int knots = 2 + static_cast<int>(rng.below(3));
        for (int k = 0; k < knots; ++k) {
            const Point p = along(l, rng.uniform(0.5f, 1.0f));
            const int tufts = 5 + static_cast<int>(rng.below(6));
            for (int t = 0; t < tufts; ++t) {
                const float light = static_cast<float>(0.8 + 0.4 * rng.unit());
                drawNeedleTuft(cr, rng, p.x + rng.uniform(-28.0f, 28.0f), p.y + rng.uniform(-18.0f, 10.0f),
                               rng.uniform(16.0f, 26.0f), 26, needles[rng.below(4)] * light, 1.5);
            }
        }
    }
    for (const auto& stem : stems) {
        for (int t = 0; t < 8; ++t)
            drawNeedleTuft(cr, rng, stem.back().x + rng.uniform(-26.0f, 26.0f), stem.back().y + rng.uniform(-10.0f, 40.0f),
                           rng.uniform(18.0f, 28.0f), 28, needles[rng.below(4)], 1.5);
    }
}

}  // namespace tolmero::images
