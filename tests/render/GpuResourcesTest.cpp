// The creators' descriptions, ownership by the renderer, and the immediate
// operations on targets (mip generation).
#include <cfloat>
#include <cmath>

#include "RendererTestSupport.h"
#include "render/GpuResources.h"

namespace rendertest {
namespace {

using namespace tolmero;
using namespace tolmero::gpu;

using GpuResources = RendererTest;

TEST_F(GpuResources, BufferDescriptions) {
    struct Record {
        float values[8];
    };
    ID3D11Buffer* constants = createConstantBuffer(Record{});
    D3D11_BUFFER_DESC desc{};
    constants->GetDesc(&desc);
    EXPECT_EQ(desc.ByteWidth, 32u);
    EXPECT_EQ(desc.Usage, D3D11_USAGE_DYNAMIC);
    EXPECT_EQ(desc.BindFlags, UINT(D3D11_BIND_CONSTANT_BUFFER));
    EXPECT_EQ(desc.CPUAccessFlags, UINT(D3D11_CPU_ACCESS_WRITE));
    EXPECT_EQ(desc.MiscFlags, 0u);

    std::vector<std::array<float, 3>> elements(5, {1.0f, 2.0f, 3.0f});
    ID3D11Buffer* structured = createStructuredBuffer(elements, D3D11_BIND_SHADER_RESOURCE, 0);
    EXPECT_TRUE(elements.empty());
    EXPECT_EQ(elements.capacity(), 0u) << "the input's storage is freed";
    structured->GetDesc(&desc);
    EXPECT_EQ(desc.ByteWidth, 60u);
    EXPECT_EQ(desc.StructureByteStride, 12u);
    EXPECT_EQ(desc.Usage, D3D11_USAGE_DEFAULT);
    EXPECT_EQ(desc.MiscFlags, UINT(D3D11_RESOURCE_MISC_BUFFER_STRUCTURED));
    const auto copied = readBack<float>(structured, 0, 15);
    EXPECT_EQ(copied[14], 3.0f);

    ID3D11Buffer* uninitialized = createStructuredBufferUninitialized(
        100, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
    uninitialized->GetDesc(&desc);
    EXPECT_EQ(desc.ByteWidth, 1600u);
    EXPECT_EQ(desc.StructureByteStride, 16u);
    EXPECT_EQ(desc.BindFlags, UINT(D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS));
}

TEST_F(GpuResources, TextureMipChainOnlyWithGenerateMips) {
    const UINT binds = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET;
    D3D11_TEXTURE2D_DESC desc{};
    createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 16, 4, binds, D3D11_RESOURCE_MISC_GENERATE_MIPS)->GetDesc(&desc);
    EXPECT_EQ(desc.MipLevels, 5u) << "the full chain of a 16 x 4 texture";
    EXPECT_EQ(desc.ArraySize, 1u);
    EXPECT_EQ(desc.MiscFlags, UINT(D3D11_RESOURCE_MISC_GENERATE_MIPS));
    createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 16, 4, binds, 0)->GetDesc(&desc);
    EXPECT_EQ(desc.MipLevels, 1u);
    createTextureArray(DXGI_FORMAT_R32_FLOAT, 8, 8, 3, D3D11_BIND_SHADER_RESOURCE, 0)->GetDesc(&desc);
    EXPECT_EQ(desc.ArraySize, 3u);
    EXPECT_EQ(desc.Format, DXGI_FORMAT_R32_FLOAT);
    EXPECT_EQ(desc.SampleDesc.Count, 1u);
}

TEST_F(GpuResources, SamplerAnisotropyOnlyForAnisotropicFilters) {
    for (D3D11_FILTER filter : {D3D11_FILTER_ANISOTROPIC, D3D11_FILTER_COMPARISON_ANISOTROPIC,
                                D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_FILTER_COMPARISON_MIN_MAG_MIP_LINEAR}) {
        const bool comparison = filter & 0x80;
        D3D11_SAMPLER_DESC desc{};
        createSampler(filter, D3D11_TEXTURE_ADDRESS_WRAP,
                      comparison ? D3D11_COMPARISON_LESS : D3D11_COMPARISON_ALWAYS)
            ->GetDesc(&desc);
        const bool anisotropic = filter == D3D11_FILTER_ANISOTROPIC || filter == D3D11_FILTER_COMPARISON_ANISOTROPIC;
        EXPECT_EQ(desc.MaxAnisotropy, anisotropic ? 16u : 1u) << filter;
        EXPECT_EQ(desc.AddressU, D3D11_TEXTURE_ADDRESS_WRAP);
        EXPECT_EQ(desc.AddressW, D3D11_TEXTURE_ADDRESS_WRAP);
        EXPECT_EQ(desc.MinLOD, 0.0f);
        EXPECT_EQ(desc.MaxLOD, FLT_MAX);
    }
}

TEST_F(GpuResources, RendererOwnsWhatItCreatesUntilReleased) {
    Renderer& renderer = *currentRenderer();
    const std::size_t before = renderer.ownedObjects.size();
    ID3D11Buffer* buffer = createStructuredBufferUninitialized(1, D3D11_BIND_SHADER_RESOURCE, 0);
    EXPECT_EQ(renderer.ownedObjects.count(buffer), 1u);
    registerObject(buffer);  // a set: never twice
    EXPECT_EQ(renderer.ownedObjects.size(), before + 1);
    releaseObject(buffer);
    EXPECT_EQ(renderer.ownedObjects.size(), before);
    EXPECT_EQ(renderer.ownedObjects.count(buffer), 0u);
}

TEST_F(GpuResources, GenerateMipsRegeneratesEverySliceOfAnArray) {
    ID3D11Texture2D* array =
        createTextureArray(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 2, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET,
                           D3D11_RESOURCE_MISC_GENERATE_MIPS);
    D3D11_TEXTURE2D_DESC desc{};
    array->GetDesc(&desc);
    ASSERT_EQ(desc.MipLevels, 3u);
    // Slice 0 solid (200, 100, 0); slice 1 a checkerboard of black and white.
    std::vector<std::uint8_t> solid, checker;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            solid.insert(solid.end(), {200, 100, 0, 255});
            const std::uint8_t v = (x + y) % 2 ? 255 : 0;
            checker.insert(checker.end(), {v, v, v, 255});
        }
    context()->UpdateSubresource(array, D3D11CalcSubresource(0, 0, 3), nullptr, solid.data(), 16, 64);
    context()->UpdateSubresource(array, D3D11CalcSubresource(0, 1, 3), nullptr, checker.data(), 16, 64);
    generateMips(array);

    for (UINT mip = 1; mip < 3; ++mip) {
        const UINT size = 4 >> mip;
        const auto zero = readBack<std::uint8_t>(array, D3D11CalcSubresource(mip, 0, 3), size * size * 4);
        const auto one = readBack<std::uint8_t>(array, D3D11CalcSubresource(mip, 1, 3), size * size * 4);
        for (UINT i = 0; i < size * size; ++i) {
            EXPECT_NEAR(zero[i * 4 + 0], 200, 1) << "mip " << mip;
            EXPECT_NEAR(zero[i * 4 + 1], 100, 1) << "mip " << mip;
            // Every 2 x 2 block of the checkerboard averages to grey.
            EXPECT_NEAR(one[i * 4 + 0], 128, 2) << "mip " << mip;
            EXPECT_EQ(one[i * 4 + 3], 255);
        }
    }
}

TEST_F(GpuResources, ClearTargetAndDepth) {
    ID3D11Texture2D* target = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 2, 2, D3D11_BIND_RENDER_TARGET, 0);
    clearTarget(target, {1.0f, 0.5f, 0.0f, 1.0f});
    const auto pixels = readBack<std::uint8_t>(target, 0, 16);
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[1], 128);
    EXPECT_EQ(pixels[2], 0);

    ID3D11Texture2D* depth = createTexture(DXGI_FORMAT_D32_FLOAT, 2, 2, D3D11_BIND_DEPTH_STENCIL, 0);
    clearDepth(depth, 0.75f, 0);
    EXPECT_EQ(readBack<float>(depth, 0, 4)[3], 0.75f);

}

}  // namespace
}  // namespace rendertest
