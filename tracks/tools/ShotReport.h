#pragma once
// The framing report: per half beat, the scene, the eye and its clearance
// over the ground (or the water's crest in scene 1), yaw, pitch and field of
// view, where the character is on screen and how far her feet are off the
// ground, the stump's place in scene 0, the machines' places in scene 3, and
// a mark where the eye stands in a tree or a trunk hides the character.

#include "tracks/tools/DirectedTracks.h"

namespace tolmero::shots {

// Prints the report of the production's tracks with `d` in place of the
// directed ones.
void report(const Directed& d);

}  // namespace tolmero::shots
