#include "PlantKit.h"

#include <algorithm>
#include <cmath>

namespace tolmero::images {

Rgb plantSafe(Rgb c) {
    const float m = std::max({c.r, c.g, c.b});
    return m > kPlantMaxChannel ? c * (kPlantMaxChannel / m) : c;
}

Rgb jitterColour(Rng& rng, Rgb c, float amount) {
    const float b = 1.0f + rng.uniform(-amount, amount);
    return plantSafe({c.r * b * (1.0f + rng.uniform(-amount, amount) * 0.4f), c.g * b,
                      c.b * b * (1.0f + rng.uniform(-amount, amount) * 0.4f)});
}

void drawLimb(cairo_t* cr, const std::vector<Point>& line, double w0, double w1, Rgb colour, double shade) {
    if (line.size() < 2) return;
    const size_t n = line.size();
    std::vector<Point> left(n), right(n);
    for (size_t i = 0; i < n; ++i) {
        const Point a = line[i == 0 ? 0 : i - 1];
        const Point b = line[i + 1 < n ? i + 1 : n - 1];
        double dx = b.x - a.x, dy = b.y - a.y;
        const double len = std::max(1e-6, std::hypot(dx, dy));
        dx /= len;
        dy /= len;
        const double w = (w0 + (w1 - w0) * static_cast<double>(i) / (n - 1)) * 0.5;
        left[i] = {line[i].x + dy * w, line[i].y - dx * w};
        right[i] = {line[i].x - dy * w, line[i].y + dx * w};
    }
    auto outline = [&](double shrinkLeft, double shrinkRight) {
        for (size_t i = 0; i < n; ++i) {
            const Point p{left[i].x + (line[i].x - left[i].x) * shrinkLeft, left[i].y + (line[i].y - left[i].y) * shrinkLeft};
            if (i == 0) cairo_move_to(cr, p.x, p.y); else cairo_line_to(cr, p.x, p.y);
        }
        for (size_t i = n; i-- > 0;) {
            cairo_line_to(cr, right[i].x + (line[i].x - right[i].x) * shrinkRight,
                          right[i].y + (line[i].y - right[i].y) * shrinkRight);
        }
        cairo_close_path(cr);
    };
    // Shaded body, then bands toward the lit side (the right side of a limb pointing up).
    // A shrink of 0 is the edge, 1 the centre line, above 1 past it toward the other edge.
    outline(0.0, 0.0);
    setColor(cr, plantSafe(colour * (1.0f - static_cast<float>(shade))));
    cairo_fill(cr);
    outline(0.6, 0.08);
    setColor(cr, plantSafe(colour));
    cairo_fill(cr);
    outline(1.3, 0.35);
    setColor(cr, plantSafe(colour * 1.15f));
    cairo_fill(cr);
}

std::vector<Point> wanderingLine(Rng& rng, Point start, double angle, double length, int steps, double jitter,
                                 double bend) {
    std::vector<Point> line{start};
    const double step = length / steps;
    Point p = start;
    for (int i = 0; i < steps; ++i) {
        angle += rng.uniform(static_cast<float>(-jitter), static_cast<float>(jitter)) + bend;
        p = {p.x + std::cos(angle) * step, p.y + std::sin(angle) * step};
        line.push_back(p);
    }
    return line;
}

void drawSmallLeaf(cairo_t* cr, double x, double y, double angle, double length, double width, Rgb colour) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    const double l = length * 0.5, w = width * 0.5;
    cairo_move_to(cr, -l, 0);
    cairo_curve_to(cr, -l * 0.5, -w * 1.2, l * 0.4, -w * 1.1, l, 0);
    cairo_curve_to(cr, l * 0.4, w * 1.1, -l * 0.5, w * 1.2, -l, 0);
    cairo_close_path(cr);
    setColor(cr, plantSafe(colour));
    cairo_fill(cr);
    cairo_restore(cr);
}

void drawNeedleTuft(cairo_t* cr, Rng& rng, double x, double y, double radius, int needles, Rgb colour,
                    double lineWidth) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, lineWidth);
    for (int i = 0; i < needles; ++i) {
        const double a = rng.uniform(0.0f, 6.2831853f);
        const double r = radius * rng.uniform(0.5f, 1.0f);
        const double start = rng.uniform(0.0f, 0.3f) * radius;
        cairo_move_to(cr, x + std::cos(a) * start, y + std::sin(a) * start);
        cairo_line_to(cr, x + std::cos(a) * r, y + std::sin(a) * r * 0.8);
        setColor(cr, jitterColour(rng, colour, 0.18f));
        cairo_stroke(cr);
    }
}

}  // namespace tolmero::images
