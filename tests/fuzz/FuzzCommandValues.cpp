// The command line's values: sizes ("1920x1080"), beat lists
// ("10,45.5,300"), single beats and capture ranges. Any text either parses
// into values that obey the documented rules or is refused with a reason.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/CommandLineValues.h"
#include "tools/CapturePlan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;

    if (const auto parsed = tolmero::parseSize(text, "resolution", error)) {
        if (parsed->x <= 0 || parsed->y <= 0) std::abort();
        tolmero::checkRenderSettings(*parsed, {4, 4}, 16384, error);
        tolmero::checkRenderSettings({1920, 1080}, *parsed, 16384, error);
    } else if (error.empty()) {
        std::abort();
    }

    error.clear();
    if (const auto beats = tolmero::parseBeats(text, error)) {
        if (beats->empty()) std::abort();
        for (float beat : *beats)
            if (!std::isfinite(beat)) std::abort();
    } else if (error.empty()) {
        std::abort();
    }

    // A capture range: the text split at its first ':' into --from and --to.
    const std::size_t colon = text.find(':');
    const auto from = tolmero::parseBeatValue(text.substr(0, colon));
    const auto to = colon == std::string_view::npos ? std::nullopt : tolmero::parseBeatValue(text.substr(colon + 1));
    if (from && !std::isfinite(*from)) std::abort();
    if (from && to) {
        const tolmero::BeatRange production{-2.5, 434.0};
        const int fps = 1 + static_cast<int>(size % 240);
        if (const auto plan = tolmero::planCapture(*from, *to, fps, production, error)) {
            if (plan->frameCount < 1 || plan->beatOfFrame(0) != *from) std::abort();
            if (plan->beatOfFrame(plan->frameCount - 1) >= *to + 1e-9) std::abort();
            const double longest = (production.end - production.first) * 60.0 / 105.0 * fps + 1.0;
            if (static_cast<double>(plan->frameCount) > longest) std::abort();
        }
        tolmero::checkBeatInProduction(*from, production, error);
    }
    return 0;
}
