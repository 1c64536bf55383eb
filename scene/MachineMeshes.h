#pragma once
// The machines' mesh tables: one shared set of positions, normals and face
// index triples for all 19 rigid parts, laid out for the machine shaders.
//
// Layout: the parts follow each other in transform-index order; each part's
// faces are one contiguous run, using one contiguous range of positions and
// one of normals; indices are global into the shared tables; every face
// carries its part's transform index. Positions are in model units (one
// model unit is 0.005 world units), in rendering axes, relative to the part's
// pivot: at rest the rig moves a part by its absolute pivot, which puts it
// where it was modelled.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "scene/MachineRig.h"

namespace tolmero {

// Three 32-bit unsigned indices (12 bytes): a face's corners in stored order.
struct FaceIndices {
    std::uint32_t first = 0, second = 0, third = 0;
};
static_assert(sizeof(Float3) == 12 && sizeof(FaceIndices) == 12);

struct MachinePartSize {
    std::string_view part;
    int positions, normals, faces;
};

// Sizes of the parts, in transform-index order.
inline constexpr std::array<MachinePartSize, MachineRig::kPartCount> kMachinePartSizes = {{
    {"renkaat.002", 84, 14, 164},
    {"renkaat.001", 84, 14, 164},
    {"renkaat.000", 84, 14, 164},
    {"kone.001", 355, 57, 698},
    {"koura", 28, 20, 48},
    {"koura.003", 56, 18, 100},
    {"koura.004", 64, 37, 108},
    {"koura.002", 8, 5, 12},
    {"koura.001", 60, 22, 108},
    {"renkaat.004", 84, 14, 164},
    {"renkaat.003", 84, 14, 164},
    {"renkaat.005", 84, 14, 164},
    {"kone", 278, 97, 524},
    {"kaivuri_renkaat", 84, 14, 164},
    {"kaivuri_renkaat.001", 84, 14, 164},
    {"kaivuri_kauha", 8, 6, 12},
    {"kaivuri_kauha.001", 8, 6, 12},
    {"kaivuri_kauha.002", 42, 9, 58},
    {"kaivuri", 148, 22, 292},
}};

inline constexpr int kMachinePositionCount = 1727;
inline constexpr int kMachineNormalCount = 411;
inline constexpr int kMachineFaceCount = 3284;

struct MachineMeshes {
    std::vector<Float3> positions;            // "vertex"
    std::vector<Float3> normals;              // "normal"
    std::vector<FaceIndices> vertexIndex;     // "vertexIndex", per face
    std::vector<FaceIndices> normalIndex;     // "normalIndex", per face
    std::vector<std::uint32_t> transformIndex;  // "transformIndex", per face
};

// The tables, modelled in code and built on first use (deterministic).
// Throws std::logic_error if a part's model does not have its part's sizes.
const MachineMeshes& machineMeshes();

}  // namespace tolmero
