#include "editor/EditSession.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tolmero {

namespace {

const Track kNoKeys;

std::string plural(std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

EditSession::EditSession(TrackSet& tracks, Facts facts)
    : tracks_(tracks), facts_(std::move(facts)), original_(tracks.keys().begin(), tracks.keys().end()) {
    if (!original_.empty()) track_ = original_.begin()->first;
}

EditSession EditSession::forProduction(TrackSet& tracks) {
    return EditSession(tracks, productionTrackFactsByName());
}

void EditSession::selectTrack(std::string_view name) {
    if (tracks_.keys().find(name) == tracks_.keys().end()) return;
    track_ = std::string(name);
    selection_.clear();
}

const Track& EditSession::keys() const { return keys(track_); }

const Track& EditSession::keys(std::string_view name) const {
    const auto it = tracks_.keys().find(name);
    return it == tracks_.keys().end() ? kNoKeys : it->second;
}

void EditSession::selectKey(std::size_t index, bool addToSelection) {
    if (!addToSelection) selection_.clear();
    if (index >= keys().size()) return;
    if (addToSelection && selection_.count(index)) {
        selection_.erase(index);
    } else {
        selection_.insert(index);
    }
}

std::size_t EditSession::nearestKey(float t) const {
    const Track& k = keys();
    std::size_t best = k.size();
    float bestDistance = 0.0f;
    for (std::size_t i = 0; i < k.size(); ++i) {
        const float d = std::abs(k[i].time - t);
        if (best == k.size() || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

EditResult EditSession::moveSelected(float dt, int component, float dv, bool merge) {
    if (selection_.empty()) return {false, "no key is selected"};
    if (component < 1 || component > 3) return {false, "a key's value has components x, y and z"};
    Track edited = keys();
    for (std::size_t i : selection_) {
        TrackKey& k = edited[i];
        k.time = roundTrackNumber(k.time + dt);
        setTrackComponent(k.value, component - 1,
                          roundTrackNumber(trackComponent(k.value, component - 1) + dv));
    }
    return apply(std::move(edited), selection_, merge, "moved " + plural(selection_.size(), "key"));
}

EditResult EditSession::setField(std::size_t index, KeyField field, float value) {
    Track edited = keys();
    if (index >= edited.size()) return {false, "no such key"};
    const float rounded = roundTrackNumber(value);
    if (field == KeyField::Time) {
        edited[index].time = rounded;
    } else {
        setTrackComponent(edited[index].value, static_cast<int>(field) - 1, rounded);
    }
    return apply(std::move(edited), {index}, false, "set key " + std::to_string(index));
}

EditResult EditSession::insertKey(float t) {
    if (!std::isfinite(t)) return {false, "no time to insert at"};
    Track edited = keys();
    const float time = roundTrackNumber(t);
    TrackValue value = tracks_.evaluate(track_, time);
    value = {roundTrackNumber(value.x), roundTrackNumber(value.y), roundTrackNumber(value.z), 1.0f};
    const auto at = std::upper_bound(edited.begin(), edited.end(), time,
                                     [](float t0, const TrackKey& k) { return t0 < k.time; });
    const std::size_t index = static_cast<std::size_t>(at - edited.begin());
    edited.insert(at, TrackKey{time, value});
    return apply(std::move(edited), {index}, false, "inserted key " + std::to_string(index));
}

EditResult EditSession::deleteSelected() {
    if (selection_.empty()) return {false, "no key is selected"};
    Track edited;
    const Track& k = keys();
    for (std::size_t i = 0; i < k.size(); ++i) {
        if (!selection_.count(i)) edited.push_back(k[i]);
    }
    const std::size_t n = selection_.size();
    return apply(std::move(edited), {}, false, "deleted " + plural(n, "key"));
}

EditResult EditSession::toggleCorner() {
    if (selection_.empty()) return {false, "no key is selected"};
    Track edited = keys();
    for (std::size_t i : selection_) edited[i].value.w = edited[i].value.w > 2.5f ? 1.0f : 3.0f;
    return apply(std::move(edited), selection_, false, "toggled corner and smooth");
}

EditResult EditSession::apply(Track edited, std::set<std::size_t> selection, bool merge, std::string done) {
    const auto originalIt = original_.find(track_);
    const Track& original = originalIt == original_.end() ? kNoKeys : originalIt->second;
    const auto factsIt = facts_.find(track_);
    const std::vector<std::string> problems =
        checkTrack(factsIt == facts_.end() ? nullptr : &factsIt->second, original, edited);
    if (!problems.empty()) return {false, "refused: " + problems.front()};

    const Track& current = keys();
    if (sameKeys(current, edited)) return {true, done};

    if (merge && !undo_.empty() && undo_.back().mergeable && undo_.back().track == track_ &&
        undo_.back().selectionAfter == selection_ && redo_.empty()) {
        undo_.back().after = edited;
        undo_.back().selectionAfter = selection;
    } else {
        undo_.push_back({track_, current, edited, selection_, selection, merge});
    }
    redo_.clear();
    put(track_, edited);
    selection_ = std::move(selection);
    return {true, done};
}

void EditSession::put(const std::string& name, const Track& keys) {
    tracks_.setTrack(name, keys);
    ++revision_;
}

EditResult EditSession::undo() {
    if (undo_.empty()) return {false, "nothing to undo"};
    Step step = std::move(undo_.back());
    undo_.pop_back();
    put(step.track, step.before);
    track_ = step.track;
    selection_ = step.selectionBefore;
    redo_.push_back(std::move(step));
    return {true, "undone"};
}

EditResult EditSession::redo() {
    if (redo_.empty()) return {false, "nothing to redo"};
    Step step = std::move(redo_.back());
    redo_.pop_back();
    put(step.track, step.after);
    track_ = step.track;
    selection_ = step.selectionAfter;
    step.mergeable = false;  // a redone step starts no drag
    undo_.push_back(std::move(step));
    return {true, "redone"};
}

TrackTable EditSession::changedTracks() const {
    TrackTable changed;
    for (const auto& [name, keys] : tracks_.keys()) {
        const auto it = original_.find(name);
        if (it == original_.end() || !sameKeys(it->second, keys)) changed[name] = keys;
    }
    return changed;
}

bool EditSession::saveInto(const std::string& sourcePath, const std::string& targetPath,
                           std::string& message) const {
    std::string text;
    if (!readTextFile(sourcePath, text, message)) return false;
    const TrackTable changed = changedTracks();
    if (!spliceTracks(text, changed, message)) return false;
    if (!writeTextFileAtomically(targetPath, text, message)) return false;
    message = "saved " + plural(changed.size(), "track") + " to " + targetPath;
    return true;
}

}  // namespace tolmero
