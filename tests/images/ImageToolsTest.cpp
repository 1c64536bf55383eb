// The generators' shared tools: repeating noise, wrap-around blur, cut-out alpha and
// the file writers (which the loaders read back).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "DecodedImage.h"
#include "common/CairoLayer.h"
#include "common/ImageFile.h"
#include "common/Noise.h"
#include "common/Raster.h"

namespace tolmero::images::test {
namespace {

TEST(Noise, TileFunctionsRepeatAtTheUnitSquare) {
    for (float t : {0.0f, 0.13f, 0.5f, 0.77f}) {
        EXPECT_NEAR(tileFbm(0.0f, t, 5, 6, 0.5f, 3u), tileFbm(1.0f, t, 5, 6, 0.5f, 3u), 1e-5f);
        EXPECT_NEAR(tileFbm(t, 0.0f, 5, 6, 0.5f, 3u), tileFbm(t, 1.0f, 5, 6, 0.5f, 3u), 1e-5f);
        const CellSample a = tileCells(0.001f, t, 37, 9u), b = tileCells(1.001f, t, 37, 9u);
        EXPECT_NEAR(a.f1, b.f1, 1e-4f);
        EXPECT_EQ(a.id, b.id);
        EXPECT_LE(a.f1, a.f2);
    }
    // Horizontal repeat only when asked for.
    EXPECT_NEAR(cylinderFbm(0.0f, 0.3f, 4, 16, false, 4, 0.5f, 1u), cylinderFbm(1.0f, 0.3f, 4, 16, false, 4, 0.5f, 1u), 1e-5f);
    EXPECT_GT(std::abs(cylinderFbm(0.3f, 0.01f, 4, 16, false, 4, 0.5f, 1u) - cylinderFbm(0.3f, 1.01f, 4, 16, false, 4, 0.5f, 1u)),
              1e-3f);
}

TEST(Noise, VariesAndStaysInRange) {
    float lo = 1.0f, hi = -1.0f;
    for (int i = 0; i < 4096; ++i) {
        const float v = tileFbm((i % 64) / 64.0f, (i / 64) / 64.0f, 4, 5, 0.5f, 11u);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_LT(lo, -0.2f);
    EXPECT_GT(hi, 0.2f);
    EXPECT_GT(lo, -1.2f);
    EXPECT_LT(hi, 1.2f);
}

TEST(Raster, BlurWrapsAroundOnlyWhenAsked) {
    Plane p(32, 32, 0.0f);
    p.at(0, 0) = 1.0f;
    Plane wrapped = p, clamped = p;
    blurPlane(wrapped, 2.0f, true, true);
    blurPlane(clamped, 2.0f, false, false);
    double sum = 0.0;
    for (float v : wrapped.v) sum += v;
    EXPECT_NEAR(sum, 1.0, 1e-4);             // energy kept on the torus
    EXPECT_GT(wrapped.at(31, 31), 0.001f);    // spread across the corner
    EXPECT_LT(clamped.at(31, 31), 1e-9f);  // only rounding residue of the running sums
    Plane flat(16, 16, 0.4f);
    blurPlane(flat, 3.0f);
    for (float v : flat.v) EXPECT_NEAR(v, 0.4f, 1e-5f);
}

TEST(CairoLayerTest, HardCutOutAndUnpremultipliedColour) {
    CairoLayer layer(8, 4);
    layer.clear();
    cairo_rectangle(layer.cr(), 0, 0, 4, 4);
    cairo_set_source_rgba(layer.cr(), 1.0, 0.0, 0.0, 0.5);
    cairo_fill(layer.cr());
    const std::vector<uint8_t> soft = layer.rgba8();
    EXPECT_EQ(soft[0], 255);  // colour without the premultiplication
    EXPECT_EQ(soft[1], 0);
    EXPECT_NEAR(soft[3], 128, 1);
    const std::vector<uint8_t> hard = layer.rgba8(0.6f);
    EXPECT_EQ(hard[3], 0);  // below the cut-off: transparent black
    EXPECT_EQ(hard[0], 0);
    const std::vector<uint8_t> kept = layer.rgba8(0.4f);
    EXPECT_EQ(kept[3], 255);
    EXPECT_EQ(kept[(4 * 8 - 1) * 4 + 3], 0);  // untouched corner
    const std::vector<uint8_t> flat = layer.flattenedRgba8({1.0f, 1.0f, 1.0f});
    EXPECT_NEAR(flat[1], 128, 1);  // half red over white
    EXPECT_EQ(flat[(4 * 8 - 1) * 4 + 1], 255);
}

TEST(CairoLayerTest, WrappedDrawingCoversEveryTileCorner) {
    int copies = 0;
    drawWrapped(100, 100, 2.0, 3.0, 5.0, [&](double, double) { ++copies; });
    EXPECT_EQ(copies, 4);
    copies = 0;
    drawWrapped(100, 100, 50.0, 50.0, 5.0, [&](double, double) { ++copies; });
    EXPECT_EQ(copies, 1);
}

class WriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("tolmero-writer-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::filesystem::path dir_;
};

TEST_F(WriterTest, SixteenBitPngKeepsEverySample) {
    std::vector<uint16_t> samples{0x1234, 0xFFFF, 0x0001, 0x8000, 0x00FF, 0xFF00};
    writePng16Rgb(path("deep/folder/a.png"), 2, 1, samples);  // creates the folders
    const PngHeader h = readPngHeader(path("deep/folder/a.png"));
    EXPECT_EQ(h.bitDepth, 16);
    EXPECT_EQ(h.colorType, 2);
    const Decoded d = decodePng(path("deep/folder/a.png"));
    EXPECT_EQ(d.samples, samples);
}

TEST_F(WriterTest, EightBitPngAndJpegRoundTrip) {
    std::vector<uint8_t> rgba{10, 20, 30, 255, 200, 100, 50, 0};
    writePng8(path("b.png"), 2, 1, 4, rgba);
    const Decoded d = decodePng(path("b.png"));
    ASSERT_EQ(d.channels, 4);
    for (size_t i = 0; i < rgba.size(); ++i) EXPECT_EQ(d.samples[i], rgba[i]);

    std::vector<uint8_t> rgb(64 * 64 * 3, 90);
    writeJpeg(path("c.jpg"), 64, 64, rgb, 90);
    const JpegHeader j = readJpegHeader(path("c.jpg"));
    EXPECT_TRUE(j.baseline);
    EXPECT_EQ(j.width, 64);
    const Decoded c = decodeJpeg(path("c.jpg"));
    EXPECT_NEAR(c.at(10, 10, 1), 90, 2);
}

TEST_F(WriterTest, RejectsMismatchedBuffers) {
    EXPECT_THROW(writePng8(path("d.png"), 4, 4, 3, std::vector<uint8_t>(47)), std::runtime_error);
    EXPECT_THROW(writePng8(path("d.png"), 4, 4, 2, std::vector<uint8_t>(32)), std::runtime_error);
    EXPECT_THROW(writePng16Rgb(path("d.png"), 0, 4, {}), std::runtime_error);
    EXPECT_THROW(writeJpeg(path("d.jpg"), 4, 4, std::vector<uint8_t>(10), 90), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(path("d.png")));
}

}  // namespace
}  // namespace tolmero::images::test
