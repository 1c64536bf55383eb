#pragma once
// Deterministic random numbers for the image generators: a SplitMix64 stream for
// sequential draws and integer hashes for lattice noise. Nothing here depends on
// the standard library's distributions, whose output may differ between versions.
#include <cmath>
#include <cstdint>

namespace tolmero::images {

inline uint32_t hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

inline uint32_t hash3(int32_t x, int32_t y, uint32_t seed) {
    return hash32(static_cast<uint32_t>(x) * 0x8da6b343U ^ hash32(static_cast<uint32_t>(y) * 0xd8163841U ^ seed * 0xcb1ab31fU));
}

// Uniform float in [0, 1) from a hash value.
inline float hashUnit(uint32_t h) { return static_cast<float>(h >> 8) * (1.0f / 16777216.0f); }

class Rng {
public:
    // The seed is scrambled first so that neighbouring seeds give unrelated streams.
    explicit Rng(uint64_t seed) : state_(scramble(seed ^ 0x6A09E667F3BCC909ULL)) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    float uniform(float lo, float hi) { return lo + static_cast<float>(unit()) * (hi - lo); }
    // Uniform integer in [0, n).
    uint32_t below(uint32_t n) { return static_cast<uint32_t>((next() >> 32) * n >> 32); }
    bool chance(double p) { return unit() < p; }
    // Standard normal by Box-Muller (one value per call, deterministic).
    float normal() {
        double u1 = unit();
        double u2 = unit();
        if (u1 < 1e-300) u1 = 1e-300;
        return static_cast<float>(std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2));
    }

private:
    static uint64_t scramble(uint64_t z) {
        z = (z ^ (z >> 33)) * 0xFF51AFD7ED558CCDULL;
        z = (z ^ (z >> 33)) * 0xC4CEB9FE1A85EC53ULL;
        return z ^ (z >> 33);
    }
    uint64_t state_;
};

}  // namespace tolmero::images
