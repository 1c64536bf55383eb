#include "app/CommandLine.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>

#include "app/CommandLineValues.h"
#include "app/InspectCommand.h"
#include "app/LaunchSettings.h"
#include "tracks/TrackSet.h"

namespace tolmero {
namespace {

constexpr int kExitBadInput = 2;

struct RenderOptions {
    std::string resolution = "1920x1080";
    std::string samples = "4x4";
};

void addRenderOptions(CLI::App& command, RenderOptions& options) {
    command.add_option("--resolution", options.resolution, "window size WxH")->capture_default_str();
    command.add_option("--samples", options.samples, "supersampling factors XxY, 1 to 16 each")
        ->capture_default_str();
}

// Fills `settings` from the options; prints the problem and returns false
// for bad values.
bool applyRenderOptions(const RenderOptions& options, LaunchSettings& settings) {
    std::string error;
    const auto resolution = parseSize(options.resolution, "resolution", error);
    const auto samples = resolution ? parseSize(options.samples, "samples", error) : std::nullopt;
    if (!resolution || !samples) {
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        return false;
    }
    if (samples->x > kMaxSupersample || samples->y > kMaxSupersample) {
        std::fprintf(stderr, "tolmero: the supersampling factors must be between 1 and %d\n", kMaxSupersample);
        return false;
    }
    settings.width = resolution->x;
    settings.height = resolution->y;
    settings.supersample = {samples->x, samples->y};
    return true;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
    CLI::App app{"Tolmero: a real-time audiovisual production of a northern forest and bog."};
    app.require_subcommand(0, 1);

    RenderOptions inspectOptions;
    std::string inspectBeats;
    CLI::App* inspect = app.add_subcommand(
        "inspect", "print the CPU state of the given beats as JSON, one object per line");
    inspect->add_option("--beats", inspectBeats, "comma-separated beats, e.g. 10,45.5,300")->required();
    addRenderOptions(*inspect, inspectOptions);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : kExitBadInput;
    }

    if (*inspect) {
        LaunchSettings settings;
        if (!applyRenderOptions(inspectOptions, settings)) return kExitBadInput;
        std::string error;
        const auto beats = parseBeats(inspectBeats, error);
        if (!beats) {
            std::fprintf(stderr, "tolmero: %s\n", error.c_str());
            return kExitBadInput;
        }
        writeInspection(std::cout, *beats, settings, trackSet());
        return 0;
    }

    std::cout << app.help();
    return 0;
}

}  // namespace tolmero
