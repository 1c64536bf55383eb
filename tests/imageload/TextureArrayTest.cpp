// Texture arrays from image lists: the common size, the stretch of each image
// over its slice (compared with a CPU bilinear reference), the capped variant
// with its aspect ratios, sRGB sources stored as linear values, and nothing
// left behind but the array.
#include <cmath>
#include <cstring>

#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "render/TextureArrays.h"
#include "tests/imageload/ImageTestSupport.h"
#include "reference/FieldSampler.h"

using namespace tolmero;
using namespace tolmero::gpu;
using imagetest::readSubresource;

namespace {

class TextureArrayTest : public imagetest::GpuTest {};

D3D11_TEXTURE2D_DESC describe(ID3D11Texture2D* texture) {
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    return desc;
}

// A smooth RGBA test image: each channel a different slow function of the
// position, so that filtering differences stay small but a shifted or
// flipped image does not pass.
std::vector<std::uint8_t> smoothImage(std::uint32_t width, std::uint32_t height, int seed) {
    std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x) {
            const double u = (x + 0.5) / width, v = (y + 0.5) / height;
            std::uint8_t* p = &rgba[(std::size_t(y) * width + x) * 4];
            p[0] = static_cast<std::uint8_t>(std::lround(127.5 + 120 * std::sin(6.2831853 * u + seed)));
            p[1] = static_cast<std::uint8_t>(std::lround(127.5 + 120 * std::cos(6.2831853 * v + seed)));
            p[2] = static_cast<std::uint8_t>(std::lround(127.5 + 120 * std::sin(6.2831853 * (u + v))));
            p[3] = 255;
        }
    return rgba;
}

// The source sampled as the stretch blit samples it at the centre of target
// texel (x, y): bilinear at mip 0 with wrapping (the stretches here only
// magnify, so mip 0 is the level the sampler uses).
std::vector<double> stretched(const std::vector<std::uint8_t>& rgba, std::uint32_t width, std::uint32_t height,
                              std::uint32_t targetWidth, std::uint32_t targetHeight) {
    std::vector<double> out(std::size_t(targetWidth) * targetHeight * 4);
    for (int c = 0; c < 4; ++c) {
        std::vector<float> channel(std::size_t(width) * height);
        for (std::size_t i = 0; i < channel.size(); ++i) channel[i] = rgba[4 * i + c];
        for (std::uint32_t y = 0; y < targetHeight; ++y)
            for (std::uint32_t x = 0; x < targetWidth; ++x)
                out[(std::size_t(y) * targetWidth + x) * 4 + c] = reference::sampleBilinearWrap(
                    channel.data(), int(width), int(height), (x + 0.5f) / targetWidth, (y + 0.5f) / targetHeight);
    }
    return out;
}

}  // namespace

TEST_F(TextureArrayTest, ImagesAreStretchedToTheLargestWidthAndHeight) {
    const std::vector<std::uint8_t> wide = smoothImage(100, 50, 0);
    const std::vector<std::uint8_t> tall = smoothImage(50, 200, 1);
    imagetest::TestImages images;
    images.add("test/wide.png", imagetest::rgbaPng(100, 50, wide));
    images.add("test/tall.png", imagetest::rgbaPng(50, 200, tall));

    const std::size_t owned = currentRenderer()->ownedObjects.size();
    ID3D11Texture2D* array = buildTextureArray({"test/wide.png", "test/tall.png"}, 0, 0);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(currentRenderer()->ownedObjects.size(), owned + 1) << "only the array stays";

    const D3D11_TEXTURE2D_DESC desc = describe(array);
    EXPECT_EQ(desc.Width, 100u);
    EXPECT_EQ(desc.Height, 200u);
    EXPECT_EQ(desc.ArraySize, 2u);
    EXPECT_EQ(desc.MipLevels, 8u);  // 200 -> 1 in seven halvings
    EXPECT_EQ(desc.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    EXPECT_EQ(desc.BindFlags, UINT(D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET));
    EXPECT_EQ(desc.MiscFlags, UINT(D3D11_RESOURCE_MISC_GENERATE_MIPS));

    const std::vector<std::uint8_t>* sources[] = {&wide, &tall};
    const std::uint32_t sizes[2][2] = {{100, 50}, {50, 200}};
    for (std::uint32_t slice = 0; slice < 2; ++slice) {
        const std::vector<double> expected = stretched(*sources[slice], sizes[slice][0], sizes[slice][1], 100, 200);
        const std::vector<std::uint8_t> texels = readSubresource(array, slice * desc.MipLevels, 100 * 200 * 4);
        double worst = 0.0;
        for (std::size_t i = 0; i < texels.size(); ++i) worst = std::max(worst, std::fabs(texels[i] - expected[i]));
        EXPECT_LE(worst, 1.0) << "slice " << slice;
    }
    releaseObject(array);
}

TEST_F(TextureArrayTest, TheCappedVariantLimitsTheSizeAndRecordsTheSourceAspectRatios) {
    imagetest::TestImages images;
    std::vector<std::uint8_t> big(std::size_t(4171) * 4840 * 4);
    for (std::size_t i = 0; i < big.size(); i += 4) big[i] = 30, big[i + 1] = 160, big[i + 2] = 90, big[i + 3] = 255;
    images.add("test/big.png", imagetest::rgbaPng(4171, 4840, big));
    big = {};
    images.add("test/small.png", imagetest::rgbaPng(300, 200, smoothImage(300, 200, 2)));

    ID3D11Buffer* aspects = nullptr;
    const std::size_t owned = currentRenderer()->ownedObjects.size();
    ID3D11Texture2D* array =
        buildTextureArrayWithAspects({"test/big.png", "test/small.png"}, 0, 0, 2048, 2048, &aspects);
    ASSERT_NE(array, nullptr);
    ASSERT_NE(aspects, nullptr);
    EXPECT_EQ(currentRenderer()->ownedObjects.size(), owned + 2) << "the array and the ratios stay";

    const D3D11_TEXTURE2D_DESC desc = describe(array);
    EXPECT_EQ(desc.Width, 2048u);
    EXPECT_EQ(desc.Height, 2048u);
    EXPECT_EQ(desc.ArraySize, 2u);
    EXPECT_EQ(desc.MipLevels, 12u);

    D3D11_BUFFER_DESC bufferDesc{};
    aspects->GetDesc(&bufferDesc);
    EXPECT_EQ(bufferDesc.ByteWidth, 8u);
    EXPECT_EQ(bufferDesc.StructureByteStride, 4u);
    EXPECT_EQ(bufferDesc.BindFlags, UINT(D3D11_BIND_SHADER_RESOURCE));
    const std::vector<std::uint8_t> raw = readSubresource(aspects, 0, 8);
    float ratios[2];
    std::memcpy(ratios, raw.data(), 8);
    EXPECT_FLOAT_EQ(ratios[0], 4171.0f / 4840.0f);
    EXPECT_FLOAT_EQ(ratios[1], 1.5f);

    // The uniform big image fills its whole slice with its colour.
    const std::vector<std::uint8_t> slice0 = readSubresource(array, 0, std::size_t(2048) * 2048 * 4);
    std::size_t off = 0;
    for (std::size_t i = 0; i < slice0.size(); i += 4)
        off += std::abs(slice0[i] - 30) > 1 || std::abs(slice0[i + 1] - 160) > 1 || std::abs(slice0[i + 2] - 90) > 1;
    EXPECT_EQ(off, 0u);
    releaseObject(array);
    releaseObject(aspects);
}

TEST_F(TextureArrayTest, OneNameGivesOneSliceAndSrgbSourcesAreStoredAsLinearValues) {
    imagetest::TestImages images;
    // Converted (RGB) images load as sRGB textures; RGBA ones as UNORM.
    images.add("test/rgb.png", imagetest::rgbPng(4, 4, std::vector<std::uint8_t>(4 * 4 * 3, 128)));
    images.add("test/rgba.png", imagetest::rgbaPng(4, 4, std::vector<std::uint8_t>(4 * 4 * 4, 128)));

    ID3D11Texture2D* single = buildTextureArray({"test/rgb.png"}, 0, 0);
    EXPECT_EQ(describe(single).ArraySize, 1u);
    EXPECT_EQ(describe(single).Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    const std::vector<std::uint8_t> linear = readSubresource(single, 0, 4 * 4 * 4);
    const double expected = imagetest::srgbToLinear(128) * 255.0;  // 55.0
    for (std::size_t i = 0; i < linear.size(); i += 4) {
        ASSERT_NEAR(linear[i], expected, 1.0);
        ASSERT_EQ(linear[i + 3], 255);
    }
    releaseObject(single);

    ID3D11Texture2D* both = buildTextureArray({"test/rgba.png", "test/rgb.png"}, 0, 0);
    const std::uint32_t mips = describe(both).MipLevels;
    EXPECT_NEAR(readSubresource(both, 0, 64)[0], 128, 1) << "UNORM source: values unchanged";
    EXPECT_NEAR(readSubresource(both, mips, 64)[0], expected, 1.0) << "sRGB source: linear values";
    releaseObject(both);
}

TEST_F(TextureArrayTest, CutoutArraysStretchAsTheGpuDoesAndKeepPlantColoursInTheirMips) {
    // A "plant" on white: thin dark green stripes (one column in four) in the
    // top half, a solid block in the bottom half.
    const std::uint32_t w = 64, h = 128;
    std::vector<std::uint8_t> plant(std::size_t(w) * h * 4, 255);
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
            if (y >= h / 2 || x % 4 == 1) {
                std::uint8_t* p = &plant[(std::size_t(y) * w + x) * 4];
                p[0] = 20, p[1] = 90, p[2] = 30;
            }
    imagetest::TestImages images;
    images.add("test/plant.png", imagetest::rgbaPng(w, h, plant));
    images.add("test/smooth.png", imagetest::rgbaPng(40, 30, smoothImage(40, 30, 3)));
    images.add("test/smooth-rgb.png", imagetest::rgbPng(4, 4, std::vector<std::uint8_t>(4 * 4 * 3, 128)));
    const std::vector<std::string> names = {"test/plant.png", "test/smooth.png", "test/smooth-rgb.png"};

    ID3D11Buffer* aspects = nullptr;
    const std::size_t owned = currentRenderer()->ownedObjects.size();
    ID3D11Texture2D* cutout = buildTextureArrayWithAspects(names, 0, 0, 4096, 4096, &aspects, ArrayMips::Cutout);
    ID3D11Texture2D* generated = buildTextureArray(names, 0, 0);
    ASSERT_NE(cutout, nullptr);
    ASSERT_NE(aspects, nullptr);
    EXPECT_EQ(currentRenderer()->ownedObjects.size(), owned + 3);
    const D3D11_TEXTURE2D_DESC desc = describe(cutout);
    EXPECT_EQ(desc.Width, w);
    EXPECT_EQ(desc.Height, h);
    EXPECT_EQ(desc.MipLevels, 8u);
    float ratios[3];
    std::memcpy(ratios, readSubresource(aspects, 0, 12).data(), 12);
    EXPECT_FLOAT_EQ(ratios[0], 0.5f);
    EXPECT_FLOAT_EQ(ratios[1], 40.0f / 30.0f);

    // Level 0 of every slice, sRGB source included, as the GPU's stretch.
    const std::size_t levelBytes = std::size_t(w) * h * 4;
    for (std::uint32_t slice = 0; slice < 3; ++slice) {
        const std::vector<std::uint8_t> cpu = readSubresource(cutout, slice * desc.MipLevels, levelBytes);
        const std::vector<std::uint8_t> gpu = readSubresource(generated, slice * desc.MipLevels, levelBytes);
        int worst = 0;
        for (std::size_t i = 0; i < cpu.size(); ++i) worst = std::max(worst, std::abs(cpu[i] - gpu[i]));
        EXPECT_LE(worst, 1) << "slice " << slice;
    }

    // Level 2 (16 x 32): the stripes are a quarter plant, so background; the
    // block keeps its colour. The box-filtered chain turns the stripes pale.
    const std::vector<std::uint8_t> coarse = readSubresource(cutout, 2, 16 * 32 * 4);
    const std::vector<std::uint8_t> boxed = readSubresource(generated, 2, 16 * 32 * 4);
    const auto at = [](const std::vector<std::uint8_t>& texels, int x, int y) { return &texels[(y * 16 + x) * 4]; };
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(at(coarse, x, 4)[0], 255);
        EXPECT_EQ(at(coarse, x, 4)[1], 255);
        EXPECT_NEAR(at(coarse, x, 24)[0], 20, 1);
        EXPECT_NEAR(at(coarse, x, 24)[1], 90, 1);
    }
    EXPECT_LT(at(boxed, 5, 4)[0], 240) << "the box filter mixes the stripes with the white";
    EXPECT_GT(at(boxed, 5, 4)[0], 150);
    releaseObject(cutout);
    releaseObject(generated);
    releaseObject(aspects);
}
