// Every image of the "sprites/" family exists under its exact name, with the size and
// file format the loaders and shaders expect, and nothing else is generated beside them.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "DecodedImage.h"
#include "StumpImages.h"

namespace tolmero::images::test {
namespace {

enum class Format { Rgb8, Rgba8, Rgb16, BaselineJpeg };

struct Expected {
    std::string name;
    int width;
    int height;
    Format format;
};

std::vector<Expected> catalogue() {
    std::vector<Expected> all;
    auto add = [&](const std::string& name, int w, int h, Format f) { all.push_back({name, w, h, f}); };
    for (int i = 1; i <= 3; ++i) add("sprites/animaatiot/riekko/riekko" + std::to_string(i) + ".png", 512, 1024, Format::Rgba8);
    const std::vector<std::string> cycle = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "91", "92", "93"};
    for (const char* prefix : {"etu", "etue"})
        for (const auto& n : cycle) add("sprites/animaatiot/tytto/" + std::string(prefix) + n + ".png", 512, 1024, Format::Rgba8);
    for (int i = 1; i <= 4; ++i) add("sprites/animaatiot/tytto/itku" + std::to_string(i) + ".png", 512, 1024, Format::Rgba8);
    for (int i = 1; i <= 8; ++i) add("sprites/animaatiot/tytto/sivu" + std::to_string(i) + ".png", 512, 1024, Format::Rgba8);
    for (int i = 1; i <= 6; ++i) add("sprites/animaatiot/tytto/tuli" + std::to_string(i) + ".png", 512, 1024, Format::Rgba8);
    add("sprites/dither.png", 256, 256, Format::Rgb16);
    for (int i = 1; i <= 5; ++i) add("sprites/miljoo/heinat/tuppo" + std::to_string(i) + ".png", 512, 512, Format::Rgba8);
    for (std::string_view name : generated::kStumpImages) add(std::string(name), 512, 512, Format::Rgba8);
    add("sprites/miljoo/maasto/maatuvakoivu.png", 512, 512, Format::Rgba8);
    add("sprites/miljoo/maasto/suokukka.png", 512, 512, Format::Rgba8);
    for (int i = 1; i <= 6; ++i) add("sprites/miljoo/maasto/varpuinen" + std::to_string(i) + ".png", 512, 512, Format::Rgba8);
    add("sprites/miljoo/maasto/vesi/vesi001.jpg", 1024, 1024, Format::BaselineJpeg);
    add("sprites/miljoo/maasto/vesi/vesi002.jpg", 1024, 1024, Format::BaselineJpeg);
    add("sprites/miljoo/metsamaasto1.png", 1024, 1024, Format::Rgb8);
    add("sprites/miljoo/metsamaastoyo.png", 1024, 1024, Format::Rgb8);
    for (const char* tree : {"koivu1", "koivu2", "kuusi1", "kuusi2", "manty1", "manty2", "manty3"})
        add("sprites/miljoo/puut/" + std::string(tree) + ".png", 1024, 2048, Format::Rgba8);
    add("sprites/miljoo/suomaasto.png", 1024, 1024, Format::Rgb8);
    add("sprites/miljoo/suomaasto2.png", 1024, 1024, Format::Rgb8);
    add("sprites/miljoo/taivaspaiva.png", 8192, 2048, Format::Rgb8);
    add("sprites/miljoo/taivasyo.png", 8192, 2048, Format::Rgb8);
    add("sprites/tolmero.png", 1920, 1080, Format::Rgba8);
    return all;
}

TEST(ImageCatalogue, ListsTheNinetyOneSprites) {
    const auto all = catalogue();
    std::set<std::string> names;
    for (const auto& e : all) names.insert(e.name);
    EXPECT_EQ(all.size(), 91u);
    EXPECT_EQ(names.size(), 91u);
}

TEST(ImageCatalogue, EveryImageHasItsSizeAndFormat) {
    for (const Expected& e : catalogue()) {
        SCOPED_TRACE(e.name);
        const std::string path = generatedAsset(e.name);
        ASSERT_TRUE(std::filesystem::is_regular_file(path));
        if (e.format == Format::BaselineJpeg) {
            const JpegHeader h = readJpegHeader(path);
            EXPECT_EQ(h.width, e.width);
            EXPECT_EQ(h.height, e.height);
            EXPECT_TRUE(h.baseline);
            continue;
        }
        const PngHeader h = readPngHeader(path);
        EXPECT_EQ(h.width, static_cast<uint32_t>(e.width));
        EXPECT_EQ(h.height, static_cast<uint32_t>(e.height));
        EXPECT_EQ(h.colorType, e.format == Format::Rgba8 ? 6 : 2);
        EXPECT_EQ(h.bitDepth, e.format == Format::Rgb16 ? 16 : 8);
    }
}

TEST(ImageCatalogue, NothingElseIsGeneratedUnderSprites) {
    std::set<std::string> expected;
    for (const auto& e : catalogue()) expected.insert(e.name);
    const std::filesystem::path root = generatedAsset("");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root / "sprites")) {
        if (!entry.is_regular_file()) continue;
        const std::string name = std::filesystem::relative(entry.path(), root).generic_string();
        EXPECT_TRUE(expected.count(name)) << "unexpected file " << name;
    }
}

}  // namespace
}  // namespace tolmero::images::test
