#pragma once
// The moments of the picture that the music catches, read from the
// production's keyframe tracks: the scene changes, the title cards coming and
// going, and the fire catching. Times are in beats (105 per minute, beat 0 at
// the first sample of the music).

#include <string>
#include <vector>

namespace music {

struct Cue {
    std::string what;  // "scene 2 -> 0", "card 0", "cards end", "flames"
    double beat = 0.0;
};

struct Cues {
    std::vector<double> sceneChanges;  // the four scene changes, in order
    std::vector<double> cards;         // each title card appearing
    double cardsEnd = 0.0;             // the last card leaving
    double flames = 0.0;               // the fire switched on

    // Every cue in time order, named.
    std::vector<Cue> all() const;
};

// Finds the cues by evaluating the tracks the way the frame loop does and
// bisecting each change of the scene index, the card number and the fire
// switch to a small fraction of a millisecond.
const Cues& productionCues();

}  // namespace music
