#include "render/EmbeddedResources.h"
#include "render/ResourceTable.h"
#include "render/ShaderContainer.h"
#include "tests/render/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

namespace tolmero {
namespace {

const std::filesystem::path kBuildDir = TOLMERO_BUILD_DIR;

std::filesystem::path sourceFileOf(const EmbeddedResource& resource) {
    if (resource.type == kShaderResourceType) {
        return kBuildDir / "shaders" / (std::string(shaderBaseName(resource.name)) + ".cso");
    }
    return kBuildDir / "assets" / std::string(resource.name);
}

bool sameBytes(std::span<const std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

TEST(EmbeddedResources, EveryEmbeddedAssetIsItsBuildFileByteForByte) {
    const auto& resources = embeddedResources();
    ASSERT_FALSE(resources.empty());
    std::int32_t previous = 0;
    for (const EmbeddedResource& resource : resources) {
        EXPECT_GT(resource.id, previous) << "not in id order";
        previous = resource.id;
        ASSERT_FALSE(resource.name.empty()) << resource.id;
        EXPECT_EQ(resource.type, resourceTypeOfName(resource.name)) << resource.name;
        EXPECT_TRUE(sameBytes(resource.bytes, test::readBytes(sourceFileOf(resource))))
            << resource.name << " differs from " << sourceFileOf(resource);
    }
}

TEST(EmbeddedResources, TheBlitProgramsAreEmbeddedAsSpirvContainers) {
    const ResourceRegistry registry;
    for (const char* name : {"BlitVertex.hlsl:main:vs_5_0", "FullBlitPixel.hlsl:main:ps_5_0"}) {
        const auto container = findResource(registry.resourceId(name), kShaderResourceType);
        ASSERT_TRUE(container.has_value()) << name;
        const auto blob = shaderBlobOf(*container);
        ASSERT_GE(blob.size(), 20u);
        EXPECT_EQ(blob.size() % 4, 0u);
        std::uint32_t magic = 0;
        std::memcpy(&magic, blob.data(), 4);
        EXPECT_EQ(magic, 0x07230203u) << name;
        std::uint64_t length = 0;
        std::memcpy(&length, container->data() + 16, 8);
        EXPECT_EQ(length, blob.size()) << name;
    }
}

TEST(EmbeddedResources, LookupNeedsTheRightIdAndType) {
    const auto& resources = embeddedResources();
    ASSERT_FALSE(resources.empty());
    const EmbeddedResource& first = resources.front();
    const auto found = findResource(first.id, first.type);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->data(), first.bytes.data());
    EXPECT_EQ(found->size(), first.bytes.size());
    const int otherType = first.type == kShaderResourceType ? kImageResourceType : kShaderResourceType;
    EXPECT_FALSE(findResource(first.id, otherType).has_value());
    EXPECT_FALSE(findResource(299, kShaderResourceType).has_value());
    EXPECT_FALSE(findResource(kFirstResourceId + static_cast<std::int32_t>(kResourceCount), kImageResourceType)
                     .has_value());
}

TEST(EmbeddedResources, ListsOneTabSeparatedLinePerAsset) {
    std::ostringstream out;
    listAssets(out);
    std::istringstream lines(out.str());
    std::size_t count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        std::istringstream fields(line);
        std::string id, type, size, name;
        ASSERT_TRUE(std::getline(fields, id, '\t') && std::getline(fields, type, '\t') &&
                    std::getline(fields, size, '\t') && std::getline(fields, name))
            << line;
        const auto bytes = findResource(std::stoi(id), std::stoi(type));
        ASSERT_TRUE(bytes.has_value()) << line;
        EXPECT_EQ(std::stoull(size), bytes->size()) << line;
        EXPECT_EQ(resourceNameOfId(std::stoi(id)), name) << line;
    }
    EXPECT_EQ(count, embeddedResources().size());
}

TEST(EmbeddedResources, ExtractsEveryAssetUnderItsName) {
    const test::ScratchDir dir("tolmero-extract");
    ASSERT_EQ(extractAssets(dir.path()), embeddedResources().size());
    for (const EmbeddedResource& resource : embeddedResources()) {
        const auto path = dir.path() / std::string(resource.name);
        EXPECT_TRUE(sameBytes(resource.bytes, test::readBytes(path))) << path;
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "BlitVertex.hlsl:main:vs_5_0"));
}

TEST(EmbeddedResources, ExtractingIntoAFileFailsWithItsName) {
    const test::ScratchDir dir("tolmero-extract");
    const auto blocker = dir.path() / "blocker";
    test::writeText(blocker, "not a folder");
    try {
        extractAssets(blocker / "out");
        FAIL() << "extracting under a file succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("blocker"), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace tolmero
