#pragma once
// The production's sequence of scenes, read from the "scene" track: which
// scene index shows from which beat to which. `tolmero bench --scene N`
// measures a beat in the middle of scene N's first span.

#include <optional>
#include <vector>

#include "app/CommandLineValues.h"
#include "tracks/TrackSet.h"

namespace tolmero {

struct SceneSpan {
    int scene = 0;
    double fromBeat = 0.0;
    double toBeat = 0.0;  // exclusive
};

// The spans from beat 0 to the end of the keyed timeline, in order. A change
// of scene is placed to within 1e-4 beats.
std::vector<SceneSpan> sceneSpans(TrackSet& tracks);

// The middle of the first span of `scene`, rounded to a thousandth of a beat;
// nothing when the scene never shows.
std::optional<double> representativeBeat(TrackSet& tracks, int scene);

// The beats the production covers: from the earliest key of any track to the
// end of the music, or, without music, to the end of the keyed timeline.
// Every command that takes a beat accepts exactly this range.
BeatRange productionBeats(const TrackSet& tracks, std::optional<double> musicSeconds);

}  // namespace tolmero
