#include "CharacterKit.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tolmero::images {

CharacterCanvas::CharacterCanvas() : layer_(kFrameWidth * kCharacterSupersample, kFrameHeight * kCharacterSupersample) {
    layer_.clear();
    cairo_scale(layer_.cr(), kCharacterSupersample, kCharacterSupersample);
}

std::vector<uint8_t> CharacterCanvas::frame() const {
    const int s = kCharacterSupersample;
    const std::vector<uint8_t> big = layer_.rgba8();  // unpremultiplied
    std::array<float, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = std::min(1.0f, std::pow(2.0f * kCharacterExposure * srgbDecode(i / 255.0f), 1.0f / 1.4f));
    std::vector<uint8_t> out(static_cast<size_t>(kFrameWidth) * kFrameHeight * 4, 0);
    const int bigWidth = kFrameWidth * s;
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            float coverage = 0.0f, rgb[3] = {0.0f, 0.0f, 0.0f};
            for (int dy = 0; dy < s; ++dy) {
                for (int dx = 0; dx < s; ++dx) {
                    const uint8_t* p = &big[(static_cast<size_t>(y * s + dy) * bigWidth + x * s + dx) * 4];
                    const float a = p[3] / 255.0f;
                    coverage += a;
                    for (int k = 0; k < 3; ++k) rgb[k] += table[p[k]] * a;
                }
            }
            coverage /= static_cast<float>(s * s);
            if (coverage < 0.5f) continue;
            uint8_t* o = &out[(static_cast<size_t>(y) * kFrameWidth + x) * 4];
            const float norm = 1.0f / (coverage * static_cast<float>(s * s));
            for (int k = 0; k < 3; ++k) o[k] = static_cast<uint8_t>(std::lround(std::min(1.0f, rgb[k] * norm) * 255.0f));
            o[3] = 255;
        }
    }
    return out;
}

void inkedShape(cairo_t* cr, const std::function<void()>& makePath, Rgb base, Rgb shadow, Point light, double ink) {
    cairo_new_path(cr);
    makePath();
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, ink * 2.0);
    paint(cr, inkColour());
    cairo_stroke(cr);
    celShape(cr, makePath, base, shadow, light);
}

void celShape(cairo_t* cr, const std::function<void()>& makePath, Rgb base, Rgb shadow, Point light) {
    cairo_save(cr);
    cairo_new_path(cr);
    makePath();
    cairo_clip(cr);
    paint(cr, shadow);
    cairo_paint(cr);
    cairo_translate(cr, light.x, light.y);
    cairo_new_path(cr);
    makePath();
    paint(cr, base);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_new_path(cr);
}

void capsulePath(cairo_t* cr, Point a, Point b, double w0, double w1) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = std::max(1e-6, std::hypot(dx, dy));
    const double angle = std::atan2(dy, dx);
    const double r0 = w0 * 0.5, r1 = w1 * 0.5;
    // Tangent lines between the two end circles.
    const double s = std::clamp((r0 - r1) / len, -0.99, 0.99);
    const double phi = std::acos(s);
    cairo_new_sub_path(cr);
    cairo_arc(cr, a.x, a.y, r0, angle + phi, angle + 2 * kPi - phi);
    cairo_arc(cr, b.x, b.y, r1, angle - phi, angle + phi);
    cairo_close_path(cr);
}

namespace {

void catmullRom(cairo_t* cr, const std::vector<Point>& p, bool closed) {
    const size_t n = p.size();
    if (n < 2) return;
    auto at = [&](long i) {
        if (closed) return p[static_cast<size_t>((i % static_cast<long>(n) + static_cast<long>(n)) % static_cast<long>(n))];
        return p[static_cast<size_t>(std::clamp<long>(i, 0, static_cast<long>(n) - 1))];
    };
    cairo_move_to(cr, p[0].x, p[0].y);
    const long segments = closed ? static_cast<long>(n) : static_cast<long>(n) - 1;
    for (long i = 0; i < segments; ++i) {
        const Point p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
        const Point c1 = p1 + (p2 - p0) * (1.0 / 6.0), c2 = p2 - (p3 - p1) * (1.0 / 6.0);
        cairo_curve_to(cr, c1.x, c1.y, c2.x, c2.y, p2.x, p2.y);
    }
    if (closed) cairo_close_path(cr);
}

}  // namespace

void smoothClosedPath(cairo_t* cr, const std::vector<Point>& points) { catmullRom(cr, points, true); }
void smoothOpenPath(cairo_t* cr, const std::vector<Point>& points) { catmullRom(cr, points, false); }

Point solveJoint(Point root, Point end, double l1, double l2, double bendSign) {
    const double dx = end.x - root.x, dy = end.y - root.y;
    double d = std::hypot(dx, dy);
    d = std::clamp(d, std::abs(l1 - l2) + 1e-6, l1 + l2 - 1e-6);
    // Distance along root->end to the foot of the joint, then out sideways.
    const double a = (l1 * l1 - l2 * l2 + d * d) / (2.0 * d);
    const double h = std::sqrt(std::max(0.0, l1 * l1 - a * a));
    const double ux = dx / std::max(1e-9, std::hypot(dx, dy)), uy = dy / std::max(1e-9, std::hypot(dx, dy));
    // Right of the direction (in image coordinates, y down) is (-uy, ux).
    return {root.x + ux * a - uy * h * bendSign, root.y + uy * a + ux * h * bendSign};
}

}  // namespace tolmero::images
