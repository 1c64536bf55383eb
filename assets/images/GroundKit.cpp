#include "GroundKit.h"

#include <cmath>
#include <vector>

namespace tolmero::images {
namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

void GroundCanvas::addLayer(const CairoLayer& layer, float thickness, float shadowStrength, float shadowBlur,
                            int shadowDx, int shadowDy) {
    const Plane coverage = layer.alpha();
    if (shadowStrength > 0.0f) {
        Plane shadow = coverage;
        blurPlane(shadow, shadowBlur);
        for (int y = 0; y < kGroundSize; ++y) {
            for (int x = 0; x < kGroundSize; ++x) {
                const float s = shadow.wrapped(x - shadowDx, y - shadowDy);
                albedo.at(x, y) = albedo.at(x, y) * (1.0f - shadowStrength * s);
            }
        }
    }
    layer.compositeOver(albedo);
    for (size_t i = 0; i < height.v.size(); ++i) height.v[i] += coverage.v[i] * thickness;
}

Plane reliefShading(const Plane& height, Light light, float slopeScale, float aoRadius, float aoStrength) {
    const int w = height.width;
    const int h = height.height;
    const float len = std::sqrt(light.x * light.x + light.y * light.y + light.z * light.z);
    const float lx = light.x / len, ly = light.y / len, lz = light.z / len;
    Plane blurred = height;
    blurPlane(blurred, aoRadius);
    Plane shading(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float gx = (height.wrapped(x + 1, y) - height.wrapped(x - 1, y)) * 0.5f * slopeScale;
            const float gy = (height.wrapped(x, y + 1) - height.wrapped(x, y - 1)) * 0.5f * slopeScale;
            const float nl = 1.0f / std::sqrt(gx * gx + gy * gy + 1.0f);
            const float lambert = std::max(0.0f, (-gx * lx - gy * ly + lz) * nl);
            const float ao = std::clamp(1.0f + aoStrength * (height.at(x, y) - blurred.at(x, y)), 0.35f, 1.25f);
            shading.at(x, y) = lambert / lz * ao;
        }
    }
    return shading;
}

void applyShading(ColorImage& img, const Plane& shading) {
    for (size_t i = 0; i < img.px.size(); ++i) img.px[i] = img.px[i] * shading.v[i];
}

void addGrain(ColorImage& img, float amplitude, uint32_t seed) {
    for (size_t i = 0; i < img.px.size(); ++i) {
        const float n = (hashUnit(hash32(static_cast<uint32_t>(i) ^ hash32(seed))) - 0.5f) * 2.0f * amplitude;
        img.px[i] = img.px[i] * (1.0f + n);
    }
}

void drawNeedle(cairo_t* cr, double x, double y, double angle, double length, double width, double bend, Rgb colour) {
    const double dx = std::cos(angle) * length * 0.5;
    const double dy = std::sin(angle) * length * 0.5;
    const double px = -std::sin(angle) * bend * length;
    const double py = std::cos(angle) * bend * length;
    drawWrapped(kGroundSize, kGroundSize, x, y, length * 0.6 + width, [&](double ox, double oy) {
        const double ax = x + ox - dx, ay = y + oy - dy;
        const double bx = x + ox + dx, by = y + oy + dy;
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(cr, ax, ay);
        cairo_curve_to(cr, ax + dx * 0.6 + px, ay + dy * 0.6 + py, bx - dx * 0.6 + px, by - dy * 0.6 + py, bx, by);
        cairo_set_line_width(cr, width);
        setColor(cr, colour);
        cairo_stroke(cr);
        // A thin lighter line along the needle reads as a rounded, glossy surface.
        cairo_move_to(cr, ax, ay);
        cairo_curve_to(cr, ax + dx * 0.6 + px, ay + dy * 0.6 + py, bx - dx * 0.6 + px, by - dy * 0.6 + py, bx, by);
        cairo_set_line_width(cr, width * 0.35);
        setColor(cr, colour * 1.3f, 0.55);
        cairo_stroke(cr);
    });
}

void drawLeaf(cairo_t* cr, double x, double y, double angle, double length, double width, Rgb colour, Rgb vein,
              double curl) {
    drawWrapped(kGroundSize, kGroundSize, x, y, length, [&](double ox, double oy) {
        cairo_save(cr);
        cairo_translate(cr, x + ox, y + oy);
        cairo_rotate(cr, angle);
        // Leaf outline: a rounded base narrowing to a pointed tip, slightly asymmetric (curl).
        const double l = length * 0.5;
        const double w = width * 0.5;
        cairo_move_to(cr, -l, 0);
        cairo_curve_to(cr, -l, -w * 1.3, l * 0.1, -w * (1.2 + curl), l, curl * w);
        cairo_curve_to(cr, l * 0.1, w * (1.2 - curl), -l, w * 1.3, -l, 0);
        cairo_close_path(cr);
        setColor(cr, colour);
        cairo_fill_preserve(cr);
        // Darker rim.
        cairo_set_line_width(cr, 0.8);
        setColor(cr, colour * 0.7f, 0.6);
        cairo_stroke(cr);
        // Midrib, side veins and stalk.
        cairo_set_line_width(cr, 0.9);
        setColor(cr, vein, 0.7);
        cairo_move_to(cr, -l * 1.35, 0);
        cairo_line_to(cr, l * 0.9, curl * w * 0.8);
        cairo_stroke(cr);
        cairo_set_line_width(cr, 0.5);
        for (int i = 1; i <= 4; ++i) {
            const double t = -l + i * (1.7 * l / 5.0);
            const double reach = w * (1.0 - std::abs(t / l) * 0.5) * 0.8;
            cairo_move_to(cr, t, 0);
            cairo_line_to(cr, t + l * 0.25, -reach);
            cairo_move_to(cr, t, 0);
            cairo_line_to(cr, t + l * 0.25, reach);
        }
        setColor(cr, vein, 0.35);
        cairo_stroke(cr);
        cairo_restore(cr);
    });
}

void drawTwig(cairo_t* cr, Rng& rng, double x, double y, double angle, double length, double width, Rgb colour,
              int depth) {
    // A slightly kinked stick made of a few segments, with smaller side twigs.
    const int segments = 3 + static_cast<int>(rng.below(3));
    double px = x, py = y, a = angle;
    const double segLen = length / segments;
    for (int s = 0; s < segments; ++s) {
        a += rng.uniform(-0.35f, 0.35f);
        const double nx = px + std::cos(a) * segLen;
        const double ny = py + std::sin(a) * segLen;
        const double w = width * (1.0 - 0.5 * s / segments);
        const double cx = (px + nx) * 0.5, cy = (py + ny) * 0.5;
        drawWrapped(kGroundSize, kGroundSize, cx, cy, segLen * 0.6 + w, [&](double ox, double oy) {
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_move_to(cr, px + ox, py + oy);
            cairo_line_to(cr, nx + ox, ny + oy);
            cairo_set_line_width(cr, w);
            setColor(cr, colour);
            cairo_stroke(cr);
            // Lit upper edge and bark speckles.
            const double ex = -std::sin(a) * w * 0.22, ey = std::cos(a) * w * 0.22;
            cairo_move_to(cr, px + ox - ex, py + oy - ey);
            cairo_line_to(cr, nx + ox - ex, ny + oy - ey);
            cairo_set_line_width(cr, w * 0.3);
            setColor(cr, colour * 1.45f, 0.6);
            cairo_stroke(cr);
        });
        if (depth > 0 && rng.chance(0.6)) {
            const double side = rng.chance(0.5) ? 1.0 : -1.0;
            drawTwig(cr, rng, nx, ny, a + side * rng.uniform(0.4f, 0.9f), length * rng.uniform(0.2f, 0.45f), w * 0.6,
                     colour, depth - 1);
        }
        px = nx;
        py = ny;
    }
}

void drawCone(cairo_t* cr, Rng& rng, double x, double y, double angle, double length, double width, Rgb colour) {
    // Random shades are drawn once, so every wrapped copy of the cone is identical.
    std::vector<float> shades(static_cast<size_t>(length) * 3 + 3);
    for (float& s : shades) s = rng.uniform(0.9f, 1.25f);
    drawWrapped(kGroundSize, kGroundSize, x, y, length, [&](double ox, double oy) {
        size_t next = 0;
        cairo_save(cr);
        cairo_translate(cr, x + ox, y + oy);
        cairo_rotate(cr, angle);
        cairo_save(cr);
        cairo_scale(cr, length * 0.5, width * 0.5);
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
        cairo_restore(cr);
        setColor(cr, colour * 0.75f);
        cairo_fill(cr);
        // Overlapping scales in rows along the cone.
        const int rows = static_cast<int>(length / 4.0);
        for (int r = 0; r < rows; ++r) {
            const double t = -0.45 + 0.9 * r / std::max(1, rows - 1);
            const double half = std::sqrt(std::max(0.0, 1.0 - 4.0 * t * t)) * width * 0.5;
            for (int k = -1; k <= 1; ++k) {
                const double sx = t * length;
                const double sy = k * half * 0.55 + ((r & 1) ? half * 0.27 : 0.0);
                if (std::abs(sy) > half * 0.9) continue;
                cairo_save(cr);
                cairo_translate(cr, sx, sy);
                cairo_scale(cr, 2.6, half * 0.42 + 1.0);
                cairo_arc(cr, 0, 0, 1, -kPi / 2, kPi / 2);
                cairo_restore(cr);
                setColor(cr, colour * shades[next++ % shades.size()]);
                cairo_fill(cr);
            }
        }
        cairo_restore(cr);
    });
}

Rgb pickColour(Rng& rng, const Rgb* palette, int count, float brightnessJitter, float hueJitter) {
    const Rgb base = palette[rng.below(static_cast<uint32_t>(count))];
    const float b = 1.0f + rng.uniform(-brightnessJitter, brightnessJitter);
    return {base.r * b * (1.0f + rng.uniform(-hueJitter, hueJitter)), base.g * b,
            base.b * b * (1.0f + rng.uniform(-hueJitter, hueJitter))};
}

}  // namespace tolmero::images
