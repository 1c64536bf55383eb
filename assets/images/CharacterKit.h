#pragma once
// Tools for the animation frames: a supersampled drawing surface that becomes a hard
// cut-out (alpha 0 or 255, as the character pass keeps only alpha >= 0.98), colours
// converted for the pass (it draws texel^1.4 x 0.5), and inked, cel-shaded shapes.
#include <cairo.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "PlantKit.h"

namespace tolmero::images {

// Frames are 512 x 1024; the drawing coordinates are those of the frame and the
// surface underneath has kCharacterSupersample times the resolution.
constexpr int kFrameWidth = 512;
constexpr int kFrameHeight = 1024;
constexpr int kCharacterSupersample = 3;

// The character pass draws texel^1.4 x 0.5: a painted display colour d becomes the
// texel (2 k decode(d))^(1/1.4), where k is the share of the painted brightness that
// the frame keeps (1 would need texels above 1 for light colours).
constexpr float kCharacterExposure = 0.62f;

class CharacterCanvas {
public:
    CharacterCanvas();
    cairo_t* cr() const { return layer_.cr(); }
    // 8-bit RGBA frame: a pixel is opaque when at least half of its samples are covered;
    // its colour is the mean of its covered samples, converted for the pass. Pixels
    // outside the figure are (0, 0, 0, 0).
    std::vector<uint8_t> frame() const;

private:
    CairoLayer layer_;
};

// Outline colour and width (frame pixels).
inline Rgb inkColour() { return hexColor(0x2a1c20); }
constexpr double kInk = 2.6;

// Draws the path that makePath adds as an inked, cel-shaded shape: an outline, the
// shadow colour, and the base colour over all of the shape except a crescent on the
// side away from the light (the shape moved by light, frame pixels, toward the light).
void inkedShape(cairo_t* cr, const std::function<void()>& makePath, Rgb base, Rgb shadow, Point light = {-5.0, -4.0},
                double ink = kInk);
// The same without the outline (for details inside an inked shape).
void celShape(cairo_t* cr, const std::function<void()>& makePath, Rgb base, Rgb shadow, Point light = {-5.0, -4.0});

// A rounded limb between two points as a path: a capsule tapering from w0 to w1.
void capsulePath(cairo_t* cr, Point a, Point b, double w0, double w1);
// A smooth closed path through points (Catmull-Rom converted to Bezier curves).
void smoothClosedPath(cairo_t* cr, const std::vector<Point>& points);
void smoothOpenPath(cairo_t* cr, const std::vector<Point>& points);

// Knee or elbow of a two-bone limb from root to end with bone lengths l1, l2; bendSign
// chooses the side the joint bends toward (+1 to the right of the root-to-end direction).
Point solveJoint(Point root, Point end, double l1, double l2, double bendSign);

inline Point lerp(Point a, Point b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }
inline Point rotate(Point p, double angle) {
    return {p.x * std::cos(angle) - p.y * std::sin(angle), p.x * std::sin(angle) + p.y * std::cos(angle)};
}

}  // namespace tolmero::images
