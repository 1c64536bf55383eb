// The machines' constant mesh tables: the sizes and layout the machine
// programs rely on, and models that sit where the rig puts them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "render/ResourceTable.h"
#include "scene/Characters.h"
#include "scene/MachineMeshes.h"
#include "scene/Stumps.h"
#include "scene/Vegetation.h"

namespace {

using namespace tolmero;

struct Range {
    std::uint32_t first = ~0u, last = 0;
    void add(std::uint32_t i) {
        first = std::min(first, i);
        last = std::max(last, i);
    }
};

TEST(MachineMeshes, PartsFollowEachOtherInContiguousRuns) {
    const MachineMeshes& meshes = machineMeshes();
    ASSERT_EQ(meshes.positions.size(), std::size_t{kMachinePositionCount});
    ASSERT_EQ(meshes.normals.size(), std::size_t{kMachineNormalCount});
    ASSERT_EQ(meshes.vertexIndex.size(), std::size_t{kMachineFaceCount});
    ASSERT_EQ(meshes.normalIndex.size(), std::size_t{kMachineFaceCount});
    ASSERT_EQ(meshes.transformIndex.size(), std::size_t{kMachineFaceCount});

    std::uint32_t face = 0, positionBase = 0, normalBase = 0;
    for (int part = 0; part < MachineRig::kPartCount; ++part) {
        const MachinePartSize& size = kMachinePartSizes[part];
        SCOPED_TRACE(std::string(size.part));
        EXPECT_EQ(MachineRig::transformIndex(size.part), part);
        Range positions, normals;
        std::set<std::uint32_t> usedPositions, usedNormals;
        for (int f = 0; f < size.faces; ++f, ++face) {
            ASSERT_EQ(meshes.transformIndex[face], static_cast<std::uint32_t>(part)) << "face " << face;
            const FaceIndices& p = meshes.vertexIndex[face];
            const FaceIndices& n = meshes.normalIndex[face];
            for (std::uint32_t i : {p.first, p.second, p.third}) {
                positions.add(i);
                usedPositions.insert(i);
            }
            for (std::uint32_t i : {n.first, n.second, n.third}) {
                normals.add(i);
                usedNormals.insert(i);
            }
            EXPECT_TRUE(p.first != p.second && p.second != p.third && p.first != p.third) << "face " << face;
        }
        // Each part uses exactly its own range of positions and of normals,
        // every entry of it, right after the previous part's.
        EXPECT_EQ(positions.first, positionBase);
        EXPECT_EQ(positions.last + 1, positionBase + size.positions);
        EXPECT_EQ(usedPositions.size(), std::size_t(size.positions));
        EXPECT_EQ(normals.first, normalBase);
        EXPECT_EQ(normals.last + 1, normalBase + size.normals);
        EXPECT_EQ(usedNormals.size(), std::size_t(size.normals));
        positionBase += size.positions;
        normalBase += size.normals;
    }
    EXPECT_EQ(positionBase, std::uint32_t{kMachinePositionCount});
    EXPECT_EQ(normalBase, std::uint32_t{kMachineNormalCount});
}

float dot(const Float3& a, const Float3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Float3 minus(const Float3& a, const Float3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Float3 cross(const Float3& a, const Float3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

TEST(MachineMeshes, FlatNormalsFaceTheWayTheirFacesDo) {
    const MachineMeshes& meshes = machineMeshes();
    std::size_t close = 0;
    for (const Float3& n : meshes.normals) EXPECT_NEAR(dot(n, n), 1.0f, 1e-4f);
    for (std::size_t f = 0; f < meshes.vertexIndex.size(); ++f) {
        const FaceIndices& p = meshes.vertexIndex[f];
        const Float3 a = meshes.positions[p.first], b = meshes.positions[p.second], c = meshes.positions[p.third];
        Float3 geometric = cross(minus(b, a), minus(c, a));
        const float length = std::sqrt(dot(geometric, geometric));
        ASSERT_GT(length, 0.0f) << "degenerate face " << f;
        geometric = {geometric.x / length, geometric.y / length, geometric.z / length};
        const FaceIndices& n = meshes.normalIndex[f];
        EXPECT_TRUE(n.first == n.second && n.second == n.third) << "face " << f;
        const float agreement = dot(geometric, meshes.normals[n.first]);
        EXPECT_GT(agreement, 0.0f) << "face " << f << " of part " << meshes.transformIndex[f];
        close += agreement > 0.9f;
    }
    // Shared normals bend a few faces' shading, not most.
    EXPECT_GT(close, meshes.vertexIndex.size() * 8 / 10);
}

// The positions of one part, moved by the rig's transform at rest.
std::vector<Float3> partAtRest(const MachineMeshes& meshes, std::string_view part) {
    TrackSet none;
    MachineRig rig;
    rig.update(none, 0.0f);
    const int index = MachineRig::transformIndex(part);
    const Matrix4& m = rig.transforms()[index];
    std::uint32_t first = 0;
    for (int p = 0; p < index; ++p) first += static_cast<std::uint32_t>(kMachinePartSizes[p].positions);
    std::vector<Float3> world;
    for (int i = 0; i < kMachinePartSizes[index].positions; ++i) {
        const Float3& v = meshes.positions[first + i];
        world.push_back({v.x + m.m[12], v.y + m.m[13], v.z + m.m[14]});
    }
    return world;
}

TEST(MachineMeshes, TyresTurnAboutTheirOwnAxleAndStandOnTheGround) {
    const MachineMeshes& meshes = machineMeshes();
    for (const MachinePartSize& size : kMachinePartSizes) {
        const std::string_view name = size.part;
        if (name.find("renkaat") == std::string_view::npos) continue;
        SCOPED_TRACE(std::string(name));
        const bool excavator = name.starts_with("kaivuri");
        const float inner = excavator ? 1.483f : 0.838f, outer = excavator ? 2.483f : 1.838f;
        std::uint32_t first = 0;
        for (int p = 0; p < MachineRig::transformIndex(name); ++p)
            first += static_cast<std::uint32_t>(kMachinePartSizes[p].positions);
        float radius = 0.0f, lowest = 1e9f;
        for (int i = 0; i < size.positions; ++i) {
            const Float3& v = meshes.positions[first + i];  // relative to the axle's pivot
            const float r = std::sqrt(v.y * v.y + v.z * v.z);
            radius = std::max(radius, r);
            EXPECT_LE(std::fabs(v.x), outer + 1e-5f);
            // Everything of tyre size lies in the wheels' span.
            if (r > 0.9f) {
                EXPECT_GE(std::fabs(v.x), inner - 1e-5f);
            }
        }
        EXPECT_NEAR(radius, 1.03f, 0.01f);
        for (const Float3& v : partAtRest(meshes, name)) lowest = std::min(lowest, v.y);
        EXPECT_NEAR(lowest, 0.0f, 0.05f) << "the tyres should touch the ground";
    }
}

TEST(MachineMeshes, MovingPartsHangOnTheirJoints) {
    // A crane or arm part turns about its pivot: some of its geometry must be
    // at the joint, within a model unit of it. (The axles are checked above.)
    const MachineMeshes& meshes = machineMeshes();
    std::uint32_t first = 0;
    for (const MachinePartSize& size : kMachinePartSizes) {
        const std::string_view name = size.part;
        if (name != "kone" && name != "kone.001" && name != "kaivuri" && name.find("renkaat") == std::string_view::npos) {
            float nearest = 1e9f;
            for (int i = 0; i < size.positions; ++i) {
                const Float3& v = meshes.positions[first + i];
                nearest = std::min(nearest, std::sqrt(dot(v, v)));
            }
            EXPECT_LT(nearest, 1.0f) << name;
        }
        first += static_cast<std::uint32_t>(size.positions);
    }
}

TEST(SpriteImageLists, NameEmbeddedImages) {
    const ResourceRegistry registry;
    std::set<std::string> names;
    for (std::string_view name : kVegetationImages) names.insert(std::string(name));
    for (std::string_view name : kStumpImages) names.insert(std::string(name));
    for (const std::string& name : characterFrameImages()) names.insert(name);
    EXPECT_EQ(names.size(), std::size_t{kVegetationTypeCount + kStumpQuadCount + kCharacterFrameCount});
    for (const std::string& name : names) EXPECT_NO_THROW(registry.resourceId(name)) << name;
}

// The stump program tells the stump (quad 0) from the twigs and seeds each
// twig's growth by its quad number, so the slices keep this order.
TEST(SpriteImageLists, StumpSlicesAreTheStumpThenTheTwigsInTheirOrder) {
    const std::vector<int> twigs = {91, 1, 2, 3, 4, 5, 6, 7, 8, 9, 93, 94, 95, 96, 97};
    ASSERT_EQ(std::size(kStumpImages), twigs.size() + 1);
    ASSERT_EQ(std::size(generated::kStumpTwigNumbers), twigs.size());
    EXPECT_EQ(kStumpImages[0], "sprites/miljoo/maasto/kanto/kanto.png");
    for (std::size_t i = 0; i < twigs.size(); ++i) {
        EXPECT_EQ(generated::kStumpTwigNumbers[i], twigs[i]) << "slice " << i + 1;
        EXPECT_EQ(kStumpImages[i + 1], "sprites/miljoo/maasto/kanto/varpu" + std::to_string(twigs[i]) + ".png");
    }
}

}  // namespace
