#include "app/CaptureCommand.h"

#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/CapturePlan.h"
#include "app/Clock.h"
#include "app/FrameLoop.h"
#include "app/LaunchSettings.h"
#include "app/ParticleCatchUp.h"
#include "app/ProductionPasses.h"
#include "app/ProgressBar.h"
#include "app/VideoEncoder.h"
#include "audio/FlacStream.h"
#include "gpu/D3D11.h"
#include "render/Renderer.h"
#include "tracks/TrackSet.h"

namespace tolmero {
namespace {

constexpr int kMaxCrf = 51;
const char* const kMusicFile = "track.flac";

volatile sig_atomic_t interruptRequested = 0;

void onInterrupt(int) { interruptRequested = 1; }

// Ctrl-C sets a flag that the capture checks between frames. The handler is
// one-shot: a second Ctrl-C ends the process at once (ffmpeg, in its own
// process group, then sees its input end and still finishes the file).
// SIGPIPE is ignored so that a vanished ffmpeg is an error to report, not a
// silent death.
class CaptureSignals {
public:
    CaptureSignals() {
        interruptRequested = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        sigaction(SIGINT, &action, &previousInterrupt_);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &previousPipe_);
    }
    ~CaptureSignals() {
        sigaction(SIGINT, &previousInterrupt_, nullptr);
        sigaction(SIGPIPE, &previousPipe_, nullptr);
    }
    CaptureSignals(const CaptureSignals&) = delete;
    CaptureSignals& operator=(const CaptureSignals&) = delete;

    static bool interrupted() { return interruptRequested != 0; }

private:
    struct sigaction previousInterrupt_ {};
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

// The music's length in seconds, or nothing when it cannot be decoded.
std::optional<double> musicSeconds(const std::filesystem::path& path, std::string& why) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        why = "not found in the working directory";
        return std::nullopt;
    }
    FlacStream stream;
    if (!stream.open(path.string(), &why)) return std::nullopt;
    const double seconds = stream.info().durationSeconds();
    if (!(seconds > 0.0)) {
        why = "it holds no music";
        return std::nullopt;
    }
    return seconds;
}

// A beat of the range, kept in double: "--to 10.35" must end the frames at
// 10.35, not at the float nearest to it.
bool parseRangeBeat(const std::string& text, double& beat) {
    char* end = nullptr;
    const double value = text.empty() ? NAN : std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value)) {
        std::fprintf(stderr, "tolmero: invalid beat '%s': expected one finite number\n", text.c_str());
        return false;
    }
    beat = value;
    return true;
}

double seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

int runCapture(const CaptureOptions& options) {
    // Every check of the input comes before anything is rendered.
    if (options.out.empty()) {
        std::fprintf(stderr, "tolmero: --out names the video file to write\n");
        return kExitBadInput;
    }
    if (options.crf < 0 || options.crf > kMaxCrf) {
        std::fprintf(stderr, "tolmero: --crf must be between 0 (lossless) and %d, not %d\n", kMaxCrf, options.crf);
        return kExitBadInput;
    }
    std::string musicProblem;
    const auto music = musicSeconds(kMusicFile, musicProblem);
    const double endBeat = music ? *music * kBeatsPerMinute / 60.0 : kTimelineEndBeat;

    double from = 0.0;
    double to = endBeat;
    if (!options.from.empty() && !parseRangeBeat(options.from, from)) return kExitBadInput;
    if (!options.to.empty() && !parseRangeBeat(options.to, to)) return kExitBadInput;
    std::string error;
    const auto plan = planCapture(from, to, options.fps, endBeat, error);
    if (!plan) {
        std::fprintf(stderr, "tolmero: %s%s\n", error.c_str(),
                     music ? "" : " (the end of the keyed timeline: track.flac, whose length sets the end, is missing)");
        return kExitBadInput;
    }

    LaunchSettings settings;
    if (const int code = prepareLaunch(options.display, settings)) return code;
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
    if (!music) {
        std::fprintf(stderr, "tolmero: warning: %s: %s; the video will have no sound\n", kMusicFile,
                     musicProblem.c_str());
    }

    settings.started = 1;
    launchSettings() = settings;
    const PixelSize window = windowSize(settings);
    encoding.output = options.out;
    encoding.width = window.width;
    encoding.height = window.height;
    encoding.fps = plan->fps;
    encoding.crf = options.crf;
    if (music) encoding.audio = std::filesystem::absolute(kMusicFile);
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
                 "tolmero: capturing %ld frames, beats %g to %g at %d frames/s (%.3f s), %ux%u with %dx%d samples, "
                 "on %s, into %s\n",
                 plan->frameCount, plan->fromBeat, plan->toBeat, plan->fps, plan->durationSeconds(), window.width,
                 window.height, settings.supersample.x, settings.supersample.y,
                 renderer->device->GetAdapterName(), options.out.c_str());

    ProductionPasses passes(settings);
    FrameLoop loop(settings, trackSet(), passes);
    loop.startUp();
    passes.endFrame();  // closes the start-up frame, as the loop's first iteration does
    if (plan->fromBeat > 0.0 && !CaptureSignals::interrupted()) {
        std::fprintf(stderr, "tolmero: catching the particles up to beat %g\n", plan->fromBeat);
        catchUpParticles(passes, trackSet(), loop.camera(), static_cast<float>(plan->fromBeat));
    }
    if (CaptureSignals::interrupted()) {
        destroyRenderer();
        std::fprintf(stderr, "tolmero: interrupted before the first frame; nothing written\n");
        return kExitInterrupted;
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
        std::fprintf(stderr, "tolmero: %s; %s may be unusable\n", error.c_str(), options.out.c_str());
        failed = true;
    }
    if (failed) return 1;

    std::fprintf(stderr,
                 "tolmero: wrote %ld of %ld frames (%.3f s of video) to %s in %.1f s: %.2f frames/s; rendering %.1f s, "
                 "waiting on ffmpeg %.1f s\n",
                 framesDone, plan->frameCount, static_cast<double>(framesDone) / plan->fps, options.out.c_str(),
                 seconds(std::chrono::steady_clock::now() - startTime),
                 framesSeconds > 0.0 ? static_cast<double>(framesDone) / framesSeconds : 0.0, seconds(renderTime),
                 encoder.secondsWaitingOnEncoder());
    return interrupted ? kExitInterrupted : 0;
}

}  // namespace tolmero
