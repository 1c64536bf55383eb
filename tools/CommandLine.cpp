#include "tools/CommandLine.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "app/CommandLineValues.h"
#include "app/LaunchSettings.h"
#include "app/PlayProduction.h"
#include "editor/EditorApp.h"
#include "render/EmbeddedResources.h"
#include "tools/CaptureCommand.h"
#include "tools/DumpRandoms.h"
#include "tools/InspectCommand.h"
#include "tools/PngFile.h"
#include "tools/RenderCommands.h"
#include "tracks/TrackSet.h"

namespace tolmero {
namespace {

void addMusicOption(CLI::App& command, std::string& music) {
    command.add_option("--music", music,
                       "the music file (FLAC) to follow; default: track.flac in the working directory, "
                       "then beside the program");
}

void addDisplayOptions(CLI::App& command, DisplayOptions& options) {
    command.add_option("--resolution", options.resolution, "window size WxH")->capture_default_str();
    command.add_option("--samples", options.samples, "supersampling factors XxY, 1 to 16 each")
        ->capture_default_str();
}

}  // namespace

int runCommandLine(int argc, char** argv) {
    CLI::App app{"Tolmero: a real-time audiovisual production of a northern forest and bog."};
    app.require_subcommand(0, 1);
    // Errors of the command line itself get the one-line form of every other refusal.
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return std::string("tolmero: ") + error.what() + " (tolmero --help lists the commands and options)\n";
    });

    DisplayOptions inspectOptions;
    inspectOptions.resolution = "1920x1080";
    std::string inspectBeats;
    CLI::App* inspect = app.add_subcommand(
        "inspect", "print the CPU state of the given beats as JSON, one object per line");
    inspect->add_option("--beats", inspectBeats, "comma-separated beats, e.g. 10,45.5,300")->required();
    addDisplayOptions(*inspect, inspectOptions);

    PlayOptions playOptions;
    CLI::App* play = app.add_subcommand("play", "play in a window without the setup dialog");
    addDisplayOptions(*play, playOptions.display);
    bool windowedFlag = false;
    auto* windowed = play->add_flag("--windowed", windowedFlag, "play in a window (the default)");
    play->add_flag("--fullscreen", playOptions.fullscreen, "play full screen")->excludes(windowed);
    addMusicOption(*play, playOptions.music);

    RenderStillOptions stillOptions;
    stillOptions.display.resolution = "1920x1080";
    CLI::App* render = app.add_subcommand("render", "render the frame of one beat headless into a PNG file");
    render->add_option("--beat", stillOptions.beat, "the beat to render, e.g. 123.5")->required();
    render->add_option("--out", stillOptions.out, "the PNG file to write")->required();
    addDisplayOptions(*render, stillOptions.display);
    addMusicOption(*render, stillOptions.music);

    CaptureOptions captureOptions;
    CLI::App* capture = app.add_subcommand(
        "capture", "render the production headless at a fixed frame rate into an MP4 video with the music "
                   "(encoded by the ffmpeg program)");
    capture->add_option("--out", captureOptions.out, "the video file to write (MP4)");
    capture->add_option("--fps", captureOptions.fps, "frames per second")->capture_default_str();
    auto* captureFrom = capture->add_option("--from", captureOptions.from, "first beat (default: 0)");
    auto* captureTo = capture->add_option(
        "--to", captureOptions.to,
        "beat to stop before (default: the end of the music, or of the keyed timeline without it)");
    capture
        ->add_option("--frames", captureOptions.frames,
                     "A:B: frames A to B - 1 of the frame grid of --fps from beat 0 (frame k at beat k / fps x 105 / "
                     "60), exactly as one long capture has them; pieces of one grid join end to end")
        ->excludes(captureFrom)
        ->excludes(captureTo);
    capture->add_flag("--video-only", captureOptions.videoOnly,
                      "leave the sound out (a piece of a split capture: the join adds the music)");
    capture->add_flag("--print-frames", captureOptions.printFrames,
                      "print the grid frames of the range as A:B and stop (no --out needed)");
    capture->add_option("--crf", captureOptions.crf, "H.264 quality: 0 lossless .. 51 worst")->capture_default_str();
    addDisplayOptions(*capture, captureOptions.display);
    addMusicOption(*capture, captureOptions.music);

    BenchOptions benchOptions;
    CLI::App* bench = app.add_subcommand(
        "bench", "render frames of one beat headless; median and 90th percentile GPU time per section and CPU frame time");
    auto* benchBeat = bench->add_option("--beat", benchOptions.beat, "the beat to render")->capture_default_str();
    bench->add_option("--scene", benchOptions.scene,
                      "measure scene N (0..3) at the middle of its first span instead of --beat")
        ->check(CLI::Range(0, 3))
        ->excludes(benchBeat);
    bench->add_option("--frames", benchOptions.frames, "how many frames to measure")->capture_default_str();
    bench->add_flag("--json", benchOptions.json, "print one JSON object");
    addDisplayOptions(*bench, benchOptions.display);
    addMusicOption(*bench, benchOptions.music);

    std::string extractDirectory;
    CLI::App* assets = app.add_subcommand(
        "assets", "list the embedded assets: id, type, size in bytes and name, tab-separated");
    assets->add_option("--extract", extractDirectory, "also write every asset's bytes under this folder");

    std::string randomsOut;
    EditOptions editOptions;
    CLI::App* edit = app.add_subcommand(
        "edit", "edit the tracks live: the production at the editor's time with the track panel and the paths");
    addDisplayOptions(*edit, editOptions.display);
    addMusicOption(*edit, editOptions.music);
    edit->add_option("--tracks", editOptions.tracks, "the track data that saving (Ctrl+S) splices the edits into")
        ->capture_default_str();
    edit->add_option("--autosave", editOptions.autosave,
                     "where every edit is kept until saved (default: the tracks file with .autosave)");
    edit->add_option("--beat", editOptions.beat, "the beat to open at");
    edit->add_option("--screenshot", editOptions.screenshot, "the PNG file that F12 writes");

    CLI::App* dumpRandoms = app.add_subcommand(
        "dump-randoms", "generate the eight random fields and write them as raw little-endian float32, "
                        "slice by slice, row by row (1024 x 1024 each)");
    dumpRandoms->add_option("--out", randomsOut, "the file to write")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : kExitBadInput;
    }

    if (*inspect) {
        LaunchSettings settings;
        // The CPU state needs no device: any render size that fits 32 bits.
        if (const int code = applyDisplayOptions(inspectOptions, std::numeric_limits<std::uint32_t>::max(), settings))
            return code;
        std::string error;
        const auto beats = parseBeats(inspectBeats, error);
        if (!beats) {
            std::fprintf(stderr, "tolmero: %s\n", error.c_str());
            return kExitBadInput;
        }
        writeInspection(std::cout, *beats, settings, trackSet());
        return 0;
    }

    if (*assets) {
        listAssets(std::cout);
        if (!extractDirectory.empty()) {
            // A failed write throws; main reports it and exits with 1.
            const std::size_t written = extractAssets(extractDirectory);
            std::fprintf(stderr, "tolmero: wrote %zu assets under %s\n", written, extractDirectory.c_str());
        }
        return 0;
    }

    if (*dumpRandoms) return runDumpRandoms(randomsOut);
    if (*play) return runPlay(playOptions);
    if (*edit) {
        return runEdit(editOptions, [](const std::string& path, const std::vector<std::uint8_t>& rgba,
                                       std::uint32_t width, std::uint32_t height) {
            std::string error;
            if (writePng(path, rgba, width, height, error)) return true;
            std::fprintf(stderr, "tolmero: %s\n", error.c_str());
            return false;
        });
    }
    if (*render) return runRenderStill(stillOptions);
    if (*capture) return runCapture(captureOptions);
    if (*bench) return runBench(benchOptions);

    return runEntry();
}

}  // namespace tolmero
