#pragma once
// The rigid-body model of the three machines: 19 named mesh parts, their
// pivots and hierarchy, and the per-frame transforms that move them.
//
// A truck ("kone" with three tyre axles), a forest machine ("kone.001" with
// three tyre axles and the grapple crane "koura".."koura.004") and an
// excavator ("kaivuri" with two wheel axles and the bucket arm
// "kaivuri_kauha".."kaivuri_kauha.002"). Transforms act on column vectors and
// are stored column by column, the way the machine shaders read them.

#include <array>
#include <string_view>
#include <vector>

#include "scene/Matrix4.h"
#include "tracks/TrackSet.h"

namespace tolmero {

struct Float3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

class MachineRig {
public:
    static constexpr int kPartCount = 19;
    // One model unit in world units; positions tracks are stored at this scale.
    static constexpr float kModelUnit = 0.005f;

    MachineRig();

    // The rig's tracks of one set: each root's angle and position, each
    // joint's angle.
    struct Tracks {
        std::vector<TrackHandle> rootAngles, rootPositions, jointAngles;
    };
    // By name: a track the set lacks evaluates to zero.
    static Tracks findTracks(TrackSet& tracks);
    // Every one of them must be in the set; throws std::out_of_range naming
    // the first one missing.
    static Tracks requireTracks(TrackSet& tracks);

    // Evaluates the rig's tracks at t and rebuilds all 19 transforms, every
    // parent before its children.
    void update(TrackSet& tracks, float t);
    void update(const TrackSet& set, const Tracks& tracks, float t);

    const std::array<Matrix4, kPartCount>& transforms() const { return transforms_; }

    // Transform index of a part name ("kone.001"); throws std::out_of_range
    // for an unknown name.
    static int transformIndex(std::string_view partName);
    static std::string_view partName(int transformIndex);

    // Pivot in rendering axes: absolute for the roots, relative to the parent
    // for every other part.
    const Float3& pivot(int transformIndex) const { return pivots_[transformIndex]; }

private:
    std::array<Float3, kPartCount> pivots_;
    std::array<Matrix4, kPartCount> transforms_;
};

}  // namespace tolmero
