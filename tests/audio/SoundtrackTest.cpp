// The soundtrack the build composes: format, length, level, its sections,
// and that the composer always writes the same bytes.

#include "TestFlac.h"

#include "audio/FlacStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

const std::string kTrack = std::string(TOLMERO_BUILD_DIR) + "/track.flac";
constexpr double kSecondsPerBeat = 60.0 / 105.0;

struct Decoded {
    FlacInfo info;
    std::vector<float> samples;  // interleaved stereo

    double rmsDb(double fromBeat, double toBeat) const {
        const size_t from = size_t(fromBeat * kSecondsPerBeat * info.sampleRate);
        const size_t to = std::min(samples.size() / 2, size_t(toBeat * kSecondsPerBeat * info.sampleRate));
        double sum = 0.0;
        for (size_t i = 2 * from; i < 2 * to; ++i) sum += double(samples[i]) * samples[i];
        return 10.0 * std::log10(sum / double(2 * (to - from)) + 1e-20);
    }
};

const Decoded& track() {
    static const Decoded decoded = [] {
        Decoded d;
        FlacStream stream;
        std::string why;
        EXPECT_TRUE(stream.open(kTrack, &why)) << kTrack << ": " << why;
        d.info = stream.info();
        d.samples.resize(size_t(d.info.totalFrames) * 2);
        size_t at = 0;
        while (size_t count = stream.read(d.samples.data() + 2 * at, 65536)) at += count;
        EXPECT_EQ(stream.decodeErrors(), 0u);
        return d;
    }();
    return decoded;
}

TEST(Soundtrack, IsLongCdQualityStereo) {
    const Decoded& t = track();
    EXPECT_EQ(t.info.sampleRate, 44100u);
    EXPECT_EQ(t.info.bitsPerSample, 16u);
    EXPECT_EQ(t.info.channels, 2u);
    // The keyed timeline ends at beat 421.076 (240.6 s); the music rings out after it.
    EXPECT_GE(t.info.durationSeconds(), 241.0);
    EXPECT_LE(t.info.durationSeconds(), 255.0);
}

TEST(Soundtrack, PeaksAtMostOneDecibelBelowFullScale) {
    float peak = 0.0f;
    for (float sample : track().samples) peak = std::max(peak, std::fabs(sample));
    EXPECT_LE(20.0 * std::log10(peak), -1.0);
    EXPECT_GE(20.0 * std::log10(peak), -3.0);  // normalised, not merely quiet
}

TEST(Soundtrack, SectionsFollowTheProduction) {
    const Decoded& t = track();
    const double forest = t.rmsDb(0, 32), logo = t.rmsDb(32, 96), water = t.rmsDb(112, 160),
                 stumps = t.rmsDb(160, 224), machines = t.rmsDb(224, 256), titles = t.rmsDb(256, 287),
                 fire = t.rmsDb(289, 416);
    for (double level : {forest, logo, water, stumps, machines, titles, fire}) EXPECT_GT(level, -30.0);
    // The sparse forest opening is clearly quieter than the fire at the end.
    EXPECT_LT(forest, fire - 6.0);
    EXPECT_LT(logo, fire);
    // A breath before the fire: beat 287 to 288 is much quieter than what surrounds it.
    EXPECT_LT(t.rmsDb(287.1, 287.9), titles - 10.0);
    // After the timeline the last chord is still sounding, then dies away.
    const double endBeat = t.info.durationSeconds() / kSecondsPerBeat;
    const double ringing = t.rmsDb(421.1, 426), later = t.rmsDb(endBeat - 4, endBeat - 2),
                 last = t.rmsDb(endBeat - 0.25 / kSecondsPerBeat, endBeat);
    EXPECT_GT(ringing, -30.0);
    EXPECT_LT(later, ringing - 10.0);
    EXPECT_LT(last, -45.0);
}

TEST(Soundtrack, ComposerWritesTheSameBytesEveryTime) {
    TempDir dir;
    const std::string again = dir.file("again.flac");
    const std::string command = std::string(TOLMERO_COMPOSE) + " " + again + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<uint8_t> built = readBytes(kTrack);
    ASSERT_FALSE(built.empty());
    EXPECT_TRUE(readBytes(again) == built);
}

}  // namespace
