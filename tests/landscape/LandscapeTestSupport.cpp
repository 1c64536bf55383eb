#include "tests/landscape/LandscapeTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "scene/RandomFields.h"

namespace landscapetest {

using namespace tolmero;
using namespace tolmero::gpu;

namespace {

SharedGpu& shared() {
    static SharedGpu gpu;
    return gpu;
}

}  // namespace

const SharedGpu& sharedGpu() {
    SharedGpu& gpu = shared();
    if (gpu.randoms) return gpu;
    if (!testsupport::sharedHeadlessRenderer()) return gpu;
    gpu.linearSampler = createSampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_COMPARISON_NEVER);
    gpu.randoms = createRandomFields();
    SceneResources scene;
    scene.randoms = gpu.randoms;
    generateRandomFields(scene);
    gpu.fields = readRandomFields(gpu.randoms);
    EXPECT_EQ(gpu.fields.size(), std::size_t{kRandomFieldSize} * kRandomFieldSize * kRandomFieldSlices);
    return gpu;
}

FieldImage gpuFieldSlice(int slice) {
    const SharedGpu& gpu = sharedGpu();
    constexpr std::size_t texels = std::size_t{kRandomFieldSize} * kRandomFieldSize;
    FieldImage image;
    image.width = static_cast<int>(kRandomFieldSize);
    image.height = static_cast<int>(kRandomFieldSize);
    const auto begin = gpu.fields.begin() + static_cast<std::ptrdiff_t>(texels * static_cast<std::size_t>(slice));
    image.values.assign(begin, begin + static_cast<std::ptrdiff_t>(texels));
    return image;
}

void LandscapeTest::SetUp() {
    HeadlessRendererTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_NE(sharedGpu().randoms, nullptr);
}

ID3D11Texture2D* uploadRgba8(const RgbaImage& image, std::uint32_t bindFlags) {
    ID3D11Texture2D* texture =
        createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, static_cast<std::uint32_t>(image.width),
                      static_cast<std::uint32_t>(image.height), D3D11_BIND_SHADER_RESOURCE | bindFlags, 0);
    std::vector<std::uint8_t> bytes(image.texels.size() * 4);
    for (std::size_t i = 0; i < image.texels.size(); ++i) {
        for (int c = 0; c < 4; ++c) {
            bytes[i * 4 + c] = static_cast<std::uint8_t>(std::lround(std::clamp(image.texels[i][c], 0.0f, 1.0f) * 255.0f));
        }
    }
    context()->UpdateSubresource(texture, 0, nullptr, bytes.data(), static_cast<std::uint32_t>(image.width) * 4, 0);
    return texture;
}

RgbaImage quantizeTo8Bits(const RgbaImage& image) {
    RgbaImage out = image;
    for (Rgba& texel : out.texels) {
        for (float& c : texel) c = static_cast<float>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f)) / 255.0f;
    }
    return out;
}

RgbaImage readRgba8(ID3D11Texture2D* texture) {
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    RgbaImage image(static_cast<int>(desc.Width), static_cast<int>(desc.Height));
    std::vector<std::uint8_t> bytes(image.texels.size() * 4);
    EXPECT_EQ(context()->ReadSubresource(texture, 0, bytes.data(), bytes.size()), S_OK);
    for (std::size_t i = 0; i < image.texels.size(); ++i) {
        for (int c = 0; c < 4; ++c) image.texels[i][c] = static_cast<float>(bytes[i * 4 + c]) / 255.0f;
    }
    return image;
}

float halfToFloat(std::uint16_t half) {
    const int sign = half >> 15;
    const int exponent = (half >> 10) & 0x1F;
    const int mantissa = half & 0x3FF;
    float value;
    if (exponent == 0) {
        value = std::ldexp(static_cast<float>(mantissa), -24);
    } else if (exponent == 31) {
        value = mantissa ? NAN : INFINITY;
    } else {
        value = std::ldexp(static_cast<float>(mantissa + 1024), exponent - 25);
    }
    return sign ? -value : value;
}

std::uint16_t floatToHalfBits(float value) {
    const float rounded = reference::roundToHalf(value);
    const std::uint16_t sign = std::signbit(rounded) ? 0x8000 : 0;
    const float magnitude = std::fabs(rounded);
    if (magnitude == 0.0f) return sign;
    if (std::isinf(magnitude)) return sign | 0x7C00;
    if (magnitude < std::ldexp(1.0f, -14)) {
        return sign | static_cast<std::uint16_t>(std::lround(magnitude / std::ldexp(1.0f, -24)));
    }
    const int exponent = std::ilogb(magnitude);
    const auto mantissa = static_cast<std::uint16_t>(std::lround(magnitude / std::ldexp(1.0f, exponent - 10)) - 1024);
    return sign | static_cast<std::uint16_t>((exponent + 15) << 10) | mantissa;
}

RgbaImage readRgba16f(ID3D11Texture2D* texture) {
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    RgbaImage image(static_cast<int>(desc.Width), static_cast<int>(desc.Height));
    std::vector<std::uint16_t> halves(image.texels.size() * 4);
    EXPECT_EQ(context()->ReadSubresource(texture, 0, halves.data(), halves.size() * 2), S_OK);
    for (std::size_t i = 0; i < image.texels.size(); ++i) {
        for (int c = 0; c < 4; ++c) image.texels[i][c] = halfToFloat(halves[i * 4 + c]);
    }
    return image;
}

ID3D11Buffer* cameraBuffer(const CameraConstant& camera) { return createConstantBuffer(camera); }

}  // namespace landscapetest
