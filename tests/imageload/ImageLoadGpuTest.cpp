// loadImageTexture on the GPU: texture descriptions, uploaded texels, mips,
// the embedded 16-bit dither image, and the fallback for bad data.
#include <spng.h>

#include <cmath>
#include <memory>
#include <stdexcept>

#include "render/EmbeddedResources.h"
#include "render/GpuResources.h"
#include "render/ImageLoader.h"
#include "render/Renderer.h"
#include "render/ResourceTable.h"
#include "tests/imageload/ImageTestSupport.h"

using namespace tolmero;
using namespace tolmero::gpu;
using imagetest::readSubresource;

namespace {

class ImageLoadTest : public imagetest::GpuTest {};

D3D11_TEXTURE2D_DESC describe(ID3D11Texture2D* texture) {
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    return desc;
}

}  // namespace

TEST_F(ImageLoadTest, RgbaPngUploadsItsTexelsAsUnormWithAFullMipChain) {
    // 8 x 4 texels: a left half and a right half of two colours.
    std::vector<std::uint8_t> rgba(8 * 4 * 4);
    for (std::uint32_t y = 0; y < 4; ++y)
        for (std::uint32_t x = 0; x < 8; ++x) {
            std::uint8_t* p = &rgba[(y * 8 + x) * 4];
            const bool left = x < 4;
            p[0] = left ? 200 : 20, p[1] = left ? 100 : 40, p[2] = static_cast<std::uint8_t>(x * 30), p[3] = 255;
        }
    const std::size_t owned = currentRenderer()->ownedObjects.size();
    ID3D11Texture2D* texture =
        loadImageTextureFromBytes(imagetest::rgbaPng(8, 4, rgba), "test rgba", D3D11_BIND_SHADER_RESOURCE, 0, false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(currentRenderer()->ownedObjects.size(), owned + 1) << "registered, nothing else left behind";

    const D3D11_TEXTURE2D_DESC desc = describe(texture);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 4u);
    EXPECT_EQ(desc.MipLevels, 4u);  // 8x4, 4x2, 2x1, 1x1
    EXPECT_EQ(desc.ArraySize, 1u);
    EXPECT_EQ(desc.Format, DXGI_FORMAT_R8G8B8A8_UNORM) << "RGBA is used directly, even when not linear";
    EXPECT_EQ(desc.BindFlags, UINT(D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET));
    EXPECT_EQ(desc.MiscFlags, UINT(D3D11_RESOURCE_MISC_GENERATE_MIPS));
    EXPECT_EQ(desc.Usage, D3D11_USAGE_DEFAULT);

    EXPECT_EQ(readSubresource(texture, 0, rgba.size()), rgba);
    // Mip 1 (4 x 2) averages 2 x 2 blocks: its left half is the left colour.
    const std::vector<std::uint8_t> mip1 = readSubresource(texture, 1, 4 * 2 * 4);
    EXPECT_NEAR(mip1[0], 200, 1);
    EXPECT_NEAR(mip1[1], 100, 1);
    EXPECT_NEAR(mip1[2], 15, 1);  // (0 + 30) / 2
    EXPECT_NEAR(mip1[3 * 4], 20, 1);
    releaseObject(texture);
}

TEST_F(ImageLoadTest, ConvertedImagesTakeTheirFormatFromLinear) {
    const std::vector<std::uint8_t> rgb = {255, 128, 0, 10, 20, 30};
    std::vector<std::uint8_t> grey(16 * 16, 77);
    const std::vector<std::uint8_t> png = imagetest::rgbPng(2, 1, rgb);
    std::vector<std::uint8_t> colour(16 * 16 * 3, 0);
    for (std::size_t i = 0; i < colour.size(); i += 3) colour[i] = 240, colour[i + 1] = 60, colour[i + 2] = 10;
    const std::vector<std::uint8_t> jpeg = imagetest::encodeJpeg(16, 16, 3, colour);

    for (bool linear : {false, true}) {
        const DXGI_FORMAT expected = linear ? DXGI_FORMAT_R8G8B8A8_UNORM : DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
        ID3D11Texture2D* fromPng = loadImageTextureFromBytes(png, "test rgb", 0, 0, linear);
        EXPECT_EQ(describe(fromPng).Format, expected);
        // The stored bytes are the file's, whatever the format says about them.
        EXPECT_EQ(readSubresource(fromPng, 0, 8), (std::vector<std::uint8_t>{255, 128, 0, 255, 10, 20, 30, 255}));
        releaseObject(fromPng);

        ID3D11Texture2D* fromJpeg = loadImageTextureFromBytes(jpeg, "test jpeg", 0, 0, linear);
        const D3D11_TEXTURE2D_DESC desc = describe(fromJpeg);
        EXPECT_EQ(desc.Format, expected);
        EXPECT_EQ(desc.MipLevels, 5u);
        // The last mip of a uniform image is that colour.
        const std::vector<std::uint8_t> last = readSubresource(fromJpeg, desc.MipLevels - 1, 4);
        EXPECT_NEAR(last[0], 240, 2);
        EXPECT_NEAR(last[1], 60, 2);
        EXPECT_NEAR(last[2], 10, 2);
        EXPECT_EQ(last[3], 255);
        releaseObject(fromJpeg);
    }

    ID3D11Texture2D* greyTexture =
        loadImageTextureFromBytes(imagetest::encodePng({16, 16, 0, 8, grey, {}, {}, {}}), "test grey", 0, 0, false);
    EXPECT_EQ(describe(greyTexture).Format, DXGI_FORMAT_R8_UNORM);
    EXPECT_EQ(readSubresource(greyTexture, 0, grey.size()), grey);
    releaseObject(greyTexture);
}

TEST_F(ImageLoadTest, TheDitherImageRoundsItsSixteenBitSamples) {
    const std::int32_t id = currentRenderer()->registry.resourceId("sprites/dither.png");
    const std::span<const std::uint8_t> bytes = *findResource(id, kImageResourceType);

    // Reference: the file's own 16-bit samples, rounded to 8 bits.
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(0), &spng_ctx_free);
    spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size());
    spng_ihdr ihdr{};
    ASSERT_EQ(spng_get_ihdr(ctx.get(), &ihdr), 0);
    ASSERT_EQ(ihdr.bit_depth, 16);
    ASSERT_EQ(ihdr.color_type, SPNG_COLOR_TYPE_TRUECOLOR);
    std::vector<std::uint16_t> samples(std::size_t(ihdr.width) * ihdr.height * 3);
    ASSERT_EQ(spng_decode_image(ctx.get(), samples.data(), samples.size() * 2, SPNG_FMT_PNG, 0), 0);

    ID3D11Texture2D* dither = loadImageTexture("sprites/dither.png", D3D11_BIND_SHADER_RESOURCE, 0, true);
    const D3D11_TEXTURE2D_DESC desc = describe(dither);
    EXPECT_EQ(desc.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
    ASSERT_EQ(desc.Width, ihdr.width);
    ASSERT_EQ(desc.Height, ihdr.height);
    const std::vector<std::uint8_t> texels = readSubresource(dither, 0, std::size_t(desc.Width) * desc.Height * 4);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < std::size_t(desc.Width) * desc.Height; ++i) {
        for (int c = 0; c < 3; ++c) differing += texels[4 * i + c] != std::lround(samples[3 * i + c] / 257.0);
        differing += texels[4 * i + 3] != 255;
    }
    EXPECT_EQ(differing, 0u);
    releaseObject(dither);
}

TEST_F(ImageLoadTest, BadOrMissingImagesGiveAMagentaTexelAndAMessage) {
    imagetest::TestImages images;
    images.add("broken.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0});
    imagetest::DebugCapture capture;
    for (ID3D11Texture2D* texture :
         {loadImageTextureFromBytes(std::vector<std::uint8_t>{1, 2, 3}, "garbage", 0, 0, false),
          loadImageTexture("broken.png", D3D11_BIND_SHADER_RESOURCE, 0, true)}) {
        ASSERT_NE(texture, nullptr);
        const D3D11_TEXTURE2D_DESC desc = describe(texture);
        EXPECT_EQ(desc.Width, 1u);
        EXPECT_EQ(desc.Height, 1u);
        EXPECT_EQ(desc.BindFlags & D3D11_BIND_SHADER_RESOURCE, UINT(D3D11_BIND_SHADER_RESOURCE));
        EXPECT_EQ(readSubresource(texture, 0, 4), (std::vector<std::uint8_t>{255, 0, 255, 255}));
        releaseObject(texture);
    }
    ASSERT_EQ(capture.lines.size(), 2u);
    EXPECT_NE(capture.lines[0].find("'garbage'"), std::string::npos) << capture.lines[0];
    EXPECT_NE(capture.lines[1].find("'broken.png'"), std::string::npos) << capture.lines[1];

    // A name that is not an asset at all is a programming error.
    EXPECT_THROW(loadImageTexture("sprites/no such image.png", 0, 0, false), std::out_of_range);
}
