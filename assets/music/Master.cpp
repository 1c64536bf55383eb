#include "Master.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <limits>

namespace music {

namespace {

// A biquad with double coefficients and state (the master runs once over the
// whole piece; precision costs nothing here).
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double z1 = 0, z2 = 0;

    double process(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
    // RBJ peaking equaliser.
    static Biquad peak(double hz, double q, double db) {
        const double a = std::pow(10.0, db / 40.0), w = 2.0 * kPi * hz / kSampleRate;
        const double alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
        const double a0 = 1.0 + alpha / a;
        Biquad f;
        f.b0 = (1.0 + alpha * a) / a0;
        f.b1 = -2.0 * c / a0;
        f.b2 = (1.0 - alpha * a) / a0;
        f.a1 = f.b1;
        f.a2 = (1.0 - alpha / a) / a0;
        return f;
    }
    static Biquad highPass(double hz, double q) {
        const double w = 2.0 * kPi * hz / kSampleRate, alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
        const double a0 = 1.0 + alpha;
        Biquad f;
        f.b0 = (1.0 + c) / 2.0 / a0;
        f.b1 = -(1.0 + c) / a0;
        f.b2 = f.b0;
        f.a1 = -2.0 * c / a0;
        f.a2 = (1.0 - alpha) / a0;
        return f;
    }
};

// The two K-weighting stages of BS.1770 (a high shelf for the head, a
// high-pass for the ear's low-frequency roll-off), for 44.1 kHz.
std::array<Biquad, 2> kWeighting() {
    std::array<Biquad, 2> stages;
    {
        const double f0 = 1681.974450955533, gain = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(kPi * f0 / kSampleRate);
        const double vh = std::pow(10.0, gain / 20.0), vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        Biquad& f = stages[0];
        f.b0 = (vh + vb * k / q + k * k) / a0;
        f.b1 = 2.0 * (k * k - vh) / a0;
        f.b2 = (vh - vb * k / q + k * k) / a0;
        f.a1 = 2.0 * (k * k - 1.0) / a0;
        f.a2 = (1.0 - k / q + k * k) / a0;
    }
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(kPi * f0 / kSampleRate);
        const double a0 = 1.0 + k / q + k * k;
        Biquad& f = stages[1];
        f.b0 = 1.0;
        f.b1 = -2.0;
        f.b2 = 1.0;
        f.a1 = 2.0 * (k * k - 1.0) / a0;
        f.a2 = (1.0 - k / q + k * k) / a0;
    }
    return stages;
}

// Interpolation filters for the seven points between two samples at 8x
// (Blackman-windowed sinc, 32 taps each): the true-peak meter's oversampler.
constexpr int kTaps = 32;
constexpr int kPhases = 7;
struct Oversampler {
    float phase[kPhases][kTaps];
    Oversampler() {
        for (int p = 0; p < kPhases; ++p) {
            const double offset = (p + 1) / double(kPhases + 1);
            double sum = 0.0;
            double taps[kTaps];
            for (int k = 0; k < kTaps; ++k) {
                const double x = double(k - kTaps / 2 + 1) - offset;  // taps at n-15 .. n+16 around n+offset
                const double sinc = x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
                const double u = (x + kTaps / 2) / kTaps;  // 0..1 across the window
                const double window = 0.42 - 0.5 * std::cos(2.0 * kPi * u) + 0.08 * std::cos(4.0 * kPi * u);
                taps[k] = sinc * window;
                sum += taps[k];
            }
            for (int k = 0; k < kTaps; ++k) phase[p][k] = float(taps[k] / sum);
        }
    }
    // The largest magnitude among sample n and the points between it and the
    // next. Where the neighbourhood is well below `floor`, the samples alone.
    double peakAt(const std::vector<float>& x, size_t n, double floor = 0.0) const {
        double peak = std::fabs(x[n]);
        if (n < kTaps / 2 - 1 || n + kTaps / 2 + 1 > x.size()) return peak;
        const float* base = x.data() + n - (kTaps / 2 - 1);
        float nearby = 0.0f;
        for (int k = kTaps / 2 - 3; k < kTaps / 2 + 3; ++k) nearby = std::max(nearby, std::fabs(base[k]));
        if (nearby < floor) return peak;
        for (int p = 0; p < kPhases; ++p) {
            float v = 0.0f;
            for (int k = 0; k < kTaps; ++k) v += phase[p][k] * base[k];
            peak = std::max(peak, double(std::fabs(v)));
        }
        return peak;
    }
};

const Oversampler& oversampler() {
    static const Oversampler instance;
    return instance;
}

double toDb(double gain) { return 20.0 * std::log10(std::max(gain, 1e-12)); }

void scale(StereoBuffer& mix, double gain) {
    for (size_t i = 0; i < mix.frames(); ++i) {
        mix.left[i] = float(mix.left[i] * gain);
        mix.right[i] = float(mix.right[i] * gain);
    }
}

void highPass(StereoBuffer& mix, double hz) {
    // Fourth-order Butterworth: two sections with Q 0.541 and 1.307.
    for (std::vector<float>* side : {&mix.left, &mix.right}) {
        Biquad first = Biquad::highPass(hz, 0.5411961), second = Biquad::highPass(hz, 1.3065630);
        for (float& sample : *side) sample = float(second.process(first.process(sample)));
    }
}

// Tone: a broad lift for presence, a broad dip where pads and bass
// harmonics pile up.
void equalise(StereoBuffer& mix, double presenceDb, double mudDb) {
    for (std::vector<float>* side : {&mix.left, &mix.right}) {
        Biquad presence = Biquad::peak(3500.0, 0.7, presenceDb), mud = Biquad::peak(350.0, 0.9, mudDb);
        for (float& sample : *side) sample = float(mud.process(presence.process(sample)));
    }
}

// Mid and side: the side keeps nothing below `monoBelowHz` (bass and kick sit
// in the middle) and is raised above it.
void shapeWidth(StereoBuffer& mix, double monoBelowHz, double width) {
    Biquad first = Biquad::highPass(monoBelowHz, 0.5411961), second = Biquad::highPass(monoBelowHz, 1.3065630);
    for (size_t i = 0; i < mix.frames(); ++i) {
        const double mid = 0.5 * (double(mix.left[i]) + mix.right[i]);
        const double side = width * second.process(first.process(0.5 * (double(mix.left[i]) - mix.right[i])));
        mix.left[i] = float(mid + side);
        mix.right[i] = float(mid - side);
    }
}

// A stereo-linked feed-forward compressor with a soft knee, on a smoothed
// mean-square level: it only leans on the loudest passages.
double compress(StereoBuffer& mix, double thresholdDb, double ratio) {
    const double levelAttack = std::exp(-1.0 / (0.010 * kSampleRate));
    const double levelRelease = std::exp(-1.0 / (0.150 * kSampleRate));
    const double gainAttack = std::exp(-1.0 / (0.015 * kSampleRate));
    const double gainRelease = std::exp(-1.0 / (0.220 * kSampleRate));
    const double knee = 6.0;
    double level = 0.0, reductionDb = 0.0, deepest = 0.0;
    for (size_t i = 0; i < mix.frames(); ++i) {
        const double power = 0.5 * (double(mix.left[i]) * mix.left[i] + double(mix.right[i]) * mix.right[i]);
        const double coefficient = power > level ? levelAttack : levelRelease;
        level = power + coefficient * (level - power);
        const double over = 10.0 * std::log10(level + 1e-20) - thresholdDb;
        double wanted = 0.0;
        if (over > knee / 2) wanted = over * (1.0 - 1.0 / ratio);
        else if (over > -knee / 2) wanted = (1.0 - 1.0 / ratio) * (over + knee / 2) * (over + knee / 2) / (2.0 * knee);
        const double smoothing = wanted > reductionDb ? gainAttack : gainRelease;
        reductionDb = wanted + smoothing * (reductionDb - wanted);
        deepest = std::max(deepest, reductionDb);
        const double gain = std::pow(10.0, -reductionDb / 20.0);
        mix.left[i] = float(mix.left[i] * gain);
        mix.right[i] = float(mix.right[i] * gain);
    }
    return deepest;
}

// The true peak around every sample (the sample and the points between it
// and the next, both sides), looked for closely only where the neighbourhood
// comes within `floor` of mattering.
std::vector<float> truePeaks(const StereoBuffer& mix, double floor) {
    const Oversampler& os = oversampler();
    std::vector<float> peaks(mix.frames());
    for (size_t i = 0; i < mix.frames(); ++i)
        peaks[i] = float(std::max(os.peakAt(mix.left, i, floor), os.peakAt(mix.right, i, floor)));
    return peaks;
}

// Look-ahead limiter on `mix`, whose true peaks (before `gain`) are `peaks`.
// The gain each sample needs is held as a running minimum over the
// look-ahead, released exponentially, and smoothed by a moving average as
// long as the look-ahead, so the gain has reached its value when the peak
// arrives. Applies `gain` too; returns the deepest reduction in dB.
double limit(StereoBuffer& mix, const std::vector<float>& peaks, double gain, double ceiling) {
    const size_t n = mix.frames();
    const size_t ahead = size_t(0.005 * kSampleRate);
    const size_t total = n + ahead;  // unity gain past the end
    const double release = std::exp(-1.0 / (0.035 * kSampleRate));

    std::vector<double> held(total, 1.0);
    for (size_t i = 0; i < n; ++i) {
        const double peak = gain * peaks[i];
        held[i] = peak > ceiling ? ceiling / peak : 1.0;
    }
    // Running minimum over [i - ahead, i] (a monotonic queue), then the release.
    {
        std::vector<double> need(held);
        std::deque<size_t> queue;
        for (size_t i = 0; i < total; ++i) {
            while (!queue.empty() && need[queue.back()] >= need[i]) queue.pop_back();
            queue.push_back(i);
            while (queue.front() + ahead < i) queue.pop_front();
            held[i] = need[queue.front()];
        }
    }
    double released = 1.0;
    for (double& value : held) {
        released = std::min(value, value + release * (released - value));
        value = released;
    }
    // Sample k takes the mean of the held gain over k+1 .. k+ahead: every one
    // of those saw sample k's need, so the mean is at or under it.
    std::vector<double> prefix(total + 1, 0.0);
    for (size_t i = 0; i < total; ++i) prefix[i + 1] = prefix[i] + held[i];
    double deepest = 1.0;
    for (size_t k = 0; k < n; ++k) {
        const size_t last = std::min(total, k + ahead + 1);
        const double reduction = (prefix[last] - prefix[k + 1] + double(k + ahead + 1 - last)) / double(ahead);
        deepest = std::min(deepest, reduction);
        mix.left[k] = float(mix.left[k] * gain * reduction);
        mix.right[k] = float(mix.right[k] * gain * reduction);
    }
    return -toDb(deepest);
}

}  // namespace

double integratedLoudness(const StereoBuffer& buffer, size_t from, size_t to) {
    to = std::min(to, buffer.frames());
    if (to <= from) return -std::numeric_limits<double>::infinity();
    // K-weighted power, summed per 100 ms step.
    const size_t step = kSampleRate / 10;
    std::vector<double> steps;
    std::array<Biquad, 2> left = kWeighting(), right = kWeighting();
    double sum = 0.0;
    size_t count = 0;
    for (size_t i = from; i < to; ++i) {
        const double l = left[1].process(left[0].process(buffer.left[i]));
        const double r = right[1].process(right[0].process(buffer.right[i]));
        sum += l * l + r * r;
        if (++count == step) {
            steps.push_back(sum / double(step));
            sum = 0.0;
            count = 0;
        }
    }
    // 400 ms blocks, one every 100 ms.
    std::vector<double> blocks;
    for (size_t i = 0; i + 4 <= steps.size(); ++i)
        blocks.push_back(0.25 * (steps[i] + steps[i + 1] + steps[i + 2] + steps[i + 3]));
    auto lufs = [](double power) { return -0.691 + 10.0 * std::log10(power + 1e-30); };
    auto gatedMean = [&](double gate) {
        double total = 0.0;
        size_t kept = 0;
        for (double block : blocks)
            if (lufs(block) > gate) {
                total += block;
                ++kept;
            }
        return kept ? total / double(kept) : 0.0;
    };
    const double absolute = gatedMean(-70.0);
    if (absolute <= 0.0) return -std::numeric_limits<double>::infinity();
    return lufs(gatedMean(lufs(absolute) - 10.0));
}

double truePeakDb(const StereoBuffer& buffer) {
    const Oversampler& os = oversampler();
    double peak = 0.0;
    for (size_t i = 0; i < buffer.frames(); ++i)
        peak = std::max({peak, os.peakAt(buffer.left, i, 0.6 * peak), os.peakAt(buffer.right, i, 0.6 * peak)});
    return toDb(peak);
}

MasterResult master(StereoBuffer& mix, const MasterSettings& settings) {
    MasterResult result;
    highPass(mix, settings.highPassHz);
    equalise(mix, settings.presenceDb, settings.mudDb);
    shapeWidth(mix, settings.monoBelowHz, settings.width);

    // The compressor sees the mix at a fixed loudness, so its threshold means
    // the same whatever the arrangement's overall level.
    const double before = integratedLoudness(mix);
    if (!std::isfinite(before)) return result;
    scale(mix, std::pow(10.0, (-14.0 - before) / 20.0));
    result.maxCompressionDb = compress(mix, settings.compressThresholdDb, settings.compressRatio);

    // The limiter takes loudness away as it works harder: find the gain into
    // it by the secant method, each pass from the compressed mix. Its true
    // peaks scale with the gain, so they are found once (closely wherever a
    // pass up to 6 dB hotter than the first could reach the ceiling).
    const StereoBuffer compressed = mix;
    const double ceiling = std::pow(10.0, settings.ceilingDbtp / 20.0);
    double gainDb = settings.targetLufs - integratedLoudness(compressed);
    const std::vector<float> peaks = truePeaks(compressed, 0.5 * ceiling / std::pow(10.0, (gainDb + 6.0) / 20.0));
    double lastGain = 0.0, lastLoudness = 0.0;
    for (int pass = 0; pass < 4; ++pass) {
        if (pass > 0) mix = compressed;
        result.maxLimitingDb = limit(mix, peaks, std::pow(10.0, gainDb / 20.0), ceiling);
        result.loudnessLufs = integratedLoudness(mix);
        double slope = 1.0;  // dB of loudness per dB of gain
        if (pass > 0 && std::fabs(gainDb - lastGain) > 1e-3)
            slope = std::clamp((result.loudnessLufs - lastLoudness) / (gainDb - lastGain), 0.2, 1.0);
        lastGain = gainDb;
        lastLoudness = result.loudnessLufs;
        if (pass < 3) gainDb += (settings.targetLufs - result.loudnessLufs) / slope;
    }

    const size_t frames = mix.frames();
    const size_t fade = size_t(settings.fadeSeconds * kSampleRate);
    for (size_t i = frames > fade ? frames - fade : 0; i < frames; ++i) {
        // Squared, so the ring falls away evenly in level rather than
        // lingering and then dropping off in the last moment.
        const float edge = float(frames - 1 - i) / float(fade - 1);
        mix.left[i] *= edge * edge;
        mix.right[i] *= edge * edge;
    }
    result.truePeakDbtp = truePeakDb(mix);
    return result;
}

}  // namespace music
