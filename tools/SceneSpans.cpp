#include "tools/SceneSpans.h"

#include <algorithm>
#include <cmath>

#include "app/Clock.h"
#include "app/FrameState.h"

namespace tolmero {
namespace {

// The scan's step: finer than any scene's length; each change found is then
// narrowed by bisection.
constexpr double kScanStep = 1.0 / 16.0;
constexpr double kChangePrecision = 1e-4;

int sceneAt(TrackSet& tracks, double beat) {
    return sceneIndex(tracks.evaluate("scene", static_cast<float>(beat)).y);
}

}  // namespace

std::vector<SceneSpan> sceneSpans(TrackSet& tracks) {
    std::vector<SceneSpan> spans;
    SceneSpan current{sceneAt(tracks, 0.0), 0.0, kTimelineEndBeat};
    double previous = 0.0;
    for (long step = 1;; ++step) {
        const double beat = std::min(static_cast<double>(step) * kScanStep, kTimelineEndBeat);
        if (sceneAt(tracks, beat) != current.scene) {
            // The scene of `previous` ends somewhere in (previous, beat].
            double low = previous, high = beat;
            while (high - low > kChangePrecision) {
                const double middle = (low + high) / 2.0;
                (sceneAt(tracks, middle) == current.scene ? low : high) = middle;
            }
            current.toBeat = high;
            spans.push_back(current);
            current = {sceneAt(tracks, high), high, kTimelineEndBeat};
        }
        if (beat >= kTimelineEndBeat) break;
        previous = beat;
    }
    spans.push_back(current);
    return spans;
}

std::optional<double> representativeBeat(TrackSet& tracks, int scene) {
    for (const SceneSpan& span : sceneSpans(tracks)) {
        if (span.scene == scene) return std::round((span.fromBeat + span.toBeat) / 2.0 * 1000.0) / 1000.0;
    }
    return std::nullopt;
}

BeatRange productionBeats(const TrackSet& tracks, std::optional<double> musicSeconds) {
    BeatRange range;
    bool any = false;
    for (const auto& [name, keys] : tracks.keys()) {
        if (keys.empty()) continue;
        range.first = any ? std::min(range.first, static_cast<double>(keys.front().time)) : keys.front().time;
        any = true;
    }
    range.end = musicSeconds ? *musicSeconds * kBeatsPerMinute / 60.0 : kTimelineEndBeat;
    return range;
}

}  // namespace tolmero
