#include <gtest/gtest.h>

#include <cmath>

#include "scene/MachineRig.h"

namespace tolmero {
namespace {

struct Point {
    float x, y, z;
};

// Applies a column-major transform to a point.
Point apply(const Matrix4& m, Point p) {
    return {m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12],
            m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13],
            m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14]};
}

TrackSet tracksWith(std::map<std::string, Track, std::less<>> keys) { return TrackSet(std::move(keys)); }

Track single(float x, float y, float z) { return {TrackKey{0.0f, {x, y, z, 1.0f}}}; }

// Absolute pivot in rendering axes of a part, from the modelling-tool values.
Point converted(float x, float y, float z) { return {x, z, -y}; }

TEST(MachineRig, AtRestEveryPartSitsAtItsAbsolutePivot) {
    TrackSet none;
    MachineRig rig;
    rig.update(none, 0.0f);
    const struct {
        const char* part;
        Point pivot;
    } expected[] = {
        {"kone", converted(0, -3.81548071f, 3.64561248f)},
        {"renkaat.003", converted(0, 2.91851377f, 1.03138351f)},
        {"koura.004", converted(0, -2.9311502f, 6.96071148f)},
        {"koura.003", converted(0, 1.98963475f, 8.5054245f)},
        {"kaivuri_kauha.002", converted(1.41824639f, 6.32792664f, 7.38758469f)},
        {"kaivuri_renkaat.001", converted(0.425126255f, 0.153824806f, 1.03138351f)},
    };
    for (const auto& [part, pivot] : expected) {
        const Matrix4& m = rig.transforms()[MachineRig::transformIndex(part)];
        const Point origin = apply(m, {0, 0, 0});
        EXPECT_NEAR(origin.x, pivot.x, 1e-5f) << part;
        EXPECT_NEAR(origin.y, pivot.y, 1e-5f) << part;
        EXPECT_NEAR(origin.z, pivot.z, 1e-5f) << part;
        // No rotation at rest.
        EXPECT_FLOAT_EQ(m.m[0], 1.0f);
        EXPECT_FLOAT_EQ(m.m[5], 1.0f);
        EXPECT_FLOAT_EQ(m.m[10], 1.0f);
    }
}

TEST(MachineRig, RootRotationCarriesTheCraneAndTheTyres) {
    const float angle = 0.7f;
    TrackSet tracks = tracksWith({{"Kone angle", single(0, angle, 0)}});
    MachineRig rig;
    rig.update(tracks, 0.0f);
    const Point root = converted(0, -0.756755352f, 3.65992165f);
    // A child's origin turns about the root's pivot by the root's angle (Ry).
    for (const char* child : {"koura", "koura.004", "renkaat.000", "renkaat.002"}) {
        TrackSet none;
        MachineRig rest;
        rest.update(none, 0.0f);
        const Point before = apply(rest.transforms()[MachineRig::transformIndex(child)], {0, 0, 0});
        const Point after = apply(rig.transforms()[MachineRig::transformIndex(child)], {0, 0, 0});
        const float dx = before.x - root.x, dz = before.z - root.z;
        EXPECT_NEAR(after.x, root.x + dx * std::cos(angle) - dz * std::sin(angle), 1e-4f) << child;
        EXPECT_NEAR(after.z, root.z + dx * std::sin(angle) + dz * std::cos(angle), 1e-4f) << child;
        EXPECT_NEAR(after.y, before.y, 1e-5f) << child;
    }
    // The truck is another root and does not move.
    const Point truck = apply(rig.transforms()[MachineRig::transformIndex("kone")], {0, 0, 0});
    EXPECT_NEAR(truck.z, 3.81548071f, 1e-5f);
}

TEST(MachineRig, CraneJointCarriesItsDescendantsOnly) {
    TrackSet tracks = tracksWith({{"Koura 1", single(0, 1.2f, 0)}});
    TrackSet none;
    MachineRig turned, rest;
    turned.update(tracks, 0.0f);
    rest.update(none, 0.0f);
    auto origin = [](const MachineRig& rig, const char* part) {
        return apply(rig.transforms()[MachineRig::transformIndex(part)], {0, 0, 0});
    };
    for (const char* moved : {"koura.003", "koura.004", "koura.002"}) {
        const Point a = origin(turned, moved), b = origin(rest, moved);
        EXPECT_GT(std::abs(a.x - b.x) + std::abs(a.z - b.z), 1e-3f) << moved;
    }
    for (const char* still : {"kone.001", "renkaat.001", "kone", "kaivuri"}) {
        const Point a = origin(turned, still), b = origin(rest, still);
        EXPECT_NEAR(a.x, b.x, 1e-6f) << still;
        EXPECT_NEAR(a.z, b.z, 1e-6f) << still;
    }
}

TEST(MachineRig, PositionTracksAreInWorldUnitsTimesTwoHundred) {
    TrackSet tracks = tracksWith({{"Rekka pos", single(1, 0, 0)}});
    MachineRig rig;
    rig.update(tracks, 0.0f);
    const Point origin = apply(rig.transforms()[MachineRig::transformIndex("kone")], {0, 0, 0});
    EXPECT_NEAR(origin.x, 200.0f, 1e-3f);
    // Its tyres follow.
    const Point tyre = apply(rig.transforms()[MachineRig::transformIndex("renkaat.004")], {0, 0, 0});
    EXPECT_NEAR(tyre.x, 200.0f, 1e-3f);
}

TEST(MachineRig, WheelsTurnAboutTheirOwnXAxis) {
    TrackSet tracks = tracksWith({{"Renkaat 5", single(0, 1.5707963f, 0)}});
    MachineRig rig;
    rig.update(tracks, 0.0f);
    const Matrix4& m = rig.transforms()[MachineRig::transformIndex("renkaat.004")];
    const Point centre = apply(m, {0, 0, 0});
    const Point rim = apply(m, {0, 1, 0});  // one unit up from the axle turns to +z
    EXPECT_NEAR(rim.x - centre.x, 0.0f, 1e-5f);
    EXPECT_NEAR(rim.y - centre.y, 0.0f, 1e-5f);
    EXPECT_NEAR(rim.z - centre.z, 1.0f, 1e-5f);
}

TEST(MachineRig, PartTableFollowsTheMeshOrder) {
    EXPECT_EQ(MachineRig::transformIndex("renkaat.002"), 0);
    EXPECT_EQ(MachineRig::transformIndex("kone.001"), 3);
    EXPECT_EQ(MachineRig::transformIndex("kone"), 12);
    EXPECT_EQ(MachineRig::transformIndex("kaivuri"), 18);
    EXPECT_THROW(MachineRig::transformIndex("Kone"), std::out_of_range);
}

}  // namespace
}  // namespace tolmero
