#pragma once
// The production's entry: without arguments the setup dialog, with `play`
// straight into a window; then the production in real time on the music's
// clock. And the launch steps that every command starting the renderer
// shares: the display options and their checks against the device, the
// choice of the music file and the exit codes. Each run* returns the process
// exit code: 0 on success, 1 when no usable Vulkan device exists or the
// output cannot be written, 2 for bad input (reported before any window
// opens).

#include <cstdint>
#include <string>

#include "app/MusicFile.h"

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

struct LaunchSettings;

// Fills the window size and factors of `settings` from the options, refusing
// (one line on standard error, exit code returned) unparsable or non-positive
// values, factors beyond 16 and render sizes beyond `maxImageDimension`.
int applyDisplayOptions(const DisplayOptions& options, std::uint32_t maxImageDimension, LaunchSettings& settings);
// The same against the device's largest image, asked before anything opens.
// Returns 0 with `settings` filled, or the exit code after one line on
// standard error.
int prepareLaunch(const DisplayOptions& options, LaunchSettings& settings);

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

}  // namespace tolmero
