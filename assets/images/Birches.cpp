// Birches (koivu1, koivu2): white bark with black marks under light, weeping crowns
// of small leaves hanging from fine twigs, with gaps between the branch clumps.
// koivu1 is a straight silver birch in late-summer green; koivu2 a two-stemmed downy
// birch of the bog, its leaves turning gold.
#include <algorithm>
#include <cmath>
#include <vector>

#include "TreeKit.h"
#include "Trees.h"

namespace tolmero::images {
namespace {

// Lit bark stays under the near-white cut (see PlantKit.h) with a little room.
const Rgb kBark = hexColor(0xcac6bc);
const Rgb kBarkShadow = hexColor(0x6a707c);
const Rgb kBarkBlack = hexColor(0x201c1c);
const Rgb kTwig = hexColor(0x4a3030);

struct Limb {
    std::vector<Vec3> line;
    double w0, w1;
    double z;  // mean depth
};

struct BirchPlan {
    std::vector<std::vector<Vec3>> stems;
    std::vector<double> stemWidths;
    std::vector<Limb> limbs;    // main branches
    std::vector<Limb> twigs;    // hanging branchlets
    std::vector<FoliageMark> leaves;
    std::vector<Vec3> junctions;  // where main branches leave a stem (black "eyes")
};

std::vector<Rgb> leafPalette(bool golden) {
    if (golden)
        return {hexColor(0xd8a82c), hexColor(0xe2b840), hexColor(0xc89022), hexColor(0xb0a038), hexColor(0xd88a28),
                hexColor(0xe8c450), hexColor(0x9aa040)};
    return {hexColor(0x6a9a34), hexColor(0x7aa83c), hexColor(0x5a8a2e), hexColor(0x88b044), hexColor(0x6e9438),
            hexColor(0xa8b040)};
}

void growCrown(Rng& rng, BirchPlan& plan, const std::vector<Vec3>& stem, double crownHalfWidth, double firstBranch,
               int branches, bool golden) {
    const std::vector<Rgb> palette = leafPalette(golden);
    for (int i = 0; i < branches; ++i) {
        const double t = firstBranch + (1.0 - firstBranch) * (static_cast<double>(i) + rng.unit()) / branches;
        const Vec3 start = along3(stem, t * 0.98);
        const double crownT = (t - firstBranch) / (1.0 - firstBranch);  // 0 at the crown's foot, 1 at its top
        // Longest limbs in the lower middle of the crown, ovoid outline.
        const double shape = std::pow(std::sin(kPi * std::min(1.0, 0.12 + crownT * 0.95)), 0.7);
        const double length = crownHalfWidth * shape * rng.uniform(0.65f, 1.15f) + 40.0;
        const double azimuth = rng.uniform(0.0f, 2.0f * static_cast<float>(kPi));
        const double elevation = 0.35 + 0.7 * crownT + rng.uniform(-0.15f, 0.15f);
        Limb limb;
        limb.line = growBranch(rng, start, direction(azimuth, elevation), length, 10, 0.07, 0.035);
        limb.w0 = 14.0 - 8.0 * crownT;
        limb.w1 = 2.5;
        limb.z = along3(limb.line, 0.5).z;
        plan.junctions.push_back(start);
        // Secondary branches fan out from the limb in other directions.
        std::vector<Limb> arms{limb};
        const int forks = 2 + static_cast<int>(rng.below(3));
        for (int f = 0; f < forks; ++f) {
            const double s = rng.uniform(0.25f, 0.75f);
            Limb arm;
            arm.line = growBranch(rng, along3(limb.line, s), direction(azimuth + rng.uniform(-1.1f, 1.1f), elevation * 0.8),
                                  length * (1.0 - s) * rng.uniform(0.6f, 1.0f) + 30.0, 7, 0.09, 0.04);
            arm.w0 = std::max(3.0, limb.w0 * 0.45);
            arm.w1 = 1.8;
            arm.z = along3(arm.line, 0.5).z;
            arms.push_back(arm);
        }
        for (const Limb& arm : arms) {
            const double armLength = length;
            for (double s = 0.2; s <= 1.0; s += rng.uniform(12.0f, 26.0f) / armLength) {
                if (rng.chance(0.15)) continue;
                const Vec3 p = along3(arm.line, s);
                const Vec3 heading =
                    normalize(along3(arm.line, std::min(1.0, s + 0.05)) - along3(arm.line, std::max(0.0, s - 0.05)));
                // The weeping habit is strongest low in the crown and at the limb ends.
                const double hang = rng.uniform(35.0f, 150.0f) * (1.25 - 0.6 * crownT) * (0.55 + 0.55 * s);
                Limb twig;
                twig.line = growBranch(rng, p, heading * 0.55 + Vec3{rng.uniform(-0.3f, 0.3f), 0.3, rng.uniform(-0.3f, 0.3f)},
                                       hang, 7, 0.14, 0.2);
                twig.w0 = 2.4;
                twig.w1 = 1.0;
                twig.z = p.z;
                // Leaves hang in small clusters on short shoots along the twig, in no
                // strict order.
                const double spacing = 7.0;
                const int count = std::max(2, static_cast<int>(hang / spacing));
                for (int k = 0; k <= count; ++k) {
                    const double u = (static_cast<double>(k) + rng.uniform(-0.4f, 0.4f)) / count;
                    const Vec3 q = along3(twig.line, std::clamp(u, 0.0, 1.0));
                    const double h = headingAt(projectLine(twig.line), std::clamp(u, 0.0, 1.0));
                    const int cluster = 2 + static_cast<int>(rng.below(3));
                    for (int c = 0; c < cluster; ++c) {
                        const double side = rng.chance(0.5) ? 1.0 : -1.0;
                        const double a = rng.chance(0.25) ? rng.uniform(0.0f, 6.2832f) : h + side * rng.uniform(0.3f, 1.3f);
                        const double len = rng.uniform(9.0f, 14.0f) * (0.8 + 0.2 * u);
                        const Vec3 at = q + Vec3{std::cos(a) * len * 0.5 + rng.uniform(-3.0f, 3.0f),
                                                 std::sin(a) * len * 0.5 + rng.uniform(-3.0f, 3.0f), rng.uniform(-8.0f, 8.0f)};
                        plan.leaves.push_back({at, a, len, len * 0.7, palette[rng.below(static_cast<uint32_t>(palette.size()))]});
                    }
                }
                plan.twigs.push_back(std::move(twig));
            }
            // Leaves on short shoots along the branch itself.
            for (double s = 0.3; s <= 1.0; s += 6.0 / armLength) {
                const Vec3 q = along3(arm.line, s);
                const double a = rng.uniform(0.0f, 2.0f * static_cast<float>(kPi));
                const double len = rng.uniform(11.0f, 14.0f);
                plan.leaves.push_back({q + Vec3{std::cos(a) * 8.0, std::sin(a) * 8.0, rng.uniform(-8.0f, 8.0f)}, a, len, len * 0.68,
                                       palette[rng.below(static_cast<uint32_t>(palette.size()))]});
            }
        }
        for (size_t k = 1; k < arms.size(); ++k) plan.limbs.push_back(arms[k]);
        plan.limbs.push_back(std::move(limb));
    }
}

void drawBirchBark(cairo_t* cr, Rng& rng, const std::vector<Point>& stem, double w0, double w1,
                   const std::vector<Vec3>& junctions) {
    auto widthAt = [&](double t) { return w0 + (w1 - w0) * t; };
    drawLimb(cr, stem, w0, w1, kBark, 0.25f);
    // A cool shadow down the side away from the sun.
    std::vector<Point> shadowLine(stem.size());
    for (size_t i = 0; i < stem.size(); ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(stem.size() - 1);
        shadowLine[i] = stem[i] + Point{widthAt(t) * 0.32, 0.0};
    }
    stripPath(cr, shadowLine, [&](double t) { return widthAt(t) * 0.36; });
    fillWith(cr, kBarkShadow, 0.75);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    // Lenticels: short dark horizontal dashes, thicker low down.
    for (int i = 0; i < 1700; ++i) {
        const double t = rng.unit() * 0.96;
        const Point p = along(stem, t);
        const double w = widthAt(t);
        const double len = rng.uniform(2.0f, 3.0f + 0.3f * static_cast<float>(w));
        const double room = std::max(0.0, 0.47 * w - len * 0.5);
        const double x = p.x + rng.uniform(-1.0f, 1.0f) * room;
        cairo_move_to(cr, x - len * 0.5, p.y);
        cairo_line_to(cr, x + len * 0.5, p.y + rng.uniform(-0.8f, 0.8f));
        cairo_set_line_width(cr, rng.uniform(1.0f, 1.6f + static_cast<float>(w) * 0.04f));
        paint(cr, shade(kBarkBlack, rng.uniform(0.8f, 2.2f)), 0.85);
        cairo_stroke(cr);
    }
    // Black "eyes" below the branch junctions and irregular black patches.
    auto blot = [&](double x, double y, double r, double stretch) {
        for (int k = 0; k < 9; ++k) {
            const double a = 2 * kPi * k / 9;
            const double rr = r * rng.uniform(0.55f, 1.15f);
            const double px = x + std::cos(a) * rr * stretch, py = y + std::sin(a) * rr;
            if (k == 0) cairo_move_to(cr, px, py); else cairo_line_to(cr, px, py);
        }
        cairo_close_path(cr);
        fillWith(cr, shade(kBarkBlack, rng.uniform(0.9f, 1.6f)));
    };
    for (const Vec3& j : junctions) {
        // Find the stem fraction at this height.
        double best = 0.0, bestDistance = 1e9;
        for (int k = 0; k <= 100; ++k) {
            const double d = std::abs(along(stem, k / 100.0).y - j.y);
            if (d < bestDistance) {
                bestDistance = d;
                best = k / 100.0;
            }
        }
        if (bestDistance > 20.0) continue;
        const Point p = along(stem, best);
        const double w = widthAt(best);
        const double x = std::clamp(j.x, p.x - w * 0.3, p.x + w * 0.3);
        cairo_move_to(cr, x - w * 0.35, p.y + 4.0);
        cairo_curve_to(cr, x - w * 0.1, p.y + 2.0, x, p.y + 6.0, x, p.y + w * 0.5);
        cairo_curve_to(cr, x, p.y + 6.0, x + w * 0.1, p.y + 2.0, x + w * 0.35, p.y + 4.0);
        cairo_line_to(cr, x, p.y + 12.0);
        cairo_close_path(cr);
        fillWith(cr, kBarkBlack);
    }
    for (int i = 0; i < 45; ++i) {
        const double t = std::pow(rng.unit(), 1.4) * 0.85;
        const Point p = along(stem, t);
        const double w = widthAt(t);
        blot(p.x + rng.uniform(-0.3f, 0.3f) * w, p.y, rng.uniform(2.0f, 0.22f * static_cast<float>(w) + 3.0f), 1.6);
    }
    // The old foot: dark, deeply fissured bark with pale ridges between the cracks.
    for (int i = 0; i < 120; ++i) {
        const double reach = 0.09 * std::pow(rng.unit(), 1.3);
        const double t0 = rng.uniform(0.0f, 0.02f);
        const Point a = along(stem, t0);
        const double w = widthAt(t0);
        const double x = a.x + rng.uniform(-0.48f, 0.48f) * w;
        const Point b = along(stem, t0 + reach);
        cairo_move_to(cr, x, a.y);
        cairo_curve_to(cr, x + rng.uniform(-4.0f, 4.0f), (a.y * 2 + b.y) / 3, x + rng.uniform(-4.0f, 4.0f), (a.y + b.y * 2) / 3,
                       x + (b.x - a.x) + rng.uniform(-3.0f, 3.0f), b.y);
        cairo_set_line_width(cr, rng.uniform(3.0f, 9.0f) * (1.0 - reach * 5.0));
        paint(cr, shade(kBarkBlack, rng.uniform(0.9f, 2.6f)));
        cairo_stroke(cr);
    }
}

void drawTwig(cairo_t* cr, const Limb& twig) {
    const std::vector<Point> line = projectLine(twig.line);
    stripPath(cr, line, [&](double t) { return twig.w0 + (twig.w1 - twig.w0) * t; });
    fillWith(cr, kTwig);
}

}  // namespace

void drawBirch(CairoLayer& layer, int variant) {
    layer.clear();
    cairo_t* cr = layer.cr();
    Rng rng(1100 + variant);
    const bool golden = variant == 2;
    BirchPlan plan;
    if (!golden) {
        plan.stems.push_back(growBranch(rng, {512.0 + rng.uniform(-20.0f, 20.0f), 2056.0, 0.0}, direction(0.3, kPi / 2 - 0.02),
                                        1930.0, 48, 0.012, 0.0));
        plan.stemWidths = {62.0};
        growCrown(rng, plan, plan.stems[0], 340.0, 0.34, 38, false);
    } else {
        // Two stems from one foot, leaning apart and curving back up.
        plan.stems.push_back(growBranch(rng, {500.0, 2056.0, 0.0}, normalize(Vec3{-0.16, -1.0, 0.05}), 1820.0, 48, 0.012, -0.004));
        plan.stems.push_back(growBranch(rng, {528.0, 2056.0, 0.0}, normalize(Vec3{0.2, -1.0, -0.05}), 1560.0, 44, 0.014, -0.006));
        plan.stemWidths = {48.0, 40.0};
        growCrown(rng, plan, plan.stems[0], 300.0, 0.36, 24, true);
        growCrown(rng, plan, plan.stems[1], 270.0, 0.38, 20, true);
    }

    // Nothing may reach the image's sides (the sprite sampler wraps around there): the
    // few leaves that would are left off, which keeps the crown's edge ragged.
    plan.leaves.erase(std::remove_if(plan.leaves.begin(), plan.leaves.end(),
                                     [](const FoliageMark& m) { return m.at.x < 30.0 || m.at.x > 994.0; }),
                      plan.leaves.end());
    for (Limb& twig : plan.twigs) {
        for (size_t k = 1; k < twig.line.size(); ++k) {
            if (twig.line[k].x < 30.0 || twig.line[k].x > 994.0) {
                twig.line.resize(std::max<size_t>(2, k));
                break;
            }
        }
    }
    // Light every leaf in the crown volume the leaves fill.
    Vec3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const FoliageMark& m : plan.leaves) {
        lo = {std::min(lo.x, m.at.x), std::min(lo.y, m.at.y), std::min(lo.z, m.at.z)};
        hi = {std::max(hi.x, m.at.x), std::max(hi.y, m.at.y), std::max(hi.z, m.at.z)};
    }
    const CrownVolume crown{(lo + hi) * 0.5, Vec3{(hi.x - lo.x) * 0.5, (hi.y - lo.y) * 0.5, (hi.x - lo.x) * 0.5}, 0.42f};
    for (FoliageMark& m : plan.leaves) {
        float light = crown.light(m.at) * rng.uniform(0.8f, 1.15f);
        // Some leaves turn their paler underside to the viewer.
        if (rng.chance(0.12)) m.colour = blend(m.colour, hexColor(0xb8c08a), 0.45f);
        m.colour = shade(m.colour, 0.22f + 1.05f * light);
    }
    sortByDepth(plan.leaves);

    // Back to front in depth slabs; the stems stand in the middle.
    const double slabs[] = {-1e9, -120.0, -40.0, 0.0, 40.0, 120.0, 1e9};
    size_t leaf = 0;
    for (int s = 0; s < 6; ++s) {
        const double zLo = slabs[s], zHi = slabs[s + 1];
        if (s == 3) {
            for (size_t k = 0; k < plan.stems.size(); ++k)
                drawBirchBark(cr, rng, projectLine(plan.stems[k]), plan.stemWidths[k], 6.0, plan.junctions);
        }
        for (const Limb& l : plan.limbs)
            if (l.z >= zLo && l.z < zHi) drawLimb(cr, projectLine(l.line), l.w0, l.w1, hexColor(0x5a4c48), 0.3f);
        for (const Limb& t : plan.twigs)
            if (t.z >= zLo && t.z < zHi) drawTwig(cr, t);
        size_t end = leaf;
        while (end < plan.leaves.size() && plan.leaves[end].at.z < zHi) ++end;
        drawLeafMarks(cr, plan.leaves, leaf, end);
        leaf = end;
    }
}

}  // namespace tolmero::images
