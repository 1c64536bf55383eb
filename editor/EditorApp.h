#pragma once
// `tolmero edit`: a window with the production at the editor's time and the
// editing views over it, the music in step while it plays.
//
// The picture is the production's own frame (FrameLoop::renderFrame) with
// the edited tracks; the editor then draws, into the same back buffer, the
// camera and character paths through the view, the ground grid, and the
// track panel: the selected track's curve and keys over the beats, bars and
// scene spans. Every change lands in the track set before the next frame is
// drawn, and every change is autosaved.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/PlayProduction.h"

namespace tolmero {

struct EditOptions {
    DisplayOptions display{"1280x720", "1x1"};
    std::string music;                        // empty: the default lookup
    std::string tracks = "tracks/TrackData.cpp";  // the source text that saving splices into
    std::string autosave;                     // empty: the tracks file's name with ".autosave"
    float beat = 0.0f;                        // the time the editor opens at
    std::string screenshot;                   // F12 writes the window's pixels here (PNG)
};

// Writes 8-bit RGBA rows (top row first) as a PNG; false when it cannot.
using ScreenshotWriter =
    std::function<bool(const std::string& path, const std::vector<std::uint8_t>& rgba, std::uint32_t width,
                       std::uint32_t height)>;

// Runs the editor until the window closes. Returns the process exit code.
int runEdit(const EditOptions& options, const ScreenshotWriter& writeScreenshot);

}  // namespace tolmero
