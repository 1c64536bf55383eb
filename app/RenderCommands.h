#pragma once
// The commands that start the renderer: `play` (a window, in real time),
// `render` (one headless still as a PNG) and `bench` (headless GPU and CPU
// timings). Each returns the process exit code: 0 on success, 1 when no
// usable Vulkan device exists or the output cannot be written, 2 for bad
// input (reported before any window opens).

#include <cstdint>
#include <string>

#include "app/MusicFile.h"
#include "app/SceneSpans.h"

namespace tolmero {

inline constexpr int kExitNoDevice = 1;
inline constexpr int kExitNoDisplay = 1;
inline constexpr int kExitBadInput = 2;

// Window size and supersampling factors as given on the command line.
struct DisplayOptions {
    std::string resolution = "1280x720";
    std::string samples = "4x4";
};

struct PlayOptions {
    DisplayOptions display;
    bool fullscreen = false;
    std::string music;  // empty: "track.flac" in the working directory, then beside the program
};

struct RenderStillOptions {
    DisplayOptions display;
    std::string beat;
    std::string out;
    std::string music;  // sets the end of the production, as for play
};

struct BenchOptions {
    DisplayOptions display;
    std::string music;
    std::string beat = "300";
    int scene = -1;  // 0..3: a beat in the middle of that scene's first span instead of `beat`
    int frames = 30;
    bool json = false;
};

struct LaunchSettings;

// Fills the window size and factors of `settings` from the options, refusing
// (one line on standard error, exit code returned) unparsable or non-positive
// values, factors beyond 16 and render sizes beyond `maxImageDimension`.
int applyDisplayOptions(const DisplayOptions& options, std::uint32_t maxImageDimension, LaunchSettings& settings);
// The same against the device's largest image, asked before anything opens.
// Returns 0 with `settings` filled, or the exit code after one line on
// standard error.
int prepareLaunch(const DisplayOptions& options, LaunchSettings& settings);
// One finite beat; false after one line on standard error.
bool parseBeat(const std::string& text, double& beat);
// One finite beat within the production; false after one line on standard error.
bool parseBeat(const std::string& text, const BeatRange& production, double& beat);

// The music of a command: the file `--music` names, or the one found by
// default. False after one line on standard error when the named file cannot
// be used.
bool chooseCommandMusic(const std::string& musicOption, MusicChoice& music);

// The entry without arguments: the setup dialog, then the production as
// chosen there; Cancel returns 0 without opening a window.
int runEntry();
// The production with the given settings: window, start-up, then the frame
// loop on the music's clock until the music ends or the window quits.
int playProduction(LaunchSettings& settings, const MusicChoice& music);
int runPlay(const PlayOptions& options);
int runRenderStill(const RenderStillOptions& options);
int runBench(const BenchOptions& options);

}  // namespace tolmero
