#include "scene/MachineRig.h"

#include <cmath>
#include <iterator>
#include <stdexcept>
#include <string>

namespace tolmero {
namespace {

// Parts in transform-index order (the order of the mesh data).
constexpr std::array<std::string_view, MachineRig::kPartCount> kPartNames = {
    "renkaat.002",     "renkaat.001",         "renkaat.000",   "kone.001",
    "koura",           "koura.003",           "koura.004",     "koura.002",
    "koura.001",       "renkaat.004",         "renkaat.003",   "renkaat.005",
    "kone",            "kaivuri_renkaat",     "kaivuri_renkaat.001",
    "kaivuri_kauha",   "kaivuri_kauha.001",   "kaivuri_kauha.002", "kaivuri"};

struct PivotSource {
    std::string_view part;
    float x, y, z;  // modelling-tool axes, z up
};

constexpr PivotSource kPivotSources[] = {
    {"renkaat.004", 0.0f, 0.778697968f, 1.03138351f},
    {"renkaat.003", 0.0f, 2.91851377f, 1.03138351f},
    {"renkaat.005", 0.0f, -1.95551252f, 1.03138351f},
    {"kone", 0.0f, -3.81548071f, 3.64561248f},
    {"renkaat.002", 0.0f, 5.98184013f, 1.04569268f},
    {"renkaat.001", 0.0f, 3.84202409f, 1.04569268f},
    {"renkaat.000", 0.0f, -2.61705041f, 1.04569268f},
    {"kone.001", 0.0f, -0.756755352f, 3.65992165f},
    {"koura", 0.0f, 1.87285209f, 2.25862741f},
    {"koura.003", 0.0f, 1.98963475f, 8.5054245f},
    {"koura.004", 0.0f, -2.9311502f, 6.96071148f},
    {"koura.002", 0.0f, 2.4142983f, 4.65691471f},
    {"koura.001", 0.0f, 1.87285209f, 3.2714498f},
    {"kaivuri_renkaat", 0.425126255f, -3.04442406f, 1.03138351f},
    {"kaivuri_renkaat.001", 0.425126255f, 0.153824806f, 1.03138351f},
    {"kaivuri_kauha", 1.41824639f, 1.23455119f, 2.52644658f},
    {"kaivuri_kauha.001", 1.41824639f, 1.23455119f, 7.6198225f},
    {"kaivuri_kauha.002", 1.41824639f, 6.32792664f, 7.38758469f},
    {"kaivuri", 0.0f, 0.0f, 0.724844933f},
};

// Child pivots become relative to their parents in this order, which takes
// every child before its own parent so that each subtracts an absolute pivot.
constexpr std::pair<std::string_view, std::string_view> kRelativePivotOrder[] = {
    {"renkaat.003", "kone"},
    {"renkaat.004", "kone"},
    {"renkaat.005", "kone"},
    {"renkaat.000", "kone.001"},
    {"renkaat.001", "kone.001"},
    {"renkaat.002", "kone.001"},
    {"koura.004", "koura.003"},
    {"koura.003", "koura.001"},
    {"koura.001", "koura"},
    {"koura.002", "koura"},
    {"koura", "kone.001"},
    {"kaivuri_renkaat", "kaivuri"},
    {"kaivuri_renkaat.001", "kaivuri"},
    {"kaivuri_kauha.002", "kaivuri_kauha.001"},
    {"kaivuri_kauha.001", "kaivuri_kauha"},
    {"kaivuri_kauha", "kaivuri"},
};

struct Root {
    std::string_view part, angleTrack, positionTrack;
};

constexpr Root kRoots[] = {
    {"kone", "Rekka angle", "Rekka pos"},
    {"kone.001", "Kone angle", "Koura pos"},
    {"kaivuri", "Kaivin angle", "Kaivin pos"},
};

enum class Axis { X, Y };

struct Joint {
    std::string_view part, parent, angleTrack;
    Axis axis;
};

// Children in update order; every parent precedes its children.
constexpr Joint kJoints[] = {
    {"kaivuri_kauha", "kaivuri", "Kauha 1", Axis::X},
    {"kaivuri_kauha.001", "kaivuri_kauha", "Kauha 2", Axis::X},
    {"kaivuri_kauha.002", "kaivuri_kauha.001", "Kauha 3", Axis::X},
    {"renkaat.000", "kone.001", "Renkaat 1", Axis::X},
    {"renkaat.001", "kone.001", "Renkaat 2", Axis::X},
    {"renkaat.002", "kone.001", "Renkaat 3", Axis::X},
    {"renkaat.003", "kone", "Renkaat 4", Axis::X},
    {"renkaat.004", "kone", "Renkaat 5", Axis::X},
    {"renkaat.005", "kone", "Renkaat 6", Axis::X},
    {"koura", "kone.001", "Koura 1", Axis::Y},
    {"koura.001", "koura", "Koura 2", Axis::X},
    {"koura.002", "koura", "Koura 3", Axis::X},
    {"koura.003", "koura.001", "Koura 4", Axis::X},
    {"koura.004", "koura.003", "Koura 5", Axis::X},
    {"kaivuri_renkaat", "kaivuri", "Kaivurirenkaat 1", Axis::X},
    {"kaivuri_renkaat.001", "kaivuri", "Kaivurirenkaat 2", Axis::X},
};

// Column-major element (row, column) of a transform.
float& element(Matrix4& matrix, int row, int column) { return matrix.m[column * 4 + row]; }
float element(const Matrix4& matrix, int row, int column) { return matrix.m[column * 4 + row]; }

Matrix4 translation(float x, float y, float z) {
    Matrix4 matrix = Matrix4::identity();
    element(matrix, 0, 3) = x;
    element(matrix, 1, 3) = y;
    element(matrix, 2, 3) = z;
    return matrix;
}

Matrix4 rotation(Axis axis, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    Matrix4 matrix = Matrix4::identity();
    if (axis == Axis::Y) {  // x' = x c - z s, z' = x s + z c
        element(matrix, 0, 0) = c;
        element(matrix, 0, 2) = -s;
        element(matrix, 2, 0) = s;
        element(matrix, 2, 2) = c;
    } else {  // y' = y c - z s, z' = y s + z c
        element(matrix, 1, 1) = c;
        element(matrix, 1, 2) = -s;
        element(matrix, 2, 1) = s;
        element(matrix, 2, 2) = c;
    }
    return matrix;
}

// Product of two column-vector transforms: (a b) p = a (b p).
Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
    Matrix4 product;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += element(a, row, k) * element(b, k, column);
            element(product, row, column) = sum;
        }
    return product;
}

}  // namespace

int MachineRig::transformIndex(std::string_view partName) {
    for (int i = 0; i < kPartCount; ++i)
        if (kPartNames[i] == partName) return i;
    throw std::out_of_range("unknown machine part: " + std::string(partName));
}

std::string_view MachineRig::partName(int index) { return kPartNames.at(index); }

MachineRig::MachineRig() {
    for (const PivotSource& source : kPivotSources)
        pivots_[transformIndex(source.part)] = {source.x, source.z, -source.y};
    for (const auto& [child, parent] : kRelativePivotOrder) {
        Float3& pivot = pivots_[transformIndex(child)];
        const Float3& parentPivot = pivots_[transformIndex(parent)];
        pivot = {pivot.x - parentPivot.x, pivot.y - parentPivot.y, pivot.z - parentPivot.z};
    }
    transforms_.fill(Matrix4::identity());
}

namespace {

MachineRig::Tracks rigTracks(TrackSet& set, TrackHandle (TrackSet::*lookup)(std::string_view)) {
    MachineRig::Tracks tracks;
    for (const Root& root : kRoots) {
        tracks.rootAngles.push_back((set.*lookup)(root.angleTrack));
        tracks.rootPositions.push_back((set.*lookup)(root.positionTrack));
    }
    for (const Joint& joint : kJoints) tracks.jointAngles.push_back((set.*lookup)(joint.angleTrack));
    return tracks;
}

}  // namespace

MachineRig::Tracks MachineRig::findTracks(TrackSet& tracks) { return rigTracks(tracks, &TrackSet::find); }

MachineRig::Tracks MachineRig::requireTracks(TrackSet& tracks) { return rigTracks(tracks, &TrackSet::require); }

void MachineRig::update(TrackSet& tracks, float t) { update(tracks, findTracks(tracks), t); }

void MachineRig::update(const TrackSet& set, const Tracks& tracks, float t) {
    for (std::size_t r = 0; r < std::size(kRoots); ++r) {
        const Root& root = kRoots[r];
        const int index = transformIndex(root.part);
        const float angle = set.evaluate(tracks.rootAngles[r], t).y;
        const TrackValue position = set.evaluate(tracks.rootPositions[r], t);
        const Float3& pivot = pivots_[index];
        transforms_[index] = translation(pivot.x, pivot.y, pivot.z) *
                             translation(position.x / kModelUnit, position.y / kModelUnit,
                                         position.z / kModelUnit) *
                             rotation(Axis::Y, angle);
    }
    for (std::size_t j = 0; j < std::size(kJoints); ++j) {
        const Joint& joint = kJoints[j];
        const int index = transformIndex(joint.part);
        const float angle = set.evaluate(tracks.jointAngles[j], t).y;
        const Float3& pivot = pivots_[index];
        transforms_[index] = transforms_[transformIndex(joint.parent)] *
                             translation(pivot.x, pivot.y, pivot.z) * rotation(joint.axis, angle);
    }
}

}  // namespace tolmero
