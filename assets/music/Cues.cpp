#include "Cues.h"

#include "tracks/SceneIndex.h"
#include "tracks/TrackSet.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace music {

namespace {

// The frame loop's readings of the tracks: the scene index is the value
// clamped to 0..3 and truncated, the card number the value truncated (0 to 3
// show a card), and the fire burns while its switch is above zero.
int sceneAt(tolmero::TrackSet& tracks, double beat) { return tolmero::sceneIndex(tracks.evaluate("scene", float(beat)).y); }
int cardAt(tolmero::TrackSet& tracks, double beat) { return tolmero::truncateToInt(tracks.evaluate("title", float(beat)).y); }
int flamesAt(tolmero::TrackSet& tracks, double beat) { return tracks.evaluate("Flames enabled", float(beat)).y > 0.0f; }

struct Change {
    double beat;
    int from, to;
};

// Every change of `reading` over the timeline: a scan in small steps, then a
// bisection of each step where the reading differs at its two ends. The
// result is the first beat (to within 1e-6) that reads the new value.
std::vector<Change> changes(const std::function<int(double)>& reading) {
    constexpr double kFrom = -4.0, kTo = 440.0, kStep = 1.0 / 64.0;
    std::vector<Change> found;
    int previous = reading(kFrom);
    for (double beat = kFrom + kStep; beat <= kTo; beat += kStep) {
        const int value = reading(beat);
        if (value == previous) continue;
        double low = beat - kStep, high = beat;
        while (high - low > 1e-6) {
            const double middle = 0.5 * (low + high);
            if (reading(middle) == previous) low = middle;
            else high = middle;
        }
        found.push_back({high, previous, reading(high)});
        previous = value;
    }
    return found;
}

Cues findCues() {
    tolmero::TrackSet tracks(tolmero::productionTracks());
    Cues cues;
    for (const Change& change : changes([&](double beat) { return sceneAt(tracks, beat); }))
        cues.sceneChanges.push_back(change.beat);
    for (const Change& change : changes([&](double beat) { return cardAt(tracks, beat); })) {
        const bool shows = change.to >= 0 && change.to <= 3;
        if (shows) cues.cards.push_back(change.beat);
        else if (change.from >= 0 && change.from <= 3) cues.cardsEnd = change.beat;
    }
    for (const Change& change : changes([&](double beat) { return flamesAt(tracks, beat); }))
        if (change.to == 1 && cues.flames == 0.0) cues.flames = change.beat;
    return cues;
}

}  // namespace

std::vector<Cue> Cues::all() const {
    std::vector<Cue> list;
    for (size_t i = 0; i < sceneChanges.size(); ++i) list.push_back({"scene change " + std::to_string(i + 1), sceneChanges[i]});
    for (size_t i = 0; i < cards.size(); ++i) list.push_back({"card " + std::to_string(i + 1), cards[i]});
    list.push_back({"cards end", cardsEnd});
    list.push_back({"flames", flames});
    std::stable_sort(list.begin(), list.end(), [](const Cue& a, const Cue& b) { return a.beat < b.beat; });
    return list;
}

const Cues& productionCues() {
    static const Cues cues = findCues();
    return cues;
}

}  // namespace music
