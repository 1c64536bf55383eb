// Decoding: formats, damaged files and the exact length of the output.

#include "TestFlac.h"

#include "audio/FlacStream.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::vector<float> decodeAll(FlacStream& stream) {
    std::vector<float> all;
    std::vector<float> chunk(2 * 1000);
    while (size_t count = stream.read(chunk.data(), 1000)) all.insert(all.end(), chunk.begin(), chunk.begin() + 2 * count);
    return all;
}

struct FormatCase {
    uint32_t sampleRate, channels, bits;
};

class FlacFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FlacFormats, DecodesToScaledStereoAtTheFileRate) {
    const FormatCase format = GetParam();
    TempDir dir;
    TestSignal signal;
    signal.sampleRate = format.sampleRate;
    signal.channels = format.channels;
    signal.bitsPerSample = format.bits;
    signal.frames = format.sampleRate * 3 / 10 + 7;  // not a whole number of blocks
    ASSERT_TRUE(writeTestFlac(dir.file("tone.flac"), signal));

    FlacStream stream;
    std::string why;
    ASSERT_TRUE(stream.open(dir.file("tone.flac"), &why)) << why;
    EXPECT_EQ(stream.info().sampleRate, format.sampleRate);
    EXPECT_EQ(stream.info().channels, format.channels);
    EXPECT_EQ(stream.info().bitsPerSample, format.bits);
    EXPECT_EQ(stream.info().totalFrames, signal.frames);
    EXPECT_DOUBLE_EQ(stream.info().durationSeconds(), double(signal.frames) / format.sampleRate);

    const std::vector<float> all = decodeAll(stream);
    ASSERT_EQ(all.size(), 2 * signal.frames);
    const float scale = float(std::ldexp(1.0, -int(format.bits - 1)));
    for (uint64_t i = 0; i < signal.frames; i += 97) {
        const float left = float(testSample(signal, i, 0)) * scale;
        const float right = float(testSample(signal, i, format.channels > 1 ? 1 : 0)) * scale;
        ASSERT_NEAR(all[2 * i], left, 1e-6f) << "frame " << i;
        ASSERT_NEAR(all[2 * i + 1], right, 1e-6f) << "frame " << i;
    }
    EXPECT_EQ(stream.read(nullptr, 0), 0u);
    EXPECT_EQ(stream.decodeErrors(), 0u);
}

INSTANTIATE_TEST_SUITE_P(RatesDepthsChannels, FlacFormats,
                         ::testing::Values(FormatCase{44100, 2, 16}, FormatCase{44100, 1, 16},
                                           FormatCase{22050, 2, 8}, FormatCase{48000, 2, 24},
                                           FormatCase{48000, 1, 24}, FormatCase{22050, 1, 8}));

TEST(FlacStream, RefusesWhatIsNotACompleteFlacFile) {
    TempDir dir;
    TestSignal signal;
    signal.frames = 44100;
    ASSERT_TRUE(writeTestFlac(dir.file("good.flac"), signal));
    const std::vector<uint8_t> good = readBytes(dir.file("good.flac"));

    writeBytes(dir.file("empty.flac"), {});
    std::vector<uint8_t> noise(20000);
    uint32_t state = 12345;
    for (uint8_t& byte : noise) byte = uint8_t((state = state * 1103515245u + 12345u) >> 24);
    writeBytes(dir.file("noise.flac"), noise);
    writeBytes(dir.file("half.flac"), {good.begin(), good.begin() + long(good.size() / 2)});
    writeBytes(dir.file("short-tail.flac"), {good.begin(), good.end() - 40});
    // A RIFF/WAVE header in front of 16-bit PCM.
    std::vector<uint8_t> wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a'};
    for (int i = 0; i < 40000; ++i) wav.push_back(uint8_t(i * 37));
    writeBytes(dir.file("wave.flac"), wav);

    for (const char* name : {"missing.flac", "empty.flac", "noise.flac", "half.flac", "short-tail.flac", "wave.flac"}) {
        FlacStream stream;
        std::string why;
        EXPECT_FALSE(stream.open(dir.file(name), &why)) << name;
        EXPECT_FALSE(why.empty()) << name;
        EXPECT_FALSE(stream.isOpen()) << name;
    }
    FlacStream stream;
    EXPECT_TRUE(stream.open(dir.file("good.flac")));
}

// Damage inside the file: frames are lost or fail their CRC, but every
// frame after the damage still comes out at its own place, and the output
// keeps the announced length.
TEST(FlacStream, KeepsTimeAcrossDamagedFrames) {
    TempDir dir;
    TestSignal signal;
    signal.frames = 2 * 44100;
    ASSERT_TRUE(writeTestFlac(dir.file("tone.flac"), signal));
    std::vector<uint8_t> bytes = readBytes(dir.file("tone.flac"));
    // Overwrite a stretch in the middle (well past the metadata) with noise.
    uint32_t state = 99;
    for (size_t i = bytes.size() * 2 / 5; i < bytes.size() * 2 / 5 + 3000; ++i)
        bytes[i] = uint8_t((state = state * 1103515245u + 12345u) >> 24);
    writeBytes(dir.file("damaged.flac"), bytes);

    FlacStream stream;
    std::string why;
    ASSERT_TRUE(stream.open(dir.file("damaged.flac"), &why)) << why;
    const std::vector<float> all = decodeAll(stream);
    ASSERT_EQ(all.size(), 2 * signal.frames);
    EXPECT_GT(stream.decodeErrors(), 0u);

    const float scale = 1.0f / 32768.0f;
    uint64_t matching = 0, silent = 0;
    for (uint64_t i = 0; i < signal.frames; ++i) {
        const float expected = float(testSample(signal, i, 0)) * scale;
        if (std::fabs(all[2 * i] - expected) < 1e-6f) ++matching;
        else if (all[2 * i] == 0.0f && all[2 * i + 1] == 0.0f) ++silent;
    }
    // Everything is either the original at its place or silence in place of a lost frame.
    EXPECT_EQ(matching + silent, signal.frames);
    EXPECT_GT(silent, 0u);
    EXPECT_LT(silent, signal.frames / 4);
    // The damage ends before 1.2 s; everything after it is intact.
    for (uint64_t i = 52920; i < signal.frames; i += 101)
        ASSERT_NEAR(all[2 * i], float(testSample(signal, i, 0)) * scale, 1e-6f) << i;
}

}  // namespace
