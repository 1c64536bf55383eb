#include "tools/CaptureCommand.h"

#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "app/Clock.h"
#include "app/FrameLoop.h"
#include "app/LaunchSettings.h"
#include "app/MusicFile.h"
#include "app/ProductionPasses.h"
#include "gpu/D3D11.h"
#include "render/Renderer.h"
#include "tools/CapturePlan.h"
#include "tools/Mp4Fragments.h"
#include "tools/OutputFile.h"
#include "tools/ParticleCatchUp.h"
#include "tools/ProgressBar.h"
#include "tools/VideoEncoder.h"
#include "tracks/TrackSet.h"

namespace tolmero {
namespace {

constexpr int kMaxCrf = 51;
// Less room than this on the output's disk after a failure: the disk was full.
constexpr std::int64_t kFullDiskBytes = 16 << 20;

volatile sig_atomic_t stopSignal = 0;

void onStopSignal(int signal) { stopSignal = signal; }

// Ctrl-C (SIGINT) and SIGTERM set a flag that the capture checks between
// frames. The handlers are one-shot: a second signal ends the process at once
// (ffmpeg, in its own process group, then sees its input end and still
// finishes the file). SIGPIPE is ignored so that a vanished ffmpeg is an
// error to report, not a silent death.
class CaptureSignals {
public:
    CaptureSignals() {
        stopSignal = 0;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        sigaction(SIGINT, &action, &previousInterrupt_);
        sigaction(SIGTERM, &action, &previousTerminate_);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &previousPipe_);
    }
    ~CaptureSignals() {
        sigaction(SIGINT, &previousInterrupt_, nullptr);
        sigaction(SIGTERM, &previousTerminate_, nullptr);
        sigaction(SIGPIPE, &previousPipe_, nullptr);
    }
    CaptureSignals(const CaptureSignals&) = delete;
    CaptureSignals& operator=(const CaptureSignals&) = delete;

    static bool interrupted() { return stopSignal != 0; }
    // 130 after Ctrl-C, 143 after SIGTERM: the shell's codes for a death by
    // that signal, though the file was finished.
    static int exitCode() { return stopSignal == SIGTERM ? kExitTerminated : kExitInterrupted; }

private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
    struct sigaction previousPipe_ {};
};

// While the frames run, the profiler's per-frame report would scroll the
// progress bar away: drop it, and let every other debug line through above
// the bar.
class DebugLinesAboveBar {
public:
    explicit DebugLinesAboveBar(ProgressBar& bar) {
        gpu::setDebugOutput([&bar](std::string_view line) {
            const Renderer* renderer = currentRenderer();
            if (renderer && isProfilerReport(line, renderer->report)) return;
            bar.clearLine();
            std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
            std::fflush(stderr);
        });
    }
    ~DebugLinesAboveBar() { gpu::setDebugOutput({}); }
    DebugLinesAboveBar(const DebugLinesAboveBar&) = delete;
    DebugLinesAboveBar& operator=(const DebugLinesAboveBar&) = delete;

private:
    // The debug channel writes the report with its line breaks as spaces.
    static bool isProfilerReport(std::string_view line, const std::string& report) {
        if (report.empty() || line.size() != report.size()) return false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char expected = report[i] == '\n' || report[i] == '\r' ? ' ' : report[i];
            if (line[i] != expected) return false;
        }
        return true;
    }
};

double seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

int runCapture(const CaptureOptions& options) {
    // Every check of the input comes before anything is rendered.
    if (options.out.empty() && !options.printFrames) {
        std::fprintf(stderr, "tolmero: --out names the video file to write\n");
        return kExitBadInput;
    }
    if (options.crf < 0 || options.crf > kMaxCrf) {
        std::fprintf(stderr, "tolmero: --crf must be between 0 (lossless) and %d, not %d\n", kMaxCrf, options.crf);
        return kExitBadInput;
    }
    MusicChoice music;
    if (!chooseCommandMusic(options.music, music)) return kExitBadInput;
    const BeatRange production = productionBeats(trackSet(), music.seconds);

    // The range is kept in double: "--to 10.35" must end the frames at 10.35,
    // not at the float nearest to it.
    std::string error;
    std::optional<CapturePlan> plan;
    std::optional<GridFrames> grid;
    if (!options.frames.empty()) {
        grid = parseGridFrames(options.frames, error);
        if (grid) plan = planGridCapture(*grid, options.fps, production, error);
    } else {
        double from = 0.0;
        double to = production.end;
        if (!options.from.empty() && !parseBeat(options.from, from)) return kExitBadInput;
        if (!options.to.empty() && !parseBeat(options.to, to)) return kExitBadInput;
        plan = planCapture(from, to, options.fps, production, error);
        if (plan && options.printFrames) grid = gridFramesOf(from, to, options.fps, production, error);
    }
    if (!plan || (options.printFrames && !grid)) {
        std::fprintf(stderr, "tolmero: %s%s\n", error.c_str(),
                     music.playable() ? "" : " (without music the production ends with its last key)");
        return kExitBadInput;
    }
    if (options.printFrames) {
        std::printf("%ld:%ld\n", grid->first, grid->end);
        return 0;
    }

    LaunchSettings settings;
    if (const int code = applyDisplayOptions(options.display, std::numeric_limits<std::uint32_t>::max(), settings))
        return code;
    if (settings.width % 2 != 0 || settings.height % 2 != 0) {
        std::fprintf(stderr, "tolmero: the video's width and height must be even (H.264 with 4:2:0 colour), not %dx%d\n",
                     settings.width, settings.height);
        return kExitBadInput;
    }
    if (!checkWritable(options.out, error)) {
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        return 1;
    }
    EncoderSettings encoding;
    if (!findProgram(encoding.program)) {
        std::fprintf(stderr, "tolmero: the ffmpeg program was not found on PATH; capture needs it to encode the video "
                             "(Debian: apt-get install ffmpeg)\n");
        return 1;
    }
    if (const int code = prepareLaunch(options.display, settings)) return code;
    if (options.videoOnly) {
        std::fprintf(stderr, "tolmero: %s; video only, as asked\n", describeMusic(music).c_str());
    } else {
        std::fprintf(stderr, "tolmero: %s%s\n", describeMusic(music).c_str(),
                     music.playable() ? "" : "; the video will have no sound");
    }

    settings.started = 1;
    launchSettings() = settings;
    const PixelSize window = windowSize(settings);
    encoding.output = options.out;
    encoding.width = window.width;
    encoding.height = window.height;
    encoding.fps = plan->fps;
    encoding.crf = options.crf;
    if (music.playable() && !options.videoOnly) encoding.audio = music.path;
    encoding.audioStartSeconds = plan->fromSeconds();
    encoding.durationSeconds = plan->durationSeconds();

    std::ofstream rawCopy;
    if (const char* rawPath = std::getenv("TOLMERO_CAPTURE_RAW_FRAMES"); rawPath && *rawPath) {
        rawCopy.open(rawPath, std::ios::binary | std::ios::trunc);
    }

    CaptureSignals signals;
    const auto startTime = std::chrono::steady_clock::now();
    Renderer* renderer = createHeadlessRenderer(window.width, window.height);
    if (!renderer) return kExitNoDevice;
    std::fprintf(stderr,
                 "tolmero: capturing %ld frames%s, beats %g to %g at %d frames/s (%.3f s), %ux%u with %dx%d samples, "
                 "on %s, into %s\n",
                 plan->frameCount,
                 grid ? (" (grid frames " + std::to_string(grid->first) + ":" + std::to_string(grid->end) + ")").c_str()
                      : "",
                 plan->fromBeat, plan->toBeat, plan->fps, plan->durationSeconds(), window.width,
                 window.height, settings.supersample.x, settings.supersample.y,
                 renderer->device->GetAdapterName(), options.out.c_str());

    ProductionPasses passes(settings);
    FrameLoop loop(settings, trackSet(), passes);
    loop.startUp();
    passes.endFrame();  // closes the start-up frame, as the loop's first iteration does
    if (plan->fromBeat > 0.0 && !CaptureSignals::interrupted()) {
        // As a run at the capture's rate has them there, every flame step
        // included, so that a capture from `from` shows the frames of a
        // capture from 0 at the same rate.
        std::fprintf(stderr, "tolmero: catching the particles up to beat %g\n", plan->fromBeat);
        // The steps are queued on the device and run with the first frame's
        // submission, so their count is shown, not a time.
        const CatchUpCounts steps = catchUpParticles(passes, trackSet(), loop.camera(), plan->fromBeat,
                                                     {plan->fps, true, &CaptureSignals::interrupted});
        std::fprintf(stderr, "tolmero: caught up: %d logo steps, %d flame steps\n", steps.logoSteps,
                     steps.flameSteps);
        loop.setLogoStepsSinceFullActivation(steps.logoStepsSinceFullActivation);
    }
    if (CaptureSignals::interrupted()) {
        destroyRenderer();
        std::fprintf(stderr, "tolmero: interrupted before the first frame; nothing written\n");
        return CaptureSignals::exitCode();
    }

    VideoEncoder encoder;
    if (!encoder.start(encoding, error)) {
        destroyRenderer();
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        return 1;
    }

    long framesDone = 0;
    bool failed = false;
    std::chrono::steady_clock::duration renderTime{};
    const auto framesStart = std::chrono::steady_clock::now();
    {
        ProgressBar bar(stderr, plan->frameCount);
        DebugLinesAboveBar debugLines(bar);
        bar.update(0);
        std::vector<std::uint8_t> pixels;
        for (long k = 0; k < plan->frameCount && !CaptureSignals::interrupted(); ++k) {
            const auto frameStart = std::chrono::steady_clock::now();
            loop.renderFrame(static_cast<float>(plan->beatOfFrame(k)));
            passes.endFrame();
            std::uint32_t width = 0, height = 0;
            const bool readBack = readBackBuffer(pixels, width, height);
            renderTime += std::chrono::steady_clock::now() - frameStart;
            if (!readBack || width != window.width || height != window.height) {
                bar.clearLine();
                std::fprintf(stderr, "tolmero: cannot read frame %ld back from the GPU\n", k);
                failed = true;
                break;
            }
            if (rawCopy.is_open()) rawCopy.write(reinterpret_cast<const char*>(pixels.data()), pixels.size());
            if (!encoder.writeFrame(pixels, error)) {
                bar.clearLine();
                std::fprintf(stderr, "tolmero: %s\n", error.c_str());
                failed = true;
                break;
            }
            framesDone = k + 1;
            bar.update(framesDone);
        }
        if (!failed) bar.finish();
    }
    const double framesSeconds = seconds(std::chrono::steady_clock::now() - framesStart);
    destroyRenderer();

    const bool interrupted = CaptureSignals::interrupted() && framesDone < plan->frameCount;
    if (interrupted && !failed) {
        std::fprintf(stderr, "tolmero: interrupted: finishing %s with the %ld frames captured\n", options.out.c_str(),
                     framesDone);
    }
    if (!encoder.finish(error) && !failed) {
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        failed = true;
    }
    if (failed) {
        // Say why when the disk is the cause, and cut the file after its last
        // whole fragment, so that every frame left in it plays.
        const std::int64_t free = freeBytesAt(options.out);
        const FragmentTrim trim = trimToWholeFragments(options.out);
        std::string kept = options.out + " holds no whole fragment and does not play";
        if (trim.ok && trim.fragments > 0) {
            kept = options.out + " keeps the " + std::to_string(trim.fragments) +
                   " whole fragments (of at most a second each) encoded before, and plays";
        } else if (!trim.ok) {
            kept = trim.error;
        }
        std::fprintf(stderr, "tolmero: %s%s\n", free >= 0 && free < kFullDiskBytes ? "the disk is full; " : "",
                     kept.c_str());
        return 1;
    }

    std::fprintf(stderr,
                 "tolmero: wrote %ld of %ld frames (%.3f s of video) to %s in %.1f s: %.2f frames/s; rendering %.1f s, "
                 "waiting on ffmpeg %.1f s\n",
                 framesDone, plan->frameCount, static_cast<double>(framesDone) / plan->fps, options.out.c_str(),
                 seconds(std::chrono::steady_clock::now() - startTime),
                 framesSeconds > 0.0 ? static_cast<double>(framesDone) / framesSeconds : 0.0, seconds(renderTime),
                 encoder.secondsWaitingOnEncoder());
    return interrupted ? CaptureSignals::exitCode() : 0;
}

}  // namespace tolmero
