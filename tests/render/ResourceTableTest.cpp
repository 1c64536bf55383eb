#include "render/ResourceTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolmero {
namespace {

std::u16string toUtf16(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// The base names of the program sources in shaders/, sorted.
std::vector<std::string> shaderSources() {
    std::vector<std::string> bases;
    for (const auto& file : std::filesystem::directory_iterator(std::filesystem::path(TOLMERO_SOURCE_DIR) / "shaders")) {
        if (file.path().extension() == ".hlsl") bases.push_back(file.path().stem().string());
    }
    std::sort(bases.begin(), bases.end());
    return bases;
}

// The first image's id: the shader programs come first.
constexpr std::int32_t kFirstImageId = kFirstResourceId + static_cast<std::int32_t>(kShaderResourceCount);

TEST(ResourceTable, IdsFollowTheOrdinalOrderOfTheUtf16Names) {
    const auto table = resourceTable();
    ASSERT_EQ(table.size(), kShaderResourceCount + 218u) << "every shader program and the 218 images";
    std::vector<std::u16string> names;
    for (const ResourceTableEntry& entry : table) {
        ASSERT_TRUE(std::all_of(entry.name.begin(), entry.name.end(),
                                [](char c) { return c > 0 && c < 0x7F; }))
            << entry.name;
        names.push_back(toUtf16(entry.name));
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << "duplicate name";
    for (const ResourceTableEntry& entry : table) {
        const auto position = std::lower_bound(names.begin(), names.end(), toUtf16(entry.name));
        EXPECT_EQ(entry.id, 300 + (position - names.begin())) << entry.name;
    }
}

TEST(ResourceTable, GroupsOccupyTheirIdRangesWithTheRightTypes) {
    struct Group {
        std::string prefix;
        std::int32_t first;
        std::int32_t last;
        int type;
    };
    const std::vector<Group> groups = {
        {"cache/fonts/Arial ", kFirstImageId + 0, kFirstImageId + 96, kImageResourceType},
        {"cache/fonts/Segoe UI Emoji ", kFirstImageId + 97, kFirstImageId + 126, kImageResourceType},
        {"sprites/animaatiot/riekko/", kFirstImageId + 127, kFirstImageId + 129, kImageResourceType},
        {"sprites/animaatiot/tytto/", kFirstImageId + 130, kFirstImageId + 171, kImageResourceType},
        {"sprites/miljoo/heinat/", kFirstImageId + 173, kFirstImageId + 177, kImageResourceType},
        {"sprites/miljoo/maasto/kanto/", kFirstImageId + 178, kFirstImageId + 193, kImageResourceType},
        {"sprites/miljoo/puut/", kFirstImageId + 206, kFirstImageId + 212, kImageResourceType},
    };
    std::int32_t shaders = 0;
    for (const ResourceTableEntry& entry : resourceTable()) {
        const std::string name(entry.name);
        if (name.find(".hlsl:main:") != std::string::npos) {
            ++shaders;
            EXPECT_LT(entry.id, kFirstImageId) << name;
            EXPECT_EQ(resourceTypeOfName(name), kShaderResourceType) << name;
            continue;
        }
        EXPECT_EQ(resourceTypeOfName(name), kImageResourceType) << name;
        EXPECT_GE(entry.id, kFirstImageId) << name;
        for (const Group& group : groups) {
            if (name.rfind(group.prefix, 0) == 0 &&
                name.find('/', group.prefix.size()) == std::string::npos) {
                EXPECT_GE(entry.id, group.first) << name;
                EXPECT_LE(entry.id, group.last) << name;
            }
        }
        const bool glyph = name.rfind("cache/fonts/", 0) == 0;
        EXPECT_TRUE(glyph ? name.ends_with(" 64 4096.png")
                          : name.ends_with(".png") || name.ends_with(".jpg"))
            << name;
    }
    // One asset for every program source: at least the production's 38
    // programs and the 5 of the culling's compaction.
    EXPECT_EQ(static_cast<std::size_t>(shaders), shaderSources().size());
    EXPECT_GE(shaders, 43);
    EXPECT_EQ(static_cast<std::size_t>(shaders), kShaderResourceCount);
}

// The build lists the programs from the source folder: every source is one
// asset, and the shaders hold the ids from 300 in the order of their names.
TEST(ResourceTable, EveryShaderSourceIsOneAssetInNameOrder) {
    const std::vector<std::string> sources = shaderSources();
    ASSERT_EQ(sources.size(), kShaderResourceCount);
    const auto table = resourceTable();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        EXPECT_EQ(std::string(shaderBaseName(table[i].name)), sources[i]);
        EXPECT_EQ(table[i].id, kFirstResourceId + static_cast<std::int32_t>(i)) << sources[i];
        EXPECT_EQ(resourceTypeOfName(table[i].name), kShaderResourceType) << table[i].name;
    }
}

TEST(ResourceTable, ShaderTargetsMatchTheStageOfTheProgramName) {
    for (const ResourceTableEntry& entry : resourceTable()) {
        if (resourceTypeOfName(entry.name) != kShaderResourceType) {
            continue;
        }
        const std::string base(shaderBaseName(entry.name));
        const std::string target = std::string(entry.name).substr(entry.name.rfind(':') + 1);
        const bool vertex = base.ends_with("Vertex") || base.ends_with("Vertex2");
        const bool pixel = base.ends_with("Pixel") || base.ends_with("Pixel2");
        EXPECT_EQ(target, vertex ? "vs_5_0" : pixel ? "ps_5_0" : "cs_5_0") << entry.name;
        EXPECT_EQ(std::string(entry.name), base + ".hlsl:main:" + target);
    }
}

TEST(ResourceRegistry, ResolvesEveryNameToItsId) {
    const ResourceRegistry registry;
    EXPECT_EQ(registry.entries().size(), kResourceCount);
    for (const ResourceTableEntry& entry : resourceTable()) {
        EXPECT_EQ(registry.resourceId(std::string(entry.name)), entry.id);
        EXPECT_EQ(resourceNameOfId(entry.id), entry.name);
    }
    EXPECT_EQ(registry.entries().begin()->second, 300);
    EXPECT_EQ(registry.entries().rbegin()->second, kFirstImageId + 217);
}

TEST(ResourceRegistry, KnownIds) {
    const ResourceRegistry registry;
    // The full stop sorts before the digit 1.
    EXPECT_EQ(registry.resourceId("sprites/animaatiot/tytto/etu9.png"), kFirstImageId + 138);
    EXPECT_EQ(registry.resourceId("sprites/animaatiot/tytto/etu91.png"), kFirstImageId + 139);
    EXPECT_EQ(registry.resourceId("cache/fonts/Arial oe 64 4096.png"), kFirstImageId + 77);
    EXPECT_EQ(registry.resourceId("cache/fonts/Arial capital OE 64 4096.png"), kFirstImageId + 52);
    EXPECT_EQ(registry.resourceId("AnimSpritePixel.hlsl:main:ps_5_0"), 300);
    // Neighbours by name are neighbours by id, whatever programs are added.
    EXPECT_EQ(registry.resourceId("BlitVertex.hlsl:main:vs_5_0"),
              registry.resourceId("BlitPixel.hlsl:main:ps_5_0") + 1);
    const std::vector<std::string> sources = shaderSources();
    EXPECT_EQ(registry.resourceId("FullBlitPixel.hlsl:main:ps_5_0"),
              300 + std::find(sources.begin(), sources.end(), "FullBlitPixel") - sources.begin());
    EXPECT_EQ(registry.resourceId("WaterVertex.hlsl:main:vs_5_0"),
              registry.resourceId("WaterPixel.hlsl:main:ps_5_0") + 1);
    EXPECT_EQ(registry.resourceId("WriteVisibleIndices.hlsl:main:cs_5_0"), kFirstImageId - 1);
    EXPECT_EQ(registry.resourceId("cache/fonts/Arial ! 64 4096.png"), kFirstImageId + 0);
    EXPECT_EQ(registry.resourceId("cache/fonts/Arial ~ 64 4096.png"), kFirstImageId + 96);
    EXPECT_EQ(registry.resourceId("cache/fonts/Segoe UI Emoji 100 64 4096.png"), kFirstImageId + 97);
    EXPECT_EQ(registry.resourceId("cache/fonts/Segoe UI Emoji wink 64 4096.png"), kFirstImageId + 126);
    EXPECT_EQ(registry.resourceId("sprites/animaatiot/riekko/riekko1.png"), kFirstImageId + 127);
    EXPECT_EQ(registry.resourceId("sprites/dither.png"), kFirstImageId + 172);
    EXPECT_EQ(registry.resourceId("sprites/miljoo/maasto/vesi/vesi001.jpg"), kFirstImageId + 202);
    EXPECT_EQ(registry.resourceId("sprites/miljoo/taivasyo.png"), kFirstImageId + 216);
    EXPECT_EQ(registry.resourceId("sprites/tolmero.png"), kFirstImageId + 217);
}

TEST(ResourceRegistry, UnknownNamesThrowOutOfRange) {
    const ResourceRegistry registry;
    EXPECT_THROW(registry.resourceId("sprites/missing.png"), std::out_of_range);
    EXPECT_THROW(registry.resourceId(""), std::out_of_range);
    // Exact names only: no case folding, no directory stripping.
    EXPECT_THROW(registry.resourceId("sprites/Dither.png"), std::out_of_range);
    EXPECT_THROW(registry.resourceId("shaders/SkyPixel.hlsl:main:ps_5_0"), std::out_of_range);
    EXPECT_FALSE(resourceNameOfId(299).has_value());
    EXPECT_FALSE(resourceNameOfId(kFirstImageId + 218).has_value());
}

}  // namespace
}  // namespace tolmero
