// The drawn monkey glyphs: each a different picture whose dark features
// survive the text renderer's coverage rule at the title cards' size.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "assets/glyphs/MonkeyGlyphs.h"

using namespace tolmero;

namespace {

FontMeasure& fonts() {
    static FontMeasure measure;
    return measure;
}

int sliceOf(const char16_t* glyph) {
    const auto& list = glyphList();
    return static_cast<int>(std::find(list.begin(), list.end(), glyph) - list.begin());
}

struct Case {
    const char* name;
    int slice;
};
const std::array<Case, 4> kMonkeys = {{{"see no evil", sliceOf(u"\U0001F648")},
                                       {"hear no evil", sliceOf(u"\U0001F649")},
                                       {"speak no evil", sliceOf(u"\U0001F64A")},
                                       {"whole monkey", sliceOf(u"\U0001F412")}}};

GreyImage image(int slice) { return renderGlyphImage(fonts(), slice, glyphFamily(slice)); }

// What the text pixel program draws of a glyph at `scale` pixels per texel:
// per pixel, 8 x 8 bilinear samples over its footprint from its centre on,
// and the pixel is white when at least 32 of them exceed one half.
struct Mask {
    int size = 0;
    std::vector<bool> white;
    bool at(int x, int y) const { return white[static_cast<std::size_t>(y) * size + x]; }
};

Mask drawnAt(const GreyImage& glyph, double scale) {
    auto texel = [&](int x, int y) {
        x = (x % glyph.width + glyph.width) % glyph.width;
        y = (y % glyph.height + glyph.height) % glyph.height;
        return glyph.at(x, y) / 255.0;
    };
    auto sample = [&](double u, double v) {
        u -= 0.5, v -= 0.5;
        const int x = static_cast<int>(std::floor(u)), y = static_cast<int>(std::floor(v));
        const double fx = u - x, fy = v - y;
        return (texel(x, y) * (1 - fx) + texel(x + 1, y) * fx) * (1 - fy) +
               (texel(x, y + 1) * (1 - fx) + texel(x + 1, y + 1) * fx) * fy;
    };
    Mask mask;
    mask.size = static_cast<int>(glyph.width * scale);
    mask.white.resize(static_cast<std::size_t>(mask.size) * mask.size);
    for (int py = 0; py < mask.size; ++py)
        for (int px = 0; px < mask.size; ++px) {
            int hits = 0;
            for (int i = 0; i < 8; ++i)
                for (int j = 0; j < 8; ++j)
                    hits += sample((px + 0.5 + i / 8.0) / scale, (py + 0.5 + j / 8.0) / scale) > 0.5;
            mask.white[static_cast<std::size_t>(py) * mask.size + px] = hits >= 32;
        }
    return mask;
}

// A dark region enclosed by white (not reached from the border), with its
// centre in pixels.
struct Hole {
    double x = 0.0;
    double y = 0.0;
    int area = 0;
};

std::vector<Hole> holes(const Mask& mask) {
    const int n = mask.size;
    std::vector<bool> seen(static_cast<std::size_t>(n) * n, false);
    std::vector<Hole> found;
    for (int start = 0; start < n * n; ++start) {
        if (mask.white[start] || seen[start]) continue;
        std::vector<int> stack{start};
        seen[start] = true;
        Hole hole;
        bool border = false;
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            const int x = at % n, y = at / n;
            ++hole.area, hole.x += x + 0.5, hole.y += y + 0.5;
            if (x == 0 || y == 0 || x == n - 1 || y == n - 1) border = true;
            const int next[4][2] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
            for (const auto& [nx, ny] : next) {
                if (nx < 0 || ny < 0 || nx >= n || ny >= n) continue;
                const int i = ny * n + nx;
                if (!mask.white[i] && !seen[i]) seen[i] = true, stack.push_back(i);
            }
        }
        if (border) continue;
        hole.x /= hole.area, hole.y /= hole.area;
        found.push_back(hole);
    }
    return found;
}

// The 640 x 360 card: 0.18 of 360 pixels for the 64 texels.
constexpr double kSmallCard = 0.18 * 360 / 64;

}  // namespace

TEST(MonkeyGlyphs, TheFourMonkeySlicesAreDrawnAndNoOthers) {
    int drawn = 0;
    for (int slice = 0; slice < kGlyphCount; ++slice) drawn += monkeyOfSlice(slice).has_value();
    EXPECT_EQ(drawn, 4);
    EXPECT_EQ(monkeyOfSlice(kMonkeys[0].slice), Monkey::SeeNoEvil);
    EXPECT_EQ(monkeyOfSlice(kMonkeys[1].slice), Monkey::HearNoEvil);
    EXPECT_EQ(monkeyOfSlice(kMonkeys[2].slice), Monkey::SpeakNoEvil);
    EXPECT_EQ(monkeyOfSlice(kMonkeys[3].slice), Monkey::Whole);
}

TEST(MonkeyGlyphs, DarkFeaturesSurviveTheCoverageRuleAtTheCardSize) {
    // Gaps of at least 3 pixels at the small card (27 at three times its
    // size) that white encloses, counted where the eyes and where the mouth
    // of the face-on monkeys lie: the hands hide the one or the other.
    struct Expected {
        int eyes;
        int mouth;  // at least
        int all;    // at least
    };
    // -1: not checked (the whole monkey is seen from the side).
    const Expected expected[] = {{0, 1, 1}, {2, 1, 3}, {2, 0, 2}, {-1, -1, 2}};
    for (std::size_t i = 0; i < kMonkeys.size(); ++i) {
        const GreyImage glyph = image(kMonkeys[i].slice);
        const GlyphFrame frame = measuredFrame(fonts(), kMonkeys[i].slice, glyphFamily(kMonkeys[i].slice));
        const auto [centreX, centreY, half] = placement(*monkeyOfSlice(kMonkeys[i].slice), frame);
        for (double scale : {kSmallCard, 3 * kSmallCard}) {
            SCOPED_TRACE(std::string(kMonkeys[i].name) + " at " + std::to_string(scale) + " pixels per texel");
            int eyes = 0, mouth = 0, all = 0;
            for (const Hole& hole : holes(drawnAt(glyph, scale))) {
                if (hole.area < 3 * scale * scale) continue;
                ++all;
                const double u = (hole.x / scale - centreX) / half, v = (hole.y / scale - centreY) / half;
                if (std::abs(u) > 0.42) continue;
                eyes += v > -0.45 && v < -0.05;
                mouth += v > 0.1 && v < 0.6;
            }
            if (expected[i].eyes >= 0) EXPECT_EQ(eyes, expected[i].eyes);
            if (expected[i].mouth > 0) EXPECT_GE(mouth, expected[i].mouth);
            if (expected[i].mouth == 0) EXPECT_EQ(mouth, 0);
            EXPECT_GE(all, expected[i].all);
        }
    }
}

TEST(MonkeyGlyphs, ThePicturesDifferFromEachOther) {
    std::vector<Mask> masks;
    for (const Case& monkey : kMonkeys) masks.push_back(drawnAt(image(monkey.slice), kSmallCard));
    for (std::size_t a = 0; a < masks.size(); ++a)
        for (std::size_t b = a + 1; b < masks.size(); ++b) {
            int either = 0, differ = 0;
            for (std::size_t i = 0; i < masks[a].white.size(); ++i) {
                either += masks[a].white[i] || masks[b].white[i];
                differ += masks[a].white[i] != masks[b].white[i];
            }
            SCOPED_TRACE(std::string(kMonkeys[a].name) + " and " + kMonkeys[b].name);
            ASSERT_GT(either, 0);
            EXPECT_GT(static_cast<double>(differ) / either, 0.3);
        }
}

TEST(MonkeyGlyphs, InkStaysInTheBoxAndTheWholeMonkeyInItsVisibleColumns) {
    for (const Case& monkey : kMonkeys) {
        SCOPED_TRACE(monkey.name);
        const GreyImage glyph = image(monkey.slice);
        const GlyphFrame frame = measuredFrame(fonts(), monkey.slice, glyphFamily(monkey.slice));
        const InkSpan ink = inkColumns(glyph);
        EXPECT_GE(ink.begin, 0);
        EXPECT_LE(ink.end, static_cast<int>(std::ceil(frame.boxRight)));
        // Solid somewhere, yet far from a blob: white over less than half the
        // picture's square.
        const double side = 2.0 * placement(*monkeyOfSlice(monkey.slice), frame).half;
        int white = 0;
        for (std::uint8_t v : glyph.texels) white += v > 127;
        EXPECT_GT(white, 300);
        EXPECT_LT(white, 0.5 * side * side);
    }
    // The last card shows only the glyph's first 36 columns in a 16:9
    // picture: the animal lies in them and only the tail's curl goes further.
    const GreyImage whole = image(kMonkeys[3].slice);
    long inside = 0, total = 0;
    for (int y = 0; y < whole.height; ++y)
        for (int x = 0; x < whole.width; ++x) {
            total += whole.at(x, y);
            if (x < 36) inside += whole.at(x, y);
        }
    EXPECT_GT(static_cast<double>(inside) / total, 0.75);
}
