#pragma once
// Which frames a fixed-frame-rate capture draws. Frame k shows the production
// at k / fps seconds of music after `from`: t = from + k / fps x 105 / 60
// beats, computed in double. Frames run while t is before `to` (exclusive), so
// a range of a whole number of frames gives exactly that many.
//
// A capture can also be given as frames of the global grid of its rate:
// frames [first, end) of a run at `fps` from beat 0, frame k at
// beatOfFrame(k, fps). Pieces of one grid laid end to end are the frames of
// one capture of their whole span, which is how a capture is split over many
// machines.

#include <optional>
#include <string>
#include <string_view>

#include "app/CommandLineValues.h"

namespace tolmero {

struct CapturePlan {
    double fromBeat = 0.0;
    double toBeat = 0.0;
    int fps = 60;
    long frameCount = 0;
    // Set for a capture given as grid frames: its first frame's index there.
    std::optional<long> firstGridFrame;

    // The beat of frame k of this capture (k = 0 is its first frame).
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

// Frames [first, end) of the grid, end excluded.
struct GridFrames {
    long first = 0;
    long end = 0;
};

// "A:B", two whole numbers (A may be negative: the production's first keys
// lie a little before beat 0), A < B.
std::optional<GridFrames> parseGridFrames(std::string_view text, std::string& error);

// The grid frames that a capture of [fromBeat, toBeat) at `fps` covers: from
// the first frame at or after `fromBeat` to the last one before `toBeat`,
// with the tolerance of planCapture. Checked as planCapture checks.
std::optional<GridFrames> gridFramesOf(double fromBeat, double toBeat, int fps, const BeatRange& production,
                                       std::string& error);

// Grid frames [first, end) at `fps`: the first frame's beat at or after the
// production's first key, the last frame's beat before its end.
std::optional<CapturePlan> planGridCapture(GridFrames frames, int fps, const BeatRange& production,
                                           std::string& error);

}  // namespace tolmero
