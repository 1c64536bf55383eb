// The editing model: selection, every edit, the bounds that refuse edits,
// undo and redo, the re-bake of one track, saving into the source text, and
// the editor's time steps.
#include "editor/EditSession.h"
#include "editor/Timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tolmero {
namespace {

// Two tracks without facts: only the rules every track keeps hold.
TrackSet freeTracks() {
    return TrackSet({{"a", {{0.0f, {0, 0, 0, 3}}, {1.0f, {0, 1, 0, 1}}, {2.0f, {0, 0, 0, 1}}, {3.0f, {0, 0, 0, 3}}}},
                     {"b", {{0.0f, {5, 5, 5, 1}}}}});
}

TEST(EditSession, MovesSetsInsertsDeletesAndTogglesWithTheCurveFollowing) {
    TrackSet tracks = freeTracks();
    tracks.bake();
    EditSession s(tracks, {});
    s.selectTrack("a");
    const std::vector<TrackKey> bSamples = tracks.samples("b");
    const float before = tracks.evaluate("a", 1.0f).y;

    s.selectKey(1, false);
    ASSERT_TRUE(s.moveSelected(0.25f, 2, 0.5f).applied);
    EXPECT_EQ(s.keys()[1].time, 1.25f);
    EXPECT_EQ(s.keys()[1].value.y, 1.5f);
    EXPECT_GT(tracks.evaluate("a", 1.0f).y, before);  // re-baked at once
    EXPECT_EQ(tracks.samples("b").size(), bSamples.size());

    ASSERT_TRUE(s.setField(2, KeyField::Y, -1.0f).applied);
    EXPECT_EQ(s.keys()[2].value.y, -1.0f);
    EXPECT_EQ(s.selection(), std::set<std::size_t>{2});

    const float atInsert = tracks.evaluate("a", 2.5f).y;
    ASSERT_TRUE(s.insertKey(2.5f).applied);
    ASSERT_EQ(s.keys().size(), 5u);
    EXPECT_EQ(s.keys()[3].time, 2.5f);
    EXPECT_EQ(s.keys()[3].value.y, roundTrackNumber(atInsert));
    EXPECT_EQ(s.keys()[3].value.w, 1.0f);
    EXPECT_EQ(s.selection(), std::set<std::size_t>{3});

    ASSERT_TRUE(s.toggleCorner().applied);
    EXPECT_EQ(s.keys()[3].value.w, 3.0f);
    ASSERT_TRUE(s.deleteSelected().applied);
    EXPECT_EQ(s.keys().size(), 4u);
    EXPECT_TRUE(s.selection().empty());
    EXPECT_FALSE(s.deleteSelected().applied);

    // A corner key is passed through: at key 1's time the curve takes its value.
    s.selectKey(1, false);
    ASSERT_TRUE(s.toggleCorner().applied);
    EXPECT_NEAR(tracks.evaluate("a", 1.25f).y, 1.5f, 1e-4f);
    EXPECT_EQ(s.changedTracks().count("a"), 1u);
    EXPECT_EQ(s.changedTracks().count("b"), 0u);
}

TEST(EditSession, RefusesEditsThatBreakTheRulesAndChangesNothing) {
    TrackSet tracks = freeTracks();
    EditSession s(tracks, {});
    s.selectTrack("a");
    s.selectKey(1, false);
    const std::uint64_t revision = s.revision();
    const EditResult passing = s.moveSelected(1.5f, 2, 0.0f);
    EXPECT_FALSE(passing.applied);
    EXPECT_NE(passing.message.find("order in time"), std::string::npos) << passing.message;
    EXPECT_FALSE(s.setField(1, KeyField::X, NAN).applied);
    EXPECT_FALSE(s.moveSelected(0.0f, 4, 1.0f).applied);
    EXPECT_EQ(s.revision(), revision);
    EXPECT_EQ(s.keys()[1].time, 1.0f);
    EXPECT_FALSE(s.canUndo());
}

TEST(EditSession, ProductionTracksRefuseWhatTheirTestsWouldCatch) {
    TrackSet tracks(productionTracks());
    EditSession s = EditSession::forProduction(tracks);
    s.selectTrack("Kauha 1");
    EXPECT_FALSE(s.insertKey(300.0f).applied);  // the key count is fixed
    s.selectKey(0, false);
    EXPECT_FALSE(s.toggleCorner().applied);      // so is the corner count
    EXPECT_FALSE(s.moveSelected(1.0f, 2, 0.0f).applied);  // the first key's time
    s.selectKey(3, false);
    EXPECT_FALSE(s.moveSelected(0.0f, 2, 5.0f).applied);  // out of the range
    const EditResult ok = s.moveSelected(0.5f, 2, 0.0f);
    EXPECT_TRUE(ok.applied) << ok.message;
    s.selectTrack("scene");
    s.selectKey(4, false);
    const EditResult given = s.moveSelected(0.0f, 2, 0.01f);
    EXPECT_FALSE(given.applied);
    EXPECT_NE(given.message.find("\"scene\""), std::string::npos) << given.message;
}

TEST(EditSession, UndoAndRedoWalkTheStepsAndADragIsOneStep) {
    TrackSet tracks = freeTracks();
    EditSession s(tracks, {});
    s.selectTrack("a");
    const float atKey = tracks.evaluate("a", 2.0f).y;
    s.selectKey(2, false);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(s.moveSelected(0.0f, 2, 0.1f, true).applied);
    ASSERT_TRUE(s.setField(1, KeyField::X, 4.0f).applied);
    EXPECT_NEAR(s.keys()[2].value.y, 0.5f, 1e-6f);

    ASSERT_TRUE(s.undo().applied);
    EXPECT_EQ(s.keys()[1].value.x, 0.0f);
    EXPECT_EQ(s.selection(), std::set<std::size_t>{2});
    ASSERT_TRUE(s.undo().applied);  // the whole drag
    EXPECT_EQ(s.keys()[2].value.y, 0.0f);
    EXPECT_FALSE(s.canUndo());
    EXPECT_FALSE(s.undo().applied);
    EXPECT_EQ(tracks.evaluate("a", 2.0f).y, atKey);

    ASSERT_TRUE(s.redo().applied);
    EXPECT_NEAR(s.keys()[2].value.y, 0.5f, 1e-6f);
    ASSERT_TRUE(s.redo().applied);
    EXPECT_EQ(s.keys()[1].value.x, 4.0f);
    EXPECT_FALSE(s.redo().applied);
    // A new edit after an undo drops what could have been redone.
    ASSERT_TRUE(s.undo().applied);
    ASSERT_TRUE(s.setField(0, KeyField::Z, 1.0f).applied);
    EXPECT_FALSE(s.canRedo());
    EXPECT_TRUE(s.hasUnsavedChanges());
}

TEST(EditSession, SavesTheChangedTracksIntoACopyOfTheSource) {
    TrackSet tracks(productionTracks());
    EditSession s = EditSession::forProduction(tracks);
    s.selectTrack("Koura 2");
    s.selectKey(3, false);  // key 4 carries the top of the range
    const EditResult moved = s.moveSelected(0.0f, 2, 0.01f);
    ASSERT_TRUE(moved.applied) << moved.message;
    const Track edited = s.keys();

    const std::filesystem::path out = std::filesystem::temp_directory_path() / "tolmero-edit-save-test.cpp";
    std::string message;
    ASSERT_TRUE(s.saveInto(TOLMERO_SOURCE_DIR "/tracks/TrackData.cpp", out.string(), message)) << message;
    std::string text;
    ASSERT_TRUE(readTextFile(out.string(), text, message));
    const auto saved = parseTrackSource(text, message);
    ASSERT_TRUE(saved) << message;
    ASSERT_EQ(saved->at("Koura 2").size(), edited.size());
    for (std::size_t i = 0; i < edited.size(); ++i) EXPECT_EQ(saved->at("Koura 2")[i].value.y, edited[i].value.y);
    for (const auto& [name, keys] : productionTracks()) {
        if (name != "Koura 2") {
            EXPECT_EQ(saved->at(name).size(), keys.size()) << name;
        }
    }
    EXPECT_FALSE(s.saveInto("/nonexistent/TrackData.cpp", out.string(), message));
    std::filesystem::remove(out);
}

TEST(Timeline, StepsByGridJumpsToTimesAndFoldsTheLoop) {
    EXPECT_EQ(stepOnGrid(10.3f, 1.0f, 1), 11.0f);
    EXPECT_EQ(stepOnGrid(10.3f, 1.0f, -1), 10.0f);
    EXPECT_EQ(stepOnGrid(12.0f, 4.0f, 1), 16.0f);     // a bar
    EXPECT_EQ(stepOnGrid(12.0f, 4.0f, -1), 8.0f);
    EXPECT_EQ(stepOnGrid(12.0004f, 0.25f, 1), 12.25f);  // a hair off counts as on
    EXPECT_EQ(stepOnGrid(-0.1f, 0.25f, -1), -0.25f);
    EXPECT_EQ(stepOnGrid(5.0f, 1.0f, 0), 5.0f);

    const std::vector<float> cuts = {31.978f, 72.0962f, 96.8138f};
    EXPECT_EQ(nextTime(cuts, 40.0f, 1), 72.0962f);
    EXPECT_EQ(nextTime(cuts, 72.0962f, 1), 96.8138f);
    EXPECT_EQ(nextTime(cuts, 72.0962f, -1), 31.978f);
    EXPECT_EQ(nextTime(cuts, 10.0f, -1), 10.0f);

    LoopRange loop{8.0f, 12.0f, true};
    EXPECT_EQ(loop.fold(9.0f), 9.0f);
    EXPECT_EQ(loop.fold(13.0f), 9.0f);
    EXPECT_EQ(loop.fold(4.0f), 4.0f);
    loop.on = false;
    EXPECT_EQ(loop.fold(13.0f), 13.0f);

    const BeatLines lines = beatLines(3.5f, 8.0f);
    EXPECT_EQ(lines.first, 4.0f);
    EXPECT_EQ(lines.count, 5u);
}

}  // namespace
}  // namespace tolmero
