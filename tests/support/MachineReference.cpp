#include "tests/support/MachineReference.h"

#include <cmath>

#include "reference/RandomReference.h"
#include "reference/VegetationReference.h"

namespace tolmero::reference {
namespace {

constexpr float kModelUnit = 0.005f;

// Corner 0 takes the triple's first entry, corner 1 its third, corner 2 its second.
std::uint32_t pick(const FaceIndices& triple, std::uint32_t corner) {
    return corner == 0 ? triple.first : (corner == 1 ? triple.third : triple.second);
}

std::array<float, 3> normalize3(std::array<float, 3> v) {
    const float l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / l, v[1] / l, v[2] / l};
}

float dot3(const std::array<float, 3>& a, const std::array<float, 3>& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

}  // namespace

MachineCornerFetch machineCornerFetch(const MachineMeshes& meshes, std::uint32_t vertex) {
    MachineCornerFetch fetch;
    fetch.face = vertex / 3;
    fetch.position = pick(meshes.vertexIndex[fetch.face], vertex % 3);
    fetch.normal = pick(meshes.normalIndex[fetch.face], vertex % 3);
    fetch.transform = meshes.transformIndex[fetch.face];
    return fetch;
}

std::array<float, 4> transformColumnVector(const Matrix4& m, const std::array<float, 4>& p) {
    std::array<float, 4> out{};
    for (int row = 0; row < 4; ++row) {
        float sum = 0.0f;
        for (int column = 0; column < 4; ++column) sum += m.m[column * 4 + row] * p[column];
        out[row] = sum;
    }
    return out;
}

namespace {

// World point (model units) and camera-space normal of a corner.
void cornerInWorld(const MachineMeshes& meshes, const std::array<Matrix4, MachineRig::kPartCount>& transforms,
                   const CameraConstant& camera, std::uint32_t vertex, std::array<float, 4>& q,
                   std::array<float, 3>& n) {
    const MachineCornerFetch fetch = machineCornerFetch(meshes, vertex);
    const Float3& p = meshes.positions[fetch.position];
    const Float3& normal = meshes.normals[fetch.normal];
    const Matrix4& m = transforms[fetch.transform];
    q = transformColumnVector(m, {p.x, p.y, p.z, 1.0f});
    const std::array<float, 4> cameraNormal =
        transformRowVector(transformColumnVector(m, {normal.x, normal.y, normal.z, 0.0f}), camera.worldToCamera);
    n = {cameraNormal[0], cameraNormal[1], cameraNormal[2]};
}

}  // namespace

MachineCorner machineSolidCorner(const MachineMeshes& meshes, const std::array<Matrix4, MachineRig::kPartCount>& transforms,
                                 const CameraConstant& camera, std::uint32_t vertex) {
    std::array<float, 4> q{};
    MachineCorner corner;
    cornerInWorld(meshes, transforms, camera, vertex, q, corner.normal);
    for (int i = 0; i < 3; ++i) q[i] *= kModelUnit;
    corner.clip = transformRowVector(transformRowVector(q, camera.worldToCamera), camera.cameraToClip);
    return corner;
}

std::array<float, 4> machineWireCorner(const MachineMeshes& meshes,
                                       const std::array<Matrix4, MachineRig::kPartCount>& transforms,
                                       const CameraConstant& camera, std::uint32_t vertex) {
    std::array<float, 4> q{};
    std::array<float, 3> n{};
    cornerInWorld(meshes, transforms, camera, vertex, q, n);
    const float displacement = std::fabs(valueNoise3(q[0], q[1], q[2])) * 0.1f + 0.004f;
    for (int i = 0; i < 3; ++i) q[i] = (q[i] + n[i] * displacement) * kModelUnit;
    return transformRowVector(transformRowVector(q, camera.worldToCamera), camera.cameraToClip);
}

std::array<float, 3> machineViewDirection(float px, float py, std::uint32_t width, std::uint32_t height,
                                          const Matrix4& clipToCamera) {
    const float sx = px / static_cast<float>(width), sy = py / static_cast<float>(height);
    const float ndcX = 2.0f * sx - 1.0f, ndcY = 2.0f * (1.0f - sy) - 1.0f;
    const std::array<float, 4> nearPoint = transformRowVector({ndcX, ndcY, 0.0f, 1.0f}, clipToCamera);
    const std::array<float, 4> farPoint = transformRowVector({ndcX, ndcY, 1.0f, 1.0f}, clipToCamera);
    std::array<float, 3> d{};
    for (int i = 0; i < 3; ++i) d[i] = farPoint[i] / farPoint[3] - nearPoint[i] / nearPoint[3];
    return normalize3(d);
}

std::array<float, 3> machineLightColour(const std::array<float, 3>& n, const std::array<float, 3>& d,
                                        const Matrix4& worldToCamera) {
    const float dn = dot3(d, n);
    const std::array<float, 3> r = {2.0f * dn * n[0] - d[0], 2.0f * dn * n[1] - d[1], 2.0f * dn * n[2] - d[2]};
    RandomState state{0xFEC2A17Bu, 0xE3FCE8AFu, 0x297A03D4u};
    std::array<float, 3> sum{};
    for (int light = 0; light < 18; ++light) {
        float u[6];
        for (float& value : u) value = unit(state.next());
        const std::array<float, 4> world = {u[0] - 0.5f, -0.2f * u[1], u[2] - 0.5f, 0.0f};
        const std::array<float, 4> camera = transformRowVector(world, worldToCamera);
        const std::array<float, 3> L = normalize3({camera[0], camera[1], camera[2]});
        const float specular = std::pow(std::max(dot3(L, r), 0.0f), 60.0f);
        const float colour[3] = {3.0f + u[3], 3.0f + u[4], 5.0f + u[5]};
        for (int c = 0; c < 3; ++c) sum[c] += specular * colour[c] / 6.0f;
    }
    for (float& c : sum) c *= 0.125f;
    return sum;
}

}  // namespace tolmero::reference
