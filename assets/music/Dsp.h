#pragma once
// Small, deterministic signal-processing blocks for the soundtrack synthesizer.
// Everything runs in single precision except oscillator phases (double, so
// that notes lasting many seconds keep their pitch).

#include <cmath>
#include <cstdint>
#include <vector>

namespace music {

constexpr int kSampleRate = 44100;
constexpr double kPi = 3.14159265358979323846;

inline double midiToHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

// Table sine and tangent: much cheaper than the library's, and the same on
// every machine once the tables are built.
class Tables {
public:
    static constexpr int kSize = 4096;
    static const Tables& get() {
        static const Tables tables;
        return tables;
    }
    // sin(2 pi cycles)
    float sine(double cycles) const {
        const double x = (cycles - std::floor(cycles)) * kSize;
        const int i = int(x);
        const float f = float(x - i);
        return sine_[i] + (sine_[i + 1] - sine_[i]) * f;
    }
    // tan(pi f) for f in [0, 0.5)
    float tanPi(float f) const {
        const float x = f * 2.0f * kSize;
        const int i = int(x);
        const float frac = x - float(i);
        return tan_[i] + (tan_[i + 1] - tan_[i]) * frac;
    }

private:
    Tables() {
        for (int i = 0; i <= kSize; ++i) {
            sine_[i] = float(std::sin(2.0 * 3.14159265358979323846 * i / kSize));
            tan_[i] = float(std::tan(3.14159265358979323846 * 0.5 * std::fmin(i, kSize - 1) / kSize));
        }
    }
    float sine_[kSize + 1];
    float tan_[kSize + 1];
};

inline float sinCycles(double cycles) { return Tables::get().sine(cycles); }

// Smooth saturation: a Pade approximation of tanh, exact at 0, reaching
// +-1 with zero slope at +-3, and +-1 beyond.
inline float softClip(float x) {
    if (x >= 3.0f) return 1.0f;
    if (x <= -3.0f) return -1.0f;
    const float x2 = x * x;
    return x * (27.0f + x2) / (27.0f + 9.0f * x2);
}

// An exponential decay computed by repeated multiplication.
class Decay {
public:
    Decay(float start, float seconds)
        : value_(start), factor_(seconds > 0 ? float(std::exp(-1.0 / (double(seconds) * kSampleRate))) : 0.0f) {}
    float next() {
        const float v = value_;
        value_ *= factor_;
        return v;
    }

private:
    float value_, factor_;
};
inline float dbToGain(float db) { return std::pow(10.0f, db / 20.0f); }

// xorshift32 with a seed mixer: the same seed always gives the same sequence.
class Rng {
public:
    explicit Rng(uint32_t seed) {
        uint32_t s = seed * 0x9E3779B9u + 0x7F4A7C15u;
        s ^= s >> 16;
        s *= 0x85EBCA6Bu;
        s ^= s >> 13;
        state_ = s ? s : 0x1234567u;
    }
    uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    float uniform() { return float(next() >> 8) * (1.0f / 16777216.0f); }  // [0, 1)
    float bipolar() { return uniform() * 2.0f - 1.0f; }                     // [-1, 1)

private:
    uint32_t state_;
};

// Seed from a few integers (instrument, time, voice ...).
inline uint32_t seedOf(uint32_t a, uint32_t b = 0, uint32_t c = 0) {
    uint32_t h = 2166136261u;
    for (uint32_t v : {a, b, c}) {
        h ^= v;
        h *= 16777619u;
        h ^= h >> 15;
    }
    return h;
}

// Band-limited step correction (polyBLEP) for saw and square oscillators.
inline float polyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

// Phase in single precision: over the longest note (a few seconds) the
// rounding drift stays far below an audible pitch error.
struct Oscillator {
    float phase = 0.0f;  // [0, 1)
    float inc = 0.0f;    // cycles per sample

    void setHz(double hz) { inc = float(hz / kSampleRate); }
    void advance() {
        phase += inc;
        if (phase >= 1.0f) phase -= 1.0f;
    }
    float saw() {
        const float v = 2.0f * phase - 1.0f - polyBlep(phase, inc);
        advance();
        return v;
    }
    float square(float width = 0.5f) {
        float v = phase < width ? 1.0f : -1.0f;
        v += polyBlep(phase, inc);
        float shifted = phase - width;
        if (shifted < 0.0f) shifted += 1.0f;
        v -= polyBlep(shifted, inc);
        advance();
        return v;
    }
    float sine() {
        const float v = sinCycles(phase);
        advance();
        return v;
    }
};

// Zero-delay-feedback state-variable filter (trapezoidal integration).
// Coefficients are recomputed only when set() is called; callers update them
// every few samples when the cutoff moves.
class Svf {
public:
    void set(float cutoffHz, float q) {
        const float fc = std::fmin(std::fmax(cutoffHz, 10.0f), 0.45f * kSampleRate);
        const float g = Tables::get().tanPi(fc / kSampleRate);
        k_ = 1.0f / q;
        a1_ = 1.0f / (1.0f + g * (g + k_));
        a2_ = g * a1_;
        a3_ = g * a2_;
    }
    void process(float in) {
        const float v3 = in - ic2_;
        const float v1 = a1_ * ic1_ + a2_ * v3;
        const float v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
        ic1_ = 2.0f * v1 - ic1_;
        ic2_ = 2.0f * v2 - ic2_;
        low_ = v2;
        band_ = v1;
        high_ = in - k_ * v1 - v2;
    }
    float low(float in) { process(in); return low_; }
    float band(float in) { process(in); return band_; }
    float high(float in) { process(in); return high_; }

private:
    float k_ = 1.0f, a1_ = 0.0f, a2_ = 0.0f, a3_ = 0.0f;
    float ic1_ = 0.0f, ic2_ = 0.0f;
    float low_ = 0.0f, band_ = 0.0f, high_ = 0.0f;
};

class OnePoleLowpass {
public:
    void set(float cutoffHz) { a_ = 1.0f - float(std::exp(-2.0 * kPi * cutoffHz / kSampleRate)); }
    float process(float in) { return z_ += a_ * (in - z_); }

private:
    float a_ = 1.0f, z_ = 0.0f;
};

// Attack (linear), decay (exponential towards sustain), release (exponential)
// envelope. Times in seconds; the gate closes `gateSamples` after the start.
class Adsr {
public:
    Adsr(float attack, float decay, float sustain, float release, int64_t gateSamples)
        : attackStep_(attack > 0 ? 1.0f / (attack * kSampleRate) : 1.0f),
          decayMul_(coefficient(decay)),
          sustain_(sustain),
          releaseMul_(coefficient(release)),
          gate_(gateSamples) {}
    // Samples after the gate closes until the envelope is 60 dB down, where
    // it is lost under the rest of the mix.
    static int64_t tailSamples(float release) { return int64_t(release * kSampleRate * 6.9f) + 1; }

    float next() {
        if (n_ < gate_) {
            if (attacking_) {
                level_ += attackStep_;
                if (level_ >= 1.0f) {
                    level_ = 1.0f;
                    attacking_ = false;
                }
            } else {
                level_ = sustain_ + (level_ - sustain_) * decayMul_;
            }
        } else {
            level_ *= releaseMul_;
        }
        ++n_;
        return level_;
    }

private:
    static float coefficient(float seconds) {
        return seconds > 0 ? float(std::exp(-1.0 / (seconds * kSampleRate))) : 0.0f;
    }
    float attackStep_, decayMul_, sustain_, releaseMul_;
    int64_t gate_;
    int64_t n_ = 0;
    float level_ = 0.0f;
    bool attacking_ = true;
};

// Equal-power panning, pan in [-1, 1].
inline void panGains(float pan, float& left, float& right) {
    const double angle = (pan + 1.0) * 0.25 * kPi;
    left = float(std::cos(angle));
    right = float(std::sin(angle));
}

}  // namespace music
