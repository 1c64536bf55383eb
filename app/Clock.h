#pragma once
// The clock that the frame loop follows: the music position.

#include <chrono>

namespace tolmero {

constexpr double kBeatsPerMinute = 105.0;
// The keyed timeline ends with the last key of "Koura 4".
constexpr double kTimelineEndBeat = 421.076;

// Beats from seconds, computed in double and held as a float.
inline float beatsFromSeconds(double seconds) { return static_cast<float>(seconds * kBeatsPerMinute / 60.0); }
inline double secondsFromBeats(double beats) { return beats * 60.0 / kBeatsPerMinute; }

class Clock {
public:
    virtual ~Clock() = default;
    virtual bool isPlaying() = 0;
    virtual double positionSeconds() = 0;
};

// A silent clock that runs in real time from its construction.
class RealTimeClock : public Clock {
public:
    explicit RealTimeClock(double durationSeconds)
        : duration_(durationSeconds), start_(std::chrono::steady_clock::now()) {}
    bool isPlaying() override { return positionSeconds() < duration_; }
    double positionSeconds() override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    double duration_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace tolmero
