#pragma once
// Whole-piece effects: a stereo reverb and a ping-pong delay, both processed
// in place over a bus of the full length.

#include "Dsp.h"

#include <vector>

namespace music {

struct StereoBuffer {
    std::vector<float> left, right;

    explicit StereoBuffer(size_t frames = 0) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
};

// Schroeder-Moorer reverb with eight damped combs and four allpasses per side;
// the right side's delay lines are slightly longer for width.
class Reverb {
public:
    Reverb(float roomSize, float damping);
    // Replaces `bus` by the reverberated signal (100 % wet).
    void process(StereoBuffer& bus);

private:
    struct Comb {
        std::vector<float> line;
        size_t at = 0;
        float store = 0.0f;
    };
    struct Allpass {
        std::vector<float> line;
        size_t at = 0;
    };
    void processSide(std::vector<float>& samples, int spread);

    float feedback_;
    float damping_;
};

// Ping-pong delay: the left input repeats on the right and back, with a
// low-pass filter in the loop so that the repeats darken.
class PingPongDelay {
public:
    PingPongDelay(int64_t delaySamples, float feedback, float toneHz);
    // Replaces `bus` by the echoes (100 % wet).
    void process(StereoBuffer& bus);

private:
    int64_t delay_;
    float feedback_;
    float toneHz_;
};

}  // namespace music
