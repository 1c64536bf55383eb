#include "TreeKit.h"

#include <algorithm>

namespace tolmero::images {

Vec3 direction(double azimuth, double elevation) {
    return {std::cos(azimuth) * std::cos(elevation), -std::sin(elevation), std::sin(azimuth) * std::cos(elevation)};
}

std::vector<Vec3> growBranch(Rng& rng, Vec3 start, Vec3 dir, double length, int steps, double jitter, double gravity) {
    std::vector<Vec3> line{start};
    const double step = length / steps;
    Vec3 p = start;
    Vec3 d = normalize(dir);
    for (int i = 0; i < steps; ++i) {
        d = normalize(d + Vec3{rng.uniform(-1.0f, 1.0f) * jitter, rng.uniform(-1.0f, 1.0f) * jitter + gravity,
                               rng.uniform(-1.0f, 1.0f) * jitter});
        p = p + d * step;
        line.push_back(p);
    }
    return line;
}

Vec3 along3(const std::vector<Vec3>& line, double t) {
    if (line.size() == 1) return line[0];
    const double f = std::clamp(t, 0.0, 1.0) * static_cast<double>(line.size() - 1);
    const size_t i = std::min(static_cast<size_t>(f), line.size() - 2);
    const double k = f - static_cast<double>(i);
    return line[i] + (line[i + 1] - line[i]) * k;
}

std::vector<Point> projectLine(const std::vector<Vec3>& line) {
    std::vector<Point> out;
    out.reserve(line.size());
    for (const Vec3& v : line) out.push_back(project(v));
    return out;
}

float CrownVolume::light(Vec3 p) const {
    const Vec3 q{(p.x - centre.x) / radius.x, (p.y - centre.y) / radius.y, (p.z - centre.z) / radius.z};
    const double r = length(q);
    const Vec3 n = normalize(q);
    const double sun = std::max(0.0, dot(n, sunDirection()));
    // Deep inside the crown little light arrives; the underside gets only skylight
    // from the sides.
    const double depth = smoothstep(0.15f, 1.0f, static_cast<float>(r));
    const double under = 1.0 - 0.3 * smoothstep(0.2f, 0.9f, static_cast<float>(q.y));
    return static_cast<float>((ambient + (1.0 - ambient) * sun) * (0.45 + 0.55 * depth) * under);
}

void sortByDepth(std::vector<FoliageMark>& marks) {
    std::stable_sort(marks.begin(), marks.end(), [](const FoliageMark& a, const FoliageMark& b) { return a.at.z < b.at.z; });
}

void drawLeafMarks(cairo_t* cr, const std::vector<FoliageMark>& marks, size_t from, size_t to) {
    for (size_t i = from; i < to && i < marks.size(); ++i) {
        const FoliageMark& m = marks[i];
        leafPath(cr, m.at.x, m.at.y, m.angle, m.length, m.width);
        fillWith(cr, m.colour);
        if (m.length > 7.0) {
            leafPath(cr, m.at.x - std::sin(m.angle) * m.width * 0.15, m.at.y + std::cos(m.angle) * m.width * 0.15, m.angle,
                     m.length * 0.8, m.width * 0.4);
            fillWith(cr, shade(m.colour, 1.25f), 0.6);
        }
    }
}

}  // namespace tolmero::images
