// Resources: descriptions and their checks, mip generation of texture arrays,
// copies into array slices, uploads, mapping.
#include "GpuTestSupport.h"

namespace gputest {
namespace {

class ResourceTest : public GpuTest {};

TEST_F(ResourceTest, DescriptionsAreKeptAndBadOnesRefused) {
    auto texture = makeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 100, 50,
                               D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET, 0, 3,
                               D3D11_RESOURCE_MISC_GENERATE_MIPS);
    D3D11_TEXTURE2D_DESC t;
    texture->GetDesc(&t);
    EXPECT_EQ(t.MipLevels, 7u) << "MipLevels 0 is the full chain";
    EXPECT_EQ(t.ArraySize, 3u);
    D3D11_RESOURCE_DIMENSION dimension;
    texture->GetType(&dimension);
    EXPECT_EQ(dimension, D3D11_RESOURCE_DIMENSION_TEXTURE2D);

    auto buffer = makeBuffer(48, D3D11_BIND_SHADER_RESOURCE, 12, nullptr);
    D3D11_BUFFER_DESC b;
    buffer->GetDesc(&b);
    EXPECT_EQ(b.StructureByteStride, 12u);
    EXPECT_EQ(b.MiscFlags, UINT(D3D11_RESOURCE_MISC_BUFFER_STRUCTURED));
    buffer->GetType(&dimension);
    EXPECT_EQ(dimension, D3D11_RESOURCE_DIMENSION_BUFFER);

    DebugLines log;
    Com<ID3D11Buffer> badBuffer;
    D3D11_BUFFER_DESC constant{20, D3D11_USAGE_DYNAMIC, D3D11_BIND_CONSTANT_BUFFER, D3D11_CPU_ACCESS_WRITE, 0, 0};
    EXPECT_EQ(dev->CreateBuffer(&constant, nullptr, badBuffer.out()), E_INVALIDARG) << "not a multiple of 16";
    D3D11_BUFFER_DESC structured{50, D3D11_USAGE_DEFAULT, D3D11_BIND_SHADER_RESOURCE, 0,
                                 D3D11_RESOURCE_MISC_BUFFER_STRUCTURED, 16};
    EXPECT_EQ(dev->CreateBuffer(&structured, nullptr, badBuffer.out()), E_INVALIDARG) << "stride does not divide";
    EXPECT_FALSE(badBuffer);
    Com<ID3D11Texture2D> badTexture;
    D3D11_TEXTURE2D_DESC empty{0, 16, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT,
                               D3D11_BIND_SHADER_RESOURCE, 0, 0};
    EXPECT_EQ(dev->CreateTexture2D(&empty, nullptr, badTexture.out()), E_INVALIDARG);
    D3D11_TEXTURE2D_DESC mipsWithoutTarget{16, 16, 0, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT,
                                           D3D11_BIND_SHADER_RESOURCE, 0, D3D11_RESOURCE_MISC_GENERATE_MIPS};
    EXPECT_EQ(dev->CreateTexture2D(&mipsWithoutTarget, nullptr, badTexture.out()), E_INVALIDARG);
    EXPECT_FALSE(badTexture);
    EXPECT_GE(log.lines.size(), 4u) << "each refusal is explained";
}

TEST_F(ResourceTest, SamplerAndStateDescriptionsRoundTrip) {
    D3D11_SAMPLER_DESC desc{D3D11_FILTER_COMPARISON_ANISOTROPIC, D3D11_TEXTURE_ADDRESS_BORDER,
                            D3D11_TEXTURE_ADDRESS_MIRROR, D3D11_TEXTURE_ADDRESS_MIRROR_ONCE, 0.5f, 16,
                            D3D11_COMPARISON_LESS_EQUAL, {1, 1, 1, 1}, 1.0f, 4.0f};
    Com<ID3D11SamplerState> state;
    ASSERT_EQ(dev->CreateSamplerState(&desc, state.out()), S_OK);
    D3D11_SAMPLER_DESC back;
    state->GetDesc(&back);
    EXPECT_EQ(back.MaxAnisotropy, 16u);
    EXPECT_EQ(back.ComparisonFunc, D3D11_COMPARISON_LESS_EQUAL);
    EXPECT_EQ(back.MaxLOD, 4.0f);
    desc.MaxAnisotropy = 17;
    EXPECT_EQ(dev->CreateSamplerState(&desc, state.out()), E_INVALIDARG);

    const char name[] = "Resource view for 'image'";
    auto texture = makeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, D3D11_BIND_SHADER_RESOURCE);
    auto view = srv(texture.get());
    ASSERT_EQ(view->SetPrivateData(WKPDID_D3DDebugObjectName, sizeof(name) - 1, name), S_OK);
    char stored[64] = {};
    UINT size = sizeof(stored);
    ASSERT_EQ(view->GetPrivateData(WKPDID_D3DDebugObjectName, &size, stored), S_OK);
    EXPECT_EQ(std::string(stored, size), name);
    Com<ID3D11Resource> viewed;
    view->GetResource(viewed.out());
    EXPECT_EQ(viewed.get(), static_cast<ID3D11Resource*>(texture.get()));
}

TEST_F(ResourceTest, UnsupportedStagesAndWrongBytecodeAreRefused) {
    std::vector<uint32_t> code = shaderCode("Scale.cs");
    DebugLines log;
    Com<ID3D11GeometryShader> geometry;
    EXPECT_EQ(dev->CreateGeometryShader(code.data(), code.size() * 4, nullptr, geometry.out()), E_NOTIMPL);
    Com<ID3D11HullShader> hull;
    EXPECT_EQ(dev->CreateHullShader(code.data(), code.size() * 4, nullptr, hull.out()), E_NOTIMPL);
    EXPECT_TRUE(log.contains("geometry shaders are not supported"));
    EXPECT_TRUE(log.contains("hull shaders are not supported"));
    Com<ID3D11PixelShader> pixel;
    EXPECT_EQ(dev->CreatePixelShader(code.data(), code.size() * 4, nullptr, pixel.out()), E_INVALIDARG)
        << "a compute shader is not a pixel shader";
    const char notSpirv[] = "DXBC....this is not SPIR-V";
    EXPECT_EQ(dev->CreatePixelShader(notSpirv, sizeof(notSpirv) - 3, nullptr, pixel.out()), E_INVALIDARG);
    EXPECT_FALSE(pixel);
}

// An 8 x 8 two-slice array: slice 0 a one-texel checkerboard of 0 and 255,
// slice 1 a solid colour. Each mip of the checkerboard is mid-grey.
void checkMips(DXGI_FORMAT format, int expectedGrey) {
    constexpr UINT kSize = 8;
    std::vector<uint8_t> checker(kSize * kSize * 4), solid(kSize * kSize * 4);
    for (UINT i = 0; i < kSize * kSize; ++i) {
        uint8_t v = ((i % kSize) + (i / kSize)) % 2 ? 255 : 0;
        for (int c = 0; c < 3; ++c) checker[i * 4 + c] = v;
        checker[i * 4 + 3] = 255;
        solid[i * 4 + 0] = 10;
        solid[i * 4 + 1] = 20;
        solid[i * 4 + 2] = 30;
        solid[i * 4 + 3] = 40;
    }
    auto array = makeTexture(format, kSize, kSize, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET, 0, 2,
                             D3D11_RESOURCE_MISC_GENERATE_MIPS);
    D3D11_TEXTURE2D_DESC desc;
    array->GetDesc(&desc);
    ASSERT_EQ(desc.MipLevels, 4u);
    context()->UpdateSubresource(array.get(), D3D11CalcSubresource(0, 0, 4), nullptr, checker.data(), kSize * 4, 0);
    context()->UpdateSubresource(array.get(), D3D11CalcSubresource(0, 1, 4), nullptr, solid.data(), kSize * 4, 0);
    context()->GenerateMips(srv(array.get()).get());

    for (UINT mip = 1; mip < 4; ++mip) {
        std::vector<uint8_t> grey = readTexture<uint8_t>(array.get(), D3D11CalcSubresource(mip, 0, 4), 4);
        std::vector<uint8_t> colour = readTexture<uint8_t>(array.get(), D3D11CalcSubresource(mip, 1, 4), 4);
        for (size_t i = 0; i < grey.size(); i += 4) {
            EXPECT_NEAR(grey[i], expectedGrey, 1) << "mip " << mip;
            EXPECT_EQ(grey[i + 3], 255);
            EXPECT_EQ(colour[i], 10);
            EXPECT_EQ(colour[i + 1], 20);
            EXPECT_EQ(colour[i + 2], 30);
            EXPECT_EQ(colour[i + 3], 40);
        }
    }
}

TEST_F(ResourceTest, GeneratesTheMipsOfEverySlice) { checkMips(DXGI_FORMAT_R8G8B8A8_UNORM, 128); }

TEST_F(ResourceTest, GeneratesSrgbMipsInLinearLight) {
    // Half of the light of white is 188 in sRGB, not 128.
    checkMips(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, 188);
}

TEST_F(ResourceTest, CopiesIntoArraySlicesAndRegions) {
    constexpr UINT kSize = 4;
    std::vector<UINT> pattern(kSize * kSize);
    for (UINT i = 0; i < pattern.size(); ++i) pattern[i] = 100 + i;
    auto source = makeTexture(DXGI_FORMAT_R32_UINT, kSize, kSize, D3D11_BIND_SHADER_RESOURCE);
    ctx->UpdateSubresource(source.get(), 0, nullptr, pattern.data(), kSize * 4, 0);

    std::vector<UINT> zeros(kSize * kSize, 0);
    std::vector<D3D11_SUBRESOURCE_DATA> init;
    for (UINT s = 0; s < 3; ++s)
        for (UINT m = 0; m < 3; ++m) init.push_back({zeros.data(), (kSize >> m) * 4, 0});
    auto array = makeTexture(DXGI_FORMAT_R32_UINT, kSize, kSize, D3D11_BIND_SHADER_RESOURCE, 3, 3, 0, init.data());

    // Slice i of an array with m mips is subresource i * m.
    ctx->CopySubresourceRegion(array.get(), 1 * 3, 0, 0, 0, source.get(), 0, nullptr);
    D3D11_BOX box{1, 1, 0, 3, 3, 1};
    ctx->CopySubresourceRegion(array.get(), 2 * 3, 0, 2, 0, source.get(), 0, &box);

    EXPECT_EQ(readTexture<UINT>(array.get(), 0, 4), zeros);
    EXPECT_EQ(readTexture<UINT>(array.get(), 3, 4), pattern);
    std::vector<UINT> partial = readTexture<UINT>(array.get(), 6, 4);
    for (UINT y = 0; y < kSize; ++y) {
        for (UINT x = 0; x < kSize; ++x) {
            UINT expected = (x < 2 && y >= 2) ? pattern[(y - 1) * kSize + (x + 1)] : 0;
            EXPECT_EQ(partial[y * kSize + x], expected) << x << "," << y;
        }
    }
    EXPECT_EQ(readTexture<UINT>(array.get(), 4, 4), std::vector<UINT>(4, 0)) << "mip 1 of slice 1 untouched";

    DebugLines log;
    D3D11_BOX outside{2, 2, 0, 6, 6, 1};
    ctx->CopySubresourceRegion(array.get(), 0, 0, 0, 0, source.get(), 0, &outside);
    EXPECT_TRUE(log.contains("CopySubresourceRegion skipped"));
    EXPECT_EQ(readTexture<UINT>(array.get(), 0, 4), zeros);
}

TEST_F(ResourceTest, UpdatesBoxesOfTexturesAndRangesOfBuffers) {
    auto texture = makeTexture(DXGI_FORMAT_R32_UINT, 4, 4, D3D11_BIND_SHADER_RESOURCE);
    std::vector<UINT> zeros(16, 0);
    ctx->UpdateSubresource(texture.get(), 0, nullptr, zeros.data(), 16, 0);
    // Two rows of two texels with a row pitch of 24 bytes.
    UINT rows[12] = {1, 2, 0xdead, 0xdead, 0xdead, 0xdead, 3, 4, 0xdead, 0xdead, 0xdead, 0xdead};
    D3D11_BOX box{1, 2, 0, 3, 4, 1};
    ctx->UpdateSubresource(texture.get(), 0, &box, rows, 24, 0);
    std::vector<UINT> expected = zeros;
    expected[2 * 4 + 1] = 1;
    expected[2 * 4 + 2] = 2;
    expected[3 * 4 + 1] = 3;
    expected[3 * 4 + 2] = 4;
    EXPECT_EQ(readTexture<UINT>(texture.get(), 0, 4), expected);

    std::vector<UINT> initial(16);
    for (UINT i = 0; i < 16; ++i) initial[i] = i;
    auto buffer = makeBuffer(64, D3D11_BIND_SHADER_RESOURCE, 4, initial.data());
    UINT replacement[4] = {70, 71, 72, 73};
    D3D11_BOX range{8, 0, 0, 24, 1, 1};
    ctx->UpdateSubresource(buffer.get(), 0, &range, replacement, 0, 0);
    std::vector<UINT> values = readBuffer<UINT>(buffer.get());
    std::vector<UINT> want = initial;
    want[2] = 70;
    want[3] = 71;
    want[4] = 72;
    want[5] = 73;
    EXPECT_EQ(values, want);
}

TEST_F(ResourceTest, MapsStagingAndDynamicBuffers) {
    // Staging: read back what the GPU copied into it.
    std::vector<UINT> values(32);
    for (UINT i = 0; i < 32; ++i) values[i] = i * i;
    auto source = makeBuffer(128, D3D11_BIND_SHADER_RESOURCE, 4, values.data());
    auto staging = makeBuffer(128, 0, 0, nullptr, D3D11_USAGE_STAGING, D3D11_CPU_ACCESS_READ);
    ctx->CopyResource(staging.get(), source.get());
    D3D11_MAPPED_SUBRESOURCE mapped{};
    ASSERT_EQ(ctx->Map(staging.get(), 0, D3D11_MAP_READ, 0, &mapped), S_OK);
    EXPECT_EQ(std::memcmp(mapped.pData, values.data(), 128), 0);
    ctx->Unmap(staging.get(), 0);

    // Dynamic: a discarding write while a recorded dispatch still reads the
    // old contents must not change what that dispatch sees.
    struct Params {
        float scale[4], offset[4];
        UINT count, unused[3];
    } params{{1, 1, 1, 1}, {5, 5, 5, 5}, 4, {}};
    std::vector<float> input(16, 1.0f);
    auto in = makeBuffer(64, D3D11_BIND_SHADER_RESOURCE, 16, input.data());
    auto out1 = makeBuffer(64, D3D11_BIND_UNORDERED_ACCESS, 16, nullptr);
    auto out2 = makeBuffer(64, D3D11_BIND_UNORDERED_ACCESS, 16, nullptr);
    auto constants = makeConstantBuffer(&params, sizeof(params));
    auto shader = computeShader("Scale.cs");
    auto inView = srv(in.get());
    for (ID3D11Buffer* out : {out1.get(), out2.get()}) {
        auto outView = uav(out);
        ctx->CSSetShader(shader.get(), nullptr, 0);
        ctx->CSSetConstantBuffers(0, 1, constants.address());
        ctx->CSSetShaderResources(0, 1, inView.address());
        ctx->CSSetUnorderedAccessViews(0, 1, outView.address(), nullptr);
        ctx->Dispatch(1, 1, 1);
        ctx->ClearState();
        ASSERT_EQ(ctx->Map(constants.get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped), S_OK);
        params.offset[0] = 50;
        std::memcpy(mapped.pData, &params, sizeof(params));
        ctx->Unmap(constants.get(), 0);
    }
    EXPECT_EQ(readBuffer<float>(out1.get())[0], 1 + 5 + 0);
    EXPECT_EQ(readBuffer<float>(out2.get())[0], 1 + 50 + 0);
    EXPECT_EQ(readBuffer<float>(out2.get())[1], 1 + 5 + 0);
}

}  // namespace
}  // namespace gputest
