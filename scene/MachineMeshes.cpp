#include "scene/MachineMeshes.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "scene/MeshBuilder.h"

namespace tolmero {
namespace {

using mesh::CapStyle;
using mesh::PartMesh;
using mesh::Ring;
using mesh::Vec3;

// Everything below is modelled in the modelling axes (x to the right, y
// along the machines, z up; the ground at z = 0) at the parts' places in the
// scene at rest, in model units. The truck and the forest machine face -y,
// the excavator +y.

constexpr Vec3 kAxisX{1.0f, 0.0f, 0.0f};
constexpr Vec3 kAxisY{0.0f, 1.0f, 0.0f};
constexpr Vec3 kAxisZ{0.0f, 0.0f, 1.0f};

// A rectangle with cut corners (8 points) perpendicular to `axis`, its sides
// along x and along the direction perpendicular to both.
Ring sectionAcross(Vec3 centre, Vec3 axis, float halfX, float halfOther, float chamfer) {
    const Vec3 side = mesh::normalize(mesh::cross(axis, kAxisX));
    const float hx = halfX, ho = halfOther, c = chamfer;
    const float corners[8][2] = {{-hx + c, -ho}, {hx - c, -ho}, {hx, -ho + c}, {hx, ho - c},
                                 {hx - c, ho},   {-hx + c, ho}, {-hx, ho - c}, {-hx, -ho + c}};
    Ring ring;
    for (const auto& corner : corners) ring.push_back(centre + kAxisX * corner[0] + side * corner[1]);
    return ring;
}

// A slender box from a to b, sides along x and across; the ends may differ
// in size (a tapered beam).
void beam(PartMesh& part, Vec3 a, Vec3 b, float halfXa, float halfOa, float halfXb, float halfOb) {
    const Vec3 axis = b - a;
    const Vec3 side = mesh::normalize(mesh::cross(axis, kAxisX));
    auto ring = [&](Vec3 c, float hx, float ho) {
        return Ring{c - kAxisX * hx - side * ho, c + kAxisX * hx - side * ho, c + kAxisX * hx + side * ho,
                    c - kAxisX * hx + side * ho};
    };
    mesh::hexahedron(part, ring(a, halfXa, halfOa), ring(b, halfXb, halfOb));
}

// The cross-section of a machine's front unit in a plane of constant y: a
// narrow frame between the wheels under a wide body above them (10 points).
Ring frontSection(float y, float frameHalf, float zBottom, float zSplit, float bodyHalf, float zTop, float chamfer) {
    return {{-frameHalf, y, zBottom},          {frameHalf, y, zBottom},          {frameHalf, y, zSplit},
            {bodyHalf, y, zSplit},             {bodyHalf, y, zTop - chamfer},    {bodyHalf - chamfer, y, zTop},
            {-bodyHalf + chamfer, y, zTop},    {-bodyHalf, y, zTop - chamfer},   {-bodyHalf, y, zSplit},
            {-frameHalf, y, zSplit}};
}

// A closed square-section frame through the corners of a polygon lying in a
// plane (a window frame, a stake frame): a ring-shaped piece.
void frame(PartMesh& part, const std::vector<Vec3>& corners, Vec3 planeNormal, float halfWidth, float halfDepth) {
    mesh::sweep(part, corners, planeNormal, halfWidth, halfDepth, true);
}

// A rectangle of corners in the plane x = const, over (y, z).
std::vector<Vec3> rectangleX(float x, float y0, float y1, float z0, float z1) {
    return {{x, y0, z0}, {x, y1, z0}, {x, y1, z1}, {x, y0, z1}};
}
std::vector<Vec3> rectangleY(float y, float x0, float x1, float z0, float z1) {
    return {{x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}};
}
std::vector<Vec3> rectangleZ(float z, float x0, float x1, float y0, float y1) {
    return {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}};
}

// A cylinder that takes exactly `positions` positions (at least 7): polygon
// caps, or one or two centre points, whichever makes the count come out.
void fillerCylinder(PartMesh& part, Vec3 a, Vec3 b, float radius, int positions) {
    if (positions < 7) throw std::logic_error("machine model: too few positions left for a filler");
    if (positions % 2 == 1)
        mesh::cylinder(part, a, b, radius, (positions - 1) / 2, CapStyle::OneCentre);
    else
        mesh::cylinder(part, a, b, radius, (positions - 2) / 2, CapStyle::Centres);
}

// Two wheels on one axle as one closed surface: from the outer hub of one
// wheel over its rim, tread and inner wall, along the axle to the other wheel.
// 84 positions and 164 triangles. Wheels span |x - pivot.x| from `inner` to
// `outer`.
void tyrePair(PartMesh& part, Vec3 pivot, float inner, float outer, float radius) {
    constexpr int kTreadSides = 12;
    constexpr int kAxleSides = 5;
    auto at = [&](float side, float offset) { return pivot + kAxisX * (side * offset); };
    std::vector<Ring> rings;
    for (float side : {-1.0f, 1.0f}) {
        std::vector<Ring> wheel = {
            {at(side, outer - 0.10f)},                                                     // hub cap
            mesh::circle(at(side, outer - 0.04f), kAxisX, radius * 0.55f, kTreadSides),  // rim edge
            mesh::circle(at(side, outer), kAxisX, radius, kTreadSides),                   // outer tread edge
            mesh::circle(at(side, inner), kAxisX, radius, kTreadSides),                   // inner tread edge
            mesh::circle(at(side, inner + 0.06f), kAxisX, 0.18f, kAxleSides),            // axle leaves the wheel
        };
        if (side > 0.0f) std::reverse(wheel.begin(), wheel.end());
        rings.insert(rings.end(), wheel.begin(), wheel.end());
    }
    mesh::loft(part, rings);
}

void truckTyres(PartMesh& part, Vec3 pivot) { tyrePair(part, pivot, 0.838f, 1.838f, 1.03f); }

// The forest machine's two frames, cab and load space.
void forestMachineBody(PartMesh& part) {
    // Front unit: engine hood and cab over the front axle (y = -2.62).
    const float frameHalf = 0.7f, zBottom = 1.1f, zSplit = 2.15f;
    mesh::loft(part, {
                         frontSection(-4.55f, frameHalf - 0.1f, zBottom + 0.1f, zSplit, 0.85f, 2.8f, 0.15f),
                         frontSection(-4.45f, frameHalf, zBottom, zSplit, 0.95f, 2.9f, 0.2f),
                         frontSection(-3.4f, frameHalf, zBottom, zSplit, 0.95f, 2.9f, 0.2f),
                         frontSection(-3.3f, frameHalf, zBottom, zSplit, 1.15f, 2.95f, 0.1f),
                         frontSection(-2.95f, frameHalf, zBottom, zSplit, 1.15f, 3.66f, 0.15f),
                         frontSection(-1.2f, frameHalf, zBottom, zSplit, 1.15f, 3.66f, 0.15f),
                         frontSection(-1.1f, frameHalf, zBottom, zSplit, 1.05f, 3.56f, 0.15f),
                         frontSection(-0.95f, frameHalf - 0.15f, zBottom + 0.2f, zSplit, 0.8f, 3.0f, 0.2f),
                     });
    // Rear frame under the load space, between the bogie wheels.
    mesh::loft(part, {
                         mesh::sectionY(-0.85f, 0.0f, 1.6f, 0.4f, 0.4f, 0.1f),
                         mesh::sectionY(-0.6f, 0.0f, 1.65f, 0.55f, 0.5f, 0.12f),
                         mesh::sectionY(-0.3f, 0.0f, 1.65f, 0.7f, 0.55f, 0.15f),
                         mesh::sectionY(6.9f, 0.0f, 1.65f, 0.7f, 0.55f, 0.15f),
                         mesh::sectionY(7.2f, 0.0f, 1.7f, 0.6f, 0.45f, 0.15f),
                         mesh::sectionY(7.3f, 0.0f, 1.7f, 0.45f, 0.35f, 0.1f),
                     });
    // Load space: a gate behind the crane and four stake frames.
    frame(part, rectangleY(2.75f, -1.3f, 1.3f, 2.27f, 4.3f), kAxisY, 0.07f, 0.07f);
    frame(part, rectangleY(2.75f, -0.85f, 0.85f, 2.7f, 3.9f), kAxisY, 0.05f, 0.05f);
    for (float y : {3.6f, 4.75f, 5.9f, 7.05f})
        frame(part, rectangleY(y, -1.3f, 1.3f, 2.27f, 4.0f), kAxisY, 0.07f, 0.07f);
    // Cab windows and the roof rack, the radiator grille.
    for (float x : {-1.16f, 1.16f}) frame(part, rectangleX(x, -2.85f, -1.35f, 2.4f, 3.45f), kAxisX, 0.04f, 0.02f);
    frame(part, rectangleY(-1.09f, -0.75f, 0.75f, 2.45f, 3.35f), kAxisY, 0.04f, 0.02f);
    frame(part, rectangleZ(3.7f, -0.9f, 0.9f, -2.8f, -1.35f), kAxisZ, 0.04f, 0.04f);
    frame(part, rectangleY(-4.56f, -0.6f, 0.6f, 2.25f, 2.7f), kAxisY, 0.04f, 0.02f);
    // The crane's pedestal on the rear frame takes the positions left over.
    fillerCylinder(part, {0.0f, 1.873f, 2.0f}, {0.0f, 1.873f, 2.259f}, 0.55f,
                   355 - static_cast<int>(part.positions().size()));
}

// Crane base: turntable and the slewing column.
void craneBase(PartMesh& part) {
    mesh::cylinder(part, {0.0f, 1.873f, 2.259f}, {0.0f, 1.873f, 2.6f}, 0.5f, 8, CapStyle::Flat);
    mesh::cylinder(part, {0.0f, 2.0f, 2.6f}, {0.0f, 2.25f, 4.85f}, 0.28f, 6, CapStyle::Flat);
}

// Main boom from its foot on the column up to the second boom's joint.
void craneBoom(PartMesh& part) {
    const Vec3 foot{0.0f, 1.873f, 3.271f}, head{0.0f, 1.990f, 8.505f};
    const Vec3 axis = head - foot;
    mesh::loft(part, {
                         sectionAcross(mesh::lerp(foot, head, -0.05f), axis, 0.18f, 0.2f, 0.06f),
                         sectionAcross(mesh::lerp(foot, head, 0.05f), axis, 0.22f, 0.26f, 0.06f),
                         sectionAcross(mesh::lerp(foot, head, 0.55f), axis, 0.2f, 0.3f, 0.06f),
                         sectionAcross(mesh::lerp(foot, head, 0.96f), axis, 0.2f, 0.24f, 0.06f),
                         sectionAcross(mesh::lerp(foot, head, 1.05f), axis, 0.16f, 0.18f, 0.05f),
                     });
    mesh::cylinder(part, foot - kAxisX * 0.3f, foot + kAxisX * 0.3f, 0.12f, 5, CapStyle::Flat);
    mesh::cylinder(part, head - kAxisX * 0.3f, head + kAxisX * 0.3f, 0.12f, 5, CapStyle::Flat);
}

// Lift cylinder from the column's top toward the boom.
void craneLiftCylinder(PartMesh& part) {
    beam(part, {0.0f, 2.414f, 4.657f}, {0.0f, 1.98f, 6.4f}, 0.11f, 0.11f, 0.08f, 0.08f);
}

// Second boom, reaching forward, with its telescopic extension and the head
// that carries the grapple.
void craneSecondBoom(PartMesh& part) {
    const Vec3 root{0.0f, 1.990f, 8.505f}, tip{0.0f, -2.931f, 6.961f};
    const Vec3 axis = tip - root;
    mesh::loft(part, {
                         sectionAcross(mesh::lerp(root, tip, -0.06f), axis, 0.16f, 0.2f, 0.05f),
                         sectionAcross(mesh::lerp(root, tip, 0.04f), axis, 0.2f, 0.27f, 0.06f),
                         sectionAcross(mesh::lerp(root, tip, 0.5f), axis, 0.19f, 0.25f, 0.06f),
                         sectionAcross(mesh::lerp(root, tip, 0.72f), axis, 0.18f, 0.22f, 0.05f),
                     });
    beam(part, mesh::lerp(root, tip, 0.7f), mesh::lerp(root, tip, 1.02f), 0.12f, 0.15f, 0.12f, 0.15f);
    mesh::cylinder(part, tip - kAxisX * 0.25f, tip + kAxisX * 0.25f, 0.16f, 8, CapStyle::Flat);
}

// Rotator and grapple hanging under the second boom's tip; the jaws open
// across the machine.
void craneGrapple(PartMesh& part) {
    const float y = -2.931f;
    mesh::cylinder(part, {0.0f, y, 6.85f}, {0.0f, y, 6.35f}, 0.16f, 8, CapStyle::Flat);
    mesh::box(part, {-0.35f, y - 0.2f, 5.95f}, {0.35f, y + 0.2f, 6.35f});
    for (float side : {-1.0f, 1.0f}) {
        const std::vector<Vec3> jaw = {{side * 0.25f, y, 6.0f},
                                       {side * 0.75f, y, 5.5f},
                                       {side * 0.7f, y, 4.9f},
                                       {side * 0.3f, y, 4.5f}};
        mesh::sweep(part, jaw, kAxisY, 0.07f, 0.25f, false);
    }
    mesh::box(part, {-0.1f, y - 0.1f, 6.85f}, {0.1f, y + 0.1f, 7.05f});
}

// The timber truck: cab over the front axle (y = -1.96), frame, stakes and
// a load of three logs.
void truckBody(PartMesh& part) {
    const float frameHalf = 0.55f, zBottom = 1.05f, zSplit = 2.15f;
    mesh::loft(part, {
                         frontSection(-3.95f, frameHalf, zBottom + 0.05f, zSplit, 1.05f, 3.5f, 0.15f),
                         frontSection(-3.85f, frameHalf, zBottom, zSplit, 1.15f, 3.6f, 0.15f),
                         frontSection(-3.55f, frameHalf, zBottom, zSplit, 1.15f, 3.65f, 0.15f),
                         frontSection(-1.8f, frameHalf, zBottom, zSplit, 1.15f, 3.65f, 0.15f),
                         frontSection(-1.7f, frameHalf, zBottom, zSplit, 1.05f, 3.55f, 0.15f),
                     });
    mesh::loft(part, {mesh::sectionY(-3.9f, 0.0f, 1.3f, frameHalf, 0.25f, 0.08f),
                      mesh::sectionY(4.3f, 0.0f, 1.3f, frameHalf, 0.25f, 0.08f)});
    mesh::box(part, {-1.2f, -4.05f, 0.9f}, {1.2f, -3.85f, 1.35f});  // bumper
    mesh::box(part, {-1.2f, -0.85f, 1.2f}, {1.2f, -0.3f, 1.9f});    // toolbox between the axles
    for (const Vec3& log : {Vec3{-0.55f, 0.0f, 2.55f}, Vec3{0.55f, 0.0f, 2.55f}, Vec3{0.0f, 0.0f, 3.3f}})
        mesh::cylinder(part, {log.x, -1.25f, log.z}, {log.x, 4.6f, log.z}, log.z > 3.0f ? 0.42f : 0.45f, 8,
                       CapStyle::Centres, 0.3f);
    // Stakes, the headboard behind the cab, windows and grille.
    for (float y : {-0.6f, 1.85f, 4.0f}) frame(part, rectangleY(y, -1.3f, 1.3f, 1.95f, 3.9f), kAxisY, 0.07f, 0.07f);
    frame(part, rectangleY(-1.4f, -1.25f, 1.25f, 1.95f, 4.0f), kAxisY, 0.08f, 0.06f);
    for (float x : {-1.16f, 1.16f}) frame(part, rectangleX(x, -3.7f, -2.3f, 2.4f, 3.45f), kAxisX, 0.04f, 0.02f);
    frame(part, rectangleY(-3.96f, -0.95f, 0.95f, 2.45f, 3.35f), kAxisY, 0.05f, 0.02f);
    frame(part, rectangleY(-3.96f, -0.6f, 0.6f, 1.3f, 2.1f), kAxisY, 0.04f, 0.02f);
    // Exhaust stack behind the cab takes the positions left over.
    fillerCylinder(part, {0.95f, -1.55f, 2.2f}, {0.95f, -1.55f, 4.2f}, 0.1f,
                   278 - static_cast<int>(part.positions().size()));
}

// Excavator boom: straight up from its foot at rest.
void excavatorBoom(PartMesh& part) {
    beam(part, {1.418f, 1.235f, 2.3f}, {1.418f, 1.235f, 7.85f}, 0.25f, 0.35f, 0.22f, 0.28f);
}

// Excavator stick: forward from the boom's head to the bucket's joint.
void excavatorStick(PartMesh& part) {
    beam(part, {1.418f, 0.95f, 7.63f}, {1.418f, 6.55f, 7.38f}, 0.2f, 0.3f, 0.18f, 0.2f);
}

// Bucket: a curved shell with side plates, open toward the machine, and
// five teeth on its lip. 42 positions, 58 triangles.
void excavatorBucket(PartMesh& part) {
    const Vec3 pivot{1.418f, 6.328f, 7.388f};
    const float profile[11][2] = {{0.15f, 0.05f},  {0.35f, -0.3f},  {0.45f, -0.7f},  {0.42f, -1.1f},
                                  {0.3f, -1.45f},  {0.08f, -1.7f},  {-0.2f, -1.82f}, {-0.5f, -1.8f},
                                  {-0.78f, -1.65f}, {-0.98f, -1.4f}, {-1.1f, -1.15f}};
    const float halfWidth = 0.6f;
    part.beginPiece();
    std::vector<std::uint32_t> left, right;
    for (const auto& p : profile) left.push_back(part.addVertex(pivot + Vec3{-halfWidth, p[0], p[1]}));
    for (const auto& p : profile) right.push_back(part.addVertex(pivot + Vec3{halfWidth, p[0], p[1]}));
    for (std::size_t i = 0; i + 1 < left.size(); ++i) {
        part.addTriangle(left[i], left[i + 1], right[i + 1]);
        part.addTriangle(left[i], right[i + 1], right[i]);
    }
    mesh::fillPolygon(part, left);
    mesh::fillPolygon(part, right);
    // Faces turn away from the middle of the bucket's hollow.
    part.faceAwayFrom(pivot + Vec3{0.0f, -0.25f, -1.0f});
    part.endPiece(false);

    const Vec3 lip = pivot + Vec3{0.0f, profile[10][0], profile[10][1]};
    const Vec3 lipDirection = mesh::normalize(Vec3{0.0f, profile[10][0] - profile[9][0], profile[10][1] - profile[9][1]});
    for (int tooth = 0; tooth < 5; ++tooth) {
        const Vec3 base = lip + kAxisX * (-0.48f + 0.24f * static_cast<float>(tooth));
        mesh::tetrahedron(part, base - kAxisX * 0.08f, base + kAxisX * 0.08f, base - lipDirection * 0.05f + Vec3{0.0f, 0.1f, 0.0f},
                          base + lipDirection * 0.3f);
    }
}

void excavatorTyres(PartMesh& part, Vec3 pivot) { tyrePair(part, pivot, 1.483f, 2.483f, 1.03f); }

// Excavator body, one piece stacked from the ground up: undercarriage between
// the wheels, the slewing house, the cab at its front left.
void excavatorBody(PartMesh& part) {
    mesh::loft(part, {
                         mesh::sectionZ(0.75f, 0.425f, -1.45f, 0.75f, 2.6f, 0.2f),
                         mesh::sectionZ(1.65f, 0.425f, -1.45f, 0.75f, 2.6f, 0.2f),
                         mesh::sectionZ(1.7f, 0.4f, -1.6f, 1.6f, 2.7f, 0.3f),
                         mesh::sectionZ(3.0f, 0.4f, -1.6f, 1.6f, 2.7f, 0.3f),
                         mesh::sectionZ(3.1f, 0.4f, -1.6f, 1.5f, 2.6f, 0.3f),
                         mesh::sectionZ(3.12f, -0.5f, 0.1f, 0.65f, 0.95f, 0.1f),
                         mesh::sectionZ(4.9f, -0.5f, 0.0f, 0.62f, 0.85f, 0.1f),
                         mesh::sectionZ(5.0f, -0.5f, 0.0f, 0.55f, 0.78f, 0.1f),
                     });
    // Cab windows (front, both sides), engine cover and counterweight frames.
    frame(part, rectangleY(1.06f, -1.0f, 0.0f, 3.4f, 4.7f), kAxisY, 0.04f, 0.02f);
    frame(part, {{-1.16f, -0.75f, 3.4f}, {-1.16f, 0.85f, 3.4f}, {-1.14f, 0.8f, 4.7f}, {-1.13f, -0.3f, 4.75f},
                 {-1.14f, -0.7f, 4.5f}},
          kAxisX, 0.04f, 0.02f);
    frame(part, rectangleX(0.16f, -0.75f, 0.85f, 3.4f, 4.7f), kAxisX, 0.04f, 0.02f);
    frame(part, rectangleZ(3.14f, 0.3f, 1.8f, -4.0f, -1.2f), kAxisZ, 0.05f, 0.04f);
    frame(part, rectangleY(-4.31f, -1.0f, 1.8f, 2.0f, 2.8f), kAxisY, 0.05f, 0.02f);
}

// Converts a finished part into the shared tables: rendering axes (x, z, -y),
// relative to the part's absolute pivot, global indices.
void appendPart(MachineMeshes& meshes, const PartMesh& part, const MachinePartSize& size, int transformIndex,
                const Float3& absolutePivot) {
    const int positions = static_cast<int>(part.positions().size());
    const int faces = static_cast<int>(part.triangles().size());
    if (positions != size.positions || faces != size.faces)
        throw std::logic_error("machine model of '" + std::string(size.part) + "' has " + std::to_string(positions) +
                               " positions and " + std::to_string(faces) + " faces");
    std::vector<Vec3> normals;
    std::vector<std::uint32_t> triangleNormal;
    part.groupNormals(size.normals, normals, triangleNormal);

    const auto positionBase = static_cast<std::uint32_t>(meshes.positions.size());
    const auto normalBase = static_cast<std::uint32_t>(meshes.normals.size());
    for (const Vec3& p : part.positions())
        meshes.positions.push_back({p.x - absolutePivot.x, p.z - absolutePivot.y, -p.y - absolutePivot.z});
    for (const Vec3& n : normals) meshes.normals.push_back({n.x, n.z, -n.y});
    for (std::size_t i = 0; i < part.triangles().size(); ++i) {
        const mesh::Triangle& t = part.triangles()[i];
        meshes.vertexIndex.push_back({positionBase + t.a, positionBase + t.b, positionBase + t.c});
        const std::uint32_t n = normalBase + triangleNormal[i];
        meshes.normalIndex.push_back({n, n, n});
        meshes.transformIndex.push_back(static_cast<std::uint32_t>(transformIndex));
    }
}

MachineMeshes buildMachineMeshes() {
    // At rest every part's transform is the translation by its absolute pivot.
    TrackSet noTracks;
    MachineRig rig;
    rig.update(noTracks, 0.0f);

    MachineMeshes meshes;
    for (int index = 0; index < MachineRig::kPartCount; ++index) {
        const MachinePartSize& size = kMachinePartSizes[index];
        const Matrix4& rest = rig.transforms()[index];
        const Float3 pivot{rest.m[12], rest.m[13], rest.m[14]};
        // The pivot back in modelling axes, for the parts modelled around it.
        const Vec3 modellingPivot{pivot.x, -pivot.z, pivot.y};

        const std::string_view name = size.part;
        if (MachineRig::partName(index) != name)
            throw std::logic_error("machine part table out of the rig's order at '" + std::string(name) + "'");
        PartMesh part;
        if (name.starts_with("renkaat.")) truckTyres(part, modellingPivot);
        else if (name == "kone.001") forestMachineBody(part);
        else if (name == "koura") craneBase(part);
        else if (name == "koura.001") craneBoom(part);
        else if (name == "koura.002") craneLiftCylinder(part);
        else if (name == "koura.003") craneSecondBoom(part);
        else if (name == "koura.004") craneGrapple(part);
        else if (name == "kone") truckBody(part);
        else if (name.starts_with("kaivuri_renkaat")) excavatorTyres(part, modellingPivot);
        else if (name == "kaivuri_kauha") excavatorBoom(part);
        else if (name == "kaivuri_kauha.001") excavatorStick(part);
        else if (name == "kaivuri_kauha.002") excavatorBucket(part);
        else if (name == "kaivuri") excavatorBody(part);
        appendPart(meshes, part, size, index, pivot);
    }
    return meshes;
}

}  // namespace

const MachineMeshes& machineMeshes() {
    static const MachineMeshes meshes = buildMachineMeshes();
    return meshes;
}

}  // namespace tolmero
