#pragma once
// Time in the editor: stepping by beats, bars and rows, the loop range and
// the jumps to the next or previous key or cut. Times are in beats of the
// music (105 a minute, 4 to a bar).

#include <vector>

namespace tolmero {

inline constexpr float kBeatsPerBar = 4.0f;

// The next grid point of `unit` beats strictly after t (direction > 0) or
// strictly before it (direction < 0); t itself for direction 0. A time a
// hair off a grid point counts as on it, so repeated steps never stall.
float stepOnGrid(float t, float unit, int direction);

// The first of `times` strictly after t (direction > 0) or the last strictly
// before it (direction < 0); t when there is none.
float nextTime(const std::vector<float>& times, float t, int direction);

// A range played over and over while it is on.
struct LoopRange {
    float begin = 0.0f;
    float end = 0.0f;
    bool on = false;

    bool valid() const { return end > begin; }
    // The time that the clock's t stands for: t itself outside a valid loop
    // that is on, else t folded into [begin, end).
    float fold(float t) const;
};

// The beats and bars of a view from `begin` to `end`: the first whole beat
// at or after begin and how many beat lines fall inside.
struct BeatLines {
    float first = 0.0f;
    unsigned count = 0;
};
BeatLines beatLines(float begin, float end);

}  // namespace tolmero
