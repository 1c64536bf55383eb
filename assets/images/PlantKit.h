#pragma once
// Painting tools for the vegetation and stump sprites. Plants are painted in display
// colours (sRGB, the colour the finished frame should show at the top of the sprite) on
// a transparent cairo layer; plantTexels converts every pixel into the texel that the
// sprite pass turns back into that colour and lays the plant over pure white, which the
// pass cuts away as background.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "common/CairoLayer.h"
#include "common/Random.h"
#include "common/Raster.h"

namespace tolmero::images {

struct Point {
    double x, y;
};
inline Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
inline Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline Point operator*(Point a, double s) { return {a.x * s, a.y * s}; }

constexpr double kPi = 3.14159265358979323846;
constexpr double kUp = -kPi / 2;  // "up" as an angle in image coordinates (y down)

// How a sprite pass turns a texel t into linear light: (gain * t)^1.4. exposure scales
// the linear light that a painted display colour should end up as.
struct SpriteResponse {
    float gain;
    float exposure;
};
constexpr SpriteResponse kGrassResponse{0.8f, 1.0f};  // grass tufts are drawn x0.8
constexpr SpriteResponse kPlantResponse{0.9f, 1.0f};  // other vegetation x0.9
constexpr SpriteResponse kStumpResponse{1.0f, 1.0f};  // the stump pass only raises to 1.4

// The sprite passes discard texels whose colour is longer than 1.4 (a grey of 0.81) as
// white background; plant texels stay below this length.
constexpr float kPlantMaxLength = 1.36f;

// The texel that the pass draws as the display colour (before any darkening toward the
// sprite's foot), shortened to kPlantMaxLength if it would be cut.
Rgb texelFor(Rgb display, SpriteResponse response);

// White rows kept below a plant's foot: the sprite passes sample with wrap-around
// addressing, so rows at the bottom edge bleed into the top of the quad, and the mip
// levels that a distant sprite uses average this many rows of the image (the small
// plants are stretched four times vertically in the vegetation array). The stump set
// is only seen close up.
constexpr double kTreeFootMargin = 32.0;
constexpr double kSmallPlantFootMargin = 16.0;
constexpr double kStumpFootMargin = 5.0;

// Pixels covered less than this by the plant count as background.
constexpr float kFaintCoverage = 0.2f;

// A transparent layer painted in display colours, converted to 8-bit RGBA texels over
// pure white (alpha 255). Partly covered pixels blend with white in texel space.
std::vector<uint8_t> plantTexels(const CairoLayer& layer, SpriteResponse response);

// Colour arithmetic on display colours, done in linear light.
Rgb shade(Rgb display, float factor);                // darker (< 1) or lighter (> 1)
Rgb blend(Rgb a, Rgb b, float t);                    // mix in linear light
Rgb vary(Rng& rng, Rgb display, float amount);       // random brightness and hue drift

// A curve grown step by step from start: each step turns by bend plus a random
// jitter, and gravity pulls the direction down (image y grows downward).
std::vector<Point> growLine(Rng& rng, Point start, double angle, double length, int steps, double jitter, double bend,
                            double gravity = 0.0);
// Position at a fraction t of a polyline's length (by vertex count).
Point along(const std::vector<Point>& line, double t);
// Direction angle of a polyline at fraction t.
double headingAt(const std::vector<Point>& line, double t);

// Adds to the path a strip along the spine whose half width at fraction s of its length
// is width(s) / 2.
template <class WidthFn>
void stripPath(cairo_t* cr, const std::vector<Point>& spine, WidthFn width);

// A tapered limb (branch, trunk, stem) with round shading: a dark side, the body and a
// lit band toward the light, which comes from the upper left.
void drawLimb(cairo_t* cr, const std::vector<Point>& spine, double w0, double w1, Rgb colour, float contrast = 0.35f);

// Leaf outlines (path only), centred at (x, y), pointing along angle.
void leafPath(cairo_t* cr, double x, double y, double angle, double length, double width);
void roundLeafPath(cairo_t* cr, double x, double y, double angle, double radius, int teeth, double toothDepth);

// Sets a solid display colour.
inline void paint(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }
void fillWith(cairo_t* cr, Rgb c, double alpha = 1.0);
void ellipsePath(cairo_t* cr, double x, double y, double rx, double ry, double angle = 0.0);

// ---- template definitions ----

template <class WidthFn>
void stripPath(cairo_t* cr, const std::vector<Point>& spine, WidthFn width) {
    const size_t n = spine.size();
    if (n < 2) return;
    std::vector<Point> left(n), right(n);
    for (size_t i = 0; i < n; ++i) {
        const Point a = spine[i == 0 ? 0 : i - 1];
        const Point b = spine[i + 1 < n ? i + 1 : n - 1];
        double dx = b.x - a.x, dy = b.y - a.y;
        const double len = std::max(1e-9, std::sqrt(dx * dx + dy * dy));
        dx /= len;
        dy /= len;
        const double w = 0.5 * width(static_cast<double>(i) / static_cast<double>(n - 1));
        left[i] = {spine[i].x + dy * w, spine[i].y - dx * w};
        right[i] = {spine[i].x - dy * w, spine[i].y + dx * w};
    }
    cairo_move_to(cr, left[0].x, left[0].y);
    for (size_t i = 1; i < n; ++i) cairo_line_to(cr, left[i].x, left[i].y);
    for (size_t i = n; i-- > 0;) cairo_line_to(cr, right[i].x, right[i].y);
    cairo_close_path(cr);
}

}  // namespace tolmero::images
