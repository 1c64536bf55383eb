// Pines. manty1 is a tall old Scots pine: a long bare trunk, grey and plated at the
// foot and thin orange-red bark higher up, under a flat crown that the wind has pushed
// to one side, its needles in dense blue-green pads. manty2 and manty3 are stunted bog
// pines: thin crooked stems, dead grey twigs low down and sparse tufts of yellowish
// needles; manty3 has lost its leader and grows two tops.
#include <algorithm>
#include <cmath>
#include <vector>

#include "TreeKit.h"
#include "Trees.h"

namespace tolmero::images {
namespace {

const Rgb kPlatedBark = hexColor(0x6e5e52);
const Rgb kFurrow = hexColor(0x241a16);
const Rgb kFlameBark = hexColor(0xc4784a);
const Rgb kFlameBarkLight = hexColor(0xdc9a64);
const Rgb kFlameBarkDark = hexColor(0x8a4428);
const Rgb kDeadWood = hexColor(0x8a8680);

// A tuft of needles radiating from a shoot tip, drawn as strokes fanning mostly upward.
void needleTuft(cairo_t* cr, Rng& rng, Point c, double radius, Rgb colour, double width, int needles = 22) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < needles; ++i) {
        const double a = kUp + rng.uniform(-1.9f, 1.9f);
        const double r = radius * rng.uniform(0.55f, 1.0f);
        cairo_move_to(cr, c.x, c.y + radius * 0.15);
        cairo_line_to(cr, c.x + std::cos(a) * r, c.y + std::sin(a) * r * 0.75);
        cairo_set_line_width(cr, width);
        paint(cr, vary(rng, colour, 0.14f));
        cairo_stroke(cr);
    }
}

// Bark up a trunk: plates with dark furrows low down, thin orange flakes higher up.
void drawPineBark(cairo_t* cr, Rng& rng, const std::vector<Point>& trunk, double w0, double w1, double platedTo) {
    auto widthAt = [&](double t) { return w0 + (w1 - w0) * t; };
    drawLimb(cr, trunk, w0, w1, kFlameBark, 0.38f);
    // The plated lower trunk: a grey-brown overcoat ending in a ragged edge.
    std::vector<Point> lower;
    for (double t = 0.0; t <= platedTo + 1e-9; t += platedTo / 40.0) lower.push_back(along(trunk, t));
    drawLimb(cr, lower, w0 * 1.04, widthAt(platedTo) * 1.04, kPlatedBark, 0.4f);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 700; ++i) {
        const double t = rng.unit() * platedTo * 1.15;
        const Point p = along(trunk, t);
        const double w = widthAt(t);
        const double x = p.x + rng.uniform(-0.46f, 0.46f) * w;
        const double h = rng.uniform(10.0f, 34.0f) * (1.2 - t / platedTo * 0.5);
        if (t > platedTo && rng.chance((t - platedTo) / (platedTo * 0.15))) continue;
        // A plate: lit top edge, dark furrow beside it.
        cairo_rectangle(cr, x - 3.0, p.y - h, rng.uniform(5.0f, 9.0f), h);
        paint(cr, shade(kPlatedBark, rng.uniform(0.75f, 1.35f) * static_cast<float>(1.0 - 0.5 * (x - p.x) / w)));
        cairo_fill(cr);
        cairo_move_to(cr, x - 3.5, p.y + 2.0);
        cairo_line_to(cr, x - 3.5 + rng.uniform(-2.0f, 2.0f), p.y - h - 2.0);
        cairo_set_line_width(cr, rng.uniform(1.5f, 3.0f));
        paint(cr, kFurrow);
        cairo_stroke(cr);
    }
    for (int i = 0; i < 900; ++i) {
        const double t = platedTo * 0.85 + rng.unit() * (0.99 - platedTo * 0.85);
        const Point p = along(trunk, t);
        const double w = widthAt(t);
        const double x = p.x + rng.uniform(-0.44f, 0.3f) * w;
        cairo_move_to(cr, x, p.y);
        cairo_line_to(cr, x + rng.uniform(3.0f, 8.0f), p.y + rng.uniform(-1.0f, 1.0f));
        cairo_set_line_width(cr, rng.uniform(1.2f, 2.2f));
        paint(cr, rng.chance(0.55) ? kFlameBarkLight : kFlameBarkDark, 0.8);
        cairo_stroke(cr);
    }
}

struct Pad {
    Point centre;
    double rx, ry;
    double z;
};

// A pad of needles: tufts packed into a flat cloud, lit on top.
void drawPad(cairo_t* cr, Rng& rng, const Pad& pad, Rgb dark, Rgb mid, Rgb lit, float depthLight) {
    const int tufts = static_cast<int>(pad.rx * pad.ry / 90.0) + 6;
    // A dark underlayer keeps the pad solid where tufts leave gaps.
    ellipsePath(cr, pad.centre.x, pad.centre.y + pad.ry * 0.15, pad.rx * 0.8, pad.ry * 0.6);
    fillWith(cr, shade(dark, depthLight));
    std::vector<Point> spots;
    for (int i = 0; i < tufts; ++i) {
        const double a = rng.uniform(0.0f, 6.2832f), d = std::sqrt(rng.unit());
        spots.push_back({pad.centre.x + std::cos(a) * d * pad.rx, pad.centre.y + std::sin(a) * d * pad.ry});
    }
    // Lower tufts first, so the lit upper ones lie over them.
    std::sort(spots.begin(), spots.end(), [](Point a, Point b) { return a.y > b.y; });
    for (const Point& s : spots) {
        const double up = (pad.centre.y - s.y) / pad.ry;        // 1 at the top, -1 at the bottom
        const double left = (pad.centre.x - s.x) / pad.rx;      // toward the sun
        const float l = static_cast<float>(0.5 + 0.5 * up + 0.2 * left);
        const Rgb c = l > 0.75f ? lit : l > 0.35f ? mid : dark;
        needleTuft(cr, rng, s, rng.uniform(13.0f, 20.0f), shade(c, depthLight * rng.uniform(0.85f, 1.15f)), 2.6);
    }
}

}  // namespace

void drawTallPine(CairoLayer& layer) {
    layer.clear();
    cairo_t* cr = layer.cr();
    Rng rng(1301);
    const Rgb dark = hexColor(0x1a2c24), mid = hexColor(0x2e4a38), lit = hexColor(0x56704c);
    const std::vector<Vec3> trunk3 = growBranch(rng, {500.0, 2056.0, 0.0}, normalize(Vec3{0.03, -1.0, 0.0}), 1900.0, 40, 0.012, 0.0);
    const std::vector<Point> trunk = projectLine(trunk3);
    const double crownStart = 0.66;

    // Limbs: few and heavy, reaching out and up, pushed toward the lee side (right).
    struct PineLimb {
        std::vector<Vec3> line;
        double w0;
        double z;
    };
    std::vector<PineLimb> limbs;
    std::vector<Pad> pads;
    const int limbCount = 13;
    for (int i = 0; i < limbCount; ++i) {
        const double t = crownStart + (0.97 - crownStart) * (i + rng.unit()) / limbCount;
        const double crownT = (t - crownStart) / (1.0 - crownStart);
        const double azimuth = rng.uniform(0.0f, 6.2832f);
        // Wind from the left: limbs on the windward side stay short and bend to the lee.
        const double lee = std::cos(azimuth);
        const double length = (380.0 - 210.0 * crownT) * (0.6 + 0.55 * lee) * rng.uniform(0.8f, 1.15f) + 80.0;
        const double elevation = 0.1 + 0.5 * crownT + rng.uniform(-0.15f, 0.25f);
        PineLimb limb;
        limb.line = growBranch(rng, along3(trunk3, t), direction(azimuth, elevation) + Vec3{0.25, 0.0, 0.0}, length, 9, 0.2, -0.02);
        limb.w0 = 24.0 - 12.0 * crownT;
        limb.z = along3(limb.line, 0.5).z;
        // Each limb forks into shoots that end in flat pads; together they make the
        // umbrella of the crown.
        std::vector<std::vector<Vec3>> shoots{limb.line};
        const int forks = 1 + static_cast<int>(rng.below(3));
        for (int f = 0; f < forks; ++f) {
            const double s = rng.uniform(0.35f, 0.8f);
            PineLimb shoot;
            shoot.line = growBranch(rng, along3(limb.line, s), direction(azimuth + rng.uniform(-1.2f, 1.2f), elevation + 0.3) + Vec3{0.2, 0.0, 0.0},
                                    length * (1.0 - s) * rng.uniform(0.6f, 1.0f) + 50.0, 6, 0.25, -0.02);
            shoot.w0 = limb.w0 * 0.45;
            shoot.z = along3(shoot.line, 0.5).z;
            shoots.push_back(shoot.line);
            limbs.push_back(std::move(shoot));
        }
        for (const auto& shoot : shoots) {
            const Vec3 end = shoot.back();
            pads.push_back({project(end) + Point{0.0, -14.0}, rng.uniform(85.0f, 140.0f) * (1.0 - 0.25 * crownT), rng.uniform(36.0f, 56.0f),
                            end.z});
            const Vec3 mid3 = along3(shoot, rng.uniform(0.45f, 0.7f));
            if (rng.chance(0.5))
                pads.push_back({project(mid3) + Point{rng.uniform(-20.0f, 20.0f), -16.0}, rng.uniform(55.0f, 90.0f),
                                rng.uniform(28.0f, 40.0f), mid3.z});
        }
        limbs.push_back(std::move(limb));
    }
    // The top: a broad flat cap.
    const Vec3 top = trunk3.back();
    pads.push_back({project(top) + Point{60.0, 10.0}, 190.0, 60.0, 0.0});
    pads.push_back({project(top) + Point{-30.0, 50.0}, 130.0, 48.0, -30.0});
    std::sort(pads.begin(), pads.end(), [](const Pad& a, const Pad& b) { return a.z < b.z; });
    std::sort(limbs.begin(), limbs.end(), [](const PineLimb& a, const PineLimb& b) { return a.z < b.z; });

    for (const PineLimb& l : limbs)
        if (l.z < 0) drawLimb(cr, projectLine(l.line), l.w0, 5.0, kFlameBark, 0.4f);
    for (const Pad& p : pads)
        if (p.z < 0) drawPad(cr, rng, p, dark, mid, lit, 0.8f);
    drawPineBark(cr, rng, trunk, 66.0, 10.0, 0.38);
    // Dead stubs of the branches the trunk shed as it grew.
    for (int i = 0; i < 9; ++i) {
        const double t = rng.uniform(0.3f, static_cast<float>(crownStart) - 0.02f);
        const Point p = along(trunk, t);
        const double side = rng.chance(0.5) ? 1.0 : -1.0;
        const std::vector<Point> stub = {p, p + Point{side * rng.uniform(20.0f, 60.0f), rng.uniform(-14.0f, 6.0f)}};
        drawLimb(cr, stub, 7.0, 3.0, kDeadWood, 0.35f);
    }
    for (const PineLimb& l : limbs)
        if (l.z >= 0) drawLimb(cr, projectLine(l.line), l.w0, 5.0, kFlameBark, 0.4f);
    for (const Pad& p : pads)
        if (p.z >= 0) drawPad(cr, rng, p, dark, mid, lit, 1.0f);
}

void drawBogPine(CairoLayer& layer, int variant) {
    layer.clear();
    cairo_t* cr = layer.cr();
    Rng rng(1400 + variant);
    const Rgb needleDark = hexColor(0x2a3a22), needle = hexColor(0x46582c), needleLit = hexColor(0x6e7e3a);
    const Rgb bark = hexColor(0x5e4c40);
    std::vector<std::vector<Vec3>> stems{
        growBranch(rng, {512.0, 2056.0, 0.0}, normalize(Vec3{variant == 2 ? 0.06 : -0.04, -1.0, 0.0}), variant == 2 ? 1700.0 : 1900.0,
                   40, 0.05, 0.0)};
    if (variant == 3) stems.push_back(growBranch(rng, along3(stems[0], 0.62), normalize(Vec3{0.5, -1.0, 0.2}), 700.0, 18, 0.06, -0.01));

    struct Twig {
        std::vector<Vec3> line;
        bool dead;
        double z;
    };
    std::vector<Twig> twigs;
    for (size_t s = 0; s < stems.size(); ++s) {
        const int count = s == 0 ? 30 : 10;
        for (int i = 0; i < count; ++i) {
            const double t = 0.08 + 0.9 * (i + rng.unit()) / count;
            const double azimuth = rng.uniform(0.0f, 6.2832f);
            const bool dead = s == 0 && t < 0.4 && rng.chance(0.85 - t);
            // A spindle-shaped crown: the longest living branches in its middle.
            const double crownT = std::clamp((t - 0.3) / 0.7, 0.0, 1.0);
            const double length = dead ? rng.uniform(50.0f, 150.0f) * (1.1 - t)
                                       : rng.uniform(90.0f, 250.0f) * (0.35 + std::sin(kPi * std::min(1.0, crownT * 1.1 + 0.15)));
            Twig twig;
            twig.line = growBranch(rng, along3(stems[s], t), direction(azimuth, dead ? -0.25 : rng.uniform(-0.1f, 0.45f)), length, 7,
                                   0.28, dead ? 0.05 : -0.035);
            twig.dead = dead;
            twig.z = along3(twig.line, 0.5).z;
            twigs.push_back(std::move(twig));
        }
    }
    std::sort(twigs.begin(), twigs.end(), [](const Twig& a, const Twig& b) { return a.z < b.z; });
    auto drawTwigAndTufts = [&](const Twig& twig) {
        drawLimb(cr, projectLine(twig.line), twig.dead ? 6.0 : 9.0, 2.5, twig.dead ? kDeadWood : shade(bark, 1.2f), 0.3f);
        if (twig.dead) {
            // Bare side twigs.
            for (int k = 0; k < 3; ++k) {
                const Vec3 p = along3(twig.line, rng.uniform(0.3f, 0.9f));
                const double a = headingAt(projectLine(twig.line), 0.5) + rng.uniform(-0.9f, 0.9f);
                cairo_move_to(cr, p.x, p.y);
                cairo_line_to(cr, p.x + std::cos(a) * 30.0, p.y + std::sin(a) * 30.0);
                cairo_set_line_width(cr, 2.0);
                paint(cr, kDeadWood);
                cairo_stroke(cr);
            }
            return;
        }
        const float depth = twig.z < 0 ? 0.78f : 1.0f;
        // Needles in a clump at the branch end and a smaller one on the way.
        const Point end = project(twig.line.back());
        const double size = std::clamp(std::hypot(end.x - twig.line.front().x, end.y - twig.line.front().y) / 3.0, 36.0, 78.0);
        drawPad(cr, rng, {end + Point{0.0, -6.0}, size, size * 0.55, twig.z}, needleDark, needle, needleLit, depth);
        if (rng.chance(0.55)) {
            const Point mid = project(along3(twig.line, rng.uniform(0.45f, 0.7f)));
            drawPad(cr, rng, {mid + Point{0.0, -6.0}, size * 0.6, size * 0.35, twig.z}, needleDark, needle, needleLit, depth);
        }
    };
    for (const Twig& t : twigs)
        if (t.z < 0) drawTwigAndTufts(t);
    for (size_t s = 0; s < stems.size(); ++s) {
        const std::vector<Point> line = projectLine(stems[s]);
        drawLimb(cr, line, s == 0 ? 34.0 : 16.0, 5.0, bark, 0.38f);
        // Rough grey flakes low down, reddish bark in the thin upper stem.
        for (int i = 0; i < 260; ++i) {
            const double t = rng.unit() * 0.9;
            const Point p = along(line, t);
            const double w = (s == 0 ? 34.0 : 16.0) * (1.0 - t) + 5.0 * t;
            cairo_rectangle(cr, p.x + rng.uniform(-0.45f, 0.25f) * w, p.y, rng.uniform(2.5f, 6.0f), rng.uniform(5.0f, 14.0f));
            paint(cr, t < 0.5 ? shade(hexColor(0x5a524c), rng.uniform(0.7f, 1.4f)) : shade(hexColor(0xa0603e), rng.uniform(0.8f, 1.2f)));
            cairo_fill(cr);
        }
        // A clump at each top.
        const Point top = line.back();
        drawPad(cr, rng, {top + Point{0.0, 16.0}, 46.0, 40.0, 0.0}, needleDark, needle, needleLit, 1.0f);
    }
    for (const Twig& t : twigs)
        if (t.z >= 0) drawTwigAndTufts(t);
}

}  // namespace tolmero::images
