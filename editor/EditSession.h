#pragma once
// The editing model of `tolmero edit`: a selection of keys in one track, the
// edits (move, exact value, insert, delete, corner or smooth), undo and redo,
// and saving into the track data's source text.
//
// Every edit is checked before it lands: the rules every track keeps and, for
// the production's tracks, the facts of tracks/TrackBounds.h. A refused edit
// changes nothing and says why. An edit that lands replaces the keys of its
// one track in the TrackSet the picture reads and re-bakes that track alone.
// Numbers are rounded as the source text writes them, so what the editor
// shows is what the saved file compiles to.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tracks/TrackBounds.h"
#include "tracks/TrackSet.h"
#include "tracks/TrackSource.h"

namespace tolmero {

struct EditResult {
    bool applied = false;
    std::string message;  // why it was refused, or what was done
};

// Key components as the editor names them: 0 time, 1 x, 2 y, 3 z.
enum class KeyField { Time = 0, X = 1, Y = 2, Z = 3 };

class EditSession {
public:
    using Facts = std::map<std::string, TrackFacts, std::less<>>;

    // Edits the tracks of `tracks` (the set the picture reads) under `facts`
    // (no entry for a track: only the rules every track keeps).
    EditSession(TrackSet& tracks, Facts facts);

    // The production's set and facts.
    static EditSession forProduction(TrackSet& tracks);

    // The selected track and its keys; selecting a track clears the key selection.
    void selectTrack(std::string_view name);
    const std::string& track() const { return track_; }
    const Track& keys() const;
    const Track& keys(std::string_view name) const;

    // Key selection within the selected track.
    void selectKey(std::size_t index, bool addToSelection);
    void selectNone() { selection_.clear(); }
    const std::set<std::size_t>& selection() const { return selection_; }
    // The index of the key nearest to t (ties: the earlier), or keys().size().
    std::size_t nearestKey(float t) const;

    // Moves the selected keys by dt beats and by `dv` in one value component
    // (1 x, 2 y, 3 z). With `merge`, an edit that follows a merged move of
    // the same keys joins its undo step (a drag is one step).
    EditResult moveSelected(float dt, int component, float dv, bool merge = false);
    // Sets one field of one key exactly.
    EditResult setField(std::size_t index, KeyField field, float value);
    // Inserts a smooth key at time t with the curve's value there; it becomes
    // the selection.
    EditResult insertKey(float t);
    EditResult deleteSelected();
    // Corner keys become smooth and smooth keys become corners.
    EditResult toggleCorner();

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    EditResult undo();
    EditResult redo();

    // Bumped by every change of any track (edits, undo, redo).
    std::uint64_t revision() const { return revision_; }
    // The tracks changed since the session began (or since `markSaved`),
    // with their current keys.
    TrackTable changedTracks() const;
    bool hasUnsavedChanges() const { return savedRevision_ != revision_; }
    void markSaved() { savedRevision_ = revision_; }

    // Splices the changed tracks into the source text of `sourcePath` and
    // writes the result to `targetPath` (the same path to save in place).
    bool saveInto(const std::string& sourcePath, const std::string& targetPath, std::string& message) const;

private:
    struct Step {
        std::string track;
        Track before;
        Track after;
        std::set<std::size_t> selectionBefore;
        std::set<std::size_t> selectionAfter;
        bool mergeable = false;
    };

    EditResult apply(Track edited, std::set<std::size_t> selection, bool merge, std::string done);
    void put(const std::string& name, const Track& keys);

    TrackSet& tracks_;
    Facts facts_;
    TrackTable original_;  // every track's keys when the session began
    std::string track_;
    std::set<std::size_t> selection_;
    std::vector<Step> undo_;
    std::vector<Step> redo_;
    std::uint64_t revision_ = 0;
    std::uint64_t savedRevision_ = 0;
};

}  // namespace tolmero
