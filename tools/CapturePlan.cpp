#include "tools/CapturePlan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/Clock.h"

namespace tolmero {
namespace {

// A frame that lands on `to` within rounding is not drawn.
constexpr double kFrameTolerance = 1e-9;

std::string beatText(double beat) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", beat);
    return text;
}

}  // namespace

double CapturePlan::beatOfFrame(long k) const {
    return fromBeat + tolmero::beatOfFrame(k, fps);
}

double CapturePlan::fromSeconds() const { return secondsFromBeats(fromBeat); }

double CapturePlan::durationSeconds() const { return static_cast<double>(frameCount) / static_cast<double>(fps); }

std::optional<CapturePlan> planCapture(double fromBeat, double toBeat, int fps, const BeatRange& production,
                                       std::string& error) {
    if (fps <= 0) {
        error = "the frame rate must be a positive whole number of frames per second, not " + std::to_string(fps);
        return std::nullopt;
    }
    if (!std::isfinite(fromBeat) || !std::isfinite(toBeat)) {
        error = "the beats of the range must be finite numbers";
        return std::nullopt;
    }
    const auto outside = [&](double beat) { return beat < production.first || beat > production.end; };
    if (outside(fromBeat) || outside(toBeat)) {
        error = "the range " + beatText(fromBeat) + ".." + beatText(toBeat) +
                " lies outside the production, which runs from beat " + beatText(production.first) + " to beat " +
                beatText(production.end);
        return std::nullopt;
    }
    if (!(fromBeat < toBeat)) {
        error = "the range is empty: --from " + beatText(fromBeat) + " must be before --to " + beatText(toBeat);
        return std::nullopt;
    }
    CapturePlan plan;
    plan.fromBeat = fromBeat;
    plan.toBeat = toBeat;
    plan.fps = fps;
    const double frames = secondsFromBeats(toBeat - fromBeat) * static_cast<double>(fps);
    plan.frameCount = std::max(1L, static_cast<long>(std::ceil(frames - kFrameTolerance)));
    return plan;
}

}  // namespace tolmero
