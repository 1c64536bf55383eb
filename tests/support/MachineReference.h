#pragma once
// CPU versions of the machine programs: the vertex fetch through a face's
// index triples in the emitted corner order (first, third, second), the part
// transform, the wireframe's noise push and the solid body's 18 specular
// lights.

#include <array>
#include <cstdint>

#include "app/CameraConstant.h"
#include "scene/MachineMeshes.h"

namespace tolmero::reference {

// The position and normal table entries that vertex number `vertex` uses.
struct MachineCornerFetch {
    std::uint32_t face = 0;
    std::uint32_t position = 0;
    std::uint32_t normal = 0;
    std::uint32_t transform = 0;
};
MachineCornerFetch machineCornerFetch(const MachineMeshes& meshes, std::uint32_t vertex);

// M p for a part transform (column vectors, stored column by column).
std::array<float, 4> transformColumnVector(const Matrix4& m, const std::array<float, 4>& p);

struct MachineCorner {
    std::array<float, 4> clip{};
    std::array<float, 3> normal{};  // camera space, not normalised (solid draw)
};

// The solid draw's vertex program (MachineVertex2).
MachineCorner machineSolidCorner(const MachineMeshes& meshes, const std::array<Matrix4, MachineRig::kPartCount>& transforms,
                                 const CameraConstant& camera, std::uint32_t vertex);

// The wireframe's vertex program (MachineVertex): pushed out along the
// camera-space normal by |valueNoise3| x 0.1 + 0.004 model units.
std::array<float, 4> machineWireCorner(const MachineMeshes& meshes,
                                       const std::array<Matrix4, MachineRig::kPartCount>& transforms,
                                       const CameraConstant& camera, std::uint32_t vertex);

// The camera-space view direction of pixel centre (px, py) of a target of
// the given size: from the near plane to the far plane through the pixel.
std::array<float, 3> machineViewDirection(float px, float py, std::uint32_t width, std::uint32_t height,
                                          const Matrix4& clipToCamera);

// The solid body's colour for an arriving normal n (camera space, as it
// arrives) and view direction d: 18 lights, each s = max(L . r, 0)^60 with
// r = 2 (d . n) n - d.
std::array<float, 3> machineLightColour(const std::array<float, 3>& n, const std::array<float, 3>& d,
                                        const Matrix4& worldToCamera);

}  // namespace tolmero::reference
