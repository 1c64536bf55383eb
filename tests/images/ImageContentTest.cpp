// Properties of the generated images that the renderer relies on: blue-noise dither,
// seamless ground tiles and sky panoramas, the logo's red-channel mask, white plant
// backgrounds without near-white plant texels, hard-edged character alpha, and water
// photographs that follow the shores of the landscape they are stretched over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <iterator>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "DecodedImage.h"
#include "StumpImages.h"
#include "reference/RandomReference.h"

namespace tolmero::images::test {
namespace {

// Mean power of the frequencies with 0 < |k| <= radius (cycles per tile), normalised
// so that uncorrelated noise averages 1.
double lowFrequencyPower(const std::vector<double>& v, int size, int radius) {
    const double mean = std::accumulate(v.begin(), v.end(), 0.0) / v.size();
    double variance = 0.0;
    for (double x : v) variance += (x - mean) * (x - mean);
    variance /= v.size();
    const int span = 2 * radius + 1;
    // Separable DFT restricted to the low band: rows first, then columns.
    std::vector<std::complex<double>> rows(static_cast<size_t>(size) * span);
    for (int y = 0; y < size; ++y) {
        for (int k = -radius; k <= radius; ++k) {
            std::complex<double> sum = 0.0;
            for (int x = 0; x < size; ++x) sum += (v[y * size + x] - mean) * std::polar(1.0, -2.0 * M_PI * k * x / size);
            rows[static_cast<size_t>(y) * span + k + radius] = sum;
        }
    }
    double total = 0.0;
    int count = 0;
    for (int ky = -radius; ky <= radius; ++ky) {
        for (int kx = -radius; kx <= radius; ++kx) {
            if ((kx == 0 && ky == 0) || kx * kx + ky * ky > radius * radius) continue;
            std::complex<double> sum = 0.0;
            for (int y = 0; y < size; ++y) sum += rows[static_cast<size_t>(y) * span + kx + radius] * std::polar(1.0, -2.0 * M_PI * ky * y / size);
            total += std::norm(sum) / (static_cast<double>(v.size()) * variance);
            ++count;
        }
    }
    return total / count;
}

TEST(Dither, EachChannelUsesEveryValueOnce) {
    const Decoded d = decodePng(generatedAsset("sprites/dither.png"));
    ASSERT_EQ(d.channels, 3);
    for (int c = 0; c < 3; ++c) {
        std::vector<int> histogram(65536, 0);
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x) ++histogram[d.at(x, y, c)];
        EXPECT_TRUE(std::all_of(histogram.begin(), histogram.end(), [](int n) { return n == 1; })) << "channel " << c;
    }
}

TEST(Dither, IsBlueNoiseNotWhiteNoise) {
    const Decoded d = decodePng(generatedAsset("sprites/dither.png"));
    ASSERT_EQ(d.width, 256);
    std::mt19937 gen(7);
    for (int c = 0; c < 3; ++c) {
        std::vector<double> v(65536);
        for (int i = 0; i < 65536; ++i) v[i] = d.samples[static_cast<size_t>(i) * 3 + c];
        const double blue = lowFrequencyPower(v, 256, 16);
        // The same values in random order: white noise.
        std::vector<double> shuffled = v;
        std::shuffle(shuffled.begin(), shuffled.end(), gen);
        const double white = lowFrequencyPower(shuffled, 256, 16);
        EXPECT_GT(white, 0.7) << "channel " << c;
        EXPECT_LT(blue, 0.1 * white) << "channel " << c;
    }
    // Independent channels: the ranks of two channels are uncorrelated.
    double sxy = 0.0, sx = 0.0, sy = 0.0, sxx = 0.0, syy = 0.0;
    for (int i = 0; i < 65536; ++i) {
        const double a = d.samples[static_cast<size_t>(i) * 3], b = d.samples[static_cast<size_t>(i) * 3 + 1];
        sx += a; sy += b; sxy += a * b; sxx += a * a; syy += b * b;
    }
    const double n = 65536.0;
    const double correlation = (sxy - sx * sy / n) / std::sqrt((sxx - sx * sx / n) * (syy - sy * sy / n));
    EXPECT_LT(std::abs(correlation), 0.05);
}

double luminance(const Decoded& d, int x, int y) {
    const double scale = 1.0 / 255.0;
    return (0.2126 * d.at(x, y, 0) + 0.7152 * d.at(x, y, 1) + 0.0722 * d.at(x, y, 2)) * scale;
}

double pixelDistance(const Decoded& d, int x0, int y0, int x1, int y1) {
    double sum = 0.0;
    for (int c = 0; c < 3; ++c) sum += std::abs(static_cast<double>(d.at(x0, y0, c)) - d.at(x1, y1, c));
    return sum;
}

// Mean colour difference across the vertical boundary between columns a and b.
double columnDifference(const Decoded& d, int a, int b) {
    double sum = 0.0;
    for (int y = 0; y < d.height; ++y) sum += pixelDistance(d, a, y, b, y);
    return sum / d.height;
}

double rowDifference(const Decoded& d, int a, int b) {
    double sum = 0.0;
    for (int x = 0; x < d.width; ++x) sum += pixelDistance(d, x, a, x, b);
    return sum / d.width;
}

// Differences between all pairs of neighbouring columns (rows) inside the image.
std::vector<double> interiorColumnDifferences(const Decoded& d) {
    std::vector<double> out;
    for (int x = 0; x + 1 < d.width; ++x) out.push_back(columnDifference(d, x, x + 1));
    return out;
}

std::vector<double> interiorRowDifferences(const Decoded& d) {
    std::vector<double> out;
    for (int y = 0; y + 1 < d.height; ++y) out.push_back(rowDifference(d, y, y + 1));
    return out;
}

double maximum(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

TEST(Ground, TilesRepeatSeamlessly) {
    for (const char* name : {"sprites/miljoo/metsamaasto1.png", "sprites/miljoo/metsamaastoyo.png",
                             "sprites/miljoo/suomaasto.png", "sprites/miljoo/suomaasto2.png"}) {
        SCOPED_TRACE(name);
        const Decoded d = decodePng(generatedAsset(name));
        const std::vector<double> columns = interiorColumnDifferences(d);
        const std::vector<double> rows = interiorRowDifferences(d);
        // Across the seam the image must change no more than between any two
        // neighbouring columns (rows) inside it ...
        EXPECT_LE(columnDifference(d, d.width - 1, 0), maximum(columns));
        EXPECT_LE(rowDifference(d, d.height - 1, 0), maximum(rows));
        // ... while the same criterion rejects two unrelated columns (rows), so a
        // texture that did not wrap around would fail it.
        EXPECT_GT(columnDifference(d, 100, 600), maximum(columns));
        EXPECT_GT(rowDifference(d, 100, 600), maximum(rows));
    }
}

TEST(Ground, IsBrightEnoughForTheLightingAndNightIsDarker) {
    auto meanLuminance = [](const Decoded& d) {
        double sum = 0.0;
        for (int y = 0; y < d.height; y += 3)
            for (int x = 0; x < d.width; x += 3) sum += luminance(d, x, y);
        return sum / ((d.height / 3 + 1) * (d.width / 3 + 1));
    };
    const double day = meanLuminance(decodePng(generatedAsset("sprites/miljoo/metsamaasto1.png")));
    const double night = meanLuminance(decodePng(generatedAsset("sprites/miljoo/metsamaastoyo.png")));
    const double bog1 = meanLuminance(decodePng(generatedAsset("sprites/miljoo/suomaasto.png")));
    const double bog2 = meanLuminance(decodePng(generatedAsset("sprites/miljoo/suomaasto2.png")));
    for (double m : {day, bog1, bog2}) {
        EXPECT_GT(m, 0.3);
        EXPECT_LT(m, 0.8);
    }
    EXPECT_LT(night, 0.8 * day);
    EXPECT_GT(night, 0.12);
}

TEST(Water, PhotographsAreDarkAndDifferFromEachOther) {
    const Decoded a = decodeJpeg(generatedAsset("sprites/miljoo/maasto/vesi/vesi001.jpg"));
    const Decoded b = decodeJpeg(generatedAsset("sprites/miljoo/maasto/vesi/vesi002.jpg"));
    double meanA = 0.0, diff = 0.0;
    for (int y = 0; y < a.height; y += 2) {
        for (int x = 0; x < a.width; x += 2) {
            meanA += luminance(a, x, y);
            diff += std::abs(luminance(a, x, y) - luminance(b, x, y));
        }
    }
    const double n = (a.height / 2) * (a.width / 2);
    EXPECT_LT(meanA / n, 0.5);
    EXPECT_GT(meanA / n, 0.08);
    EXPECT_GT(diff / n, 0.01);  // the cross-fade between them shows movement
}

TEST(Water, ShoresAreDarkAndOpenWaterVariesAsScene1sLandscapeLiesUnderIt) {
    // The photographs are stretched once over scene 1's landscape: texel (x, y) lies
    // over world x = (x + 0.5) / 1024 - 0.5, z likewise. Along its shores the water is
    // darkest; away from them it mirrors the sky in some stretches and is dark in
    // others rather than one flat grey.
    const Decoded water = decodeJpeg(generatedAsset("sprites/miljoo/maasto/vesi/vesi001.jpg"));
    ASSERT_EQ(water.width, 1024);
    auto height = [&](int x, int y) {
        return reference::terrainHeight(1, (x + 0.5f) / water.width - 0.5f, (y + 0.5f) / water.height - 0.5f);
    };
    constexpr float kLevel = 0.0004f;  // about the water's mean level there
    auto landWithin = [&](int x, int y, int r) {
        for (int dy = -r; dy <= r; dy += std::max(1, r / 4))
            for (int dx = -r; dx <= r; dx += std::max(1, r / 4)) {
                const int sx = std::clamp(x + dx, 0, water.width - 1), sy = std::clamp(y + dy, 0, water.height - 1);
                if (height(sx, sy) > kLevel) return true;
            }
        return false;
    };
    double shore = 0.0;
    int shoreCount = 0;
    std::vector<double> open;
    for (int y = 2; y < water.height; y += 6) {
        for (int x = 2; x < water.width; x += 6) {
            if (height(x, y) > kLevel) continue;
            if (landWithin(x, y, 2)) {
                shore += luminance(water, x, y);
                ++shoreCount;
            } else if (!landWithin(x, y, 40)) {
                open.push_back(luminance(water, x, y));
            }
        }
    }
    ASSERT_GT(shoreCount, 100);
    ASSERT_GT(open.size(), 1000u);
    std::sort(open.begin(), open.end());
    const double openMean = std::accumulate(open.begin(), open.end(), 0.0) / open.size();
    const double p10 = open[open.size() / 10], p90 = open[open.size() * 9 / 10];
    EXPECT_LT(shore / shoreCount, 0.6 * openMean);
    EXPECT_GT(p90 - p10, 0.2);
}

TEST(Sky, PanoramasWrapHorizontallyAndBrightenTowardTheHorizon) {
    for (const char* name : {"sprites/miljoo/taivaspaiva.png", "sprites/miljoo/taivasyo.png"}) {
        SCOPED_TRACE(name);
        const Decoded d = decodePng(generatedAsset(name));
        EXPECT_LE(columnDifference(d, d.width - 1, 0), maximum(interiorColumnDifferences(d)));
        auto rowLuminance = [&](int y) {
            double sum = 0.0;
            for (int x = 0; x < d.width; ++x) sum += luminance(d, x, y);
            return sum / d.width;
        };
        // Row 0 is the horizon, the last row the zenith; the zenith row is one direction,
        // so it barely varies along its length.
        EXPECT_GT(rowLuminance(0), rowLuminance(d.height - 1));
        double lo = 1.0, hi = 0.0;
        for (int x = 0; x < d.width; ++x) {
            lo = std::min(lo, luminance(d, x, d.height - 1));
            hi = std::max(hi, luminance(d, x, d.height - 1));
        }
        EXPECT_LT(hi - lo, 0.25);
    }
    const Decoded day = decodePng(generatedAsset("sprites/miljoo/taivaspaiva.png"));
    double sum = 0.0;
    for (int y = 0; y < day.height; y += 4)
        for (int x = 0; x < day.width; x += 4) sum += luminance(day, x, y);
    EXPECT_GT(sum / ((day.height / 4) * (day.width / 4)), 0.55);  // drawn at half brightness
}

TEST(Sky, NightHasStarsAndGreenAurora) {
    const Decoded d = decodePng(generatedAsset("sprites/miljoo/taivasyo.png"));
    int stars = 0, aurora = 0;
    for (int y = 0; y < d.height; ++y) {
        for (int x = 0; x < d.width; ++x) {
            const int r = d.at(x, y, 0), g = d.at(x, y, 1), b = d.at(x, y, 2);
            if (r > 150 && g > 150 && b > 150) ++stars;
            if (g > r + 40 && g > b + 15) ++aurora;
        }
    }
    EXPECT_GT(stars, 2000);
    EXPECT_GT(aurora, d.width * d.height / 400);
}

TEST(Logo, RedChannelMarksSolidLetters) {
    const Decoded d = decodePng(generatedAsset("sprites/tolmero.png"));
    ASSERT_EQ(d.width * 9, d.height * 16);
    long inside = 0, deep = 0;
    for (int y = 0; y < d.height; ++y) {
        for (int x = 0; x < d.width; ++x) {
            const int r = d.at(x, y, 0);
            if (r <= 127) {
                ++inside;
                if (r < 77) ++deep;
            }
            const bool border = x < d.width / 40 || x >= d.width - d.width / 40 || y < d.height / 20 ||
                                y >= d.height - d.height / 20;
            if (border) {
                ASSERT_GT(r, 230) << "at " << x << "," << y;
            }
        }
    }
    const double fraction = static_cast<double>(inside) / (static_cast<double>(d.width) * d.height);
    EXPECT_GT(fraction, 0.15);
    EXPECT_LT(fraction, 0.6);
    EXPECT_GT(deep, inside * 95 / 100);  // the letters are solid, not shaded toward the threshold
}

std::vector<std::string> plantImages() {
    std::vector<std::string> names;
    for (const char* t : {"koivu1", "koivu2", "kuusi1", "kuusi2", "manty1", "manty2", "manty3"})
        names.push_back("sprites/miljoo/puut/" + std::string(t) + ".png");
    for (int i = 1; i <= 5; ++i) names.push_back("sprites/miljoo/heinat/tuppo" + std::to_string(i) + ".png");
    names.push_back("sprites/miljoo/maasto/maatuvakoivu.png");
    names.push_back("sprites/miljoo/maasto/suokukka.png");
    for (int i = 1; i <= 6; ++i) names.push_back("sprites/miljoo/maasto/varpuinen" + std::to_string(i) + ".png");
    names.insert(names.end(), std::begin(generated::kStumpImages), std::end(generated::kStumpImages));
    return names;
}

TEST(Plants, StandOnPureWhiteWithoutNearWhiteTexelsInside) {
    for (const std::string& name : plantImages()) {
        SCOPED_TRACE(name);
        const Decoded d = decodePng(generatedAsset(name));
        ASSERT_EQ(d.channels, 4);
        auto white = [&](int x, int y) { return d.at(x, y, 0) == 255 && d.at(x, y, 1) == 255 && d.at(x, y, 2) == 255; };
        // Texels the sprite pass would cut as background although they are not the
        // background itself.
        auto nearWhite = [&](int x, int y) {
            const double r = d.at(x, y, 0) / 255.0, g = d.at(x, y, 1) / 255.0, b = d.at(x, y, 2) / 255.0;
            return !white(x, y) && std::sqrt(r * r + g * g + b * b) > 1.4;
        };
        long background = 0, ink = 0, solidNearWhite = 0, opaque = 0;
        for (int y = 0; y < d.height; ++y) {
            for (int x = 0; x < d.width; ++x) {
                opaque += d.at(x, y, 3) == 255;
                background += white(x, y);
                ink += std::max({d.at(x, y, 0), d.at(x, y, 1), d.at(x, y, 2)}) < 200;
                // Antialiased edges and small gaps in foliage blend the plant with the
                // white and are rightly cut; a 5 × 5 patch of near-white texels is
                // plant colour (a white birch trunk, a pale flower) that would vanish.
                if (x < 2 || y < 2 || x >= d.width - 2 || y >= d.height - 2) continue;
                bool patch = true;
                for (int dy = -2; dy <= 2 && patch; ++dy)
                    for (int dx = -2; dx <= 2 && patch; ++dx) patch = nearWhite(x + dx, y + dy);
                solidNearWhite += patch;
            }
        }
        const long total = static_cast<long>(d.width) * d.height;
        EXPECT_EQ(opaque, total);
        for (int x = 0; x < d.width; ++x) EXPECT_TRUE(white(x, 0)) << "top row at " << x;
        EXPECT_GT(background, total / 4);
        EXPECT_GT(ink, total / 400);  // there is a plant
        EXPECT_EQ(solidNearWhite, 0);
    }
}

// The sprite passes sample with wrap-around addressing: anything at one edge of an
// image bleeds into the opposite edge of its quad (a plant's foot shows as a line above
// its top), the more so at the coarse mip levels of distant sprites. So plants keep a
// white band below the foot and clear edges all round.
TEST(Plants, KeepClearOfTheEdgesTheSamplerWrapsAround) {
    for (const std::string& name : plantImages()) {
        SCOPED_TRACE(name);
        const Decoded d = decodePng(generatedAsset(name));
        const bool tree = name.find("/puut/") != std::string::npos;
        const bool stumpSet = name.find("/kanto/") != std::string::npos;
        const int foot = tree ? 24 : stumpSet ? 3 : 12;  // rows, at least
        auto white = [&](int x, int y) { return d.at(x, y, 0) == 255 && d.at(x, y, 1) == 255 && d.at(x, y, 2) == 255; };
        int lowestInk = -1;
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x)
                if (!white(x, y)) lowestInk = std::max(lowestInk, y);
        ASSERT_GE(lowestInk, 0);
        EXPECT_LT(lowestInk, d.height - foot) << "plant reaches the bottom edge";
        // ... but still stands near it.
        EXPECT_GE(lowestInk, d.height - 3 * foot - 8);
        long sideInk = 0;
        for (int y = 0; y < d.height; ++y)
            for (int x : {0, 1, d.width - 2, d.width - 1}) sideInk += !white(x, y);
        EXPECT_EQ(sideInk, 0);
    }
}

// Share of a plant's coarse-mip texels (boxes of box x box pixels, as a sprite seen
// from afar samples them) that the sprite pass draws rather than cuts as near-white
// background, counted over the boxes the plant touches at all.
double survivingShare(const Decoded& d, int box, double lod) {
    long touched = 0, drawn = 0;
    for (int by = 0; by + box <= d.height; by += box) {
        for (int bx = 0; bx + box <= d.width; bx += box) {
            double r = 0.0, g = 0.0, b = 0.0;
            bool any = false;
            for (int y = by; y < by + box; ++y) {
                for (int x = bx; x < bx + box; ++x) {
                    r += d.at(x, y, 0);
                    g += d.at(x, y, 1);
                    b += d.at(x, y, 2);
                    any = any || d.at(x, y, 0) != 255 || d.at(x, y, 1) != 255 || d.at(x, y, 2) != 255;
                }
            }
            if (!any) continue;
            ++touched;
            const double n = 255.0 * box * box;
            drawn += std::sqrt((r / n) * (r / n) + (g / n) * (g / n) + (b / n) * (b / n)) <= 1.4 + lod * lod * 0.0022;
        }
    }
    return touched ? static_cast<double>(drawn) / touched : 0.0;
}

// Seen from afar, a sprite is a few texels of its coarse mip levels, where a sparse
// plant mixes with the white around it and is cut away or drawn as pale haze. The dense
// plants stay mostly solid there.
TEST(Plants, DensePlantsSurviveTheCutAtADistance) {
    struct Case {
        std::string name;
        int box;
        double minimum;
    };
    const std::vector<Case> cases = {{"sprites/miljoo/puut/kuusi1.png", 32, 0.8}, {"sprites/miljoo/puut/kuusi2.png", 32, 0.8},
                                     {"sprites/miljoo/puut/koivu1.png", 32, 0.6}, {"sprites/miljoo/puut/manty1.png", 32, 0.5},
                                     {"sprites/miljoo/heinat/tuppo1.png", 16, 0.6}, {"sprites/miljoo/heinat/tuppo2.png", 16, 0.6},
                                     {"sprites/miljoo/maasto/varpuinen3.png", 16, 0.6}};
    for (const Case& c : cases) {
        const double share = survivingShare(decodePng(generatedAsset(c.name)), c.box, std::log2(c.box));
        EXPECT_GE(share, c.minimum) << c.name;
    }
}

// Mean absolute difference of two frames' samples.
double frameDistance(const Decoded& a, const Decoded& b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.samples.size(); ++i) sum += std::abs(static_cast<double>(a.samples[i]) - b.samples[i]);
    return sum / static_cast<double>(a.samples.size());
}

// The looping series play their last frame followed by their first: that step must
// look like any other step of the cycle, not like a jump.
TEST(Characters, LoopingSeriesCloseTheirCycle) {
    const std::string dir = "sprites/animaatiot/tytto/";
    std::vector<std::vector<std::string>> loops(3);
    for (const char* n : {"1", "2", "3", "4", "5", "6", "7", "8", "9", "91", "92", "93"}) loops[0].push_back(dir + "etue" + n + ".png");
    for (int i = 1; i <= 8; ++i) loops[1].push_back(dir + "sivu" + std::to_string(i) + ".png");
    for (int i = 1; i <= 6; ++i) loops[2].push_back(dir + "tuli" + std::to_string(i) + ".png");
    for (const auto& loop : loops) {
        SCOPED_TRACE(loop.front());
        std::vector<Decoded> frames;
        for (const std::string& name : loop) frames.push_back(decodePng(generatedAsset(name)));
        std::vector<double> steps;
        for (size_t i = 0; i < frames.size(); ++i) steps.push_back(frameDistance(frames[i], frames[(i + 1) % frames.size()]));
        const double wrap = steps.back();
        steps.pop_back();
        const double largest = *std::max_element(steps.begin(), steps.end());
        const double smallest = *std::min_element(steps.begin(), steps.end());
        EXPECT_GT(smallest, 0.0);
        EXPECT_LE(wrap, 1.25 * largest);
        EXPECT_GE(wrap, 0.5 * smallest);  // nor a repeat of the first frame
    }
}

TEST(Characters, StandOnTheBottomEdge) {
    std::vector<std::string> names;
    for (int i = 1; i <= 3; ++i) names.push_back("sprites/animaatiot/riekko/riekko" + std::to_string(i) + ".png");
    for (const char* prefix : {"etu", "etue"})
        for (const char* n : {"1", "5", "9", "93"}) names.push_back("sprites/animaatiot/tytto/" + std::string(prefix) + n + ".png");
    for (const char* n : {"itku1", "itku3", "sivu1", "sivu4", "tuli1"}) names.push_back("sprites/animaatiot/tytto/" + std::string(n) + ".png");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const Decoded d = decodePng(generatedAsset(name));
        int lowest = -1;
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x)
                if (d.at(x, y, 3) == 255) lowest = y;
        // The sprite's position is the foot of its quad: something stands on the
        // bottom rows (a raised foot may leave the ground, the other does not).
        EXPECT_GE(lowest, d.height - 12);
        // The bottom rows themselves stay clear: the sampler wraps them into the top.
        EXPECT_LT(lowest, d.height - 1);
    }
}

TEST(Characters, AreCutOutByHardAlphaAndAnimate) {
    std::vector<std::vector<std::string>> sequences;
    sequences.push_back({});
    for (int i = 1; i <= 3; ++i) sequences.back().push_back("sprites/animaatiot/riekko/riekko" + std::to_string(i) + ".png");
    for (const char* prefix : {"etu", "etue"}) {
        sequences.push_back({});
        for (const char* n : {"1", "2", "3", "4", "5", "6", "7", "8", "9", "91", "92", "93"})
            sequences.back().push_back("sprites/animaatiot/tytto/" + std::string(prefix) + n + ".png");
    }
    for (const auto& [prefix, count] : std::vector<std::pair<std::string, int>>{{"itku", 4}, {"sivu", 8}, {"tuli", 6}}) {
        sequences.push_back({});
        for (int i = 1; i <= count; ++i) sequences.back().push_back("sprites/animaatiot/tytto/" + prefix + std::to_string(i) + ".png");
    }
    for (const auto& sequence : sequences) {
        std::vector<uint16_t> previous;
        for (const std::string& name : sequence) {
            SCOPED_TRACE(name);
            const Decoded d = decodePng(generatedAsset(name));
            ASSERT_EQ(d.channels, 4);
            long hard = 0, figure = 0;
            for (size_t i = 3; i < d.samples.size(); i += 4) {
                const uint16_t a = d.samples[i];
                hard += a == 0 || a >= 250;  // the character pass keeps alpha >= 0.98
                figure += a >= 250;
            }
            const long total = static_cast<long>(d.width) * d.height;
            EXPECT_GT(hard, total * 99 / 100);
            EXPECT_GT(figure, total / 20);
            EXPECT_LT(figure, total * 7 / 10);
            for (int x = 0; x < d.width; ++x) EXPECT_EQ(d.at(x, 0, 3), 0) << "top row at " << x;
            if (!previous.empty()) {
                EXPECT_NE(previous, d.samples) << "frame equals the one before";
            }
            previous = d.samples;
        }
    }
}

}  // namespace
}  // namespace tolmero::images::test
