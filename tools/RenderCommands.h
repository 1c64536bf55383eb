#pragma once
// The commands that render headless: `render` (one still as a PNG) and
// `bench` (GPU and CPU timings). Each returns the process exit code, as the
// production's entry does (app/PlayProduction.h).

#include <string>

#include "app/PlayProduction.h"
#include "tools/SceneSpans.h"

namespace tolmero {

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

// One finite beat; false after one line on standard error.
bool parseBeat(const std::string& text, double& beat);
// One finite beat within the production; false after one line on standard error.
bool parseBeat(const std::string& text, const BeatRange& production, double& beat);

int runRenderStill(const RenderStillOptions& options);
int runBench(const BenchOptions& options);

}  // namespace tolmero
