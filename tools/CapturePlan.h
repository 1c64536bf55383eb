#pragma once
// Which frames a fixed-frame-rate capture draws. Frame k shows the production
// at k / fps seconds of music after `from`: t = from + k / fps x 105 / 60
// beats, computed in double. Frames run while t is before `to` (exclusive), so
// a range of a whole number of frames gives exactly that many.

#include <optional>
#include <string>

#include "app/CommandLineValues.h"

namespace tolmero {

struct CapturePlan {
    double fromBeat = 0.0;
    double toBeat = 0.0;
    int fps = 60;
    long frameCount = 0;

    double beatOfFrame(long k) const;
    double fromSeconds() const;
    // The length of the video: frameCount / fps.
    double durationSeconds() const;
};

// Checks the range and the frame rate: production.first <= from < to <=
// production.end, all finite, fps positive. Returns the plan, or nothing with
// the reason in `error`.
std::optional<CapturePlan> planCapture(double fromBeat, double toBeat, int fps, const BeatRange& production,
                                       std::string& error);

}  // namespace tolmero
