#pragma once
// From key descriptions to track keys. Corner keys are passed through
// exactly; smooth keys only pull the curve, so each free smooth key is nudged
// until the evaluated curve meets the wanted value at the key's time. Yaw is
// unwrapped to the turn nearest the shot's previous key; keys that carry a
// track's range bound are written literally.

#include <vector>

#include "tracks/TrackSet.h"
#include "tracks/tools/ShotKeys.h"

namespace tolmero::shots {

// A point track (x, y, z) within the per-component ranges.
Track buildPointTrack(const std::vector<PointKey>& keys, const std::vector<Range>& ranges);

// An angle track (the value in y): targets are aimed at from the eye of
// `camera` ("Camera position") at each key's eye time; yaw when `yaw`, else
// pitch.
Track buildAngleTrack(const std::vector<AngleKey>& keys, bool yaw, TrackSet& camera, Range range);

// A track of plain values (in y), written as given.
Track buildScalarTrack(const std::vector<ScalarKey>& keys);

}  // namespace tolmero::shots
