// The generated sky, ground and water images against the glow: the bloom adds
// about 2.4 x value^2 of a region's linear value at the production's usual
// strength, so the images are calibrated for what their passes put on screen,
// with typical values below about 0.3 and only highlights above it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "tests/images/DecodedImage.h"

namespace tolmero {
namespace {

using images::test::Decoded;

std::string asset(const std::string& name) { return std::string(TOLMERO_BUILD_DIR) + "/assets/" + name; }

float toLinear(float c) { return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f); }

// On-screen luminance of every pixel: the image decoded from sRGB, times the
// factor its pass applies.
struct Spread {
    double mean = 0.0;
    float p50 = 0.0f, p99 = 0.0f;
};

Spread spread(const Decoded& d, float passFactor) {
    std::array<long, 1001> histogram{};
    double sum = 0.0;
    long n = 0;
    for (int y = 0; y < d.height; y += 2)
        for (int x = 0; x < d.width; x += 2) {
            const float l = passFactor * (0.2126f * toLinear(d.at(x, y, 0) / 255.0f) +
                                          0.7152f * toLinear(d.at(x, y, 1) / 255.0f) +
                                          0.0722f * toLinear(d.at(x, y, 2) / 255.0f));
            ++histogram[std::clamp(static_cast<int>(l * 1000.0f), 0, 1000)];
            sum += l;
            ++n;
        }
    Spread s;
    s.mean = sum / static_cast<double>(n);
    long seen = 0;
    bool half = false;
    for (int i = 0; i <= 1000; ++i) {
        seen += histogram[i];
        if (!half && seen * 2 >= n) s.p50 = i / 1000.0f, half = true;
        if (seen * 100 >= n * 99) {
            s.p99 = i / 1000.0f;
            break;
        }
    }
    return s;
}

TEST(PictureCalibration, DaySkyIsASkyNotAWhiteOut) {
    // The sky pass shows the panorama at half its decoded value.
    const Spread s = spread(images::test::decodePng(asset("sprites/miljoo/taivaspaiva.png")), 0.5f);
    EXPECT_GT(s.mean, 0.08) << "too dark to read as day";
    EXPECT_LT(s.p50, 0.25);
    EXPECT_LT(s.p99, 0.30) << "only the brightest clouds may glow";
}

TEST(PictureCalibration, NightSkyStaysDarkAroundItsAurora) {
    const Spread s = spread(images::test::decodePng(asset("sprites/miljoo/taivasyo.png")), 0.5f);
    EXPECT_LT(s.mean, 0.06);
    EXPECT_LT(s.p99, 0.30);
}

TEST(PictureCalibration, WaterShowsAsItIsAndStaysDark) {
    // The water pass outputs the photographs unscaled.
    for (const char* name : {"sprites/miljoo/maasto/vesi/vesi001.jpg", "sprites/miljoo/maasto/vesi/vesi002.jpg"}) {
        SCOPED_TRACE(name);
        const Spread s = spread(images::test::decodeJpeg(asset(name)), 1.0f);
        EXPECT_GT(s.mean, 0.02);
        EXPECT_LT(s.mean, 0.2);
        EXPECT_LT(s.p99, 0.35);
    }
}

TEST(PictureCalibration, GroundStaysBelowTheGlowEvenInFullLight) {
    // The terrain's brightness runs from 0.1 to 0.5 with the slope.
    for (const char* name : {"sprites/miljoo/metsamaasto1.png", "sprites/miljoo/metsamaastoyo.png",
                             "sprites/miljoo/suomaasto.png", "sprites/miljoo/suomaasto2.png"}) {
        SCOPED_TRACE(name);
        const Spread s = spread(images::test::decodePng(asset(name)), 0.5f);
        EXPECT_LT(s.p99, 0.30);
    }
}

}  // namespace
}  // namespace tolmero
