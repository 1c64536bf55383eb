#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <spng.h>
#include <unistd.h>

#include "assets/glyphs/GlyphImages.h"

using namespace tolmero;
namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct DecodedPng {
    spng_ihdr header{};
    std::vector<std::uint8_t> rgb;
};

DecodedPng decode(const std::vector<std::uint8_t>& bytes) {
    DecodedPng out;
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_buffer(ctx, bytes.data(), bytes.size());
    std::size_t size = 0;
    if (spng_get_ihdr(ctx, &out.header) == 0 && spng_decoded_image_size(ctx, SPNG_FMT_RGB8, &size) == 0) {
        out.rgb.resize(size);
        if (spng_decode_image(ctx, out.rgb.data(), size, SPNG_FMT_RGB8, 0) != 0) out.rgb.clear();
    }
    spng_ctx_free(ctx);
    return out;
}

const fs::path kAssets = fs::path(TOLMERO_BUILD_DIR) / "assets";

FontMeasure& fonts() {
    static FontMeasure measure;
    return measure;
}

const GlyphTable& table() {
    static const GlyphTable t = buildGlyphTable(fonts());
    return t;
}

// The grey image stored in a generated glyph file.
GreyImage storedImage(int slice) {
    DecodedPng png = decode(readFile(kAssets / glyphFileName(slice)));
    GreyImage image{static_cast<int>(png.header.width), static_cast<int>(png.header.height), {}};
    for (std::size_t i = 0; i + 2 < png.rgb.size(); i += 3) image.texels.push_back(png.rgb[i]);
    return image;
}

}  // namespace

TEST(GlyphImages, FilesAre64x64GreyRgbOnBlack) {
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        const std::string name = glyphFileName(slice);
        DecodedPng png = decode(readFile(kAssets / name));
        ASSERT_EQ(png.rgb.size(), 64u * 64u * 3u) << name;
        EXPECT_EQ(png.header.width, 64u);
        EXPECT_EQ(png.header.height, 64u);
        EXPECT_EQ(png.header.bit_depth, 8);
        EXPECT_EQ(png.header.color_type, SPNG_COLOR_TYPE_TRUECOLOR) << name;
        std::uint8_t brightest = 0;
        for (std::size_t i = 0; i < png.rgb.size(); i += 3) {
            ASSERT_EQ(png.rgb[i], png.rgb[i + 1]) << name;
            ASSERT_EQ(png.rgb[i], png.rgb[i + 2]) << name;
            brightest = std::max(brightest, png.rgb[i]);
        }
        EXPECT_EQ(png.rgb[0], 0) << name << ": the ground is black";
        // Even thin glyphs (".", "'", "|") reach full white somewhere.
        EXPECT_GT(brightest, 200) << name;
    }
}

TEST(GlyphImages, InkLiesInsideTheMeasuredBox) {
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        const std::string name = glyphFileName(slice);
        const GreyImage image = storedImage(slice);
        ASSERT_EQ(image.texels.size(), 64u * 64u) << name;
        const InkSpan ink = inkColumns(image);
        const InkSpan box = boxColumns(table().at(glyphList()[slice]), 64);
        EXPECT_LT(ink.begin, ink.end) << name << " has no ink";
        EXPECT_GE(ink.begin, box.begin) << name;
        EXPECT_LE(ink.end, box.end) << name;
        // The box is no wider than the ink plus the margins (1/6 em, about 7 texels, each)
        // and the side bearings.
        EXPECT_LE(box.end - ink.end, 12) << name;
        EXPECT_LE(ink.begin - box.begin, 12) << name;
    }
    auto width = [](int slice) {
        InkSpan ink = inkColumns(storedImage(slice));
        return ink.end - ink.begin;
    };
    EXPECT_GT(width(81), 3 * width(96));   // "W" and "i"
    EXPECT_GT(width(100), width(101));     // "m" and "n"
    EXPECT_GT(width(4), width(102));       // the monkey and "o"
}

TEST(GlyphImages, GlyphsSitOnTheBaselineInTheUpperPart) {
    // Baseline at Arial's ascent, 0.905 em = 2472 units = row 38.6.
    auto inkRows = [](const GreyImage& image) {
        int top = image.height, bottom = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (image.at(x, y) > 127) top = std::min(top, y), bottom = std::max(bottom, y + 1);
        return std::make_pair(top, bottom);
    };
    auto [capTop, capBottom] = inkRows(storedImage(59));  // "A"
    EXPECT_EQ(capBottom, 39);
    EXPECT_NEAR(capTop, 39 - 0.716 * 42.67, 1.5);          // cap height 0.716 em
    auto [gTop, gBottom] = inkRows(storedImage(94));       // "g" descends below it
    EXPECT_GT(gBottom, 44);
    EXPECT_GT(gTop, capTop);
    for (int slice = 0; slice < kGlyphCount; ++slice) {
        auto [top, bottom] = inkRows(storedImage(slice));
        EXPECT_GE(top, 1) << glyphFileName(slice);
        EXPECT_LE(bottom, 50) << glyphFileName(slice);
    }
}

TEST(GlyphImages, StoredFilesMatchAFreshRendering) {
    for (int slice : {0, 4, 25, 27, 35, 59, 86, 88, 115, 126}) {
        auto fresh = encodeGreyAsRgbPng(renderGlyphImage(fonts(), slice, glyphFamily(slice)));
        EXPECT_EQ(fresh, readFile(kAssets / glyphFileName(slice))) << glyphFileName(slice);
    }
}

TEST(GlyphGenerator, RunsAreByteIdentical) {
    const fs::path root = fs::temp_directory_path() / ("tolmero-glyphs-" + std::to_string(::getpid()));
    fs::remove_all(root);
    for (const char* run : {"one", "two"}) {
        const std::string command = std::string("\"") + TOLMERO_GLYPH_GENERATOR + "\" --out \"" +
                                    (root / run).string() + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    int files = 0;
    for (const auto& entry : fs::directory_iterator(root / "one" / "cache" / "fonts")) {
        ++files;
        const fs::path other = root / "two" / "cache" / "fonts" / entry.path().filename();
        EXPECT_EQ(readFile(entry.path()), readFile(other)) << entry.path().filename();
    }
    EXPECT_EQ(files, kGlyphCount);
    fs::remove_all(root);

    const std::string bad = std::string("\"") + TOLMERO_GLYPH_GENERATOR + "\" --bogus 2>/dev/null";
    EXPECT_NE(std::system(bad.c_str()), 0);
}
