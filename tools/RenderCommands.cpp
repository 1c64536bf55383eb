#include "tools/RenderCommands.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <map>
#include <vector>

#include "app/CommandLineValues.h"
#include "app/FrameLoop.h"
#include "app/LaunchSettings.h"
#include "app/ProductionPasses.h"
#include "render/GpuResources.h"
#include "render/Profiler.h"
#include "render/Renderer.h"
#include "tools/Json.h"
#include "tools/OutputFile.h"
#include "tools/ParticleCatchUp.h"
#include "tools/PngFile.h"
#include "tools/SceneSpans.h"
#include "tracks/TrackSet.h"

namespace tolmero {

bool parseBeat(const std::string& text, double& beat) {
    const auto value = parseBeatValue(text);
    if (!value) {
        std::fprintf(stderr, "tolmero: invalid beat '%s': expected one finite number\n", text.c_str());
        return false;
    }
    beat = *value;
    return true;
}

bool parseBeat(const std::string& text, const BeatRange& production, double& beat) {
    if (!parseBeat(text, beat)) return false;
    std::string error;
    if (!checkBeatInProduction(beat, production, error)) {
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        return false;
    }
    return true;
}

namespace {

// The median (mean of the middle two for an even count) and the 90th
// percentile (nearest rank) of a non-empty set of samples.
struct Spread {
    double median = 0.0;
    double p90 = 0.0;
};

Spread spreadOf(std::vector<double> samples) {
    Spread spread;
    if (samples.empty()) return spread;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    spread.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    const std::size_t rank = static_cast<std::size_t>(std::ceil(0.9 * static_cast<double>(n)));
    spread.p90 = samples[std::max<std::size_t>(rank, 1) - 1];
    return spread;
}

using CreationsOfFrame = gpu::VulkanCreationCounts;

CreationsOfFrame creationsBetween(const gpu::VulkanCreationCounts& before, const gpu::VulkanCreationCounts& after) {
    CreationsOfFrame frame;
    frame.memoryAllocations = after.memoryAllocations - before.memoryAllocations;
    frame.buffers = after.buffers - before.buffers;
    frame.imageViews = after.imageViews - before.imageViews;
    frame.bufferViews = after.bufferViews - before.bufferViews;
    frame.pipelines = after.pipelines - before.pipelines;
    return frame;
}

// The counters as bench names them.
const std::pair<const char*, gpu::UINT64 CreationsOfFrame::*> kCreationFields[] = {
    {"memoryAllocations", &CreationsOfFrame::memoryAllocations},
    {"bufferCreations", &CreationsOfFrame::buffers},
    {"imageViewCreations", &CreationsOfFrame::imageViews},
    {"bufferViewCreations", &CreationsOfFrame::bufferViews},
    {"pipelineCreations", &CreationsOfFrame::pipelines},
};

}  // namespace

int runRenderStill(const RenderStillOptions& options) {
    // Every check of the input, and of the output file, comes before the device starts.
    MusicChoice music;
    if (!chooseCommandMusic(options.music, music)) return kExitBadInput;
    double beat = 0.0;
    if (!parseBeat(options.beat, productionBeats(trackSet(), music.seconds), beat)) return kExitBadInput;
    LaunchSettings settings;
    if (const int code = applyDisplayOptions(options.display, std::numeric_limits<std::uint32_t>::max(), settings))
        return code;
    std::string error;
    if (!checkWritable(options.out, error)) {
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        return 1;
    }
    if (const int code = prepareLaunch(options.display, settings)) return code;
    settings.started = 1;
    launchSettings() = settings;

    const PixelSize window = windowSize(settings);
    if (!createHeadlessRenderer(window.width, window.height)) return kExitNoDevice;
    ProductionPasses passes(settings);
    FrameLoop loop(settings, trackSet(), passes);
    loop.startUp();
    passes.endFrame();  // closes the start-up frame, as the loop's first iteration does

    // The particles as a run at 60 frames a second would have left them.
    loop.setLogoStepsSinceFullActivation(
        catchUpParticles(passes, trackSet(), loop.camera(), beat).logoStepsSinceFullActivation);

    loop.renderFrame(static_cast<float>(beat));
    passes.endFrame();

    std::vector<std::uint8_t> pixels;
    std::uint32_t width = 0, height = 0;
    if (!readBackBuffer(pixels, width, height)) {
        std::fprintf(stderr, "tolmero: cannot read the rendered frame back\n");
        destroyRenderer();
        return 1;
    }
    destroyRenderer();
    if (!writePng(options.out, pixels, width, height, error)) {
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int runBench(const BenchOptions& options) {
    MusicChoice music;
    if (!chooseCommandMusic(options.music, music)) return kExitBadInput;
    double beat = 0.0;
    if (options.scene >= 0) {
        const auto middle = representativeBeat(trackSet(), options.scene);
        if (!middle) {
            std::fprintf(stderr, "tolmero: scene %d never shows in the production\n", options.scene);
            return kExitBadInput;
        }
        beat = *middle;
    } else if (!parseBeat(options.beat, productionBeats(trackSet(), music.seconds), beat)) {
        return kExitBadInput;
    }
    if (options.frames <= 0) {
        std::fprintf(stderr, "tolmero: the frame count must be positive\n");
        return kExitBadInput;
    }
    LaunchSettings settings;
    if (const int code = prepareLaunch(options.display, settings)) return code;
    settings.started = 1;
    launchSettings() = settings;

    const PixelSize window = windowSize(settings);
    Renderer* renderer = createHeadlessRenderer(window.width, window.height);
    if (!renderer) return kExitNoDevice;
    const std::string deviceName = renderer->device->GetAdapterName();
    ProductionPasses passes(settings);
    FrameLoop loop(settings, trackSet(), passes);
    loop.startUp();
    passes.endFrame();  // the start-up frame is not measured
    // The particles as the production has them at this beat, so that their
    // passes cost what they cost there.
    loop.setLogoStepsSinceFullActivation(
        catchUpParticles(passes, trackSet(), loop.camera(), beat).logoStepsSinceFullActivation);
    passes.endFrame();  // nor is the catch-up's
    reportProfiledFrames(*renderer, 0);
    const int scene = sceneIndex(trackSet().evaluate("scene", static_cast<float>(beat)).y);

    // The profiler reports each frame two frames later; every measured
    // frame's report is collected, the last ones after the loop.
    std::vector<double> cpuFrameMs, endFrameMs;
    std::vector<CreationsOfFrame> creations;
    renderer->collectSectionTimes = true;
    renderer->collectedSectionTimes.clear();
    for (int frame = 0; frame < options.frames; ++frame) {
        const gpu::VulkanCreationCounts before = gpu::vulkanCreationCounts();
        const auto start = std::chrono::steady_clock::now();
        loop.renderFrame(static_cast<float>(beat));
        const auto recorded = std::chrono::steady_clock::now();
        passes.endFrame();
        const auto end = std::chrono::steady_clock::now();
        cpuFrameMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        endFrameMs.push_back(std::chrono::duration<double, std::milli>(end - recorded).count());
        creations.push_back(creationsBetween(before, gpu::vulkanCreationCounts()));
    }
    reportProfiledFrames(*renderer, 0);
    std::vector<std::string> sectionOrder;
    std::map<std::string, std::vector<double>> sectionMs;
    for (const std::vector<SectionTiming>& frame : renderer->collectedSectionTimes) {
        for (const SectionTiming& section : frame) {
            auto& samples = sectionMs[section.name];
            if (samples.empty()) sectionOrder.push_back(section.name);
            samples.push_back(section.milliseconds);
        }
    }
    destroyRenderer();

    const Spread cpu = spreadOf(cpuFrameMs);
    const Spread endFrameSpread = spreadOf(endFrameMs);
    if (options.json) {
        const auto spreadJson = [](const Spread& spread) { return Json{{"median", spread.median}, {"p90", spread.p90}}; };
        Json json = Json::object();
        json["device"] = deviceName;
        json["frames"] = options.frames;
        json["cpuFrameMs"] = spreadJson(cpu);
        json["endFrameMs"] = spreadJson(endFrameSpread);
        json["sections"] = Json::object();
        for (const std::string& name : sectionOrder) json["sections"][name] = spreadJson(spreadOf(sectionMs[name]));
        // What each frame asked Vulkan to create, frame by frame.
        json["vulkanCreationsPerFrame"] = Json::object();
        for (const auto& [name, field] : kCreationFields) {
            Json& counts = json["vulkanCreationsPerFrame"][name] = Json::array();
            for (const CreationsOfFrame& frame : creations) counts.push_back(static_cast<long long>(frame.*field));
        }
        std::cout << jsonText(json) << '\n';
    } else {
        std::printf("device: %s\nframes: %d at beat %g (scene %d), %dx%d with %dx%d samples\n", deviceName.c_str(),
                    options.frames, static_cast<double>(beat), scene, settings.width, settings.height,
                    settings.supersample.x, settings.supersample.y);
        std::printf("%-24s %12s %12s\n", "", "median ms", "p90 ms");
        std::printf("%-24s %12.3f %12.3f\n", "CPU frame", cpu.median, cpu.p90);
        std::printf("%-24s %12.3f %12.3f\n", "  of it in endFrame", endFrameSpread.median, endFrameSpread.p90);
        for (const std::string& name : sectionOrder) {
            const Spread gpuTime = spreadOf(sectionMs[name]);
            std::printf("%-24s %12.3f %12.3f\n", name.c_str(), gpuTime.median, gpuTime.p90);
        }
        std::printf("Vulkan creations per frame:\n");
        for (const auto& [name, field] : kCreationFields) {
            std::printf("  %-20s", name);
            for (const CreationsOfFrame& frame : creations) std::printf(" %llu", static_cast<unsigned long long>(frame.*field));
            std::printf("\n");
        }
    }
    return 0;
}

}  // namespace tolmero
