// The scene's start-up images as createSceneImages makes them from the
// embedded images: sizes, slice counts and formats, the aspect ratios, the
// slice order, and the GPU memory of every image and array.
#include <cstdio>
#include <cstring>
#include <iostream>

#include "render/EmbeddedResources.h"
#include "render/GpuResources.h"
#include "render/ImageLoader.h"
#include "render/Renderer.h"
#include "render/ResourceTable.h"
#include "scene/Characters.h"
#include "scene/SceneImages.h"
#include "scene/Stumps.h"
#include "scene/Vegetation.h"
#include "tests/imageload/ImageTestSupport.h"

using namespace tolmero;
using namespace tolmero::gpu;
using imagetest::readSubresource;

namespace {

class StartupImagesTest : public imagetest::GpuTest {
protected:
    // Made once for the executable: the heaviest work of the tests.
    static const SceneResources& scene() {
        static SceneResources resources = [] {
            SceneResources made;
            createSceneImages(made);
            return made;
        }();
        return resources;
    }
};

D3D11_TEXTURE2D_DESC describe(ID3D11Texture2D* texture) {
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    return desc;
}

std::span<const std::uint8_t> embedded(const std::string& name) {
    return *findResource(currentRenderer()->registry.resourceId(name), kImageResourceType);
}

// The size an array of these images must have: the largest width and height
// from the image headers, capped.
void expectedArraySize(const std::vector<std::string>& names, std::uint32_t limit, std::uint32_t& width,
                       std::uint32_t& height) {
    width = height = 0;
    for (const std::string& name : names) {
        std::uint32_t w = 0, h = 0;
        ASSERT_TRUE(readImageSize(embedded(name), w, h)) << name;
        width = std::max(width, w);
        height = std::max(height, h);
    }
    width = std::min(width, limit);
    height = std::min(height, limit);
}

std::vector<std::string> characterNames() {
    const auto frames = characterFrameImages();
    return {frames.begin(), frames.end()};
}

std::uint64_t textureBytes(ID3D11Texture2D* texture) {
    const D3D11_TEXTURE2D_DESC desc = describe(texture);
    std::uint64_t bytes = 0;
    for (std::uint32_t mip = 0; mip < desc.MipLevels; ++mip)
        bytes += std::uint64_t(std::max(desc.Width >> mip, 1u)) * std::max(desc.Height >> mip, 1u);
    return bytes * bytesPerTexel(desc.Format) * desc.ArraySize;
}

std::uint64_t bufferBytes(ID3D11Buffer* buffer) {
    D3D11_BUFFER_DESC desc{};
    buffer->GetDesc(&desc);
    return desc.ByteWidth;
}

}  // namespace

TEST_F(StartupImagesTest, ImagesAndArraysHaveTheirSizesSlicesAndFormats) {
    const SceneResources& s = scene();
    struct Expected {
        const char* what;
        ID3D11Texture2D* texture;
        std::vector<std::string> names;
        std::uint32_t limit;
    };
    const Expected arrays[] = {
        {"stumps", s.stumpSprites, imageNames(kStumpImages), 0xFFFFFFFFu},
        {"ground", s.ground, imageNames(kGroundImages), 0xFFFFFFFFu},
        {"characters", s.characterSprites, characterNames(), kCharacterArrayLimit},
        {"vegetation", s.vegetationSprites, imageNames(kVegetationImages), kVegetationArrayLimit},
        {"water", s.waterImages, imageNames(kWaterImages), 0xFFFFFFFFu},
        {"sky", s.skyImages, imageNames(kSkyImages), 0xFFFFFFFFu},
    };
    const std::uint32_t slices[] = {16, 4, 45, 20, 2, 2};
    for (std::size_t a = 0; a < std::size(arrays); ++a) {
        const Expected& e = arrays[a];
        ASSERT_NE(e.texture, nullptr) << e.what;
        const D3D11_TEXTURE2D_DESC desc = describe(e.texture);
        std::uint32_t width = 0, height = 0;
        expectedArraySize(e.names, e.limit, width, height);
        EXPECT_EQ(desc.ArraySize, slices[a]) << e.what;
        EXPECT_EQ(e.names.size(), slices[a]) << e.what;
        EXPECT_EQ(desc.Width, width) << e.what;
        EXPECT_EQ(desc.Height, height) << e.what;
        EXPECT_EQ(desc.Format, DXGI_FORMAT_R8G8B8A8_UNORM) << e.what;
        EXPECT_EQ(desc.MiscFlags, UINT(D3D11_RESOURCE_MISC_GENERATE_MIPS)) << e.what;
        EXPECT_GT(desc.MipLevels, 1u) << e.what;
    }

    // The dither image (16-bit RGB, loaded linear) and the logo (RGBA).
    const D3D11_TEXTURE2D_DESC dither = describe(s.dither);
    EXPECT_EQ(dither.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    EXPECT_EQ(dither.BindFlags & D3D11_BIND_SHADER_RESOURCE, UINT(D3D11_BIND_SHADER_RESOURCE));
    const D3D11_TEXTURE2D_DESC logo = describe(s.logo);
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(readImageSize(embedded(std::string(kLogoImage)), w, h));
    EXPECT_EQ(logo.Width, w);
    EXPECT_EQ(logo.Height, h);
    EXPECT_EQ(logo.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
}

TEST_F(StartupImagesTest, AspectRatiosAreThoseOfTheSourceImages) {
    const SceneResources& s = scene();
    const std::pair<ID3D11Buffer*, std::vector<std::string>> lists[] = {
        {s.characterAspectRatios, characterNames()}, {s.vegetationAspectRatios, imageNames(kVegetationImages)}};
    for (const auto& [buffer, names] : lists) {
        ASSERT_NE(buffer, nullptr);
        ASSERT_EQ(bufferBytes(buffer), names.size() * sizeof(float));
        const std::vector<std::uint8_t> raw = readSubresource(buffer, 0, names.size() * sizeof(float));
        for (std::size_t i = 0; i < names.size(); ++i) {
            float ratio = 0.0f;
            std::memcpy(&ratio, &raw[i * sizeof(float)], sizeof(float));
            std::uint32_t w = 0, h = 0;
            ASSERT_TRUE(readImageSize(embedded(names[i]), w, h));
            EXPECT_FLOAT_EQ(ratio, float(w) / float(h)) << names[i];
        }
    }
}

TEST_F(StartupImagesTest, SlicesFollowTheImageLists) {
    // Arrays whose images all have the common size hold each image texel for
    // texel: RGBA images (stumps) as they are, RGB ones (ground) as linear
    // values of their sRGB texels.
    const SceneResources& s = scene();
    struct Family {
        ID3D11Texture2D* array;
        std::vector<std::string> names;
        bool srgb;
    };
    for (const Family& family : {Family{s.stumpSprites, imageNames(kStumpImages), false},
                                 Family{s.ground, imageNames(kGroundImages), true}}) {
        const D3D11_TEXTURE2D_DESC desc = describe(family.array);
        const std::size_t texels = std::size_t(desc.Width) * desc.Height;
        for (std::uint32_t slice = 0; slice < desc.ArraySize; ++slice) {
            const DecodedImage source = decodeImage(embedded(family.names[slice]), false);
            ASSERT_EQ(source.width, desc.Width) << family.names[slice];
            ASSERT_EQ(source.height, desc.Height) << family.names[slice];
            const std::vector<std::uint8_t> stored = readSubresource(family.array, slice * desc.MipLevels, texels * 4);
            std::size_t off = 0;
            for (std::size_t i = 0; i < texels * 4; i += 4) {
                for (int c = 0; c < 3; ++c) {
                    const double expected = family.srgb ? imagetest::srgbToLinear(source.staging[i + c]) * 255.0
                                                        : double(source.staging[i + c]);
                    off += std::abs(stored[i + c] - expected) > 1.0;
                }
            }
            EXPECT_EQ(off, 0u) << family.names[slice] << " in slice " << slice;
        }
    }
}

TEST_F(StartupImagesTest, AllImagesAndArraysFitInNineHundredMegabytes) {
    const SceneResources& s = scene();
    std::uint64_t total = textureBytes(currentRenderer()->glyphAtlas.font);
    for (ID3D11Texture2D* texture : {s.dither, s.logo, s.stumpSprites, s.ground, s.characterSprites,
                                     s.vegetationSprites, s.waterImages, s.skyImages}) {
        const D3D11_TEXTURE2D_DESC desc = describe(texture);
        std::printf("  %5u x %-5u x %2u slices, %2u mips: %7.1f MB\n", desc.Width, desc.Height, desc.ArraySize,
                    desc.MipLevels, textureBytes(texture) / 1048576.0);
        total += textureBytes(texture);
    }
    total += bufferBytes(s.characterAspectRatios) + bufferBytes(s.vegetationAspectRatios);
    std::printf("GPU memory of the start-up images, arrays and glyph atlas: %.1f MB\n", total / 1048576.0);
    RecordProperty("image_megabytes", std::to_string(total / 1048576.0));
    EXPECT_LE(total, std::uint64_t(900) << 20);
}
