#include "Effects.h"

#include <algorithm>

namespace music {

namespace {
constexpr int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllpassLengths[4] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;
constexpr float kInputGain = 0.015f;
constexpr int kPreDelay = kSampleRate / 50;  // 20 ms
}  // namespace

Reverb::Reverb(float roomSize, float damping)
    : feedback_(0.7f + 0.28f * roomSize), damping_(0.4f * damping) {}

void Reverb::process(StereoBuffer& bus) {
    // Each side hears mostly its own input, a little of the other, cut below
    // 280 Hz (a reverberated bass and kick only muddy the mix) and above
    // 7.5 kHz (a bright tail hisses).
    const size_t n = bus.frames();
    Svf highLeft, highRight, lowLeft, lowRight;
    for (Svf* f : {&highLeft, &highRight}) f->set(280.0f, 0.7071f);
    for (Svf* f : {&lowLeft, &lowRight}) f->set(7500.0f, 0.7071f);
    for (size_t i = 0; i < n; ++i) {
        const float l = bus.left[i], r = bus.right[i];
        const float inLeft = 0.75f * l + 0.25f * r;
        const float inRight = 0.75f * r + 0.25f * l;
        bus.left[i] = lowLeft.low(highLeft.high(inLeft)) * kInputGain;
        bus.right[i] = lowRight.low(highRight.high(inRight)) * kInputGain;
    }
    processSide(bus.left, 0);
    processSide(bus.right, kStereoSpread);
}

void Reverb::processSide(std::vector<float>& samples, int spread) {
    Comb combs[8];
    Allpass allpasses[4];
    for (int c = 0; c < 8; ++c) combs[c].line.assign(size_t(kCombLengths[c] + spread), 0.0f);
    for (int a = 0; a < 4; ++a) allpasses[a].line.assign(size_t(kAllpassLengths[a] + spread), 0.0f);
    std::vector<float> preDelay(kPreDelay, 0.0f);
    size_t preAt = 0;

    for (float& sample : samples) {
        const float in = preDelay[preAt];
        preDelay[preAt] = sample;
        preAt = preAt + 1 == preDelay.size() ? 0 : preAt + 1;

        float out = 0.0f;
        for (Comb& comb : combs) {
            const float y = comb.line[comb.at];
            comb.store = y * (1.0f - damping_) + comb.store * damping_;
            comb.line[comb.at] = in + comb.store * feedback_;
            if (++comb.at == comb.line.size()) comb.at = 0;
            out += y;
        }
        for (Allpass& allpass : allpasses) {
            const float buffered = allpass.line[allpass.at];
            allpass.line[allpass.at] = out + buffered * 0.5f;
            out = buffered - out;
            if (++allpass.at == allpass.line.size()) allpass.at = 0;
        }
        sample = out;
    }
}

PingPongDelay::PingPongDelay(int64_t delaySamples, float feedback, float toneHz)
    : delay_(delaySamples), feedback_(feedback), toneHz_(toneHz) {}

void PingPongDelay::process(StereoBuffer& bus) {
    std::vector<float> lineLeft(size_t(delay_), 0.0f), lineRight(size_t(delay_), 0.0f);
    OnePoleLowpass tone;
    tone.set(toneHz_);
    Svf thin;  // the echoes keep no bass
    thin.set(350.0f, 0.7071f);
    size_t at = 0;
    for (size_t i = 0; i < bus.frames(); ++i) {
        const float echoLeft = lineLeft[at];
        const float echoRight = lineRight[at];
        const float in = thin.high(0.5f * (bus.left[i] + bus.right[i]));
        lineLeft[at] = in + feedback_ * tone.process(echoRight);
        lineRight[at] = echoLeft;
        if (++at == lineLeft.size()) at = 0;
        bus.left[i] = echoLeft;
        bus.right[i] = echoRight;
    }
}

}  // namespace music
