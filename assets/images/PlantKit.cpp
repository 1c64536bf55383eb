#include "PlantKit.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tolmero::images {

Rgb texelFor(Rgb display, SpriteResponse response) {
    auto channel = [&](float d) { return std::pow(srgbDecode(d) * response.exposure, 1.0f / 1.4f) / response.gain; };
    Rgb t{channel(display.r), channel(display.g), channel(display.b)};
    const float length = std::sqrt(t.r * t.r + t.g * t.g + t.b * t.b);
    if (length > kPlantMaxLength) t = t * (kPlantMaxLength / length);
    return t;
}

std::vector<uint8_t> plantTexels(const CairoLayer& layer, SpriteResponse response) {
    const int w = layer.width(), h = layer.height();
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    // Display values are 8-bit, so each channel converts through a table; the length
    // limit needs the whole colour and is applied per pixel.
    std::array<float, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = std::pow(srgbDecode(i / 255.0f) * response.exposure, 1.0f / 1.4f) / response.gain;
    const std::vector<uint8_t> rgba = layer.rgba8();
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
        const uint8_t* p = &rgba[i * 4];
        uint8_t* o = &out[i * 4];
        o[3] = 255;
        const float a = p[3] / 255.0f;
        // Faint edges of hairline tips would be cut as background anyway; they become
        // background here, so the plant's edge is clean white where it is not plant.
        if (a < kFaintCoverage) {
            o[0] = o[1] = o[2] = 255;
            continue;
        }
        float t[3] = {table[p[0]], table[p[1]], table[p[2]]};
        const float length = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
        const float scale = length > kPlantMaxLength ? kPlantMaxLength / length : 1.0f;
        for (int k = 0; k < 3; ++k) {
            const float v = std::min(1.0f, t[k] * scale) * a + (1.0f - a);
            o[k] = static_cast<uint8_t>(std::lround(v * 255.0f));
        }
    }
    return out;
}

Rgb shade(Rgb display, float factor) {
    return {srgbEncode(srgbDecode(display.r) * factor), srgbEncode(srgbDecode(display.g) * factor),
            srgbEncode(srgbDecode(display.b) * factor)};
}

Rgb blend(Rgb a, Rgb b, float t) {
    auto m = [t](float x, float y) { return srgbEncode(srgbDecode(x) + (srgbDecode(y) - srgbDecode(x)) * t); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Rgb vary(Rng& rng, Rgb display, float amount) {
    const float brightness = 1.0f + rng.uniform(-amount, amount);
    const float warm = rng.uniform(-amount, amount) * 0.5f;
    Rgb c = shade(display, brightness);
    c.r = clamp01(c.r * (1.0f + warm));
    c.b = clamp01(c.b * (1.0f - warm));
    return c;
}

std::vector<Point> growLine(Rng& rng, Point start, double angle, double length, int steps, double jitter, double bend,
                            double gravity) {
    std::vector<Point> line{start};
    const double step = length / steps;
    Point p = start;
    double dx = std::cos(angle), dy = std::sin(angle);
    for (int i = 0; i < steps; ++i) {
        const double turn = rng.uniform(static_cast<float>(-jitter), static_cast<float>(jitter)) + bend;
        const double c = std::cos(turn), s = std::sin(turn);
        const double nx = dx * c - dy * s, ny = dx * s + dy * c;
        dx = nx;
        dy = ny + gravity;
        const double len = std::sqrt(dx * dx + dy * dy);
        dx /= len;
        dy /= len;
        p = {p.x + dx * step, p.y + dy * step};
        line.push_back(p);
    }
    return line;
}

Point along(const std::vector<Point>& line, double t) {
    if (line.size() == 1) return line[0];
    const double f = std::clamp(t, 0.0, 1.0) * static_cast<double>(line.size() - 1);
    const size_t i = std::min(static_cast<size_t>(f), line.size() - 2);
    const double k = f - static_cast<double>(i);
    return {line[i].x + (line[i + 1].x - line[i].x) * k, line[i].y + (line[i + 1].y - line[i].y) * k};
}

double headingAt(const std::vector<Point>& line, double t) {
    const double f = std::clamp(t, 0.0, 1.0) * static_cast<double>(line.size() - 1);
    const size_t i = std::min(static_cast<size_t>(f), line.size() - 2);
    return std::atan2(line[i + 1].y - line[i].y, line[i + 1].x - line[i].x);
}

void fillWith(cairo_t* cr, Rgb c, double alpha) {
    paint(cr, c, alpha);
    cairo_fill(cr);
}

void ellipsePath(cairo_t* cr, double x, double y, double rx, double ry, double angle) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    cairo_scale(cr, std::max(rx, 1e-3), std::max(ry, 1e-3));
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
}

void drawLimb(cairo_t* cr, const std::vector<Point>& spine, double w0, double w1, Rgb colour, float contrast) {
    if (spine.size() < 2) return;
    // Bands from the shaded edge toward the lit one: each band is a narrower strip
    // shifted toward the light side of the limb (the left of a limb pointing up).
    struct Band {
        double shift, scale;
        float light;
    };
    const Band bands[] = {{0.0, 1.0, 1.0f - contrast}, {-0.12, 0.78, 1.0f}, {-0.3, 0.4, 1.0f + contrast * 0.8f}};
    for (const Band& b : bands) {
        std::vector<Point> shifted(spine.size());
        for (size_t i = 0; i < spine.size(); ++i) {
            const double t = static_cast<double>(i) / static_cast<double>(spine.size() - 1);
            const double w = w0 + (w1 - w0) * t;
            const Point a = spine[i == 0 ? 0 : i - 1], c = spine[i + 1 < spine.size() ? i + 1 : i];
            double dx = c.x - a.x, dy = c.y - a.y;
            const double len = std::max(1e-9, std::hypot(dx, dy));
            dx /= len;
            dy /= len;
            // Normal pointing to the upper left whichever way the limb runs.
            double nx = dy, ny = -dx;
            if (nx + ny > 0) {
                nx = -nx;
                ny = -ny;
            }
            shifted[i] = {spine[i].x - nx * w * b.shift, spine[i].y - ny * w * b.shift};
        }
        stripPath(cr, shifted, [&](double t) { return (w0 + (w1 - w0) * t) * b.scale; });
        fillWith(cr, shade(colour, b.light));
    }
}

void leafPath(cairo_t* cr, double x, double y, double angle, double length, double width) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    const double l = length * 0.5, w = width * 0.5;
    cairo_move_to(cr, -l, 0);
    cairo_curve_to(cr, -l * 0.55, -w * 1.25, l * 0.35, -w * 1.15, l, 0);
    cairo_curve_to(cr, l * 0.35, w * 1.15, -l * 0.55, w * 1.25, -l, 0);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void roundLeafPath(cairo_t* cr, double x, double y, double angle, double radius, int teeth, double toothDepth) {
    const int n = std::max(12, teeth * 4);
    for (int i = 0; i <= n; ++i) {
        const double a = 2 * kPi * i / n;
        const double tooth = teeth > 0 ? toothDepth * std::pow(std::abs(std::sin(a * teeth * 0.5)), 0.6) : 0.0;
        // Slightly egg-shaped: wider toward the tip (angle direction).
        const double r = radius * (1.0 - tooth) * (1.0 + 0.12 * std::cos(a));
        const double px = std::cos(a) * r * 1.05, py = std::sin(a) * r * 0.92;
        const double rx = x + px * std::cos(angle) - py * std::sin(angle);
        const double ry = y + px * std::sin(angle) + py * std::cos(angle);
        if (i == 0) cairo_move_to(cr, rx, ry); else cairo_line_to(cr, rx, ry);
    }
    cairo_close_path(cr);
}

}  // namespace tolmero::images
