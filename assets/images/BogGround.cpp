#include <cmath>

#include "GroundImages.h"
#include "GroundKit.h"
#include "common/Noise.h"

namespace tolmero::images {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int N = kGroundSize;

struct BogStyle {
    uint32_t seed;
    float poolLevel;     // hummock-field value below which water stands
    float peatLevel;     // below this, bare wet peat shows between the mosses
    Rgb hummock[2];      // colours on the high ground
    Rgb lawn[2];         // colours on the middle ground
    Rgb hollow[2];       // colours in the hollows
    float redPatches;    // weight of the extra red patches
};

BogStyle styleFor(int variant) {
    if (variant == 1) {
        return {0xB0C1u, -0.44f, -0.38f,
                {hexColor(0xa23c2c), hexColor(0x84302c)},
                {hexColor(0xc08e40), hexColor(0x9c6636)},
                {hexColor(0x94a03e), hexColor(0xb0ae50)},
                0.5f};
    }
    return {0xB0C2u, -0.32f, -0.25f,
            {hexColor(0xb48c42), hexColor(0x9a4a30)},
            {hexColor(0x8a9c40), hexColor(0x9aa448)},
            {hexColor(0x7c9a3a), hexColor(0x98a844)},
            0.2f};
}

struct BogFields {
    Plane relief{N, N};   // hummock field
    Plane water{N, N};    // 1 in open water, 0 on land
};

// Colour of the moss carpet at a point, from the relief and slowly varying mixing fields.
Rgb carpetColour(const BogStyle& s, float relief, float u, float v) {
    const float m1 = clamp01(0.5f + 1.2f * tileFbm(u, v, 5, 4, 0.55f, s.seed + 11u));
    const float m2 = clamp01(0.5f + 1.2f * tileFbm(u, v, 7, 3, 0.55f, s.seed + 12u));
    const Rgb high = mix(s.hummock[0], s.hummock[1], m1);
    const Rgb mid = mix(s.lawn[0], s.lawn[1], m2);
    const Rgb low = mix(s.hollow[0], s.hollow[1], m1);
    Rgb c = relief > 0.0f ? mix(mid, high, smoothstep(0.0f, 0.35f, relief)) : mix(mid, low, smoothstep(0.0f, -0.3f, relief));
    const float red = smoothstep(0.25f, 0.45f, tileFbm(u, v, 9, 3, 0.5f, s.seed + 13u)) * s.redPatches;
    c = mix(c, hexColor(0x8e3430), red);
    // Living moss is less saturated than its pigments suggest: pull toward grey.
    const float l = luminance(c);
    return mix(Rgb{l, l, l}, c, 0.78f);
}

struct Rosette {
    float inside = 0.0f;  // coverage of the head
    float dome = 0.0f;    // 1 at the centre, 0 at the rim
    float bud = 0.0f;     // dense bud at the centre
    float seam = 0.0f;    // 0 on the border between two cells
    float top = 0.0f;     // height of the head
    uint32_t id = 0;
};

Rosette rosette(float u, float v, int cells, uint32_t seed) {
    const CellSample c = tileCells(u, v, cells, seed, 0.85f);
    Rosette out;
    const float size = 0.5f + 0.3f * hashUnit(hash32(c.id ^ 0x1234u));
    const float rot = hashUnit(hash32(c.id ^ 0x777u)) * 6.2831853f;
    const int arms = 5 + static_cast<int>(hash32(c.id ^ 0x99u) % 3u);
    const float r = c.f1 / size;
    const float theta = std::atan2(c.dy, c.dx) + rot + 0.8f * r;
    const float outline = 0.78f + 0.22f * (0.5f + 0.5f * std::cos(arms * theta));
    out.inside = smoothstep(outline + 0.15f, outline - 0.15f, r);
    out.bud = smoothstep(0.4f, 0.15f, r);
    out.dome = clamp01(1.0f - (r / outline) * (r / outline));
    out.seam = smoothstep(0.0f, 0.15f, c.f2 - c.f1);
    out.top = out.inside * (1.0f + 2.0f * out.dome) * (0.7f + 0.6f * hashUnit(hash32(c.id ^ 0x5151u)));
    out.id = c.id;
    return out;
}

void paintSphagnum(GroundCanvas& g, BogFields& f, const BogStyle& s) {
    const Rgb peatDark = hexColor(0x3a2a1e), peatLight = hexColor(0x5c4432);
    const Rgb waterDeep = hexColor(0x1a140e), sky = hexColor(0x8a98a8);
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            const float u = (x + 0.5f) / N, v = (y + 0.5f) / N;
            const float relief = 0.7f * tileFbm(u, v, 4, 3, 0.5f, s.seed + 1u) + 0.5f * tileFbm(u, v, 9, 3, 0.5f, s.seed + 9u) +
                                 0.25f * tileFbm(u, v, 16, 2, 0.5f, s.seed + 2u);
            f.relief.at(x, y) = relief;

            // Sphagnum heads: lobed rosettes packed shoulder to shoulder, from two
            // interleaved sizes; where they overlap the higher head shows.
            const Rosette big = rosette(u, v, 104, s.seed + 3u);
            const Rosette small = rosette(u, v, 167, s.seed + 8u);
            const bool useSmall = small.top * 0.8f > big.top;
            const Rosette& head = useSmall ? small : big;

            Rgb col = carpetColour(s, relief, u, v);
            const float jitter = hashUnit(hash32(head.id ^ 0xabcdu));
            col = col * (0.8f + 0.36f * jitter);
            col = mix(col, col * Rgb{1.06f, 0.84f, 0.8f}, head.bud * 0.5f);
            // Tiny leaves on the branches: fine-grained brightness.
            const float leafGrain = tileFbm(u, v, 256, 2, 0.6f, s.seed + 6u);
            const Rgb under = col * 0.45f;
            Rgb moss = mix(under, col * (0.85f + 0.25f * head.dome + 0.45f * leafGrain), head.inside) *
                       (0.72f + 0.28f * head.seam);
            float h = 20.0f * relief + head.top * (useSmall ? 0.8f : 1.0f) + 0.5f * head.seam;

            // Bare wet peat along the pools and in the deepest hollows.
            const float peatNoise = tileFbm(u, v, 24, 3, 0.5f, s.seed + 4u);
            const float peat = smoothstep(s.peatLevel + 0.03f, s.peatLevel - 0.03f, relief + 0.1f * peatNoise);
            const Rgb peatCol = mix(peatDark, peatLight, clamp01(0.5f + peatNoise * 1.5f));
            moss = mix(moss, peatCol, peat);
            h = mixf(h, 20.0f * relief + 0.6f * peatNoise, peat);

            // Open water: dark peat-stained water reflecting the grey sky, brighter where the
            // reflection catches clouds; a narrow shallow rim shows the drowned peat.
            const float depth = s.poolLevel - relief - 0.04f * peatNoise;
            const float wet = smoothstep(-0.004f, 0.008f, depth);
            const float cloud = tileFbm(u, v, 6, 4, 0.5f, s.seed + 5u);
            const float ripple = tileFbm(u * 1.0f, v * 1.0f, 64, 2, 0.5f, s.seed + 7u);
            const Rgb reflection = mix(waterDeep, sky, clamp01(0.3f + 1.1f * cloud + 0.12f * ripple));
            const Rgb water = mix(peatCol * 0.5f, reflection, smoothstep(0.0f, 0.03f, depth));
            g.albedo.at(x, y) = mix(moss, water, wet);
            g.height.at(x, y) = mixf(h, 20.0f * s.poolLevel, wet);
            f.water.at(x, y) = wet;
        }
    }
}

// Sedge and cotton-grass leaves lying on the moss, singly and in tufts.
void addSedges(GroundCanvas& g, const BogFields& f, Rng& rng, int blades, int tufts) {
    const Rgb palette[] = {hexColor(0xa89660), hexColor(0x8c7a4c), hexColor(0x7a8046), hexColor(0x6c5c3c),
                           hexColor(0xb0a06a)};
    CairoLayer layer(N, N);
    layer.clear();
    auto blade = [&](double x, double y, double angle, double len) {
        const Rgb c = pickColour(rng, palette, 5);
        drawNeedle(layer.cr(), x + std::cos(angle) * len * 0.5, y + std::sin(angle) * len * 0.5, angle, len,
                   rng.uniform(1.3f, 2.2f), rng.uniform(-0.12f, 0.12f), c);
    };
    for (int i = 0; i < blades; ++i) {
        const float x = rng.uniform(0.0f, static_cast<float>(N)), y = rng.uniform(0.0f, static_cast<float>(N));
        if (f.water.at(static_cast<int>(x), static_cast<int>(y)) > 0.5f && !rng.chance(0.2)) continue;
        blade(x, y, rng.uniform(0.0f, 2.0f * static_cast<float>(kPi)), rng.uniform(40.0f, 140.0f));
    }
    for (int t = 0; t < tufts; ++t) {
        const float x = rng.uniform(0.0f, static_cast<float>(N)), y = rng.uniform(0.0f, static_cast<float>(N));
        if (f.water.at(static_cast<int>(x), static_cast<int>(y)) > 0.2f) continue;
        const float base = rng.uniform(0.0f, 2.0f * static_cast<float>(kPi));
        const int n = 8 + static_cast<int>(rng.below(10));
        for (int k = 0; k < n; ++k) blade(x, y, base + rng.uniform(-1.2f, 1.2f), rng.uniform(30.0f, 110.0f));
    }
    g.addLayer(layer, 2.0f, 0.4f, 1.5f, 2, 2);
}

// Cranberry runners: wiry red-brown stems with tiny leathery leaves and a few berries.
void addCranberries(GroundCanvas& g, const BogFields& f, Rng& rng, int runners) {
    CairoLayer layer(N, N);
    layer.clear();
    cairo_t* cr = layer.cr();
    const Rgb stem = hexColor(0x6e2c22);
    const Rgb leaves[] = {hexColor(0x3e4e24), hexColor(0x56602c), hexColor(0x6e2a24), hexColor(0x4a3a22)};
    for (int i = 0; i < runners; ++i) {
        double x = rng.uniform(0.0f, static_cast<float>(N)), y = rng.uniform(0.0f, static_cast<float>(N));
        if (f.water.at(static_cast<int>(x), static_cast<int>(y)) > 0.2f) continue;
        double a = rng.uniform(0.0f, 2.0f * static_cast<float>(kPi));
        const int steps = 20 + static_cast<int>(rng.below(40));
        const Rgb leafColour = pickColour(rng, leaves, 4);
        for (int s = 0; s < steps; ++s) {
            a += rng.uniform(-0.3f, 0.3f);
            const double nx = x + std::cos(a) * 5.0, ny = y + std::sin(a) * 5.0;
            const double side = (s & 1) ? 1.0 : -1.0;
            const Rgb thisLeaf = leafColour * rng.uniform(0.85f, 1.15f);
            drawWrapped(N, N, x, y, 12.0, [&](double ox, double oy) {
                cairo_move_to(cr, x + ox, y + oy);
                cairo_line_to(cr, nx + ox, ny + oy);
                cairo_set_line_width(cr, 0.9);
                setColor(cr, stem);
                cairo_stroke(cr);
                cairo_save(cr);
                cairo_translate(cr, x + ox - std::sin(a) * side * 2.5, y + oy + std::cos(a) * side * 2.5);
                cairo_rotate(cr, a + side * 0.6);
                cairo_scale(cr, 2.4, 1.3);
                cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
                cairo_restore(cr);
                setColor(cr, thisLeaf);
                cairo_fill(cr);
            });
            if (rng.chance(0.012)) {
                drawWrapped(N, N, x, y, 8.0, [&](double ox, double oy) {
                    cairo_arc(cr, x + ox, y + oy, 3.6, 0, 2 * kPi);
                    setColor(cr, hexColor(0xa8222a));
                    cairo_fill(cr);
                    cairo_arc(cr, x + ox - 1.2, y + oy - 1.2, 1.0, 0, 2 * kPi);
                    setColor(cr, hexColor(0xf0a0a0), 0.8);
                    cairo_fill(cr);
                });
            }
            x = nx;
            y = ny;
        }
    }
    g.addLayer(layer, 1.5f, 0.35f, 1.0f, 1, 1);
}

void addFallenLeaves(GroundCanvas& g, Rng& rng, int count) {
    const Rgb palette[] = {hexColor(0xc8943a), hexColor(0xa8602c), hexColor(0x7a4a26), hexColor(0xb8a040)};
    CairoLayer layer(N, N);
    layer.clear();
    for (int i = 0; i < count; ++i) {
        const float x = rng.uniform(0.0f, static_cast<float>(N)), y = rng.uniform(0.0f, static_cast<float>(N));
        const Rgb c = pickColour(rng, palette, 4);
        const double len = rng.uniform(8.0f, 13.0f);
        drawLeaf(layer.cr(), x, y, rng.uniform(0.0f, 2.0f * static_cast<float>(kPi)), len, len * 0.85, c, c * 0.6f,
                 0.0);
    }
    for (int i = 0; i < 260; ++i) {
        const float x = rng.uniform(0.0f, static_cast<float>(N)), y = rng.uniform(0.0f, static_cast<float>(N));
        drawNeedle(layer.cr(), x, y, rng.uniform(0.0f, 2.0f * static_cast<float>(kPi)), rng.uniform(24.0f, 40.0f), 1.7,
                   0.03, hexColor(0x8a5632) * rng.uniform(0.8f, 1.2f));
    }
    g.addLayer(layer, 2.0f, 0.4f, 1.2f, 2, 2);
}

}  // namespace

ColorImage makeBogGround(int variant) {
    const BogStyle style = styleFor(variant);
    Rng rng(style.seed);
    GroundCanvas g;
    BogFields fields;
    paintSphagnum(g, fields, style);
    addCranberries(g, fields, rng, variant == 1 ? 70 : 45);
    addSedges(g, fields, rng, variant == 1 ? 160 : 260, variant == 1 ? 8 : 16);
    addFallenLeaves(g, rng, variant == 1 ? 70 : 40);

    Plane shading = reliefShading(g.height, {-0.6f, -0.7f, 1.0f}, 0.35f, 3.0f, 0.05f);
    // Open water is flat: it keeps its reflection instead of the relief shading.
    for (size_t i = 0; i < shading.v.size(); ++i) shading.v[i] = mixf(shading.v[i], 1.0f, fields.water.v[i]);
    ColorImage out = g.albedo;
    applyShading(out, shading);
    addGrain(out, 0.04f, style.seed + 9u);
    for (Rgb& c : out.px) c = c * 1.1f;
    return out;
}

}  // namespace tolmero::images
