// The music player as the frame loop uses it: messages, the clock, the end,
// and the silent clocks that stand in when the music cannot be played.

#include "TestFlac.h"

#include "audio/MusicPlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kSuccess = "Sound succesfully rendered!\n";
constexpr const char* kFailure = "mp3 rendering failed :(\n";

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// SDL's dummy driver consumes audio in real time without hardware.
void useDummyAudio() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
void useNoAudio() { setenv("SDL_AUDIODRIVER", "tolmero-no-such-driver", 1); }

std::string openCapturing(MusicPlayer& player, const std::string& path) {
    testing::internal::CaptureStdout();
    player.open(path);
    return testing::internal::GetCapturedStdout();
}

class MusicPlayerTest : public ::testing::Test {
protected:
    std::string tone(double seconds, TestSignal signal = {}) {
        signal.frames = uint64_t(seconds * signal.sampleRate);
        const std::string path = dir_.file("tone" + std::to_string(counter_++) + ".flac");
        EXPECT_TRUE(writeTestFlac(path, signal));
        return path;
    }
    // Polls like the frame loop until the player stops; returns the wall time it took.
    static double playToEnd(MusicPlayer& player, double limitSeconds) {
        const Clock::time_point start = Clock::now();
        player.play();
        while (player.isPlaying() && secondsSince(start) < limitSeconds) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return secondsSince(start);
    }

    TempDir dir_;
    int counter_ = 0;
};

TEST_F(MusicPlayerTest, PlaysAFileToItsEndOnTheDevice) {
    useDummyAudio();
    const std::string path = tone(0.5);
    MusicPlayer player;
    EXPECT_EQ(openCapturing(player, path), kSuccess);
    ASSERT_EQ(player.output(), MusicPlayer::Output::Device);
    EXPECT_DOUBLE_EQ(player.durationSeconds(), 0.5);

    // Opened: stopped at 0, which is before the end.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(player.positionSeconds(), 0.0);
    EXPECT_TRUE(player.isPlaying());

    const double took = playToEnd(player, 3.0);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_GT(took, 0.45);
    EXPECT_LT(took, 0.75);  // the duration plus at most about one device buffer
    // At the end the position is the duration exactly, and stays there.
    EXPECT_EQ(player.positionSeconds(), player.durationSeconds());
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.positionSeconds(), 0.5);
}

TEST_F(MusicPlayerTest, PositionFollowsWallTimeAndNeverGoesBack) {
    useDummyAudio();
    MusicPlayer player;
    openCapturing(player, tone(3.0));
    ASSERT_EQ(player.output(), MusicPlayer::Output::Device);

    player.play();
    const Clock::time_point start = Clock::now();
    double previous = 0.0;
    double firstMoving = -1.0;
    std::vector<std::pair<double, double>> samples;  // (wall, position)
    while (secondsSince(start) < 1.5) {
        const double position = player.positionSeconds();
        const double wall = secondsSince(start);
        ASSERT_GE(position, previous) << "at " << wall << " s";
        if (position > 0 && firstMoving < 0) firstMoving = wall;
        previous = position;
        samples.emplace_back(wall, position);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    // The clock starts with the first buffer the device takes, at most one
    // buffer (46 ms) after play(), and then runs at the device's rate, which
    // for the dummy driver is the wall clock's within about 1 %.
    ASSERT_GE(firstMoving, 0.0);
    EXPECT_LT(firstMoving, 0.1);
    for (const auto& [wall, position] : samples) {
        EXPECT_LE(position, wall * 1.02 + 0.002);
        EXPECT_GE(position, wall * 0.98 - 0.1);
    }
    const auto& [wallA, positionA] = samples[samples.size() / 4];
    const auto& [wallB, positionB] = samples.back();
    EXPECT_NEAR((positionB - positionA) / (wallB - wallA), 1.0, 0.05);
    // Between callbacks the position is interpolated: it is not stuck at
    // the 50 ms steps of the device buffer.
    size_t distinct = 0;
    for (size_t i = 1; i < samples.size(); ++i) distinct += samples[i].second != samples[i - 1].second;
    EXPECT_GT(distinct, samples.size() / 2);
}

TEST_F(MusicPlayerTest, UnreadableMusicRunsTheTimelineOnASilentClock) {
    useDummyAudio();
    const std::vector<uint8_t> good = readBytes(tone(1.0));
    writeBytes(dir_.file("empty.flac"), {});
    std::vector<uint8_t> noise(50000);
    uint32_t state = 7;
    for (uint8_t& byte : noise) byte = uint8_t((state = state * 1103515245u + 12345u) >> 24);
    writeBytes(dir_.file("noise.flac"), noise);
    writeBytes(dir_.file("truncated.flac"), {good.begin(), good.begin() + long(good.size() * 2 / 3)});
    std::vector<uint8_t> wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    wav.resize(30000, 0x11);
    writeBytes(dir_.file("renamed-wave.flac"), wav);

    for (const char* name : {"missing.flac", "empty.flac", "noise.flac", "truncated.flac", "renamed-wave.flac"}) {
        SCOPED_TRACE(name);
        MusicPlayer player;
        EXPECT_EQ(openCapturing(player, dir_.file(name)), kFailure);
        EXPECT_EQ(player.output(), MusicPlayer::Output::SilentClock);
        EXPECT_DOUBLE_EQ(player.durationSeconds(), 421.076 * 60.0 / 105.0);
        EXPECT_TRUE(player.isPlaying());
        EXPECT_EQ(player.positionSeconds(), 0.0);
        const Clock::time_point start = Clock::now();
        player.play();
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        EXPECT_TRUE(player.isPlaying());
        const double position = player.positionSeconds();
        EXPECT_GE(position, 0.079);
        EXPECT_LE(position, secondsSince(start));
    }
}

TEST_F(MusicPlayerTest, WithoutAnAudioDeviceTheFileStillSetsTheClock) {
    useNoAudio();
    MusicPlayer player;
    EXPECT_EQ(openCapturing(player, tone(0.3)), kSuccess);
    EXPECT_EQ(player.output(), MusicPlayer::Output::SilentClock);
    EXPECT_DOUBLE_EQ(player.durationSeconds(), 0.3);
    const double took = playToEnd(player, 2.0);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_GE(took, 0.3);
    EXPECT_LT(took, 0.4);
    EXPECT_EQ(player.positionSeconds(), 0.3);
}

TEST_F(MusicPlayerTest, OtherRatesDepthsAndChannelCountsPlay) {
    useDummyAudio();
    struct Format {
        uint32_t rate, channels, bits;
    };
    for (const Format format : {Format{22050, 1, 8}, Format{48000, 2, 24}, Format{22050, 2, 16}, Format{48000, 1, 16}}) {
        SCOPED_TRACE(std::to_string(format.rate) + " Hz, " + std::to_string(format.channels) + " ch, " +
                     std::to_string(format.bits) + " bit");
        TestSignal signal;
        signal.sampleRate = format.rate;
        signal.channels = format.channels;
        signal.bitsPerSample = format.bits;
        MusicPlayer player;
        EXPECT_EQ(openCapturing(player, tone(0.25, signal)), kSuccess);
        EXPECT_EQ(player.output(), MusicPlayer::Output::Device);
        EXPECT_DOUBLE_EQ(player.durationSeconds(), double(uint64_t(0.25 * format.rate)) / format.rate);
        const double took = playToEnd(player, 2.0);
        EXPECT_FALSE(player.isPlaying());
        EXPECT_GT(took, 0.2);
        EXPECT_LT(took, 0.6);
    }
}

TEST_F(MusicPlayerTest, DamageInsideTheFileDoesNotStopTheClock) {
    useDummyAudio();
    std::vector<uint8_t> bytes = readBytes(tone(0.6));
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 400; ++i) bytes[i] ^= 0x5A;
    writeBytes(dir_.file("damaged.flac"), bytes);
    MusicPlayer player;
    EXPECT_EQ(openCapturing(player, dir_.file("damaged.flac")), kSuccess);
    ASSERT_EQ(player.output(), MusicPlayer::Output::Device);
    const double took = playToEnd(player, 3.0);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_GT(took, 0.55);
    EXPECT_LT(took, 0.85);
}

TEST_F(MusicPlayerTest, ReleaseIsSafeAtAnyPoint) {
    useDummyAudio();
    const std::string path = tone(2.0);
    {
        MusicPlayer player;  // never opened
        EXPECT_FALSE(player.isPlaying());
        EXPECT_EQ(player.positionSeconds(), 0.0);
        player.play();
        player.release();
        player.release();
    }
    MusicPlayer player;
    openCapturing(player, path);
    player.play();
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_GT(player.positionSeconds(), 0.0);
    player.release();  // while playing
    player.release();
    EXPECT_EQ(player.output(), MusicPlayer::Output::None);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.positionSeconds(), 0.0);

    // Opening again starts over at 0; the destructor releases a playing player.
    EXPECT_EQ(openCapturing(player, path), kSuccess);
    EXPECT_EQ(player.positionSeconds(), 0.0);
    player.play();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_LT(player.positionSeconds(), 0.1);
}

}  // namespace
