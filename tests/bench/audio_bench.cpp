// Music player benchmarks. Run from the build folder (they open "track.flac"
// there, as the production does), e.g.
//   cd build && tests/bench/bench_audio_bench
// SDL's dummy audio driver is used unless SDL_AUDIODRIVER is set.

#include "audio/FlacStream.h"
#include "audio/MusicPlayer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char* const kTrack = "track.flac";

// open() prints its message on standard output; keep it out of the report.
class QuietStdout {
public:
    QuietStdout() : saved_(dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

void useDummyDriverUnlessSet() { setenv("SDL_AUDIODRIVER", "dummy", 0); }

// The whole open of the production's music: metadata, the check that the
// file is complete, the audio device, and the decoder thread's start.
void BM_OpenSoundtrack(benchmark::State& state) {
    useDummyDriverUnlessSet();
    for (auto _ : state) {
        MusicPlayer player;
        {
            QuietStdout quiet;
            player.open(kTrack);
        }
        if (player.output() != MusicPlayer::Output::Device) {
            state.SkipWithError("track.flac did not open on an audio device");
            break;
        }
        state.PauseTiming();
        player.release();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenSoundtrack)->Unit(benchmark::kMillisecond)->Iterations(20);

// The decoder's share of open(): metadata and the seek to the last frame.
void BM_OpenSoundtrackDecoderOnly(benchmark::State& state) {
    for (auto _ : state) {
        FlacStream stream;
        if (!stream.open(kTrack)) {
            state.SkipWithError("track.flac does not decode");
            break;
        }
        benchmark::DoNotOptimize(stream.info().totalFrames);
    }
}
BENCHMARK(BM_OpenSoundtrackDecoderOnly)->Unit(benchmark::kMillisecond);

// Decoding speed, in seconds of music per second.
void BM_DecodeSoundtrack(benchmark::State& state) {
    std::vector<float> chunk(2 * 4096);
    uint64_t frames = 0;
    for (auto _ : state) {
        FlacStream stream;
        if (!stream.open(kTrack)) {
            state.SkipWithError("track.flac does not decode");
            break;
        }
        while (size_t count = stream.read(chunk.data(), 4096)) frames += count;
    }
    state.counters["music_s_per_s"] = benchmark::Counter(double(frames) / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeSoundtrack)->Unit(benchmark::kMillisecond)->Iterations(2);

// The clock while playing: positionSeconds read about every millisecond.
// Reports how far each step of the position is from the wall time that
// passed (`step_error_*`, in ms) and the share of steps within 0.5 ms.
void BM_ClockSteps(benchmark::State& state) {
    useDummyDriverUnlessSet();
    using Clock = std::chrono::steady_clock;
    std::vector<double> errors;
    for (auto _ : state) {
        MusicPlayer player;
        {
            QuietStdout quiet;
            player.open(kTrack);
        }
        if (player.output() != MusicPlayer::Output::Device) {
            state.SkipWithError("track.flac did not open on an audio device");
            break;
        }
        player.play();
        while (player.positionSeconds() == 0.0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        double lastPosition = player.positionSeconds();
        Clock::time_point lastWall = Clock::now();
        for (int i = 0; i < 3000; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const double position = player.positionSeconds();
            const Clock::time_point wall = Clock::now();
            errors.push_back(1e3 * ((position - lastPosition) -
                                    std::chrono::duration<double>(wall - lastWall).count()));
            lastPosition = position;
            lastWall = wall;
        }
    }
    if (errors.empty()) return;
    std::sort(errors.begin(), errors.end());
    auto quantile = [&](double q) { return errors[size_t(q * double(errors.size() - 1))]; };
    const double within = double(std::count_if(errors.begin(), errors.end(), [](double e) { return std::abs(e) <= 0.5; }));
    state.counters["step_error_min_ms"] = errors.front();
    state.counters["step_error_p01_ms"] = quantile(0.01);
    state.counters["step_error_p50_ms"] = quantile(0.5);
    state.counters["step_error_p99_ms"] = quantile(0.99);
    state.counters["step_error_max_ms"] = errors.back();
    state.counters["within_0_5ms"] = within / double(errors.size());
}
BENCHMARK(BM_ClockSteps)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
