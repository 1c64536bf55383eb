#include "Shrubs.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace tolmero::images {
namespace {

enum class LeafKind { Oval, Needle, Scale, Round, Narrow };

struct Species {
    Rgb stem;
    double stemWidth;
    std::vector<Rgb> leaves;
    LeafKind kind;
    double leafLength, leafWidth, spacing;
    double jitter;        // how crooked the stems are
    double branchChance;  // per stem vertex
    double gravity;
    int steps;            // vertices per stem
};

Species speciesOf(Shrub s) {
    switch (s) {
        case Shrub::Heather:
            return {hexColor(0x4a3a2e), 3.0, {hexColor(0x3a4a2a), hexColor(0x465a30), hexColor(0x55603a)}, LeafKind::Scale, 7.0, 3.0, 2.6,
                    0.12, 0.5, -0.004, 14};
        case Shrub::Blueberry:
            // Autumn: the leaves have turned crimson, orange and purple.
            return {hexColor(0x4e8a36), 3.2,
                    {hexColor(0xc43222), hexColor(0xd85a26), hexColor(0x9a1e2a), hexColor(0xe0782c), hexColor(0x7a2036), hexColor(0x8a9a30)},
                    LeafKind::Oval, 20.0, 12.0, 11.0, 0.38, 0.45, 0.0, 10};
        case Shrub::Lingonberry:
            return {hexColor(0x6a4a34), 3.0, {hexColor(0x1e4a1e), hexColor(0x2a5a24), hexColor(0x184018)}, LeafKind::Oval, 19.0, 12.5, 8.0,
                    0.1, 0.25, 0.004, 10};
        case Shrub::Crowberry:
            return {hexColor(0x5a3a2c), 3.0, {hexColor(0x28482a), hexColor(0x36582e), hexColor(0x446232)}, LeafKind::Needle, 10.0, 3.4, 2.2,
                    0.16, 0.35, 0.03, 14};
        case Shrub::BogRosemary:
            return {hexColor(0x8a3a32), 2.6, {hexColor(0x4a7468), hexColor(0x5a8272), hexColor(0x3e6458)}, LeafKind::Narrow, 30.0, 6.0, 9.0,
                    0.08, 0.12, 0.0, 12};
        case Shrub::DwarfBirch:
            return {hexColor(0x3a2826), 2.8,
                    {hexColor(0xd86a1e), hexColor(0xe0a028), hexColor(0xc23c1c), hexColor(0xb88a24), hexColor(0xa02a20)}, LeafKind::Round, 6.5,
                    0.0, 10.0, 0.28, 0.45, 0.0, 10};
    }
    return speciesOf(Shrub::Heather);
}

void drawBerry(cairo_t* cr, double x, double y, double r, Rgb colour, Rgb highlight) {
    ellipsePath(cr, x, y, r, r);
    fillWith(cr, colour);
    ellipsePath(cr, x - r * 0.3, y - r * 0.3, r * 0.45, r * 0.4);
    fillWith(cr, blend(colour, highlight, 0.6f));
    ellipsePath(cr, x - r * 0.38, y - r * 0.4, r * 0.18, r * 0.16);
    fillWith(cr, highlight);
}

class ShrubPainter {
public:
    ShrubPainter(cairo_t* cr, Rng& rng, Shrub species, const ShrubShape& shape)
        : cr_(cr), rng_(rng), kind_(species), s_(speciesOf(species)), shape_(shape) {}

    void paintAll() {
        struct StemStart {
            double x, angle, length;
            float depth;
        };
        std::vector<StemStart> starts;
        for (int i = 0; i < shape_.stems; ++i) {
            const double offset = rng_.uniform(-1.0f, 1.0f) * shape_.spread;
            const double angle = kUp + shape_.lean + offset / std::max(1.0, shape_.spread) * 0.45 + rng_.normal() * 0.28;
            starts.push_back({shape_.centreX + offset, angle, shape_.height * rng_.uniform(0.55f, 1.0f), static_cast<float>(rng_.unit())});
        }
        std::sort(starts.begin(), starts.end(), [](const StemStart& a, const StemStart& b) { return a.depth < b.depth; });
        for (const StemStart& st : starts) stem({st.x, shape_.footY + 4.0}, st.angle, st.length, 2, s_.stemWidth, st.depth);
    }

private:
    // Light on a part of the clump: the front and the top are brighter.
    float light(float depth, double y) const {
        const double top = clamp01(static_cast<float>((shape_.footY - y) / std::max(1.0, shape_.height)));
        return 0.45f + 0.45f * depth + 0.35f * static_cast<float>(top);
    }

    void stem(Point start, double angle, double length, int depth, double width, float z) {
        const int steps = std::max(3, static_cast<int>(s_.steps * length / shape_.height) + 2);
        std::vector<Point> line = growLine(rng_, start, angle, length, steps, s_.jitter, 0.0, s_.gravity);
        // Stems stop short of the image's edges, so that no leaf is cut off there.
        for (size_t i = 1; i < line.size(); ++i) {
            if (line[i].x < 24.0 || line[i].x > 488.0 || line[i].y < 24.0) {
                line.resize(std::max<size_t>(2, i));
                break;
            }
        }
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
        cairo_move_to(cr_, line[0].x, line[0].y);
        for (const Point& p : line) cairo_line_to(cr_, p.x, p.y);
        cairo_set_line_width(cr_, width);
        paint(cr_, shade(s_.stem, light(z, start.y) * 0.9f));
        cairo_stroke(cr_);
        if (depth > 0) {
            for (size_t i = 1; i + 1 < line.size(); ++i) {
                if (!rng_.chance(s_.branchChance / 2.0)) continue;
                const double side = rng_.chance(0.5) ? 1.0 : -1.0;
                const double a = std::atan2(line[i + 1].y - line[i].y, line[i + 1].x - line[i].x);
                stem(line[i], a + side * rng_.uniform(0.35f, 0.9f), length * rng_.uniform(0.35f, 0.65f), depth - 1, width * 0.7,
                     std::clamp(z + rng_.uniform(-0.2f, 0.2f), 0.0f, 1.0f));
            }
        }
        leaves(line, z);
        extras(line, z);
    }

    void leaves(const std::vector<Point>& line, float z) {
        double travelled = 0.0;
        int side = 1;
        for (size_t i = 1; i < line.size(); ++i) {
            const double dx = line[i].x - line[i - 1].x, dy = line[i].y - line[i - 1].y;
            const double seg = std::hypot(dx, dy);
            const double a = std::atan2(dy, dx);
            for (double d = std::fmod(travelled, s_.spacing); d < seg; d += s_.spacing) {
                const double x = line[i - 1].x + dx * d / seg, y = line[i - 1].y + dy * d / seg;
                side = -side;
                const Rgb base = s_.leaves[rng_.below(static_cast<uint32_t>(s_.leaves.size()))];
                const Rgb colour = shade(vary(rng_, base, 0.12f), light(z, y) * (side > 0 ? 1.08f : 0.9f));
                leaf(x, y, a, side, colour);
            }
            travelled += seg;
        }
    }

    void leaf(double x, double y, double a, int side, Rgb colour) {
        switch (s_.kind) {
            case LeafKind::Oval: {
                const double la = a + side * rng_.uniform(0.6f, 1.2f);
                const double len = s_.leafLength * rng_.uniform(0.8f, 1.15f);
                const double cx = x + std::cos(la) * len * 0.45, cy = y + std::sin(la) * len * 0.45;
                leafPath(cr_, cx, cy, la, len, s_.leafWidth);
                fillWith(cr_, colour);
                // A glossy or pale midrib half.
                leafPath(cr_, cx - std::sin(la) * s_.leafWidth * 0.12, cy + std::cos(la) * s_.leafWidth * 0.12, la, len * 0.8,
                         s_.leafWidth * 0.4);
                fillWith(cr_, shade(colour, kind_ == Shrub::Lingonberry ? 1.6f : 1.25f), 0.7);
                break;
            }
            case LeafKind::Needle:
            case LeafKind::Scale: {
                const bool needle = s_.kind == LeafKind::Needle;
                for (int k = 0; k < (needle ? 2 : 1); ++k) {
                    const double la = a + (k == 0 ? side : -side) * (needle ? rng_.uniform(0.7f, 1.4f) : rng_.uniform(0.25f, 0.55f));
                    const double len = s_.leafLength * rng_.uniform(0.75f, 1.2f);
                    cairo_move_to(cr_, x, y);
                    cairo_line_to(cr_, x + std::cos(la) * len, y + std::sin(la) * len);
                    cairo_set_line_width(cr_, s_.leafWidth);
                    paint(cr_, k == 0 ? colour : shade(colour, 0.8f));
                    cairo_stroke(cr_);
                }
                break;
            }
            case LeafKind::Round: {
                const double la = a + side * rng_.uniform(0.5f, 1.3f);
                const double r = s_.leafLength * rng_.uniform(0.8f, 1.2f);
                roundLeafPath(cr_, x + std::cos(la) * r, y + std::sin(la) * r, la, r, 7, 0.12);
                fillWith(cr_, colour);
                ellipsePath(cr_, x + std::cos(la) * r * 0.9 - 1.5, y + std::sin(la) * r * 0.9 - 1.5, r * 0.45, r * 0.4);
                fillWith(cr_, shade(colour, 1.3f), 0.5);
                break;
            }
            case LeafKind::Narrow: {
                // Leaves angled upward along the stem, blue-green above, paler beneath.
                const double la = a + side * rng_.uniform(0.35f, 0.7f);
                const double len = s_.leafLength * rng_.uniform(0.75f, 1.1f);
                const double cx = x + std::cos(la) * len * 0.45, cy = y + std::sin(la) * len * 0.45;
                leafPath(cr_, cx, cy, la, len, s_.leafWidth);
                fillWith(cr_, colour);
                leafPath(cr_, cx + std::sin(la) * 1.2, cy - std::cos(la) * 1.2, la, len * 0.85, s_.leafWidth * 0.35);
                fillWith(cr_, blend(colour, hexColor(0xa8c0b0), 0.45f));
                break;
            }
        }
    }

    void extras(const std::vector<Point>& line, float z) {
        const Point tip = line.back();
        const float l = light(z, tip.y);
        switch (kind_) {
            case Shrub::Heather: {
                // Spikes of small pink-purple bells along the upper stem, some faded.
                const Rgb bloom = rng_.chance(0.75) ? hexColor(0xb8609a) : hexColor(0x8a5a6a);
                for (size_t i = line.size() / 2; i < line.size(); ++i) {
                    for (int k = 0; k < 3; ++k) {
                        ellipsePath(cr_, line[i].x + rng_.uniform(-5.0f, 5.0f), line[i].y + rng_.uniform(-4.0f, 4.0f), rng_.uniform(2.6f, 3.8f),
                                    rng_.uniform(2.6f, 3.6f));
                        fillWith(cr_, shade(vary(rng_, bloom, 0.15f), l * 1.05f));
                    }
                }
                break;
            }
            case Shrub::Blueberry:
                if (rng_.chance(0.35)) {
                    const Point p = along(line, rng_.uniform(0.55f, 0.95f));
                    drawBerry(cr_, p.x + rng_.uniform(-3.0f, 3.0f), p.y + 8.0, 6.5, shade(hexColor(0x2a3262), l), hexColor(0x8a9ac0));
                }
                break;
            case Shrub::Lingonberry:
                if (rng_.chance(0.5)) {
                    const int n = 3 + static_cast<int>(rng_.below(4));
                    for (int k = 0; k < n; ++k)
                        drawBerry(cr_, tip.x + rng_.uniform(-9.0f, 9.0f), tip.y + rng_.uniform(-4.0f, 10.0f), rng_.uniform(5.0f, 6.5f),
                                  shade(hexColor(0xc81e1e), l), hexColor(0xf0b0a0));
                }
                break;
            case Shrub::Crowberry:
                for (int k = 0; k < 2; ++k) {
                    if (!rng_.chance(0.3)) continue;
                    const Point p = along(line, rng_.uniform(0.3f, 0.9f));
                    drawBerry(cr_, p.x + rng_.uniform(-6.0f, 6.0f), p.y + rng_.uniform(-6.0f, 6.0f), 5.5, hexColor(0x141418), hexColor(0x8a8aa0));
                }
                break;
            case Shrub::BogRosemary: {
                // A cluster of nodding pink urns on red stalks at the tip.
                const int n = 2 + static_cast<int>(rng_.below(4));
                for (int k = 0; k < n; ++k) {
                    const double a = kUp + rng_.uniform(-1.4f, 1.4f);
                    const double stalk = rng_.uniform(14.0f, 22.0f);
                    const Point end{tip.x + std::cos(a) * stalk, tip.y + std::sin(a) * stalk * 0.6 + 8.0};
                    cairo_move_to(cr_, tip.x, tip.y);
                    cairo_curve_to(cr_, tip.x + std::cos(a) * stalk, tip.y + std::sin(a) * stalk, end.x, end.y - 10.0, end.x, end.y - 4.0);
                    cairo_set_line_width(cr_, 1.8);
                    paint(cr_, hexColor(0xb83a48));
                    cairo_stroke(cr_);
                    ellipsePath(cr_, end.x, end.y + 2.0, 5.5, 6.5);
                    fillWith(cr_, shade(hexColor(0xe69aa8), l));
                    ellipsePath(cr_, end.x - 1.6, end.y, 2.2, 3.0);
                    fillWith(cr_, shade(hexColor(0xf2c4c8), l));
                }
                break;
            }
            case Shrub::DwarfBirch:
                break;
        }
    }

    cairo_t* cr_;
    Rng& rng_;
    Shrub kind_;
    Species s_;
    ShrubShape shape_;
};

}  // namespace

void drawShrub(cairo_t* cr, Rng& rng, Shrub species, const ShrubShape& shape) {
    ShrubPainter(cr, rng, species, shape).paintAll();
}

}  // namespace tolmero::images
