// Writes "sprites/dither.png": a 256 × 256 tileable blue-noise threshold map with
// 16-bit samples, built by void and cluster on a torus. Each channel is an
// independent ranking of all 65536 texels, so every value 0..65535 occurs exactly once
// per channel.
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "common/ImageFile.h"
#include "common/Random.h"

namespace {

constexpr int kSize = 256;
constexpr int kCount = kSize * kSize;
constexpr int kRadius = 6;
constexpr double kSigma = 1.5;

class VoidAndCluster {
public:
    explicit VoidAndCluster(uint64_t seed) : rng_(seed) {
        for (int dy = -kRadius; dy <= kRadius; ++dy)
            for (int dx = -kRadius; dx <= kRadius; ++dx)
                kernel_[(dy + kRadius) * kSide + dx + kRadius] = std::exp(-(dx * dx + dy * dy) / (2.0 * kSigma * kSigma));
    }

    std::vector<uint16_t> ranks() {
        seedPattern();
        relax();
        const std::vector<uint8_t> initialBits = bits_;
        const std::vector<double> initialEnergy = energy_;
        const int initialOnes = ones_;
        std::vector<uint16_t> rank(kCount, 0);

        // Remove the tightest clusters one by one: they get the ranks below the initial count.
        refreshAllRows();
        while (ones_ > 0) {
            const int c = tightestCluster();
            toggle(c);
            rank[c] = static_cast<uint16_t>(ones_);
        }

        // From the initial pattern, fill the largest voids: they get the ranks from the
        // initial count up. Filling the largest void is the same as taking the tightest
        // cluster of the remaining empty texels, because the energy of the empty texels is
        // a constant minus the energy of the filled ones, so one rule serves both halves.
        bits_ = initialBits;
        energy_ = initialEnergy;
        ones_ = initialOnes;
        refreshAllRows();
        while (ones_ < kCount) {
            const int v = largestVoid();
            rank[v] = static_cast<uint16_t>(ones_);
            toggle(v);
        }
        return rank;
    }

private:
    static constexpr int kSide = 2 * kRadius + 1;

    void seedPattern() {
        bits_.assign(kCount, 0);
        energy_.assign(kCount, 0.0);
        ones_ = 0;
        while (ones_ < kCount / 10) {
            const int i = static_cast<int>(rng_.below(kCount));
            if (!bits_[i]) toggleEnergyOnly(i);
        }
    }

    // Moves tightest clusters into the largest voids until the pattern is stable.
    void relax() {
        refreshAllRows();
        for (int iteration = 0; iteration < kCount; ++iteration) {
            const int c = tightestCluster();
            toggle(c);
            const int v = largestVoid();
            if (v == c) {
                toggle(c);
                return;
            }
            toggle(v);
        }
    }

    void toggleEnergyOnly(int i) {
        const int x = i % kSize;
        const int y = i / kSize;
        const double sign = bits_[i] ? -1.0 : 1.0;
        bits_[i] = bits_[i] ? 0 : 1;
        ones_ += bits_[i] ? 1 : -1;
        for (int dy = -kRadius; dy <= kRadius; ++dy) {
            const int yy = (y + dy + kSize) & (kSize - 1);
            for (int dx = -kRadius; dx <= kRadius; ++dx) {
                const int xx = (x + dx + kSize) & (kSize - 1);
                energy_[yy * kSize + xx] += sign * kernel_[(dy + kRadius) * kSide + dx + kRadius];
            }
        }
    }

    void toggle(int i) {
        toggleEnergyOnly(i);
        const int y = i / kSize;
        for (int dy = -kRadius; dy <= kRadius; ++dy) refreshRow((y + dy + kSize) & (kSize - 1));
    }

    // Per row: the filled texel of highest energy and the empty texel of lowest energy.
    void refreshRow(int y) {
        int maxI = -1;
        int minI = -1;
        for (int x = 0; x < kSize; ++x) {
            const int i = y * kSize + x;
            if (bits_[i]) {
                if (maxI < 0 || energy_[i] > energy_[maxI]) maxI = i;
            } else {
                if (minI < 0 || energy_[i] < energy_[minI]) minI = i;
            }
        }
        rowMaxOne_[y] = maxI;
        rowMinZero_[y] = minI;
    }

    void refreshAllRows() {
        for (int y = 0; y < kSize; ++y) refreshRow(y);
    }

    int tightestCluster() const {
        int best = -1;
        for (int y = 0; y < kSize; ++y) {
            const int i = rowMaxOne_[y];
            if (i >= 0 && (best < 0 || energy_[i] > energy_[best])) best = i;
        }
        return best;
    }

    int largestVoid() const {
        int best = -1;
        for (int y = 0; y < kSize; ++y) {
            const int i = rowMinZero_[y];
            if (i >= 0 && (best < 0 || energy_[i] < energy_[best])) best = i;
        }
        return best;
    }

    tolmero::images::Rng rng_;
    double kernel_[kSide * kSide]{};
    std::vector<uint8_t> bits_;
    std::vector<double> energy_;
    int ones_ = 0;
    int rowMaxOne_[kSize]{};
    int rowMinZero_[kSize]{};
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <asset output root>\n", argv[0]);
        return 2;
    }
    try {
        std::vector<uint16_t> samples(static_cast<size_t>(kCount) * 3);
        for (int channel = 0; channel < 3; ++channel) {
            const std::vector<uint16_t> rank = VoidAndCluster(0xD17E5EEDull + channel).ranks();
            for (int i = 0; i < kCount; ++i) samples[static_cast<size_t>(i) * 3 + channel] = rank[i];
        }
        tolmero::images::writePng16Rgb(tolmero::images::assetPath(argv[1], "sprites/dither.png"), kSize, kSize, samples);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
