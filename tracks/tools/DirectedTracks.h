#pragma once
// The directed tracks as a whole: the shot list and the joint curves turned
// into track keys, by track name, with the arrays of tracks/TrackData.cpp
// that hold them.

#include <map>
#include <string>

#include "tracks/TrackSet.h"

namespace tolmero::shots {

struct Directed {
    std::map<std::string, Track> tracks;  // by track name
};

// Track name -> name of its array in tracks/TrackData.cpp.
extern const std::map<std::string, std::string> kArrayNames;

// Every directed track, fitted.
Directed direct();

}  // namespace tolmero::shots
