#include "GroundImages.h"

#include <cmath>

#include "GroundKit.h"
#include "common/Noise.h"

namespace tolmero::images {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int N = kGroundSize;

// Where the feather moss grows: large irregular patches covering about half the ground.
Plane mossCover() {
    Plane m(N, N);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
            const float n = tileFbm(u, v, 5, 5, 0.6f, 101u) + 0.45f * tileFbm(u, v, 16, 3, 0.5f, 102u);
            m.at(x, y) = smoothstep(-0.08f, 0.08f, n + 0.02f);
        }
    }
    return m;
}

// Reindeer lichen: a few pale clumps where the moss thins out.
Plane lichenCover(const Plane& moss) {
    Plane l(N, N);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
            const float n = tileFbm(u, v, 9, 4, 0.55f, 201u);
            l.at(x, y) = smoothstep(0.36f, 0.4f, n + 0.06f * (1.0f - moss.at(x, y)));
        }
    }
    return l;
}

void paintHumus(GroundCanvas& g) {
    const Rgb dark = hexColor(0x4a3626), light = hexColor(0x74593c), grey = hexColor(0x5e5448);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
            const float n1 = tileFbm(u, v, 8, 5, 0.55f, 11u);
            const float n2 = tileFbm(u, v, 3, 3, 0.5f, 12u);
            // Crumbs of humus: small cells with their own brightness.
            const CellSample c = tileCells(u, v, 170, 13u);
            const float crumb = (hashUnit(c.id) - 0.5f) * 0.25f * smoothstep(0.05f, 0.3f, c.f2 - c.f1);
            Rgb col = mix(dark, light, clamp01(0.5f + 0.9f * n1));
            col = mix(col, grey, clamp01(0.4f + n2));
            g.albedo.at(x, y) = col * (1.0f + crumb);
            g.height.at(x, y) = 3.0f * n1 + 1.5f * crumb;
        }
    }
}

// Dense base of the moss carpet: dark olive, so the gaps between fronds read as depth.
void paintMossBed(GroundCanvas& g, const Plane& moss) {
    const Rgb bed = hexColor(0x3a4520);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float m = moss.at(x, y);
            g.albedo.at(x, y) = mix(g.albedo.at(x, y), bed, m * 0.9f);
            g.height.at(x, y) += 6.0f * m;
        }
    }
}

// One feather-moss shoot: a bent stem with alternating side branches that shorten toward the tip.
void drawFrond(cairo_t* cr, Rng& rng, double x, double y, Rgb colour) {
    const double angle = rng.uniform(0.0f, 2.0f * static_cast<float>(kPi));
    const double length = rng.uniform(12.0f, 26.0f);
    const double bend = rng.uniform(-0.25f, 0.25f);
    drawWrapped(N, N, x, y, length + 8.0, [&](double ox, double oy) {
        cairo_save(cr);
        cairo_translate(cr, x + ox, y + oy);
        cairo_rotate(cr, angle);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        auto axis = [&](double t, double& ax, double& ay) {
            ax = t * length;
            ay = bend * length * t * t;
        };
        // Side branches first, the stem over them.
        const int branches = static_cast<int>(length / 2.0);
        for (int i = 1; i < branches; ++i) {
            const double t = static_cast<double>(i) / branches;
            double ax, ay;
            axis(t, ax, ay);
            const double side = (i & 1) ? 1.0 : -1.0;
            const double reach = (1.0 - t) * length * 0.32 + 1.5;
            cairo_move_to(cr, ax, ay);
            cairo_line_to(cr, ax + reach * 0.55, ay + side * reach * 0.8);
        }
        cairo_set_line_width(cr, 1.25);
        setColor(cr, colour);
        cairo_stroke(cr);
        double ax = 0, ay = 0;
        cairo_move_to(cr, 0, 0);
        for (int i = 1; i <= 8; ++i) {
            axis(i / 8.0, ax, ay);
            cairo_line_to(cr, ax, ay);
        }
        cairo_set_line_width(cr, 1.5);
        setColor(cr, colour * 0.8f + hexColor(0x401808) * 0.25f);
        cairo_stroke(cr);
        // Bright young tip.
        cairo_arc(cr, ax, ay, 1.4, 0, 2 * kPi);
        setColor(cr, colour * 1.3f, 0.8);
        cairo_fill(cr);
        cairo_restore(cr);
    });
}

void addMossFronds(GroundCanvas& g, const Plane& moss, Rng& rng) {
    const Rgb palette[] = {hexColor(0x8a9640), hexColor(0x9ca44e), hexColor(0x6c7a30), hexColor(0x56692e),
                           hexColor(0xaaae5e), hexColor(0x807440), hexColor(0x788c3a)};
    // Two passes, so lower shoots sit in the shade of the upper ones.
    for (int pass = 0; pass < 2; ++pass) {
        CairoLayer layer(N, N);
        layer.clear();
        const int attempts = 26000;
        for (int i = 0; i < attempts; ++i) {
            const float x = rng.uniform(0.0f, static_cast<float>(N));
            const float y = rng.uniform(0.0f, static_cast<float>(N));
            const float m = moss.at(static_cast<int>(x), static_cast<int>(y));
            if (!rng.chance(m * m)) continue;
            // A slowly varying tint keeps neighbouring shoots related.
            const float tint = tileFbm(x / N, y / N, 10, 2, 0.5f, 301u);
            Rgb c = pickColour(rng, palette, 7, 0.15f, 0.06f) * (1.0f + 0.35f * tint);
            drawFrond(layer.cr(), rng, x, y, pass == 0 ? c * 0.8f : c);
        }
        g.addLayer(layer, 2.5f, 0.35f, 1.5f, 2, 2);
    }
}

void addNeedles(GroundCanvas& g, const Plane& moss, Rng& rng, int count, float onMoss, float shadow) {
    const Rgb palette[] = {hexColor(0x8f5632), hexColor(0xa06c42), hexColor(0x70492e), hexColor(0xb08a5e),
                           hexColor(0x5e4c3a), hexColor(0x9a7a50), hexColor(0x7c6a3a)};
    CairoLayer layer(N, N);
    layer.clear();
    for (int i = 0; i < count; ++i) {
        const float x = rng.uniform(0.0f, static_cast<float>(N));
        const float y = rng.uniform(0.0f, static_cast<float>(N));
        const float m = moss.at(static_cast<int>(x), static_cast<int>(y));
        if (!rng.chance(1.0f - m * (1.0f - onMoss))) continue;
        const Rgb c = pickColour(rng, palette, 7);
        const double angle = rng.uniform(0.0f, 2.0f * static_cast<float>(kPi));
        if (rng.chance(0.45)) {
            // Pine needles: long, in pairs joined at the base.
            const double len = rng.uniform(28.0f, 48.0f);
            const double spread = rng.uniform(0.05f, 0.3f);
            drawNeedle(layer.cr(), x, y, angle, len, 1.9, rng.uniform(-0.08f, 0.08f), c);
            drawNeedle(layer.cr(), x + std::cos(angle) * len * 0.5 - std::cos(angle + spread) * len * 0.5,
                       y + std::sin(angle) * len * 0.5 - std::sin(angle + spread) * len * 0.5, angle + spread, len,
                       1.9, rng.uniform(-0.08f, 0.08f), c * 0.92f);
        } else {
            // Spruce needles: short and stiff.
            drawNeedle(layer.cr(), x, y, angle, rng.uniform(9.0f, 15.0f), 1.8, 0.0, c);
        }
    }
    g.addLayer(layer, 2.0f, shadow, 1.2f, 2, 2);
}

void addLeavesAndBark(GroundCanvas& g, const Plane& moss, Rng& rng) {
    const Rgb leafPalette[] = {hexColor(0xc89a38), hexColor(0xb47432), hexColor(0x8c5228), hexColor(0x6a4a2a),
                               hexColor(0xa8883a), hexColor(0xd0a844)};
    const Rgb barkPalette[] = {hexColor(0x9a5432), hexColor(0x7a4a30), hexColor(0xb07048)};
    CairoLayer layer(N, N);
    layer.clear();
    cairo_t* cr = layer.cr();
    for (int i = 0; i < 520; ++i) {
        const float x = rng.uniform(0.0f, static_cast<float>(N));
        const float y = rng.uniform(0.0f, static_cast<float>(N));
        const float m = moss.at(static_cast<int>(x), static_cast<int>(y));
        if (!rng.chance(1.0f - 0.7f * m)) continue;
        const Rgb c = pickColour(rng, leafPalette, 6);
        const double len = rng.uniform(14.0f, 24.0f);
        drawLeaf(cr, x, y, rng.uniform(0.0f, 2.0f * static_cast<float>(kPi)), len, len * rng.uniform(0.6f, 0.8f), c,
                 c * 0.6f, rng.uniform(-0.3f, 0.3f));
    }
    // Flakes of pine bark.
    for (int i = 0; i < 160; ++i) {
        const float x = rng.uniform(0.0f, static_cast<float>(N));
        const float y = rng.uniform(0.0f, static_cast<float>(N));
        const Rgb c = pickColour(rng, barkPalette, 3);
        const double r = rng.uniform(3.0f, 7.0f);
        const int corners = 5 + static_cast<int>(rng.below(3));
        double radii[8];
        for (int k = 0; k < corners; ++k) radii[k] = r * rng.uniform(0.6f, 1.3f);
        drawWrapped(N, N, x, y, r * 2, [&](double ox, double oy) {
            for (int k = 0; k < corners; ++k) {
                const double a = 2 * kPi * k / corners;
                const double rr = radii[k];
                const double px = x + ox + std::cos(a) * rr * 1.4, py = y + oy + std::sin(a) * rr;
                if (k == 0) cairo_move_to(cr, px, py); else cairo_line_to(cr, px, py);
            }
            cairo_close_path(cr);
            setColor(cr, c);
            cairo_fill(cr);
        });
    }
    g.addLayer(layer, 2.5f, 0.45f, 1.5f, 2, 2);
}

void addTwigsAndCones(GroundCanvas& g, Rng& rng) {
    const Rgb twigPalette[] = {hexColor(0x5e4e40), hexColor(0x706050), hexColor(0x4c3e32), hexColor(0x7a5444)};
    CairoLayer layer(N, N);
    layer.clear();
    for (int i = 0; i < 46; ++i) {
        const float x = rng.uniform(0.0f, static_cast<float>(N));
        const float y = rng.uniform(0.0f, static_cast<float>(N));
        const double len = rng.uniform(50.0f, 200.0f);
        drawTwig(layer.cr(), rng, x, y, rng.uniform(0.0f, 2.0f * static_cast<float>(kPi)), len,
                 rng.uniform(2.2f, 5.0f), pickColour(rng, twigPalette, 4), 2);
    }
    for (int i = 0; i < 9; ++i) {
        const float x = rng.uniform(0.0f, static_cast<float>(N));
        const float y = rng.uniform(0.0f, static_cast<float>(N));
        const double len = rng.uniform(34.0f, 52.0f);
        drawCone(layer.cr(), rng, x, y, rng.uniform(0.0f, 2.0f * static_cast<float>(kPi)), len, len * 0.36,
                 hexColor(0x8a5a32) * rng.uniform(0.85f, 1.1f));
    }
    g.addLayer(layer, 5.0f, 0.55f, 2.5f, 4, 4);
}

void addLichen(GroundCanvas& g, const Plane& lichen) {
    const Rgb pale = hexColor(0xaab292), cream = hexColor(0xb6b48e), shade = hexColor(0x5c644c);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float l = lichen.at(x, y);
            if (l <= 0.0f) continue;
            const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
            // Reindeer lichen grows in rounded cushions made of a dense tangle of fine
            // branches: a dome per cushion, with tiny dark holes between branch tips.
            // Rounded lumps from folded noise; the creases between lumps stay dark.
            const float fold = std::abs(tileFbm(u, v, 40, 3, 0.45f, 401u));
            const float dome = clamp01(1.0f - fold * 2.2f);
            const CellSample tips = tileCells(u, v, 300, 402u, 0.9f);
            const float holes = smoothstep(0.02f, 0.16f, tips.f2 - tips.f1) * smoothstep(0.75f, 0.35f, tips.f1);
            const float bright = (0.3f + 0.7f * dome) * (0.5f + 0.5f * holes);
            const Rgb base = mix(pale, cream, clamp01(0.5f + tileFbm(u, v, 12, 2, 0.5f, 403u)));
            const Rgb col = mix(shade, base, bright);
            const float a = l * smoothstep(0.0f, 0.25f, dome + 0.1f * (l - 1.0f));
            g.albedo.at(x, y) = mix(g.albedo.at(x, y), col, a);
            g.height.at(x, y) += a * (4.0f + 5.0f * dome + 1.5f * holes);
        }
    }
}

}  // namespace

ForestFloorImages makeForestFloor() {
    GroundCanvas g;
    Rng rng(0xF0E57F1002ull);
    const Plane moss = mossCover();
    const Plane lichen = lichenCover(moss);
    paintHumus(g);
    addNeedles(g, moss, rng, 16000, 0.05f, 0.3f);  // old litter under the moss
    paintMossBed(g, moss);
    addMossFronds(g, moss, rng);
    addLichen(g, lichen);
    addNeedles(g, moss, rng, 7000, 0.25f, 0.4f);   // fresh litter on top
    addLeavesAndBark(g, moss, rng);
    addTwigsAndCones(g, rng);

    ForestFloorImages out;
    // Day: soft light from the upper left.
    out.day = g.albedo;
    applyShading(out.day, reliefShading(g.height, {-0.6f, -0.7f, 1.0f}, 0.35f, 4.0f, 0.04f));
    addGrain(out.day, 0.04f, 77u);
    for (Rgb& c : out.day.px) c = c * 1.12f;

    // Night: the same ground in cold moonlight from a lower angle, desaturated and darker.
    out.night = g.albedo;
    const Plane moon = reliefShading(g.height, {0.8f, -0.5f, 0.7f}, 0.35f, 4.0f, 0.05f);
    const Rgb tint = hexColor(0x8ea4cc);
    for (size_t i = 0; i < out.night.px.size(); ++i) {
        const Rgb c = out.night.px[i];
        const float l = luminance(c);
        const Rgb grey = {l, l, l};
        const Rgb cold = mix(grey, c, 0.18f) * tint;
        out.night.px[i] = cold * (0.95f * moon.v[i]);
    }
    addGrain(out.night, 0.05f, 78u);
    return out;
}

}  // namespace tolmero::images
