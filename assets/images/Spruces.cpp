// Spruces (kuusi1, kuusi2): dark, dense and conical, built from whorls of branches that
// droop from the trunk and lift at their tips, hung with curtains of needled
// branchlets. kuusi1 is a broad old spruce; kuusi2 a narrow northern one with a
// thicker, club-like top. Neither is symmetric: branch lengths wander with height and
// some branches are broken off or missing.
#include <algorithm>
#include <cmath>
#include <vector>

#include "TreeKit.h"
#include "Trees.h"
#include "common/Noise.h"

namespace tolmero::images {
namespace {

const Rgb kNeedleDark = hexColor(0x142418);
const Rgb kNeedle = hexColor(0x22402a);
const Rgb kNeedleLit = hexColor(0x3c6034);
const Rgb kNewGrowth = hexColor(0x5a7c3a);
const Rgb kSpruceBark = hexColor(0x5a463c);

struct SpruceBranch {
    std::vector<Vec3> line;
    double azimuth;
    double crownT;  // 0 at the apex, 1 at the foot
    double z;
};

// Light of a point on a branch of the cone: the sun side and the outer, upper part
// of each branch are brighter; the inside near the trunk is dark.
float branchLight(const SpruceBranch& b, double u, double up) {
    const Vec3 normal = normalize(Vec3{std::cos(b.azimuth), -0.45 - up, std::sin(b.azimuth)});
    const double sun = std::max(0.0, dot(normal, sunDirection()));
    const double outer = 0.35 + 0.65 * smoothstep(0.0f, 0.85f, static_cast<float>(u));
    return static_cast<float>((0.38 + 0.75 * sun) * outer);
}

void drawSpruceBranch(cairo_t* cr, Rng& rng, const SpruceBranch& b) {
    const std::vector<Point> line = projectLine(b.line);
    // The branch wood shows only near the trunk.
    stripPath(cr, line, [&](double t) { return (5.0 - 3.5 * t) * (1.2 - b.crownT * 0.2); });
    fillWith(cr, shade(kSpruceBark, 0.55f));
    const double length = b.line.size() > 1 ? std::hypot(line.back().x - line.front().x, line.back().y - line.front().y) : 0.0;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    auto curtain = [&](double u) { return (10.0 + 38.0 * b.crownT) * std::sin(kPi * std::min(1.0, u * 1.1)) + 6.0; };
    // A dark mass behind the branchlets: a spruce is dense, and gaps between strokes
    // would mix with the white background into a pale haze.
    {
        std::vector<Point> top, bottom;
        for (int k = 0; k <= 12; ++k) {
            const double u = 0.05 + 0.93 * k / 12.0;
            const Point p = along(line, u);
            top.push_back(p + Point{0.0, -4.0});
            bottom.push_back(p + Point{0.0, curtain(u) * 0.75});
        }
        cairo_move_to(cr, top[0].x, top[0].y);
        for (const Point& p : top) cairo_line_to(cr, p.x, p.y);
        for (size_t k = bottom.size(); k-- > 0;) cairo_line_to(cr, bottom[k].x, bottom[k].y);
        cairo_close_path(cr);
        fillWith(cr, shade(kNeedleDark, 0.45f + 0.6f * branchLight(b, 0.5, 0.0)));
    }
    // Hanging branchlets: a curtain below the branch, longest in its middle.
    for (double u = 0.08; u <= 1.0; u += 6.5 / std::max(20.0, length)) {
        const Point p = along(line, u);
        const double hang = curtain(u) * rng.uniform(0.6f, 1.2f);
        const double sway = rng.uniform(-0.25f, 0.25f);
        const Point end = p + Point{std::sin(sway) * hang, std::cos(sway) * hang};
        const float light = branchLight(b, u, 0.0) * rng.uniform(0.8f, 1.15f);
        cairo_move_to(cr, p.x, p.y);
        cairo_curve_to(cr, p.x, p.y + hang * 0.3, end.x, end.y - hang * 0.4, end.x, end.y);
        cairo_set_line_width(cr, rng.uniform(5.0f, 8.0f));
        paint(cr, shade(vary(rng, kNeedleDark, 0.15f), 0.6f + light));
        cairo_stroke(cr);
        // Needles bristling along the branchlet.
        for (int k = 0; k < 3; ++k) {
            const double f = rng.uniform(0.1f, 1.0f);
            const Point q = p + (end - p) * f;
            const double a = kPi / 2 + sway + (rng.chance(0.5) ? 1 : -1) * rng.uniform(0.6f, 1.2f);
            cairo_move_to(cr, q.x, q.y);
            cairo_line_to(cr, q.x + std::cos(a) * 7.0, q.y + std::sin(a) * 7.0);
            cairo_set_line_width(cr, 2.0);
            paint(cr, shade(vary(rng, kNeedle, 0.15f), 0.5f + light));
            cairo_stroke(cr);
        }
    }
    // The upper side of the branch: dense sprays of needles catching the sky, with
    // lighter new growth at the tips.
    for (double u = 0.15; u <= 1.02; u += 4.0 / std::max(20.0, length)) {
        const Point p = along(line, std::min(1.0, u));
        const double heading = headingAt(line, std::min(1.0, u));
        const float light = branchLight(b, u, 0.3) * rng.uniform(0.85f, 1.2f);
        for (int k = 0; k < 2; ++k) {
            const double a = heading + (k == 0 ? -1 : 1) * rng.uniform(0.5f, 1.4f) - 0.3;
            const double len = rng.uniform(8.0f, 16.0f) * (0.7 + 0.3 * b.crownT);
            cairo_move_to(cr, p.x, p.y);
            cairo_line_to(cr, p.x + std::cos(a) * len, p.y + std::sin(a) * len - 2.0);
            cairo_set_line_width(cr, rng.uniform(2.5f, 4.0f));
            const Rgb c = u > 0.85 ? kNewGrowth : (rng.chance(0.5) ? kNeedle : kNeedleLit);
            paint(cr, shade(vary(rng, c, 0.12f), 0.35f + light));
            cairo_stroke(cr);
        }
    }
}

}  // namespace

void drawSpruce(CairoLayer& layer, int variant) {
    layer.clear();
    cairo_t* cr = layer.cr();
    Rng rng(1200 + variant);
    const bool narrow = variant == 2;
    const double apex = 36.0, foot = 2048.0, crownFoot = narrow ? 1930.0 : 1990.0;
    const double maxRadius = narrow ? 215.0 : 350.0;
    // A trunk with a slight lean and a wandering leader near the top.
    std::vector<Vec3> trunk;
    for (int i = 0; i <= 60; ++i) {
        const double t = i / 60.0;  // 0 at the foot
        const double y = foot - (foot - apex) * t;
        const double x = 512.0 + 14.0 * std::sin(t * 2.3 + variant) * t + (narrow ? 18.0 : -10.0) * t * t * t;
        trunk.push_back({x, y, 0.0});
    }
    auto trunkX = [&](double y) { return trunk[static_cast<size_t>(std::clamp((foot - y) / (foot - apex), 0.0, 1.0) * 60.0)].x; };

    std::vector<SpruceBranch> branches;
    for (double y = apex + 16.0; y < crownFoot;) {
        const double t = (y - apex) / (crownFoot - apex);
        // Radius along the height, with slow irregularities so the outline is not a clean cone.
        double profile = narrow ? std::pow(std::min(1.0, t * 1.35), 0.75) * (0.75 + 0.25 * t) : std::pow(t, 0.88);
        if (narrow && t < 0.2) profile *= 1.0 + 0.5 * std::sin(t / 0.2 * kPi);  // the club top
        const double wobble = 1.0 + 0.32 * planeFbm(static_cast<float>(t * 6.0), 0.5f, 3, 0.5f, 1200u + variant);
        const int whorl = narrow ? 5 + static_cast<int>(rng.below(2)) : 6 + static_cast<int>(rng.below(2));
        const double phase = rng.uniform(0.0f, 6.2832f);
        for (int k = 0; k < whorl; ++k) {
            if (rng.chance(0.06 + 0.1 * t)) continue;  // lost branches
            const double azimuth = phase + 2.0 * kPi * k / whorl + rng.uniform(-0.35f, 0.35f);
            // One side of the tree grows a little longer, as toward light.
            const double side = 1.0 + 0.12 * std::cos(azimuth - 2.6);
            double length = (maxRadius * profile * wobble * side) * rng.uniform(0.78f, 1.12f) + 14.0;
            if (rng.chance(0.04)) length *= 0.4;  // broken
            const double droop = 0.05 + 0.4 * t;
            SpruceBranch b;
            b.azimuth = azimuth;
            b.crownT = t;
            const Vec3 start{trunkX(y), y, 0.0};
            const int steps = 10;
            for (int s = 0; s <= steps; ++s) {
                const double u = static_cast<double>(s) / steps;
                const double r = length * u;
                const double dy = length * (droop * u - 0.16 * std::pow(u, 2.6)) + rng.uniform(-1.5f, 1.5f);
                b.line.push_back(start + Vec3{std::cos(azimuth) * r, dy, std::sin(azimuth) * r});
            }
            b.z = std::sin(azimuth) * length * 0.5;
            branches.push_back(std::move(b));
        }
        y += (narrow ? 15.0 : 18.0) + 22.0 * t * rng.uniform(0.7f, 1.3f);
    }
    std::stable_sort(branches.begin(), branches.end(), [](const SpruceBranch& a, const SpruceBranch& b) { return a.z < b.z; });

    // The trunk first: the foliage hides all of it but the foot. Inside the crown a
    // dark core of inner needles stands in front of it.
    drawLimb(cr, projectLine(trunk), narrow ? 36.0 : 48.0, 4.0, kSpruceBark, 0.35f);
    {
        std::vector<Point> left, right;
        for (int i = 0; i <= 40; ++i) {
            const double t = i / 40.0;  // 0 at the apex
            const double y = apex + 30.0 + (crownFoot - 60.0 - apex) * t;
            const double half = 6.0 + 0.16 * maxRadius * std::pow(t, 0.9);
            left.push_back({trunkX(y) - half, y});
            right.push_back({trunkX(y) + half, y});
        }
        cairo_move_to(cr, left[0].x, left[0].y);
        for (const Point& p : left) cairo_line_to(cr, p.x, p.y);
        for (size_t i = right.size(); i-- > 0;) cairo_line_to(cr, right[i].x, right[i].y);
        cairo_close_path(cr);
        fillWith(cr, shade(kNeedleDark, 0.7f));
    }
    for (const SpruceBranch& b : branches) drawSpruceBranch(cr, rng, b);
    // The leader: a thin spire of needles above the last whorl.
    for (int i = 0; i < 40; ++i) {
        const double y = apex + i * 1.2;
        const double x = trunkX(y);
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + rng.uniform(-10.0f, 10.0f), y + rng.uniform(4.0f, 12.0f));
        cairo_set_line_width(cr, 2.5);
        paint(cr, vary(rng, kNewGrowth, 0.15f));
        cairo_stroke(cr);
    }
}

}  // namespace tolmero::images
