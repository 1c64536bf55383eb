#pragma once
// `tolmero inspect`: the CPU state of chosen beats as JSON, one object a line.

#include <ostream>
#include <vector>

#include "app/LaunchSettings.h"
#include "tracks/TrackSet.h"

namespace tolmero {

void writeInspection(std::ostream& out, const std::vector<float>& beats, const LaunchSettings& settings,
                     TrackSet& tracks);

}  // namespace tolmero
