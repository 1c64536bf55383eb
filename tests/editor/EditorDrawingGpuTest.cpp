// The editor programs on the GPU: a curve through the baked samples of known
// keys, key markers, world paths through a perspective view and the time
// grid, each read back and compared with where the CPU puts the points.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "app/CameraConstant.h"
#include "editor/EditorDrawing.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "tests/support/renderer/HeadlessRendererTest.h"
#include "tracks/TrackSet.h"

namespace tolmero {
namespace {

using namespace gpu;

constexpr std::uint32_t kWidth = 640;
constexpr std::uint32_t kHeight = 360;

struct Image {
    std::vector<std::uint8_t> rgba;
    std::array<int, 3> at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) * 4;
        return {rgba[i], rgba[i + 1], rgba[i + 2]};
    }
    bool lit(int x, int y) const {
        if (x < 0 || y < 0 || x >= static_cast<int>(kWidth) || y >= static_cast<int>(kHeight)) return false;
        const auto c = at(x, y);
        return c[0] + c[1] + c[2] > 0;
    }
    bool litNear(float px, float py, int radius) const {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (lit(static_cast<int>(std::floor(px)) + dx, static_cast<int>(std::floor(py)) + dy)) return true;
        return false;
    }
};

// Pixel coordinates of a clip-space point (row 0 at the top).
std::array<float, 2> toPixel(const Point3& clip) {
    return {(clip[0] + 1.0f) * 0.5f * kWidth, (1.0f - clip[1]) * 0.5f * kHeight};
}

float distanceToSegment(float px, float py, std::array<float, 2> a, std::array<float, 2> b) {
    const float dx = b[0] - a[0], dy = b[1] - a[1];
    const float length2 = dx * dx + dy * dy;
    const float u = length2 > 0.0f ? std::clamp(((px - a[0]) * dx + (py - a[1]) * dy) / length2, 0.0f, 1.0f) : 0.0f;
    return std::hypot(px - (a[0] + u * dx), py - (a[1] + u * dy));
}

class EditorDrawingTest : public testsupport::HeadlessRendererTest {
protected:
    void SetUp() override {
        HeadlessRendererTest::SetUp();
        target_ = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, kWidth, kHeight,
                                D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE, 0);
        clearTarget(target_, {0.0f, 0.0f, 0.0f, 1.0f});
    }
    void TearDown() override {
        releaseObject(target_);
        HeadlessRendererTest::TearDown();
    }
    Image read() {
        Image image;
        image.rgba.resize(std::size_t{kWidth} * kHeight * 4);
        EXPECT_EQ(context()->ReadSubresource(target_, 0, image.rgba.data(), image.rgba.size()), S_OK);
        return image;
    }
    // Every reference point has a lit pixel beside it, and every lit pixel
    // lies on the reference polyline.
    void expectPolyline(const Image& image, const std::vector<std::array<float, 2>>& reference,
                        std::array<int, 3> colour) {
        int checked = 0;
        for (const auto& p : reference) {
            if (p[0] < 1 || p[1] < 1 || p[0] > kWidth - 1 || p[1] > kHeight - 1) continue;
            EXPECT_TRUE(image.litNear(p[0], p[1], 1)) << p[0] << ", " << p[1];
            ++checked;
        }
        EXPECT_GT(checked, 20);
        int lit = 0;
        for (int y = 0; y < static_cast<int>(kHeight); ++y) {
            for (int x = 0; x < static_cast<int>(kWidth); ++x) {
                if (!image.lit(x, y)) continue;
                ++lit;
                EXPECT_EQ(image.at(x, y), colour) << x << ", " << y;
                float nearest = 1e9f;
                for (std::size_t i = 1; i < reference.size(); ++i)
                    nearest = std::min(nearest, distanceToSegment(x + 0.5f, y + 0.5f, reference[i - 1], reference[i]));
                EXPECT_LT(nearest, 1.5f) << x << ", " << y;
            }
        }
        EXPECT_GT(lit, 50);
    }
    ID3D11Texture2D* target_ = nullptr;
};

TEST_F(EditorDrawingTest, TrackCurveFollowsTheBakeOfItsKeys) {
    const Track keys = {{0.0f, {0, 0.0f, 0, 3}}, {2.0f, {0, 3.0f, 0, 1}}, {4.0f, {0, -1.0f, 0, 1}},
                        {6.0f, {0, 1.0f, 0, 3}}, {8.0f, {0, 2.0f, 0, 3}}};
    const std::vector<TrackKey> samples = bakeTrack(keys);
    const Matrix4 view = panelView(-0.5f, 8.5f, -1.5f, 3.5f, ClipRect{});
    std::vector<Point3> points;
    std::vector<std::array<float, 2>> reference;
    for (const TrackKey& s : samples) {
        points.push_back({s.time, s.value.y, 0.0f});
        reference.push_back(toPixel(project(view, points.back())));
    }
    drawCurve(points, view, target_);
    expectPolyline(read(), reference, {230, 230, 230});
}

TEST_F(EditorDrawingTest, WorldPathFollowsItsPointsThroughThePerspective) {
    // Looking down at the origin from beside it.
    const Matrix4 toWorld = cameraFrame(0.0f, 0.05f, 0.4f, 0.1f, 3.1415927f);;
    const Matrix4 view = multiplyRowMajor(invert(toWorld), perspectiveProjection(45.0f, 16.0f / 9.0f));
    std::vector<Point4> points;
    std::vector<std::array<float, 2>> reference;
    for (int i = 0; i <= 64; ++i) {
        const float a = static_cast<float>(i) / 64.0f * 6.2831853f;
        points.push_back({0.15f * std::cos(a), 0.0f, 0.15f * std::sin(a), 1.0f});
        reference.push_back(toPixel(project(view, {points.back()[0], points.back()[1], points.back()[2]})));
    }
    drawWorldCurve(points, view, target_);
    expectPolyline(read(), reference, {255, 230, 51});
}

TEST_F(EditorDrawingTest, MarkersSitOnTheirPointsInTheirColours) {
    const Matrix4 view = panelView(0.0f, 10.0f, 0.0f, 10.0f, ClipRect{});
    drawMarkers({{2.0f, 5.0f, 0.0f}}, view, target_);
    drawWorldMarkers({{5.0f, 5.0f, 0.0f, 3.0f}, {8.0f, 5.0f, 0.0f, 1.0f}}, view, target_);
    const Image image = read();
    auto pixel = [](float t, float v) {
        const auto p = toPixel(project(panelView(0.0f, 10.0f, 0.0f, 10.0f, ClipRect{}), {t, v, 0.0f}));
        return std::array<int, 2>{static_cast<int>(p[0]), static_cast<int>(p[1])};
    };
    // The dot: filled, its own colour at the centre.
    const auto dot = pixel(2.0f, 5.0f);
    const auto centre = image.at(dot[0], dot[1]);
    EXPECT_EQ(centre[0], 255);
    EXPECT_NEAR(centre[1], 217, 1);
    EXPECT_NEAR(centre[2], 77, 1);
    // Rings: empty at the centre, corner orange and smooth cyan on the ring
    // (radius 0.02 of the half size: 6.4 by 3.6 pixels here, the ring from 0.55 of it).
    for (const auto& [t, colour] : {std::pair{5.0f, std::array<int, 3>{255, 128, 38}},
                                    std::pair{8.0f, std::array<int, 3>{77, 217, 255}}}) {
        const auto c = pixel(t, 5.0f);
        EXPECT_FALSE(image.lit(c[0], c[1])) << t;
        bool found = false;
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -7; dx <= 7; ++dx)
                if (image.lit(c[0] + dx, c[1] + dy)) {
                    const auto got = image.at(c[0] + dx, c[1] + dy);
                    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], colour[i], 2) << t;
                    found = true;
                }
        EXPECT_TRUE(found) << t;
    }
    // Nothing far from the three points.
    for (int y = 0; y < static_cast<int>(kHeight); ++y)
        for (int x = 0; x < static_cast<int>(kWidth); ++x)
            if (image.lit(x, y)) {
                const bool near = std::abs(y - dot[1]) <= 4 &&
                                  (std::abs(x - dot[0]) <= 7 || std::abs(x - pixel(5.0f, 5.0f)[0]) <= 7 ||
                                   std::abs(x - pixel(8.0f, 5.0f)[0]) <= 7);
                EXPECT_TRUE(near) << x << ", " << y;
            }
}

TEST_F(EditorDrawingTest, GridDrawsBeatsBarsAndFencesAcrossItsViewport) {
    // Beats 2 to 9 over the viewport's width, fences at 3.5 and 7.25.
    const Viewport viewport{16, 10, 512, 60};
    const Matrix4 view = panelView(1.0f, 9.0f, 0.0f, 1.0f, ClipRect{});
    drawTimeGrid(2.0f, 8, {3.5f, 7.25f}, view, viewport, target_);
    const Image image = read();
    auto column = [&](float beat) { return static_cast<int>(16.0f + (beat - 1.0f) / 8.0f * 512.0f); };
    auto colourAt = [&](float beat, int y) {
        for (int dx = -1; dx <= 1; ++dx)
            if (image.lit(column(beat) + dx, y)) return image.at(column(beat) + dx, y);
        return std::array<int, 3>{0, 0, 0};
    };
    const int middle = 40;
    EXPECT_EQ(colourAt(4.0f, middle), (std::array<int, 3>{128, 128, 128}));  // a bar line
    EXPECT_EQ(colourAt(8.0f, middle), (std::array<int, 3>{128, 128, 128}));
    EXPECT_EQ(colourAt(5.0f, middle), (std::array<int, 3>{64, 64, 64}));     // a beat line
    EXPECT_EQ(colourAt(3.5f, middle), (std::array<int, 3>{230, 76, 51}));    // a fence
    EXPECT_EQ(colourAt(7.25f, middle), (std::array<int, 3>{230, 76, 51}));
    EXPECT_EQ(colourAt(6.0f, 11), colourAt(6.0f, 68));  // from the viewport's top to its bottom
    for (int x = 0; x < static_cast<int>(kWidth); ++x) {
        EXPECT_FALSE(image.lit(x, 5)) << x;   // nothing above the viewport
        EXPECT_FALSE(image.lit(x, 80)) << x;  // or below it
    }
    EXPECT_FALSE(image.lit(column(2.5f), middle));  // between beat lines
}

}  // namespace
}  // namespace tolmero
