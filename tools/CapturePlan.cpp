#include "tools/CapturePlan.h"

#include <algorithm>
#include <charconv>
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
    // A grid frame's beat is computed from its global index, never as an
    // offset from the piece's start: the very same double, so the same float
    // time, as in one long run.
    if (firstGridFrame) return tolmero::beatOfFrame(*firstGridFrame + k, fps);
    return fromBeat + tolmero::beatOfFrame(k, fps);
}

double CapturePlan::fromSeconds() const { return secondsFromBeats(fromBeat); }

double CapturePlan::durationSeconds() const { return static_cast<double>(frameCount) / static_cast<double>(fps); }

namespace {

bool checkFrameRate(int fps, std::string& error) {
    if (fps > 0) return true;
    error = "the frame rate must be a positive whole number of frames per second, not " + std::to_string(fps);
    return false;
}

std::optional<long> parseFrameIndex(std::string_view text) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    if (text.empty() || failure != std::errc() || stop != end) return std::nullopt;
    return value;
}

// The first grid frame at or after `beat`, a frame within rounding of it
// counting as on it.
long firstFrameFrom(double beat, int fps) {
    return static_cast<long>(std::ceil(secondsFromBeats(beat) * static_cast<double>(fps) - kFrameTolerance));
}

}  // namespace

std::optional<GridFrames> parseGridFrames(std::string_view text, std::string& error) {
    const std::size_t colon = text.find(':');
    const auto first = parseFrameIndex(text.substr(0, colon));
    const auto end = colon == std::string_view::npos ? std::nullopt : parseFrameIndex(text.substr(colon + 1));
    if (!first || !end) {
        error = "invalid frame range '" + std::string(text) + "': expected A:B, two whole numbers such as 4938:5250";
        return std::nullopt;
    }
    if (*first >= *end) {
        error = "the frame range " + std::string(text) + " is empty: the first frame A must be before the end B " +
                "(frames A to B - 1 are drawn)";
        return std::nullopt;
    }
    return GridFrames{*first, *end};
}

std::optional<GridFrames> gridFramesOf(double fromBeat, double toBeat, int fps, const BeatRange& production,
                                       std::string& error) {
    if (!planCapture(fromBeat, toBeat, fps, production, error)) return std::nullopt;
    GridFrames frames{firstFrameFrom(fromBeat, fps), firstFrameFrom(toBeat, fps)};
    if (frames.end <= frames.first) {
        error = "the range " + beatText(fromBeat) + ".." + beatText(toBeat) + " holds no frame of the " +
                std::to_string(fps) + " frames/s grid";
        return std::nullopt;
    }
    return frames;
}

std::optional<CapturePlan> planGridCapture(GridFrames frames, int fps, const BeatRange& production,
                                           std::string& error) {
    if (!checkFrameRate(fps, error)) return std::nullopt;
    if (frames.first >= frames.end) {
        error = "the frame range is empty";
        return std::nullopt;
    }
    const double firstBeat = tolmero::beatOfFrame(frames.first, fps);
    const double lastBeat = tolmero::beatOfFrame(frames.end - 1, fps);
    if (firstBeat < production.first || !(lastBeat < production.end)) {
        error = "the frames " + std::to_string(frames.first) + ":" + std::to_string(frames.end) + " at " +
                std::to_string(fps) + " frames/s (beats " + beatText(firstBeat) + " to " + beatText(lastBeat) +
                ") lie outside the production, which runs from beat " + beatText(production.first) + " to beat " +
                beatText(production.end);
        return std::nullopt;
    }
    CapturePlan plan;
    plan.fromBeat = firstBeat;
    plan.toBeat = tolmero::beatOfFrame(frames.end, fps);
    plan.fps = fps;
    plan.frameCount = frames.end - frames.first;
    plan.firstGridFrame = frames.first;
    return plan;
}

std::optional<CapturePlan> planCapture(double fromBeat, double toBeat, int fps, const BeatRange& production,
                                       std::string& error) {
    if (!checkFrameRate(fps, error)) return std::nullopt;
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
