#include "Instruments.h"

#include <algorithm>
#include <array>

namespace music {

namespace {

constexpr float kInvRate = 1.0f / kSampleRate;
constexpr int kControlEvery = 8;  // filter coefficients follow their envelopes every 8 samples

int64_t seconds(float s) { return int64_t(s * kSampleRate); }

// Instrument ids for the noise seeds.
enum Seed : uint32_t {
    kKick = 1, kSnare, kClap, kHat, kCrash, kTom, kBass, kPad, kLead, kPluck, kBell,
    kRiser, kReverse, kWhoosh, kWind, kBoom, kClank, kCrackle, kChirp, kPowerDown,
    kStab, kEpiano, kShaker, kRim,
};

// The six square-wave partials of an analogue metal sound.
constexpr std::array<double, 6> kMetalPartials = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};

}  // namespace

// The tone and click are driven first; the level envelope comes after the
// drive, so the saturation never holds the tail up and the body has died
// away well before the next beat.
void kick(Mixer& mixer, const Route& route, int64_t at, float velocity, const KickStyle& style) {
    Out out(mixer, route);
    Rng rng(seedOf(kKick, uint32_t(at)));
    Svf muffle;
    if (style.lowpass > 0) muffle.set(style.lowpass, 0.7f);
    Svf clickTone;
    clickTone.set(4500.0f, 0.7f);
    const int64_t length = seconds(std::min(style.decay * 7.0f, 0.9f));
    const int64_t hold = seconds(0.012f);
    const float norm = 1.0f / softClip(style.drive);
    Decay sweep(style.pitchTop - style.pitchBottom, 0.03f), snap(260.0f, 0.0035f);
    Decay body(1.0f, style.decay), clickLevel(style.click, 0.004f);
    double phase = 0.0;
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        phase += (style.pitchBottom + sweep.next() + snap.next()) / kSampleRate;
        const float tone = sinCycles(phase);
        const float click = clickTone.low(rng.bipolar()) * clickLevel.next();
        const float attack = std::min(1.0f, t / 0.0008f);
        const float level = n < hold ? 1.0f : body.next();
        const float fadeOut = n > length - 256 ? float(length - n) / 256.0f : 1.0f;
        float x = softClip(style.drive * (tone + click) * attack) * norm * level * fadeOut;
        if (style.lowpass > 0) x = muffle.low(x);
        x *= velocity;
        out.add(at + n, x, x);
    }
}

void snare(Mixer& mixer, const Route& route, int64_t at, float velocity, float pan) {
    Out out(mixer, route);
    Rng rng(seedOf(kSnare, uint32_t(at)));
    Svf high, band;
    high.set(1400.0f, 0.7f);
    band.set(5200.0f, 0.9f);
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    const int64_t length = seconds(0.55f);
    double phase1 = 0.0, phase2 = 0.0;
    Decay bend(0.35f, 0.018f), bodyLevel(0.55f, 0.055f), rattleLevel(0.85f, 0.14f);
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        const double pitch = 1.0 + bend.next();
        phase1 += 188.0 * pitch / kSampleRate;
        phase2 += 331.0 * pitch / kSampleRate;
        const float body = (sinCycles(phase1) + 0.55f * sinCycles(phase2)) * bodyLevel.next();
        const float noise = rng.bipolar();
        const float rattle = (high.high(noise) * 0.7f + band.band(noise) * 0.9f) * rattleLevel.next();
        const float attack = std::min(1.0f, t / 0.0006f);
        const float fadeOut = n > length - 256 ? float(length - n) / 256.0f : 1.0f;
        const float x = softClip(1.3f * (body + rattle)) * attack * fadeOut * velocity;
        out.add(at + n, x * gainLeft, x * gainRight);
    }
}

void clap(Mixer& mixer, const Route& route, int64_t at, float velocity) {
    Out out(mixer, route);
    Rng rngLeft(seedOf(kClap, uint32_t(at), 1)), rngRight(seedOf(kClap, uint32_t(at), 2));
    Svf left, right;
    left.set(1150.0f, 1.3f);
    right.set(1250.0f, 1.3f);
    const int64_t length = seconds(0.5f);
    // Three quick bursts (hands that do not quite meet), each softer, and the
    // room swelling out of them: the first burst is the edge of the clap.
    const int64_t burstEvery = seconds(0.0095f), tailStart = seconds(0.02f);
    const float burstFactor = float(std::exp(-1.0 / (0.0045 * kSampleRate)));
    Decay tail(0.7f, 0.1f);
    float burst = 0.0f;
    for (int64_t n = 0; n < length; ++n) {
        if (n < 3 * burstEvery && n % burstEvery == 0) burst = 1.0f - 0.2f * float(n / burstEvery);
        const float room = tail.next() * std::min(1.0f, float(n) / float(tailStart));
        const float envelope = std::max(burst, room);
        burst *= burstFactor;
        const float fadeOut = n > length - 256 ? float(length - n) / 256.0f : 1.0f;
        const float gain = 2.2f * envelope * velocity * fadeOut;
        out.add(at + n, left.band(rngLeft.bipolar()) * gain, right.band(rngRight.bipolar()) * gain);
    }
}

void hat(Mixer& mixer, const Route& route, int64_t at, float velocity, float decaySeconds, float pan) {
    Out out(mixer, route);
    Rng rng(seedOf(kHat, uint32_t(at)));
    std::array<Oscillator, 6> metal;
    for (size_t p = 0; p < metal.size(); ++p) {
        metal[p].setHz(kMetalPartials[p] * 1.72);
        metal[p].phase = rng.uniform();
    }
    Svf high1, high2;
    high1.set(7200.0f, 0.7f);
    high2.set(7200.0f, 0.7f);
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    const int64_t length = seconds(decaySeconds * 6.0f) + 64;
    Decay level(velocity, decaySeconds);
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        float tone = 0.0f;
        for (Oscillator& partial : metal) tone += partial.square();
        const float source = tone * (1.0f / 6.0f) * 0.6f + rng.bipolar() * 0.6f;
        const float attack = std::min(1.0f, t / 0.0005f);
        const float fadeOut = n > length - 64 ? float(length - n) / 64.0f : 1.0f;
        const float x = high2.high(high1.high(source)) * level.next() * attack * fadeOut;
        out.add(at + n, x * gainLeft, x * gainRight);
    }
}

void crash(Mixer& mixer, const Route& route, int64_t at, float velocity, float decaySeconds) {
    Out out(mixer, route);
    Rng rngLeft(seedOf(kCrash, uint32_t(at), 1)), rngRight(seedOf(kCrash, uint32_t(at), 2));
    std::array<Oscillator, 6> metal;
    for (size_t p = 0; p < metal.size(); ++p) metal[p].setHz(kMetalPartials[p] * 2.9);
    Svf highLeft, highRight, soften;
    highLeft.set(3600.0f, 0.7f);
    highRight.set(3600.0f, 0.7f);
    soften.set(11000.0f, 0.7f);
    Svf softenRight;
    softenRight.set(11000.0f, 0.7f);
    const int64_t length = seconds(std::min(5.0f, decaySeconds * 4.0f));
    Decay level(velocity, decaySeconds);
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        float tone = 0.0f;
        for (Oscillator& partial : metal) tone += partial.square();
        tone *= 1.0f / 6.0f;
        const float envelope = level.next() * std::min(1.0f, t / 0.002f);
        const float fadeOut = n > length - 2048 ? float(length - n) / 2048.0f : 1.0f;
        const float left = soften.low(highLeft.high(0.35f * tone + rngLeft.bipolar()));
        const float right = softenRight.low(highRight.high(0.35f * tone + rngRight.bipolar()));
        out.add(at + n, left * envelope * fadeOut, right * envelope * fadeOut);
    }
}

void tom(Mixer& mixer, const Route& route, int64_t at, float velocity, float hz, float pan) {
    Out out(mixer, route);
    Rng rng(seedOf(kTom, uint32_t(at)));
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    const int64_t length = seconds(0.8f);
    double phase = 0.0;
    Decay bend(0.55f, 0.045f), bodyLevel(1.0f, 0.22f), skinLevel(0.3f, 0.012f);
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        phase += hz * (1.0 + bend.next()) / kSampleRate;
        const float body = sinCycles(phase) * bodyLevel.next();
        const float skin = rng.bipolar() * skinLevel.next();
        const float fadeOut = n > length - 256 ? float(length - n) / 256.0f : 1.0f;
        const float x = softClip(1.4f * (body + skin)) * std::min(1.0f, t / 0.0008f) * fadeOut * velocity;
        out.add(at + n, x * gainLeft, x * gainRight);
    }
}

void bass(Mixer& mixer, const Route& route, int64_t at, int64_t length, int midi, float velocity,
          const BassStyle& style, int slideFrom) {
    Out out(mixer, route);
    Oscillator saw, square, sub;
    Svf filter;
    Adsr amp(0.003f, 0.25f, 0.85f, style.release, length);
    const int64_t total = length + Adsr::tailSamples(style.release);
    const double target = midi;
    const double start = slideFrom >= 0 ? double(slideFrom) : target;
    const float norm = 1.0f / softClip(style.drive);
    Decay slide(float(start - target), 0.035f / kControlEvery), opening(style.envelope, style.decay / kControlEvery);
    for (int64_t n = 0; n < total; ++n) {
        if (n % kControlEvery == 0) {
            const double note = target + slide.next();
            const double hz = midiToHz(note);
            saw.setHz(hz);
            square.setHz(hz);
            sub.setHz(hz);
            filter.set(style.cutoff * (1.0f + opening.next()), style.resonance);
        }
        const float tone = style.saw * saw.saw() + style.square * square.square();
        const float filtered = filter.low(tone);
        const float x = softClip(style.drive * (filtered + style.sub * sub.sine())) * norm * amp.next() * velocity;
        out.add(at + n, x, x);
    }
}

void pad(Mixer& mixer, const Route& route, int64_t at, int64_t length, const std::vector<int>& notes, float velocity,
         const PadStyle& style) {
    Out out(mixer, route);
    const int64_t total = length + Adsr::tailSamples(style.release);
    const int voices = std::max(1, style.voices);
    const float voiceGain = velocity / float(voices) / std::sqrt(float(notes.size()));
    Rng rng(seedOf(kPad, uint32_t(at)));
    for (int side = 0; side < 2; ++side) {
        // Voices spread evenly over +-detune; the two sides are offset by a
        // third of a step so that they beat differently (width).
        std::vector<Oscillator> oscillators;
        for (int note : notes) {
            for (int v = 0; v < voices; ++v) {
                const double spread = voices == 1 ? 0.0 : (2.0 * v / (voices - 1) - 1.0);
                const double offset = style.detune * (spread + (side ? 0.33 : -0.33) / voices);
                Oscillator osc;
                osc.setHz(midiToHz(note + offset));
                osc.phase = rng.uniform();
                oscillators.push_back(osc);
            }
        }
        Svf filter;
        Adsr amp(style.attack, 1.0f, 0.85f, style.release, length);
        const float lfoRate = side ? 0.13f : 0.11f;
        const float lfoPhase = rng.uniform();
        for (int64_t n = 0; n < total; ++n) {
            if (n % (2 * kControlEvery) == 0) {
                const float t = float(n) * kInvRate;
                filter.set(style.cutoff * (1.0f + style.wobble * sinCycles(lfoRate * t + lfoPhase)), style.resonance);
            }
            float sum = 0.0f;
            for (Oscillator& osc : oscillators) sum += osc.saw();
            const float x = filter.low(sum) * amp.next() * voiceGain;
            if (side == 0) out.add(at + n, x, 0.0f);
            else out.add(at + n, 0.0f, x);
        }
    }
}

void lead(Mixer& mixer, const Route& route, int64_t at, int64_t length, int midi, float velocity,
          const LeadStyle& style, int glideFrom, int64_t cutAfter) {
    Out out(mixer, route);
    Rng rng(seedOf(kLead, uint32_t(at)));
    Oscillator sawLeft, sawRight, body;
    sawLeft.phase = rng.uniform();
    sawRight.phase = rng.uniform();
    Svf filterLeft, filterRight, biteLeft, biteRight;
    biteLeft.set(3000.0f, 0.9f);
    biteRight.set(3300.0f, 0.9f);
    Adsr amp(style.attack, style.decay * 1.5f, style.sustain, style.release, length);
    constexpr int64_t kCutFade = 441;  // 10 ms
    const int64_t ring = length + Adsr::tailSamples(style.release);
    const int64_t total = cutAfter > 0 ? std::min(ring, cutAfter + kCutFade) : ring;
    const double start = glideFrom >= 0 ? double(glideFrom) : double(midi);
    Decay slide(float(start - midi), std::max(style.glide, 0.001f) / kControlEvery);
    Decay opening(style.envelope, style.decay / kControlEvery);
    for (int64_t n = 0; n < total; ++n) {
        if (n % kControlEvery == 0) {
            const float t = float(n) * kInvRate;
            const float vibratoDepth = style.vibrato * std::clamp((t - 0.18f) / 0.3f, 0.0f, 1.0f);
            const double note = midi + slide.next() + vibratoDepth * sinCycles(5.4 * t);
            const double hz = midiToHz(note);
            sawLeft.setHz(hz * 0.9985);
            sawRight.setHz(hz * 1.0015);
            body.setHz(hz * 0.5);
            const float cutoff = style.cutoff * (1.0f + opening.next());
            filterLeft.set(cutoff, style.resonance);
            filterRight.set(cutoff, style.resonance);
        }
        const float under = style.square * body.square();
        const float cut = cutAfter > 0 && n > cutAfter ? float(total - n) / float(kCutFade) : 1.0f;
        const float gain = amp.next() * velocity * cut;
        const float toneLeft = sawLeft.saw(), toneRight = sawRight.saw();
        float left = filterLeft.low(toneLeft + under), right = filterRight.low(toneRight + under);
        if (style.presence > 0) {
            left += style.presence * biteLeft.band(toneLeft);
            right += style.presence * biteRight.band(toneRight);
        }
        left = softClip(1.2f * left) * gain;
        right = softClip(1.2f * right) * gain;
        out.add(at + n, left, right);
    }
}

void pluck(Mixer& mixer, const Route& route, int64_t at, int midi, float velocity, float pan, float brightness,
           float decaySeconds) {
    Out out(mixer, route);
    Rng rng(seedOf(kPluck, uint32_t(at), uint32_t(midi)));
    Oscillator saw, square;
    saw.setHz(midiToHz(midi));
    square.setHz(midiToHz(midi + 0.07));
    saw.phase = rng.uniform();
    Svf filter;
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    const int64_t length = seconds(decaySeconds * 5.0f);
    Decay opening(brightness, 0.11f / kControlEvery), level(velocity * 0.6f, decaySeconds);
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        if (n % kControlEvery == 0) filter.set(250.0f + opening.next(), 1.6f);
        const float attack = std::min(1.0f, t / 0.002f);
        const float fadeOut = n > length - 256 ? float(length - n) / 256.0f : 1.0f;
        const float x = filter.low(saw.saw() + 0.5f * square.square()) * level.next() * attack * fadeOut;
        out.add(at + n, x * gainLeft, x * gainRight);
    }
}

void bell(Mixer& mixer, const Route& route, int64_t at, int midi, float velocity, float pan, float decaySeconds) {
    Out out(mixer, route);
    Oscillator carrier, modulator, shimmer;
    const double hz = midiToHz(midi);
    carrier.setHz(hz);
    modulator.setHz(hz * 3.0);
    shimmer.setHz(hz * 2.003);
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    const int64_t length = seconds(decaySeconds * 5.0f);
    Decay index(2.2f, 0.22f), shimmerLevel(0.18f, 0.6f), level(velocity * 0.5f, decaySeconds);
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        const float mod = modulator.sine() * (index.next() + 0.25f);
        const float tone = sinCycles(carrier.phase + mod * (1.0 / (2.0 * kPi))) + shimmer.sine() * shimmerLevel.next();
        carrier.advance();
        const float attack = std::min(1.0f, t / 0.0015f);
        const float fadeOut = n > length - 256 ? float(length - n) / 256.0f : 1.0f;
        const float x = tone * level.next() * attack * fadeOut;
        out.add(at + n, x * gainLeft, x * gainRight);
    }
}

void riser(Mixer& mixer, const Route& route, int64_t from, int64_t to, float velocity, float fromHz, float toHz) {
    Out out(mixer, route);
    Rng rngLeft(seedOf(kRiser, uint32_t(from), 1)), rngRight(seedOf(kRiser, uint32_t(from), 2));
    Svf left, right;
    const int64_t length = to - from;
    float loudness = 1.0f;
    for (int64_t n = 0; n < length; ++n) {
        const float progress = float(n) / float(length);
        if (n % kControlEvery == 0) {
            const float hz = fromHz * std::pow(toHz / fromHz, progress);
            left.set(hz, 2.2f);
            right.set(hz * 1.04f, 2.2f);
            // A constant-Q band lets through more noise the higher it sits:
            // keep the rise in level to the envelope alone.
            loudness = std::min(2.0f, std::sqrt(2000.0f / hz));
        }
        const float fadeOut = n > length - 220 ? float(length - n) / 220.0f : 1.0f;
        const float gain = velocity * (0.03f + progress * progress) * fadeOut * 1.6f * loudness;
        out.add(from + n, left.band(rngLeft.bipolar()) * gain, right.band(rngRight.bipolar()) * gain);
    }
}

void reverseCymbal(Mixer& mixer, const Route& route, int64_t end, int64_t length, float velocity) {
    Out out(mixer, route);
    Rng rngLeft(seedOf(kReverse, uint32_t(end), 1)), rngRight(seedOf(kReverse, uint32_t(end), 2));
    Svf left, right;
    left.set(4200.0f, 0.7f);
    right.set(4200.0f, 0.7f);
    const int64_t from = end - length;
    for (int64_t n = 0; n < length; ++n) {
        const float progress = float(n) / float(length);
        const float fadeOut = n > length - 130 ? float(length - n) / 130.0f : 1.0f;
        const float gain = velocity * progress * progress * progress * fadeOut;
        out.add(from + n, left.high(rngLeft.bipolar()) * gain, right.high(rngRight.bipolar()) * gain);
    }
}

void whoosh(Mixer& mixer, const Route& route, int64_t from, int64_t to, float velocity, float peakHz) {
    Out out(mixer, route);
    Rng rngLeft(seedOf(kWhoosh, uint32_t(from), 1)), rngRight(seedOf(kWhoosh, uint32_t(from), 2));
    Svf left, right;
    const int64_t length = to - from;
    for (int64_t n = 0; n < length; ++n) {
        const float progress = float(n) / float(length);
        // Rises over the first third, falls over the rest.
        const float shape = progress < 0.33f ? progress / 0.33f : std::pow(1.0f - (progress - 0.33f) / 0.67f, 1.6f);
        if (n % kControlEvery == 0) {
            left.set(150.0f + peakHz * shape, 1.1f);
            right.set(170.0f + peakHz * shape * 0.92f, 1.1f);
        }
        const float gain = velocity * shape;
        out.add(from + n, left.low(rngLeft.bipolar()) * gain, right.low(rngRight.bipolar()) * gain);
    }
}

void wind(Mixer& mixer, const Route& route, int64_t from, int64_t to, float velocity) {
    Out out(mixer, route);
    const int64_t length = to - from;
    const int64_t fade = std::min<int64_t>(seconds(4.0f), length / 3);
    for (int side = 0; side < 2; ++side) {
        Rng rng(seedOf(kWind, uint32_t(from), uint32_t(side)));
        Svf filter;
        const double phase = side ? 0.33 : 0.0;  // cycles
        for (int64_t n = 0; n < length; ++n) {
            const float t = float(n) * kInvRate;
            if (n % (2 * kControlEvery) == 0) {
                const float centre = 520.0f + 300.0f * sinCycles(0.061 * t + phase) +
                                     160.0f * sinCycles(0.173 * t + 1.3 * phase);
                filter.set(centre, 2.6f);
            }
            const float gust = 0.55f + 0.45f * sinCycles(0.093 * t + 0.7 * phase);
            const float edge = std::min({1.0f, float(n) / float(fade), float(length - n) / float(fade)});
            const float x = filter.band(rng.bipolar()) * gust * edge * velocity;
            if (side == 0) out.add(from + n, x, 0.0f);
            else out.add(from + n, 0.0f, x);
        }
    }
}

// A falling sine: the weight under the arrival of the machines and the fire.
void subBoom(Mixer& mixer, const Route& route, int64_t at, float velocity) {
    Out out(mixer, route);
    const int64_t length = seconds(2.0f);
    double phase = 0.0;
    Decay sweep(70.0f, 0.09f), level(velocity, 0.42f);
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        phase += (44.0 + sweep.next()) / kSampleRate;
        const float fadeOut = n > length - 1024 ? float(length - n) / 1024.0f : 1.0f;
        const float x = sinCycles(phase) * level.next() * std::min(1.0f, t / 0.002f) * fadeOut;
        out.add(at + n, x, x);
    }
}

void clank(Mixer& mixer, const Route& route, int64_t at, float velocity, float hz, float pan) {
    Out out(mixer, route);
    Rng rng(seedOf(kClank, uint32_t(at)));
    Oscillator carrier, modulator;
    carrier.setHz(hz);
    modulator.setHz(hz * 1.414);
    Svf tone;
    tone.set(hz * 2.2f, 1.8f);
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    const int64_t length = seconds(0.6f);
    Decay index(5.0f, 0.025f), ringLevel(1.0f, 0.11f), hitLevel(1.0f, 0.006f);
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        const float mod = modulator.sine() * (index.next() + 0.6f);
        const float ring = sinCycles(carrier.phase + mod * (1.0 / (2.0 * kPi))) * ringLevel.next();
        carrier.advance();
        const float hit = rng.bipolar() * hitLevel.next();
        const float fadeOut = n > length - 256 ? float(length - n) / 256.0f : 1.0f;
        const float x = tone.band(ring + hit) * 1.6f * std::min(1.0f, t / 0.0005f) * fadeOut * velocity;
        out.add(at + n, x * gainLeft, x * gainRight);
    }
}

void crackle(Mixer& mixer, const Route& route, int64_t from, int64_t to, float clicksPerSecond, float velocity) {
    Out out(mixer, route);
    Rng rng(seedOf(kCrackle, uint32_t(from)));
    Svf highLeft, highRight, rumbleFilter;
    highLeft.set(1500.0f, 0.8f);
    highRight.set(1500.0f, 0.8f);
    rumbleFilter.set(140.0f, 0.7f);
    const float chance = clicksPerSecond * kInvRate;
    float envelope = 0.0f, decay = 0.0f, gainLeft = 0.0f, gainRight = 0.0f;
    const int64_t length = to - from;
    const int64_t fade = seconds(1.5f);
    for (int64_t n = 0; n < length; ++n) {
        if (rng.uniform() < chance) {
            const float size = rng.uniform();
            envelope = 0.25f + 0.75f * size * size;
            decay = float(std::exp(-1.0 / ((0.0006 + 0.0025 * rng.uniform()) * kSampleRate)));
            panGains(rng.bipolar() * 0.8f, gainLeft, gainRight);
        }
        const float noise = rng.bipolar();
        const float click = noise * envelope;
        envelope *= decay;
        const float t = float(n) * kInvRate;
        const float rumble = rumbleFilter.low(rng.bipolar()) * (0.6f + 0.4f * sinCycles(0.37 * t)) * 1.5f;
        const float edge = std::min({1.0f, float(n) / float(fade), float(length - n) / float(fade)});
        const float gain = velocity * edge;
        out.add(from + n, (highLeft.high(click * gainLeft) + rumble) * gain,
                (highRight.high(click * gainRight) + rumble) * gain);
    }
}

void chirp(Mixer& mixer, const Route& route, int64_t at, float velocity, float pan) {
    Out out(mixer, route);
    Rng rng(seedOf(kChirp, uint32_t(at)));
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    const int calls = 2 + int(rng.next() % 3);
    int64_t start = at;
    for (int call = 0; call < calls; ++call) {
        const float low = 2600.0f + 500.0f * rng.uniform();
        const float high = low * (1.45f + 0.2f * rng.uniform());
        const int64_t length = seconds(0.055f + 0.03f * rng.uniform());
        double phase = 0.0;
        for (int64_t n = 0; n < length; ++n) {
            const float progress = float(n) / float(length);
            phase += (low * std::pow(high / low, progress)) / kSampleRate;
            const float window = sinCycles(0.5 * progress);
            const float x = sinCycles(phase) * window * window * velocity;
            out.add(start + n, x * gainLeft, x * gainRight);
        }
        start += length + seconds(0.05f + 0.06f * rng.uniform());
    }
}

void powerDown(Mixer& mixer, const Route& route, int64_t from, int64_t to, float velocity) {
    Out out(mixer, route);
    Rng rng(seedOf(kPowerDown, uint32_t(from)));
    Oscillator saw;
    Svf filter, noiseFilter;
    const int64_t length = to - from;
    for (int64_t n = 0; n < length; ++n) {
        const float progress = float(n) / float(length);
        if (n % kControlEvery == 0) {
            saw.setHz(220.0 * std::pow(0.12, progress));
            filter.set(3000.0f * std::pow(0.05f, progress), 2.0f);
            noiseFilter.set(6000.0f * std::pow(0.03f, progress), 1.0f);
        }
        const float fadeOut = n > length - 512 ? float(length - n) / 512.0f : 1.0f;
        const float gain = velocity * (1.0f - 0.6f * progress) * std::min(1.0f, float(n) / 300.0f) * fadeOut;
        const float x = (filter.low(saw.saw()) + 0.5f * noiseFilter.low(rng.bipolar())) * gain;
        out.add(from + n, x, x);
    }
}

void stab(Mixer& mixer, const Route& route, int64_t at, int64_t length, const std::vector<int>& notes, float velocity,
          float brightness) {
    Out out(mixer, route);
    Rng rng(seedOf(kStab, uint32_t(at)));
    std::vector<Oscillator> left, right;
    for (int note : notes) {
        Oscillator a, b;
        a.setHz(midiToHz(note - 0.08));
        b.setHz(midiToHz(note + 0.08));
        a.phase = rng.uniform();
        b.phase = rng.uniform();
        left.push_back(a);
        right.push_back(b);
    }
    Svf filterLeft, filterRight;
    const float release = 0.06f;
    Adsr amp(0.002f, 0.18f, 0.55f, release, length);
    const int64_t total = length + Adsr::tailSamples(release);
    Decay opening(brightness, 0.09f / kControlEvery);
    const float gain = velocity / std::sqrt(float(std::max<size_t>(1, notes.size())));
    for (int64_t n = 0; n < total; ++n) {
        if (n % kControlEvery == 0) {
            const float cutoff = 500.0f + opening.next();
            filterLeft.set(cutoff, 1.1f);
            filterRight.set(cutoff * 1.03f, 1.1f);
        }
        float sumLeft = 0.0f, sumRight = 0.0f;
        for (Oscillator& osc : left) sumLeft += osc.saw();
        for (Oscillator& osc : right) sumRight += osc.saw();
        const float level = amp.next() * gain;
        out.add(at + n, filterLeft.low(sumLeft) * level, filterRight.low(sumRight) * level);
    }
}

void epiano(Mixer& mixer, const Route& route, int64_t at, int64_t length, int midi, float velocity, float pan) {
    Out out(mixer, route);
    Rng rng(seedOf(kEpiano, uint32_t(at), uint32_t(midi)));
    Oscillator carrier, modulator, tine;
    const double hz = midiToHz(midi);
    carrier.setHz(hz);
    modulator.setHz(hz);
    tine.setHz(hz * 7.0);
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    const float release = 0.35f;
    Adsr amp(0.002f, 1.6f, 0.0f, release, length);
    const int64_t total = length + Adsr::tailSamples(release);
    Decay index(1.6f * (0.6f + 0.4f * velocity / 0.4f), 0.35f), tineLevel(0.25f, 0.03f);
    const float tremoloPhase = rng.uniform();
    for (int64_t n = 0; n < total; ++n) {
        const float t = float(n) * kInvRate;
        const float mod = modulator.sine() * (index.next() + 0.15f);
        const float tone = sinCycles(carrier.phase + mod * (1.0 / (2.0 * kPi))) + tine.sine() * tineLevel.next();
        carrier.advance();
        const float level = amp.next() * velocity * std::min(1.0f, t / 0.002f);
        const float sway = 0.18f * sinCycles(4.2 * t + tremoloPhase);
        out.add(at + n, tone * level * gainLeft * (1.0f + sway), tone * level * gainRight * (1.0f - sway));
    }
}

void shaker(Mixer& mixer, const Route& route, int64_t at, float velocity, float pan) {
    Out out(mixer, route);
    Rng rng(seedOf(kShaker, uint32_t(at)));
    Svf high, band;
    high.set(5200.0f, 0.7f);
    band.set(8500.0f, 1.2f);
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    const int64_t length = seconds(0.09f);
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        const float shape = std::min(1.0f, t / 0.012f) * float(std::exp(-t / 0.022f));
        const float noise = rng.bipolar();
        const float x = (high.high(noise) * 0.6f + band.band(noise)) * shape * velocity;
        out.add(at + n, x * gainLeft, x * gainRight);
    }
}

void rim(Mixer& mixer, const Route& route, int64_t at, float velocity, float pan) {
    Out out(mixer, route);
    Rng rng(seedOf(kRim, uint32_t(at)));
    Oscillator body, knock;
    body.setHz(1720.0);
    knock.setHz(520.0);
    Svf crack;
    crack.set(3800.0f, 1.4f);
    float gainLeft, gainRight;
    panGains(pan, gainLeft, gainRight);
    const int64_t length = seconds(0.06f);
    Decay bodyLevel(0.6f, 0.008f), knockLevel(0.5f, 0.012f), noiseLevel(0.7f, 0.004f);
    for (int64_t n = 0; n < length; ++n) {
        const float t = float(n) * kInvRate;
        const float x = (body.sine() * bodyLevel.next() + knock.sine() * knockLevel.next() +
                         crack.band(rng.bipolar()) * noiseLevel.next()) *
                        std::min(1.0f, t / 0.0003f) * velocity;
        out.add(at + n, x * gainLeft, x * gainRight);
    }
}

}  // namespace music
