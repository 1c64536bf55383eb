// The frame schedule of a capture, the progress line, the output check and
// the scene spans that `bench --scene` measures in. The refusals of bad input
// are tested end to end in CaptureCommandTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/CapturePlan.h"
#include "app/FrameState.h"
#include "app/ProgressBar.h"
#include "app/SceneSpans.h"
#include "app/VideoEncoder.h"
#include "tracks/TrackSet.h"

namespace tolmero {
namespace {

TEST(CapturePlan, FramesFollowTheMusicClockAndStopBeforeTheEnd) {
    std::string error;
    // 0.35 beats are 0.2 s: exactly six frames at 30 fps, the one on 10.35 excluded.
    auto plan = planCapture(10.0, 10.35, 30, 434.0, error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->frameCount, 6);
    EXPECT_DOUBLE_EQ(plan->beatOfFrame(0), 10.0);
    EXPECT_NEAR(plan->beatOfFrame(1), 10.0 + 1.75 / 30.0, 1e-12);
    EXPECT_NEAR(plan->fromSeconds(), 10.0 * 60.0 / 105.0, 1e-12);
    EXPECT_NEAR(plan->durationSeconds(), 0.2, 1e-12);

    // 16 beats at 30 fps: 9.142857 s, so frames 0..274.
    plan = planCapture(0.0, 16.0, 30, 434.0, error);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->frameCount, 275);
    EXPECT_LT(plan->beatOfFrame(274), 16.0);
    EXPECT_GE(plan->beatOfFrame(275), 16.0);

    // At 60 fps every frame is one step of the 60-steps-a-second catch-up.
    plan = planCapture(0.0, 421.076, 60, 421.076, error);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->frameCount, static_cast<long>(std::ceil(421.076 * 60.0 / 105.0 * 60.0)));
    for (long k : {1L, 1000L, 14000L}) EXPECT_NEAR(plan->beatOfFrame(k), k / 60.0 * 1.75, 1e-9);

    // A range shorter than one frame still gets its first frame.
    plan = planCapture(5.0, 5.001, 24, 434.0, error);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->frameCount, 1);
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
