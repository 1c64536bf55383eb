#pragma once
// Shared tools of the tree painters: branches are grown in a shallow 3D space (image x,
// image y downward, depth z toward the viewer) and drawn by orthographic projection,
// back to front; foliage is lit as a soft volume by a sun from the upper left front.
#include <cmath>
#include <vector>

#include "PlantKit.h"

namespace tolmero::images {

struct Vec3 {
    double x, y, z;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalize(Vec3 a) { return a * (1.0 / std::max(1e-12, length(a))); }
inline Point project(Vec3 a) { return {a.x, a.y}; }

// Direction toward the sun: up, to the left and toward the viewer.
inline Vec3 sunDirection() { return normalize({-0.45, -0.7, 0.55}); }

// A direction at azimuth (around the vertical axis, 0 = to the right, pi/2 = toward
// the viewer) and elevation (up positive).
Vec3 direction(double azimuth, double elevation);

// A branch grown step by step: each step turns by a random jitter and sags by gravity
// (positive pulls down); lift bends it upward.
std::vector<Vec3> growBranch(Rng& rng, Vec3 start, Vec3 dir, double length, int steps, double jitter, double gravity);
Vec3 along3(const std::vector<Vec3>& line, double t);
std::vector<Point> projectLine(const std::vector<Vec3>& line);

// Light of a point in an ellipsoidal crown: sunlit on the side facing the sun, darker
// inside (leaves shaded by leaves) and underneath.
struct CrownVolume {
    Vec3 centre;
    Vec3 radius;
    float ambient = 0.35f;
    float light(Vec3 p) const;
};

// A leaf or needle spray to be drawn in depth order.
struct FoliageMark {
    Vec3 at;
    double angle;
    double length, width;
    Rgb colour;
};
void sortByDepth(std::vector<FoliageMark>& marks);
// Draws leaves (pointed ellipses) with a faint lighter half for the midrib fold.
void drawLeafMarks(cairo_t* cr, const std::vector<FoliageMark>& marks, size_t from, size_t to);

}  // namespace tolmero::images
