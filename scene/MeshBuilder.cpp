#include "scene/MeshBuilder.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace tolmero::mesh {

float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

float length(Vec3 a) { return std::sqrt(dot(a, a)); }

Vec3 normalize(Vec3 a) {
    const float l = length(a);
    return l > 0.0f ? a * (1.0f / l) : a;
}

Vec3 lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }

int PartMesh::beginPiece() {
    ++piece_;
    pieceFirstTriangle_ = triangles_.size();
    return piece_;
}

void PartMesh::endPiece(bool closed) {
    if (!closed) return;
    // Turn a closed piece outward: its signed volume must be positive.
    double volume = 0.0;
    for (std::size_t i = pieceFirstTriangle_; i < triangles_.size(); ++i) {
        const Triangle& t = triangles_[i];
        volume += dot(positions_[t.a], cross(positions_[t.b], positions_[t.c]));
    }
    if (volume < 0.0)
        for (std::size_t i = pieceFirstTriangle_; i < triangles_.size(); ++i)
            std::swap(triangles_[i].b, triangles_[i].c);
}

std::uint32_t PartMesh::addVertex(Vec3 p) {
    positions_.push_back(p);
    return static_cast<std::uint32_t>(positions_.size() - 1);
}

void PartMesh::addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    triangles_.push_back({a, b, c, piece_});
}

void PartMesh::faceAwayFrom(Vec3 inside) {
    for (std::size_t i = pieceFirstTriangle_; i < triangles_.size(); ++i) {
        Triangle& t = triangles_[i];
        const Vec3 a = positions_[t.a], b = positions_[t.b], c = positions_[t.c];
        const Vec3 centre = (a + b + c) * (1.0f / 3.0f);
        if (dot(cross(b - a, c - a), centre - inside) < 0.0f) std::swap(t.b, t.c);
    }
}

namespace {

struct NormalGroup {
    std::vector<std::size_t> triangles;
    Vec3 weightedSum;  // sum of area x unit normal
    double area = 0.0;
    Vec3 direction() const { return normalize(weightedSum); }
};

}  // namespace

void PartMesh::groupNormals(int normalBudget, std::vector<Vec3>& normals,
                            std::vector<std::uint32_t>& triangleNormal) const {
    if (normalBudget < 1) throw std::invalid_argument("a part needs at least one normal");
    std::vector<Vec3> faceNormal(triangles_.size());
    std::vector<double> faceArea(triangles_.size());
    for (std::size_t i = 0; i < triangles_.size(); ++i) {
        const Triangle& t = triangles_[i];
        const Vec3 n = cross(positions_[t.b] - positions_[t.a], positions_[t.c] - positions_[t.a]);
        faceArea[i] = 0.5 * length(n);
        faceNormal[i] = normalize(n);
    }

    // Faces of one piece that face the same way share a normal from the start.
    std::vector<NormalGroup> groups;
    for (std::size_t i = 0; i < triangles_.size(); ++i) {
        NormalGroup* match = nullptr;
        for (NormalGroup& g : groups) {
            const std::size_t first = g.triangles.front();
            if (triangles_[first].piece == triangles_[i].piece && dot(faceNormal[first], faceNormal[i]) > 0.99999f) {
                match = &g;
                break;
            }
        }
        if (!match) match = &groups.emplace_back();
        match->triangles.push_back(i);
        match->weightedSum = match->weightedSum + faceNormal[i] * static_cast<float>(faceArea[i]);
        match->area += faceArea[i];
    }

    // Merge the pair whose merge bends the least surface the least: the
    // angle cost weighted by the smaller group's area.
    while (static_cast<int>(groups.size()) > normalBudget) {
        std::size_t bestA = 0, bestB = 1;
        double bestCost = 1e300;
        for (std::size_t a = 0; a < groups.size(); ++a) {
            const Vec3 da = groups[a].direction();
            for (std::size_t b = a + 1; b < groups.size(); ++b) {
                const double cost =
                    (1.0 - dot(da, groups[b].direction())) * std::min(groups[a].area, groups[b].area);
                if (cost < bestCost) {
                    bestCost = cost;
                    bestA = a;
                    bestB = b;
                }
            }
        }
        NormalGroup& into = groups[bestA];
        NormalGroup& from = groups[bestB];
        into.triangles.insert(into.triangles.end(), from.triangles.begin(), from.triangles.end());
        std::sort(into.triangles.begin(), into.triangles.end());
        into.weightedSum = into.weightedSum + from.weightedSum;
        into.area += from.area;
        groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(bestB));
    }

    // Too few distinct directions: split the groups with the most faces.
    while (static_cast<int>(groups.size()) < normalBudget) {
        auto largest = std::max_element(groups.begin(), groups.end(), [](const NormalGroup& a, const NormalGroup& b) {
            return a.triangles.size() < b.triangles.size();
        });
        if (largest->triangles.size() < 2)
            throw std::invalid_argument("more normals than faces in a part");
        NormalGroup second;
        const std::size_t half = largest->triangles.size() / 2;
        second.triangles.assign(largest->triangles.begin() + static_cast<std::ptrdiff_t>(half),
                                largest->triangles.end());
        largest->triangles.resize(half);
        for (NormalGroup* g : {&*largest, &second}) {
            g->weightedSum = {};
            g->area = 0.0;
            for (std::size_t i : g->triangles) {
                g->weightedSum = g->weightedSum + faceNormal[i] * static_cast<float>(faceArea[i]);
                g->area += faceArea[i];
            }
        }
        groups.push_back(std::move(second));
    }

    // Number the normals in the order the faces first use them.
    std::vector<int> groupOfTriangle(triangles_.size());
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (std::size_t i : groups[g].triangles) groupOfTriangle[i] = static_cast<int>(g);
    std::vector<int> number(groups.size(), -1);
    normals.clear();
    triangleNormal.assign(triangles_.size(), 0);
    for (std::size_t i = 0; i < triangles_.size(); ++i) {
        const int g = groupOfTriangle[i];
        if (number[g] < 0) {
            number[g] = static_cast<int>(normals.size());
            normals.push_back(groups[g].direction());
        }
        triangleNormal[i] = static_cast<std::uint32_t>(number[g]);
    }
}

namespace {

std::vector<std::uint32_t> addRing(PartMesh& part, const Ring& ring) {
    std::vector<std::uint32_t> indices;
    for (const Vec3& p : ring) indices.push_back(part.addVertex(p));
    return indices;
}

// Triangles between two rings of any sizes, walking both around in step.
// A ring of one point is a pole: a fan.
void strip(PartMesh& part, const std::vector<std::uint32_t>& r0, const std::vector<std::uint32_t>& r1) {
    const std::size_t n0 = r0.size(), n1 = r1.size();
    std::size_t i = 0, j = 0;
    while (i < n0 || j < n1) {
        // Advance the ring whose next point comes first around the loop.
        const bool advanceFirst =
            n1 == 1 || (n0 > 1 && i < n0 && (j >= n1 || (i + 1) * n1 <= (j + 1) * n0));
        if (advanceFirst) {
            part.addTriangle(r0[i % n0], r0[(i + 1) % n0], r1[j % n1]);
            ++i;
        } else {
            part.addTriangle(r0[i % n0], r1[(j + 1) % n1], r1[j % n1]);
            ++j;
        }
        if (n0 == 1) i = n0;
        if (n1 == 1) j = n1;
    }
}

}  // namespace

void fillPolygon(PartMesh& part, const std::vector<std::uint32_t>& polygon) {
    const std::vector<Vec3>& positions = part.positions();
    Vec3 normal;  // Newell's normal of the polygon in its order
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Vec3 a = positions[polygon[i]], b = positions[polygon[(i + 1) % polygon.size()]];
        normal = normal + Vec3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
    }
    normal = normalize(normal);
    const Vec3 helper = std::fabs(normal.x) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
    const Vec3 u = normalize(cross(helper, normal));
    const Vec3 v = cross(normal, u);
    struct Point2 {
        float x, y;
    };
    auto flat = [&](std::uint32_t index) {
        const Vec3 p = positions[index];
        return Point2{dot(p, u), dot(p, v)};
    };
    auto turn = [](Point2 a, Point2 b, Point2 c) { return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x); };

    std::vector<std::uint32_t> rest = polygon;
    while (rest.size() > 3) {
        bool clipped = false;
        for (std::size_t k = 0; k < rest.size() && !clipped; ++k) {
            const std::size_t prev = (k + rest.size() - 1) % rest.size(), next = (k + 1) % rest.size();
            const Point2 a = flat(rest[prev]), b = flat(rest[k]), c = flat(rest[next]);
            if (turn(a, b, c) <= 1e-9f) continue;  // reflex or flat corner
            bool empty = true;
            for (std::size_t m = 0; m < rest.size() && empty; ++m) {
                if (m == prev || m == k || m == next) continue;
                const Point2 p = flat(rest[m]);
                empty = !(turn(a, b, p) >= 0 && turn(b, c, p) >= 0 && turn(c, a, p) >= 0);
            }
            if (!empty) continue;
            part.addTriangle(rest[prev], rest[k], rest[next]);
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(k));
            clipped = true;
        }
        if (!clipped) throw std::logic_error("cap polygon cannot be triangulated");
    }
    part.addTriangle(rest[0], rest[1], rest[2]);
}

void loft(PartMesh& part, const std::vector<Ring>& rings) {
    if (rings.size() < 2) throw std::invalid_argument("a loft needs two rings");
    part.beginPiece();
    std::vector<std::vector<std::uint32_t>> indices;
    for (const Ring& ring : rings) indices.push_back(addRing(part, ring));
    // Start cap against the strips' direction, end cap along it.
    if (indices.front().size() > 1) {
        std::vector<std::uint32_t> reversed(indices.front().rbegin(), indices.front().rend());
        fillPolygon(part, reversed);
    }
    for (std::size_t r = 0; r + 1 < indices.size(); ++r) strip(part, indices[r], indices[r + 1]);
    if (indices.back().size() > 1) fillPolygon(part, indices.back());
    part.endPiece(true);
}

void hexahedron(PartMesh& part, const Ring& bottom, const Ring& top) { loft(part, {bottom, top}); }

void box(PartMesh& part, Vec3 lo, Vec3 hi) {
    hexahedron(part, {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z}},
               {{lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}});
}

Ring circle(Vec3 centre, Vec3 axis, float radius, int sides, float phase) {
    axis = normalize(axis);
    const Vec3 helper = std::fabs(axis.z) < 0.9f ? Vec3{0, 0, 1} : Vec3{1, 0, 0};
    const Vec3 u = normalize(cross(axis, helper));
    const Vec3 v = cross(axis, u);
    Ring ring;
    for (int i = 0; i < sides; ++i) {
        const float angle = phase + 6.2831853f * static_cast<float>(i) / static_cast<float>(sides);
        ring.push_back(centre + u * (radius * std::cos(angle)) + v * (radius * std::sin(angle)));
    }
    return ring;
}

void cylinder(PartMesh& part, Vec3 a, Vec3 b, float radius, int sides, CapStyle caps, float phase) {
    const Vec3 axis = b - a;
    std::vector<Ring> rings;
    if (caps != CapStyle::Flat) rings.push_back({a});
    rings.push_back(circle(a, axis, radius, sides, phase));
    rings.push_back(circle(b, axis, radius, sides, phase));
    if (caps == CapStyle::Centres) rings.push_back({b});
    loft(part, rings);
}

void sweep(PartMesh& part, const std::vector<Vec3>& path, Vec3 planeNormal, float halfWidth, float halfDepth,
           bool closedLoop) {
    const std::size_t k = path.size();
    if (k < (closedLoop ? 3u : 2u)) throw std::invalid_argument("a sweep needs more path points");
    planeNormal = normalize(planeNormal);
    auto side = [&](Vec3 from, Vec3 to) { return normalize(cross(to - from, planeNormal)); };
    std::vector<Ring> rings;
    for (std::size_t i = 0; i < k; ++i) {
        const bool hasPrev = closedLoop || i > 0, hasNext = closedLoop || i + 1 < k;
        const Vec3 prevSide = hasPrev ? side(path[(i + k - 1) % k], path[i]) : Vec3{};
        const Vec3 nextSide = hasNext ? side(path[i], path[(i + 1) % k]) : Vec3{};
        Vec3 offset = normalize(prevSide + nextSide);
        const float mitre = dot(offset, hasPrev ? prevSide : nextSide);
        offset = offset * (halfWidth / mitre);
        const Vec3 depth = planeNormal * halfDepth;
        rings.push_back({path[i] + offset + depth, path[i] - offset + depth, path[i] - offset - depth,
                         path[i] + offset - depth});
    }
    if (!closedLoop) {
        loft(part, rings);
        return;
    }
    // A loop: strips all the way round and no caps.
    part.beginPiece();
    std::vector<std::vector<std::uint32_t>> indices;
    for (const Ring& ring : rings) indices.push_back(addRing(part, ring));
    for (std::size_t i = 0; i < k; ++i) strip(part, indices[i], indices[(i + 1) % k]);
    part.endPiece(true);
}

void tetrahedron(PartMesh& part, Vec3 a, Vec3 b, Vec3 c, Vec3 d) { loft(part, {{a, b, c}, {d}}); }

Ring sectionY(float y, float cx, float cz, float hx, float hz, float ch) {
    return {{cx - hx + ch, y, cz - hz}, {cx + hx - ch, y, cz - hz}, {cx + hx, y, cz - hz + ch},
            {cx + hx, y, cz + hz - ch}, {cx + hx - ch, y, cz + hz}, {cx - hx + ch, y, cz + hz},
            {cx - hx, y, cz + hz - ch}, {cx - hx, y, cz - hz + ch}};
}

Ring sectionZ(float z, float cx, float cy, float hx, float hy, float ch) {
    return {{cx - hx + ch, cy - hy, z}, {cx + hx - ch, cy - hy, z}, {cx + hx, cy - hy + ch, z},
            {cx + hx, cy + hy - ch, z}, {cx + hx - ch, cy + hy, z}, {cx - hx + ch, cy + hy, z},
            {cx - hx, cy + hy - ch, z}, {cx - hx, cy - hy + ch, z}};
}

}  // namespace tolmero::mesh
