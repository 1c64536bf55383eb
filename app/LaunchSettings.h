#pragma once
// The process-wide launch record: what the setup dialog (or the command line)
// chose before the production starts.

#include <cstdint>

namespace tolmero {

struct SupersampleFactors {
    std::int32_t x = 4;
    std::int32_t y = 4;
};

struct LaunchSettings {
    std::int32_t windowed = 1;  // 1 = windowed, 0 = full-screen
    std::int32_t width = 1280;
    std::int32_t height = 720;
    SupersampleFactors supersample;
    std::uint8_t started = 0;  // 1 once the user pressed Start
};

struct PixelSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool operator==(const PixelSize&) const = default;
};

// The window size times the supersampling factors: the size of the scene
// colour and depth targets. Only meaningful for positive fields.
inline PixelSize renderSize(const LaunchSettings& settings) {
    return {static_cast<std::uint32_t>(settings.width) * static_cast<std::uint32_t>(settings.supersample.x),
            static_cast<std::uint32_t>(settings.height) * static_cast<std::uint32_t>(settings.supersample.y)};
}

inline PixelSize windowSize(const LaunchSettings& settings) {
    return {static_cast<std::uint32_t>(settings.width), static_cast<std::uint32_t>(settings.height)};
}

// The one record of the process, written by the setup dialog and read by the
// entry, the window and the renderer.
LaunchSettings& launchSettings();

}  // namespace tolmero
