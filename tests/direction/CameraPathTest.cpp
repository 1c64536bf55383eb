// The directed tracks against the landscapes they film: the eye never enters
// the ground or the water, and the character is never seen floating or sunk.
// Every check walks the whole timeline in steps of 0.05 beats with the
// production's own camera update.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "app/CameraConstant.h"
#include "app/LaunchSettings.h"
#include "reference/RandomReference.h"
#include "tracks/SceneIndex.h"
#include "tracks/TrackSet.h"

namespace tolmero {
namespace {

using reference::sampleRandomField;
using reference::terrainSurfaceHeight;

constexpr float kFirstBeat = -3.0f;
constexpr float kLastBeat = 425.0f;
constexpr float kStep = 0.05f;
constexpr int kSteps = static_cast<int>((kLastBeat - kFirstBeat) / kStep) + 1;

// The eye keeps this far above the drawn terrain (the grass tufts alone are
// 0.0015 to 0.004 tall) and above the highest reach of the water.
constexpr float kGroundClearance = 0.002f;
constexpr float kWaterClearance = 0.0004f;
// Feet may sink into or hover over the drawn terrain by this much: less than
// the grass around them.
constexpr float kFootingTolerance = 0.001f;

float beat(int step) { return kFirstBeat + static_cast<float>(step) * kStep; }

int sceneAt(TrackSet& tracks, float t) { return sceneIndex(tracks.evaluate("scene", t).y); }

// The water of scene 1 at its highest: amplitude x 0.01 at the wave's crest.
float waterCrest(float x, float z) { return (sampleRandomField(3, x + 0.5f, z + 0.5f) * 0.5f + 0.05f) * 0.01f; }

struct View {
    CameraConstant camera;

    View(TrackSet& tracks, float t) {
        updateCamera(camera, tracks, t, PixelSize{1920, 1080}, PixelSize{1920, 1080});
    }

    // Clip position of a world point, with a camera-space x offset (the
    // billboards widen in camera space).
    std::array<float, 4> clip(float x, float y, float z, float cameraOffsetX = 0.0f) const {
        const std::array<float, 4> world{x, y, z, 1.0f};
        std::array<float, 4> c{};
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) c[j] += world[k] * camera.worldToCamera.at(k, j);
        c[0] += cameraOffsetX;
        std::array<float, 4> p{};
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k) p[j] += c[k] * camera.cameraToClip.at(k, j);
        return p;
    }

    bool sees(float x, float y, float z, float cameraOffsetX = 0.0f) const {
        const auto p = clip(x, y, z, cameraOffsetX);
        if (p[3] <= 0.0f) return false;
        return std::abs(p[0]) <= p[3] && std::abs(p[1]) <= p[3] && p[2] >= 0.0f && p[2] <= p[3];
    }

    // Whether any of a grid of points over a camera-facing quad of `height`
    // and `width` standing at `foot` lies in the view.
    bool seesQuad(float x, float y, float z, float height, float width) const {
        for (float across : {-0.5f, -0.25f, 0.0f, 0.25f, 0.5f})
            for (float up : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f})
                if (sees(x, y + height * up, z, width * across)) return true;
        return false;
    }
};

TEST(CameraPath, EyeStaysInsideTheLandscapeAndAboveItsGroundAndWater) {
    TrackSet& tracks = trackSet();
    float worstGround = 1.0f, worstGroundBeat = 0.0f;
    float worstWater = 1.0f, worstWaterBeat = 0.0f;
    float widest = 0.0f;
    for (int i = 0; i < kSteps; ++i) {
        const float t = beat(i);
        const TrackValue eye = tracks.evaluate("Camera position", t);
        const int scene = sceneAt(tracks, t);
        widest = std::max({widest, std::abs(eye.x), std::abs(eye.z)});
        const float aboveGround = eye.y - terrainSurfaceHeight(scene, eye.x, eye.z);
        if (aboveGround < worstGround) worstGround = aboveGround, worstGroundBeat = t;
        if (scene == 1) {
            const float aboveWater = eye.y - waterCrest(eye.x, eye.z);
            if (aboveWater < worstWater) worstWater = aboveWater, worstWaterBeat = t;
        }
    }
    EXPECT_LT(widest, 0.5f);
    EXPECT_GE(worstGround, kGroundClearance) << "closest to the ground at beat " << worstGroundBeat;
    EXPECT_GE(worstWater, kWaterClearance) << "closest to the water at beat " << worstWaterBeat;
}

TEST(CameraPath, CharacterStandsOnTheGroundWheneverItIsInShot) {
    TrackSet& tracks = trackSet();
    int framesInShot = 0;
    float worst = 0.0f, worstBeat = 0.0f;
    for (int i = 0; i < kSteps; ++i) {
        const float t = beat(i);
        const float size = tracks.evaluate("Sprite size", t).y;
        if (size <= 0.0f) continue;
        const TrackValue foot = tracks.evaluate("Sprite position", t);
        const View view(tracks, t);
        // Every frame image is twice as tall as it is wide.
        if (!view.seesQuad(foot.x, foot.y, foot.z, size, size * 0.5f)) continue;
        ++framesInShot;
        const float off = foot.y - terrainSurfaceHeight(sceneAt(tracks, t), foot.x, foot.z);
        if (std::abs(off) > std::abs(worst)) worst = off, worstBeat = t;
    }
    EXPECT_GT(framesInShot, kSteps / 4) << "the character should be in a good part of the production";
    EXPECT_LE(std::abs(worst), kFootingTolerance) << "feet off the ground by " << worst << " at beat " << worstBeat;
}

// The shots keep their subjects in the picture: the stump while its twigs
// grow, the machines while they work, the girl while the titles run and in
// the last shot.
TEST(CameraPath, ShotsFrameTheirSubjects) {
    TrackSet& tracks = trackSet();
    auto everyStepSees = [&](float from, float to, const std::string& what, auto point) {
        for (int i = 0; i < kSteps; ++i) {
            const float t = beat(i);
            if (t < from || t > to) continue;
            const View view(tracks, t);
            const std::array<float, 3> p = point(t);
            ASSERT_TRUE(view.sees(p[0], p[1], p[2])) << what << " out of the picture at beat " << t;
        }
    };
    const TrackValue stump = tracks.evaluate("stump position", 200.0f);
    everyStepSees(192.5f, 214.0f, "the stump", [&](float) {
        return std::array<float, 3>{stump.x, stump.y + 0.0075f, stump.z};
    });
    auto girl = [&](float t) {
        const TrackValue foot = tracks.evaluate("Sprite position", t);
        return std::array<float, 3>{foot.x, foot.y + 0.5f * tracks.evaluate("Sprite size", t).y, foot.z};
    };
    everyStepSees(256.0f, 287.0f, "the girl during the titles", girl);
    everyStepSees(352.5f, kLastBeat, "the burning girl", girl);

    const char* machines[] = {"Rekka pos", "Koura pos", "Kaivin pos"};
    for (int i = 0; i < kSteps; ++i) {
        const float t = beat(i);
        if (t < 224.5f || t > 255.5f) continue;
        const View view(tracks, t);
        int seen = 0;
        for (const char* name : machines) {
            const TrackValue p = tracks.evaluate(name, t);
            seen += view.sees(p.x, p.y + 0.012f, p.z) ? 1 : 0;
        }
        EXPECT_GE(seen, 1) << "no machine in the picture at beat " << t;
    }
}

}  // namespace
}  // namespace tolmero
