// The frame schedule of a capture, the progress line, the output check and
// the scene spans that `bench --scene` measures in. The refusals of bad input
// are tested end to end in CaptureCommandTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <tuple>

#include "app/Clock.h"
#include "app/FrameState.h"
#include "app/MusicFile.h"
#include "tools/CapturePlan.h"
#include "tools/Mp4Fragments.h"
#include "tools/OutputFile.h"
#include "tools/ProgressBar.h"
#include "tools/SceneSpans.h"
#include "tools/VideoEncoder.h"
#include "tracks/TrackSet.h"

namespace tolmero {
namespace {

TEST(CapturePlan, FramesFollowTheMusicClockAndStopBeforeTheEnd) {
    std::string error;
    // 0.35 beats are 0.2 s: exactly six frames at 30 fps, the one on 10.35 excluded.
    auto plan = planCapture(10.0, 10.35, 30, {0.0, 434.0}, error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->frameCount, 6);
    EXPECT_DOUBLE_EQ(plan->beatOfFrame(0), 10.0);
    EXPECT_NEAR(plan->beatOfFrame(1), 10.0 + 1.75 / 30.0, 1e-12);
    EXPECT_NEAR(plan->fromSeconds(), 10.0 * 60.0 / 105.0, 1e-12);
    EXPECT_NEAR(plan->durationSeconds(), 0.2, 1e-12);

    // 16 beats at 30 fps: 9.142857 s, so frames 0..274.
    plan = planCapture(0.0, 16.0, 30, {0.0, 434.0}, error);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->frameCount, 275);
    EXPECT_LT(plan->beatOfFrame(274), 16.0);
    EXPECT_GE(plan->beatOfFrame(275), 16.0);

    // At 60 fps every frame is one step of the 60-steps-a-second catch-up.
    plan = planCapture(0.0, 421.076, 60, {0.0, 421.076}, error);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->frameCount, static_cast<long>(std::ceil(421.076 * 60.0 / 105.0 * 60.0)));
    for (long k : {1L, 1000L, 14000L}) EXPECT_NEAR(plan->beatOfFrame(k), k / 60.0 * 1.75, 1e-9);

    // A range shorter than one frame still gets its first frame.
    plan = planCapture(5.0, 5.001, 24, {0.0, 434.0}, error);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->frameCount, 1);
}

TEST(GridCapture, PiecesOfOneGridAreTheFramesOfOneCapture) {
    const BeatRange production{-2.41817, 434.0};
    std::string error;
    // A capture from 0 and the grid frames 0:275 draw the very same beats.
    const auto whole = planCapture(0.0, 16.0, 30, production, error);
    const auto grid = planGridCapture({0, 275}, 30, production, error);
    ASSERT_TRUE(whole && grid) << error;
    ASSERT_EQ(grid->frameCount, whole->frameCount);
    for (long k = 0; k < whole->frameCount; ++k) ASSERT_EQ(grid->beatOfFrame(k), whole->beatOfFrame(k)) << k;

    // Uneven pieces put end to end: every frame's beat is bit for bit the
    // one of the same frame in one long run, not an offset from its piece's
    // start (which rounds differently).
    const long cuts[] = {4938, 4945, 5000, 5001, 5143};
    long frame = 4938;
    for (std::size_t i = 0; i + 1 < std::size(cuts); ++i) {
        const auto piece = planGridCapture({cuts[i], cuts[i + 1]}, 30, production, error);
        ASSERT_TRUE(piece) << error;
        EXPECT_EQ(piece->frameCount, cuts[i + 1] - cuts[i]);
        EXPECT_EQ(piece->fromBeat, beatOfFrame(cuts[i], 30));
        for (long k = 0; k < piece->frameCount; ++k, ++frame) ASSERT_EQ(piece->beatOfFrame(k), beatOfFrame(frame, 30));
    }
    EXPECT_EQ(frame, 5143);
    const auto piece = planGridCapture({4938, 4945}, 30, production, error);
    EXPECT_NEAR(piece->fromSeconds(), 4938.0 / 30.0, 1e-9);
    EXPECT_NEAR(piece->durationSeconds(), 7.0 / 30.0, 1e-12);
}

TEST(GridCapture, BeatRangesMapToTheGridFramesTheyHold) {
    const BeatRange production{-2.41817, 434.0};
    std::string error;
    for (const auto& [from, to, fps] : {std::tuple{288.0, 300.0, 30}, std::tuple{0.0, 434.0, 60},
                                        std::tuple{10.0, 10.35, 30}, std::tuple{-2.0, 3.3, 24}}) {
        SCOPED_TRACE(std::to_string(from) + ".." + std::to_string(to) + " at " + std::to_string(fps));
        const auto frames = gridFramesOf(from, to, fps, production, error);
        ASSERT_TRUE(frames) << error;
        // The first frame at or after `from` (within rounding), the last before `to`.
        EXPECT_LT(beatOfFrame(frames->first - 1, fps), from);
        EXPECT_GE(beatOfFrame(frames->first, fps), from - 1e-9);
        EXPECT_LT(beatOfFrame(frames->end - 1, fps), to);
        EXPECT_GE(beatOfFrame(frames->end, fps), to - 1e-9);
        EXPECT_TRUE(planGridCapture(*frames, fps, production, error)) << error;
    }
    EXPECT_EQ(gridFramesOf(288.0, 300.0, 30, production, error)->first, 4938);
    EXPECT_EQ(gridFramesOf(288.0, 300.0, 30, production, error)->end, 5143);
    // The whole production at 60 fps is the 14,880 frames of a capture from 0.
    const auto all = gridFramesOf(0.0, 434.0, 60, production, error);
    EXPECT_EQ(all->first, 0);
    EXPECT_EQ(all->end, planCapture(0.0, 434.0, 60, production, error)->frameCount);
    EXPECT_EQ(all->end, 14880);
    // A range shorter than a frame's spacing may hold no grid frame at all.
    EXPECT_FALSE(gridFramesOf(100.0, 100.001, 60, production, error));
    EXPECT_NE(error.find("holds no frame"), std::string::npos) << error;
}

TEST(GridCapture, RefusesFramesOutsideTheProductionAndBadRanges) {
    const BeatRange production{-2.41817, 434.0};
    std::string error;
    // Frame 14879 at 60 fps is the last before beat 434; frame -41 at 30 fps
    // (beat -2.392) the first after the first key.
    EXPECT_TRUE(planGridCapture({14000, 14880}, 60, production, error)) << error;
    EXPECT_FALSE(planGridCapture({14000, 14881}, 60, production, error));
    EXPECT_NE(error.find("outside the production"), std::string::npos) << error;
    EXPECT_TRUE(planGridCapture({-41, 10}, 30, production, error)) << error;
    EXPECT_FALSE(planGridCapture({-42, 10}, 30, production, error));
    EXPECT_FALSE(planGridCapture({0, 10}, 0, production, error));
    EXPECT_NE(error.find("frame rate"), std::string::npos) << error;
    EXPECT_FALSE(planGridCapture({0, 1L << 62}, 60, production, error));

    const auto parsed = parseGridFrames("4938:5143", error);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->first, 4938);
    EXPECT_EQ(parsed->end, 5143);
    EXPECT_EQ(parseGridFrames("-41:0", error)->first, -41);
    for (const char* bad : {"", ":", "10", "10:", ":10", "a:b", "1.5:3", "10:20:30", " 1:2", "1:2 ", "10:10", "20:10",
                            "99999999999999999999:1"}) {
        EXPECT_FALSE(parseGridFrames(bad, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_NE((parseGridFrames("20:10", error), error).find("empty"), std::string::npos) << error;
}

TEST(ProgressBar, ShowsCountRateAndTimeLeft) {
    EXPECT_EQ(ProgressBar::format(0, 300, 0.0), "[....................] 0/300   0%  -- frames/s  --:-- left");
    // 120 frames in 48 s: 2.5 frames/s, 180 frames left take 72 s.
    EXPECT_EQ(ProgressBar::format(120, 300, 48.0), "[########............] 120/300  40%  2.50 frames/s  1:12 left");
    EXPECT_EQ(ProgressBar::format(10, 14760, 10.0).substr(23), "10/14760   0%  1.00 frames/s  4:05:50 left");
    EXPECT_EQ(ProgressBar::format(300, 300, 100.0), "[####################] 300/300 100%  3.00 frames/s  0:00 left");
}

TEST(ProgressBar, RedrawsInPlaceAtMostOncePerInterval) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        ProgressBar bar(out, 1000, std::chrono::hours(1));
        for (long done = 0; done <= 1000; ++done) bar.update(done);
        bar.finish();
    }
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(out);
    // The first drawing and the last frame's, each starting with '\r'; one
    // line break at the end.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 2) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("1000/1000 100%"), std::string::npos) << text;
}

TEST(VideoEncoderChecks, FindsProgramsAndRefusesUnwritableOutputs) {
    EXPECT_TRUE(findProgram("sh"));
    EXPECT_FALSE(findProgram("surely-no-such-program-here"));
    EXPECT_FALSE(findProgram("/nonexistent/ffmpeg"));

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tolmero-capture-plan-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::string error;
    const std::filesystem::path fresh = folder / "new.mp4";
    EXPECT_TRUE(checkWritable(fresh, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(fresh)) << "the check leaves no file behind";
    const std::filesystem::path existing = folder / "old.mp4";
    std::ofstream(existing) << "keep";
    EXPECT_TRUE(checkWritable(existing, error)) << error;
    EXPECT_EQ(std::filesystem::file_size(existing), 4u) << "the check does not truncate";

    EXPECT_FALSE(checkWritable(folder, error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_FALSE(checkWritable(folder / "missing" / "x.mp4", error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    std::filesystem::remove_all(folder);
}

class TemporaryFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("tolmero-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
};

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int runShell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

using OutputFiles = TemporaryFolder;

TEST_F(OutputFiles, ReplacingWriteLeavesTheOldFileWhenTheWriteFails) {
    const std::filesystem::path still = folder / "still.png";
    std::string error;
    const std::vector<std::uint8_t> bytes(1000, 7);
    ASSERT_TRUE(writeFileReplacing(still, bytes, error)) << error;
    EXPECT_EQ(std::filesystem::file_size(still), 1000u);
    EXPECT_FALSE(std::filesystem::exists(folder / "still.png.partial"));

    // A full disk: /dev/full takes no byte. The named device is written in
    // place (never replaced) and the failure is reported.
    EXPECT_FALSE(writeFileReplacing("/dev/full", bytes, error));
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));

    // A folder that vanished: the old file stays, nothing half-written appears.
    EXPECT_FALSE(writeFileReplacing(folder / "gone" / "x.png", bytes, error));
    EXPECT_EQ(std::filesystem::file_size(still), 1000u);
}

TEST_F(OutputFiles, ACutFragmentedVideoIsTrimmedToItsWholeFragments) {
    // Ten seconds of a test picture in fragments of a second, as captures write them.
    const std::filesystem::path video = folder / "cut.mp4";
    ASSERT_EQ(runShell("ffmpeg -nostdin -y -f lavfi -i testsrc2=size=160x90:rate=10 -t 10 -c:v libx264 -g 20 "
                       "-pix_fmt yuv420p -movflags +frag_keyframe+delay_moov+default_base_moof -frag_duration " +
                       std::to_string(kFragmentMicroseconds) + " -f mp4 'file:" + video.string() + "'"),
              0);
    const std::uint64_t whole = std::filesystem::file_size(video);
    FragmentTrim complete = trimToWholeFragments(video);
    ASSERT_TRUE(complete.ok) << complete.error;
    EXPECT_GE(complete.fragments, 10);

    // Cut in the middle of a fragment, as a full disk would: the tail goes,
    // and what is left decodes without a single complaint.
    std::filesystem::resize_file(video, whole * 6 / 10);
    const FragmentTrim trim = trimToWholeFragments(video);
    ASSERT_TRUE(trim.ok) << trim.error;
    EXPECT_GE(trim.fragments, 4);
    EXPECT_LT(trim.fragments, complete.fragments);
    EXPECT_GT(trim.droppedBytes, 0u);
    EXPECT_EQ(std::filesystem::file_size(video), trim.keptBytes);
    const std::filesystem::path log = folder / "decode.log";
    ASSERT_EQ(std::system(("ffmpeg -v error -i '" + video.string() + "' -f null - 2>'" + log.string() + "'").c_str()),
              0);
    EXPECT_EQ(readText(log), "");

    // A file cut before its first fragment is left alone.
    std::filesystem::resize_file(video, 200);
    const FragmentTrim none = trimToWholeFragments(video);
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(none.fragments, 0);
    EXPECT_EQ(std::filesystem::file_size(video), 200u);
}

using MusicLookup = TemporaryFolder;

TEST_F(MusicLookup, NamedFileThenWorkingFolderThenProgramFolder) {
    const std::filesystem::path work = folder / "work", program = folder / "bin";
    std::filesystem::create_directories(work);
    std::filesystem::create_directories(program);
    const auto tone = [](const std::filesystem::path& path, double seconds) {
        return runShell("sox -n -r 8000 -c 1 -b 16 '" + path.string() + "' synth " + std::to_string(seconds) +
                        " sine 440");
    };
    std::string error;

    auto none = chooseMusic("", work, program, error);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->path.empty());
    EXPECT_FALSE(none->playable());
    EXPECT_NE(describeMusic(*none).find("the clock runs silent"), std::string::npos);

    ASSERT_EQ(tone(program / "track.flac", 2.0), 0);
    auto beside = chooseMusic("", work, program, error);
    ASSERT_TRUE(beside && beside->playable());
    EXPECT_EQ(beside->path, program / "track.flac");
    EXPECT_NEAR(*beside->seconds, 2.0, 1e-3);

    // The working folder wins; a broken default file is reported, not refused.
    std::ofstream(work / "track.flac") << "not music";
    auto broken = chooseMusic("", work, program, error);
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->path, work / "track.flac");
    EXPECT_FALSE(broken->playable());
    EXPECT_NE(describeMusic(*broken).find("cannot be played"), std::string::npos) << describeMusic(*broken);

    // A named file wins over both, relative to the working folder; a named
    // file that is missing, a folder or not FLAC is refused.
    ASSERT_EQ(tone(work / "other.flac", 1.0), 0);
    auto named = chooseMusic("other.flac", work, program, error);
    ASSERT_TRUE(named && named->playable());
    EXPECT_EQ(named->path, work / "other.flac");
    EXPECT_NE(describeMusic(*named).find("(1.0 s)"), std::string::npos) << describeMusic(*named);
    for (const char* bad : {"missing.flac", "track.flac", "."}) {
        EXPECT_FALSE(chooseMusic(bad, work, program, error)) << bad;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }
}

TEST(ProductionBeats, RunFromTheFirstKeyToTheEndOfTheMusic) {
    const BeatRange silent = productionBeats(trackSet(), std::nullopt);
    const BeatRange withMusic = productionBeats(trackSet(), 248.0);
    float earliest = 0.0f;
    for (const auto& [name, keys] : trackSet().keys())
        if (!keys.empty()) earliest = std::min(earliest, keys.front().time);
    EXPECT_EQ(silent.first, earliest);
    EXPECT_LT(silent.first, 0.0) << "some keys lie before beat 0";
    EXPECT_DOUBLE_EQ(silent.end, 421.076);
    EXPECT_DOUBLE_EQ(withMusic.end, 248.0 * 105.0 / 60.0);
    std::string error;
    EXPECT_TRUE(checkBeatInProduction(withMusic.end, withMusic, error));
    EXPECT_TRUE(checkBeatInProduction(silent.first, withMusic, error));
    for (double bad : {1e30, -1e30, 434.5, silent.first - 0.01}) {
        EXPECT_FALSE(checkBeatInProduction(bad, withMusic, error)) << bad;
        EXPECT_NE(error.find("outside the production"), std::string::npos) << error;
    }
    // A capture's range obeys the same bounds, at both ends.
    EXPECT_FALSE(planCapture(silent.first - 1.0, 10.0, 30, withMusic, error));
    EXPECT_FALSE(planCapture(500.0, 600.0, 30, withMusic, error));
    EXPECT_NE(error.find("outside"), std::string::npos) << error;
    EXPECT_TRUE(planCapture(silent.first, 0.0, 30, withMusic, error)) << error;
}

TEST(SceneSpans, FollowTheProductionsSceneSequence) {
    const std::vector<SceneSpan> spans = sceneSpans(trackSet());
    ASSERT_EQ(spans.size(), 5u);
    const int scenes[] = {2, 0, 1, 0, 3};
    const double changes[] = {0.0, 31.978, 96.8138, 159.87, 224.111, 421.076};
    for (std::size_t i = 0; i < spans.size(); ++i) {
        EXPECT_EQ(spans[i].scene, scenes[i]) << i;
        EXPECT_NEAR(spans[i].fromBeat, changes[i], 2e-3) << i;
        EXPECT_NEAR(spans[i].toBeat, changes[i + 1], 2e-3) << i;
    }
    for (int scene = 0; scene < 4; ++scene) {
        const auto beat = representativeBeat(trackSet(), scene);
        ASSERT_TRUE(beat) << scene;
        EXPECT_EQ(sceneIndex(trackSet().evaluate("scene", static_cast<float>(*beat)).y), scene);
    }
    EXPECT_NEAR(*representativeBeat(trackSet(), 0), (31.978 + 96.8138) / 2.0, 2e-3);
}

}  // namespace
}  // namespace tolmero
