#pragma once
// The clock that the frame loop follows: the music position.

namespace tolmero {

constexpr double kBeatsPerMinute = 105.0;
// The keyed timeline ends with the last key of "Koura 4".
constexpr double kTimelineEndBeat = 421.076;

// Beats from seconds, computed in double and held as a float.
inline float beatsFromSeconds(double seconds) { return static_cast<float>(seconds * kBeatsPerMinute / 60.0); }
inline double secondsFromBeats(double beats) { return beats * 60.0 / kBeatsPerMinute; }

// The beat of frame k of a run at `fps` frames a second from beat 0. Captures
// and the particle catch-up both place their frames and steps with it, so
// that a frame and a step of the same index fall on the very same beat.
inline double beatOfFrame(long k, int fps) {
    return static_cast<double>(k) / static_cast<double>(fps) * kBeatsPerMinute / 60.0;
}

class Clock {
public:
    virtual ~Clock() = default;
    virtual bool isPlaying() = 0;
    virtual double positionSeconds() = 0;
};

}  // namespace tolmero
