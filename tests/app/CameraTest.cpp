#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/CameraConstant.h"
#include "app/FrameState.h"
#include "app/LaunchSettings.h"

namespace tolmero {
namespace {

// p' = p x M for a row-vector point.
std::array<float, 4> transformPoint(const std::array<float, 4>& p, const Matrix4& m) {
    std::array<float, 4> r{};
    for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k) r[j] += p[k] * m.at(k, j);
    return r;
}

void expectIdentity(const Matrix4& m, float tolerance, const std::string& context) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            ASSERT_NEAR(m.at(i, j), i == j ? 1.0f : 0.0f, tolerance) << context << " at " << i << "," << j;
}

TEST(Camera, LookingAlongPlusZFromTheOrigin) {
    const Matrix4 frame = cameraFrame(0, 0, 0, 0, 0);
    const float expected[16] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(frame.m[i], expected[i], 1e-7f) << i;

    const Matrix4 view = invert(frame);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(view.m[i], expected[i], 1e-6f) << i;
    const auto p = transformPoint({0, 0, 1, 1}, view);
    EXPECT_NEAR(p[0], 0.0f, 1e-6f);
    EXPECT_NEAR(p[1], 0.0f, 1e-6f);
    EXPECT_NEAR(p[2], -1.0f, 1e-6f);  // in front of the camera, which looks down -z
}

TEST(Camera, YawTurnsTowardMinusXAndPitchTiltsDown) {
    // The viewing direction is the negated third row of the frame.
    const Matrix4 turned = cameraFrame(0, 0, 0, 0, 0.5f);
    EXPECT_NEAR(-turned.at(2, 0), -std::sin(0.5f), 1e-6f);
    EXPECT_NEAR(-turned.at(2, 2), std::cos(0.5f), 1e-6f);
    const Matrix4 tilted = cameraFrame(0, 0, 0, 0.3f, 0);
    EXPECT_NEAR(-tilted.at(2, 1), -std::sin(0.3f), 1e-6f);
}

TEST(Camera, ProjectionEntries) {
    const Matrix4 projection = perspectiveProjection(90.0f, 16.0f / 9.0f);
    EXPECT_NEAR(projection.at(1, 1), 1.0f, 1e-6f);
    EXPECT_NEAR(projection.at(0, 0), 9.0f / 16.0f, 1e-6f);
    EXPECT_FLOAT_EQ(projection.at(2, 3), -1.0f);
    EXPECT_FLOAT_EQ(projection.at(2, 2), 2.0f / (0.0001f - 2.0f));
    EXPECT_FLOAT_EQ(projection.at(3, 2), 0.0001f * 2.0f / (0.0001f - 2.0f));
    EXPECT_EQ(projection.at(3, 3), 0.0f);
    // Depth runs from 0 at the near plane to 1 at the far plane.
    for (float z : {-0.0001f, -2.0f}) {
        const auto clip = transformPoint({0, 0, z, 1}, projection);
        EXPECT_NEAR(clip[2] / clip[3], z == -0.0001f ? 0.0f : 1.0f, 1e-4f);
    }
}

TEST(Camera, InverseOfGeneralMatrices) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-2.0f, 2.0f);
    for (int trial = 0; trial < 200; ++trial) {
        Matrix4 m;
        for (float& v : m.m) v = value(random);
        for (int i = 0; i < 4; ++i) m.at(i, i) += 3.0f;  // keep it well conditioned
        expectIdentity(multiplyRowMajor(m, invert(m)), 1e-4f, "trial " + std::to_string(trial));
    }
    // A zero below the diagonal is skipped, not divided by.
    Matrix4 upper = Matrix4::identity();
    upper.at(0, 3) = 5.0f;
    upper.at(1, 2) = -2.0f;
    expectIdentity(multiplyRowMajor(upper, invert(upper)), 1e-6f, "upper triangular");
}

TEST(Camera, InversePairsHoldOverTheWholeProduction) {
    LaunchSettings settings;
    settings.width = 1920;
    settings.height = 1080;
    TrackSet& tracks = trackSet();
    CameraConstant camera;
    MachineRig rig;
    for (float t = -3.0f; t < 425.0f; t += 0.05f) {
        computeFrameState(t, settings, tracks, camera, rig);
        expectIdentity(multiplyRowMajor(camera.worldToCamera, camera.cameraToWorld), 1e-4f,
                       "view pair at beat " + std::to_string(t));
        expectIdentity(multiplyRowMajor(camera.clipToCamera, camera.cameraToClip), 1e-4f,
                       "projection pair at beat " + std::to_string(t));
    }
}

TEST(Camera, ScreenSizeFollowsTheSupersamplingFactors) {
    TrackSet tracks;
    CameraConstant camera;
    const PixelSize window{1920, 1080};
    updateCamera(camera, tracks, 0.0f, window, {7680, 4320});
    EXPECT_EQ(camera.screenSize[0], 7680u);
    EXPECT_EQ(camera.screenSize[1], 4320u);
    LaunchSettings settings;
    settings.width = 1920;
    settings.height = 1080;
    settings.supersample = {2, 4};
    EXPECT_EQ(renderSize(settings), (PixelSize{3840, 4320}));
}

}  // namespace
}  // namespace tolmero
