#pragma once
// A small toolkit for modelling the machines' rigid parts in code: closed
// lofts through cross-sections, boxes, cylinders, square tubes swept along a
// path, tetrahedra and hand-made faces. A part collects its positions and
// triangles and, when finished, groups its flat face normals into exactly the
// number of normals the part may use.
//
// Triangles are counter-clockwise seen from outside. Closed pieces are turned
// outward automatically; open pieces keep the winding they were given.

#include <cstdint>
#include <vector>

namespace tolmero::mesh {

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
float dot(Vec3 a, Vec3 b);
Vec3 cross(Vec3 a, Vec3 b);
float length(Vec3 a);
Vec3 normalize(Vec3 a);
Vec3 lerp(Vec3 a, Vec3 b, float t);

using Ring = std::vector<Vec3>;

struct Triangle {
    std::uint32_t a = 0, b = 0, c = 0;  // part-local position indices
    int piece = 0;                       // the primitive that made it
};

// One rigid part under construction.
class PartMesh {
public:
    // A primitive's vertices and faces; closed pieces are turned outward.
    int beginPiece();
    void endPiece(bool closed);

    std::uint32_t addVertex(Vec3 p);
    void addTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c);
    // For open pieces: turns every triangle of the current piece so that it
    // faces away from `inside`.
    void faceAwayFrom(Vec3 inside);

    const std::vector<Vec3>& positions() const { return positions_; }
    const std::vector<Triangle>& triangles() const { return triangles_; }

    // Flat normals shared per group of faces: faces of one piece facing the
    // same way share a normal, and the closest groups (by direction) merge
    // until `normalBudget` remain; with fewer groups than the budget the
    // largest groups split. Each group's normal is the area-weighted mean of
    // its faces' normals. Result: per triangle, an index into `normals`.
    void groupNormals(int normalBudget, std::vector<Vec3>& normals,
                      std::vector<std::uint32_t>& triangleNormal) const;

private:
    std::vector<Vec3> positions_;
    std::vector<Triangle> triangles_;
    int piece_ = -1;
    std::size_t pieceFirstTriangle_ = 0;
};

// Triangulates a planar polygon given by part indices, in order, by ear
// clipping (it may be concave); the triangles turn the same way as the
// polygon. Adds to the current piece.
void fillPolygon(PartMesh& part, const std::vector<std::uint32_t>& polygon);

// The primitives. Each is one piece.

// Closed loft through rings of points (any sizes, at least 3 each except
// that a first or last ring of one point is a pole): strips between
// consecutive rings, ends capped (polygon caps are triangulated by ear
// clipping, so they may be concave).
void loft(PartMesh& part, const std::vector<Ring>& rings);

// Box between two opposite corners (8 positions, 12 triangles).
void box(PartMesh& part, Vec3 minCorner, Vec3 maxCorner);

// Box with arbitrary corners: the bottom four, then the top four, each in the
// same rotational order.
void hexahedron(PartMesh& part, const Ring& bottom, const Ring& top);

enum class CapStyle {
    Flat,       // polygon caps: 2n positions, 4n - 4 triangles
    OneCentre,  // a centre point at the end: 2n + 1 positions, 4n - 2 triangles
    Centres,    // centre points at both ends: 2n + 2 positions, 4n triangles
};

// Cylinder of n sides from a to b; `phase` turns the polygon (radians).
void cylinder(PartMesh& part, Vec3 a, Vec3 b, float radius, int sides, CapStyle caps, float phase = 0.0f);

// A regular polygon of n points around `centre` in the plane perpendicular
// to `axis`.
Ring circle(Vec3 centre, Vec3 axis, float radius, int sides, float phase = 0.0f);

// A square tube of half-sizes (halfWidth across the path in the plane,
// halfDepth along `planeNormal`) swept along a path lying in a plane: closed
// (a loop, no caps: a ring-shaped piece) or open (capped ends). Corners are
// mitred so that the tube keeps its width.
void sweep(PartMesh& part, const std::vector<Vec3>& path, Vec3 planeNormal, float halfWidth, float halfDepth,
           bool closedLoop);

void tetrahedron(PartMesh& part, Vec3 a, Vec3 b, Vec3 c, Vec3 d);

// Rounded rectangle (corners cut once: 8 points) in a plane of constant y,
// centred at (cx, cz), counter-clockwise seen from +y.
Ring sectionY(float y, float cx, float cz, float halfX, float halfZ, float chamfer);
// The same in a plane of constant z, centred at (cx, cy).
Ring sectionZ(float z, float cx, float cy, float halfX, float halfY, float chamfer);

}  // namespace tolmero::mesh
