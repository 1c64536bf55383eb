#include "app/PlayProduction.h"

#include <SDL.h>

#include <cstdio>
#include <limits>

#include "app/CommandLineValues.h"
#include "app/FrameLoop.h"
#include "app/LaunchSettings.h"
#include "app/ProductionPasses.h"
#include "app/SetupDialog.h"
#include "audio/MusicPlayer.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "tracks/TrackSet.h"

namespace tolmero {

int applyDisplayOptions(const DisplayOptions& options, std::uint32_t maxImageDimension, LaunchSettings& settings) {
    std::string error;
    const auto resolution = parseSize(options.resolution, "resolution", error);
    const auto samples = resolution ? parseSize(options.samples, "samples", error) : std::nullopt;
    if (!resolution || !samples || !checkRenderSettings(*resolution, *samples, maxImageDimension, error)) {
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        return kExitBadInput;
    }
    settings.width = resolution->x;
    settings.height = resolution->y;
    settings.supersample = {samples->x, samples->y};
    return 0;
}

int prepareLaunch(const DisplayOptions& options, LaunchSettings& settings) {
    // Bad text is refused before the device is even asked.
    LaunchSettings parsed = settings;
    if (const int code = applyDisplayOptions(options, std::numeric_limits<std::uint32_t>::max(), parsed)) return code;
    // The same limits as the renderer's device: ask it without opening anything.
    DeviceProbe probe;
    if (!probeDevice(probe)) {
        std::fprintf(stderr, "tolmero: no usable Vulkan device: %s\n", probe.error.c_str());
        return kExitNoDevice;
    }
    return applyDisplayOptions(options, probe.maxImageDimension2D, settings);
}

bool chooseCommandMusic(const std::string& musicOption, MusicChoice& music) {
    std::string error;
    const auto choice = chooseMusic(musicOption, error);
    if (!choice) {
        std::fprintf(stderr, "tolmero: %s\n", error.c_str());
        return false;
    }
    music = *choice;
    return true;
}

namespace {

// The music is the production's clock.
class MusicClock : public Clock {
public:
    explicit MusicClock(MusicPlayer& player) : player_(player) {}
    bool isPlaying() override { return player_.isPlaying(); }
    double positionSeconds() override { return player_.positionSeconds(); }

private:
    MusicPlayer& player_;
};

}  // namespace

int playProduction(LaunchSettings& settings, const MusicChoice& music) {
    const PixelSize window = windowSize(settings);
    Renderer* renderer = createRenderer(window.width, window.height, settings.windowed, "Tolmero");
    if (!renderer) return kExitNoDevice;
    const PixelSize render = renderSize(settings);
    std::fprintf(stderr, "tolmero: playing %ux%u %s with %dx%d supersampling (render size %ux%u) on %s\n",
                 window.width, window.height, settings.windowed ? "windowed" : "full screen",
                 settings.supersample.x, settings.supersample.y, render.width, render.height,
                 renderer->device->GetAdapterName());
    SDL_ShowCursor(SDL_DISABLE);

    ProductionPasses passes(settings);
    FrameLoop loop(settings, trackSet(), passes);
    loop.startUp();

    // Only now, with everything loaded, does the music start: loading never
    // eats into the timeline. Without a file the player prints its failure
    // message and runs a silent clock.
    std::fprintf(stderr, "tolmero: %s\n", describeMusic(music).c_str());
    MusicPlayer player;
    player.open(music.path.empty() ? std::string(kMusicFileName) : music.path.string());
    player.play();
    MusicClock clock(player);
    loop.run(clock);

    // Teardown: the sampler and the music; the other objects go with the process.
    releaseObject(passes.resources().linearSampler);
    player.release();
    return 0;
}

int runPlay(const PlayOptions& options) {
    MusicChoice music;
    if (!chooseCommandMusic(options.music, music)) return kExitBadInput;
    LaunchSettings& settings = launchSettings();
    if (const int code = prepareLaunch(options.display, settings)) return code;
    settings.windowed = options.fullscreen ? 0 : 1;
    settings.started = 1;
    return playProduction(settings, music);
}

int runEntry() {
    // The dialog refuses sizes the device cannot render, so ask the device first.
    DeviceProbe probe;
    if (!probeDevice(probe)) {
        std::fprintf(stderr, "tolmero: no usable Vulkan device: %s\n", probe.error.c_str());
        return kExitNoDevice;
    }
    LaunchSettings& settings = launchSettings();
    if (!showSetupDialog(settings, probe.maxImageDimension2D)) return kExitNoDisplay;
    if (!settings.started) return 0;  // Cancel, Escape or the close box
    MusicChoice music;
    chooseCommandMusic("", music);  // the default lookup never refuses
    return playProduction(settings, music);
}

}  // namespace tolmero
