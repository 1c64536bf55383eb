// Dispatches: structured buffers, constant buffers, read-write buffers at u0
// and u1, read-write textures and texture arrays, samplers on texture arrays.
#include "GpuTestSupport.h"

namespace gputest {
namespace {

struct Float4 {
    float x, y, z, w;
};

class ComputeTest : public GpuTest {};

TEST_F(ComputeTest, ScalesAStructuredBufferWithConstants) {
    constexpr UINT kCount = 100;
    std::vector<Float4> input(kCount);
    for (UINT i = 0; i < kCount; ++i) input[i] = {float(i), float(i) * 0.5f, -float(i), 1.0f};
    struct Params {
        Float4 scale, offset;
        UINT count, unused[3];
    } params{{2, 3, 4, 5}, {1, 1, 1, 1}, kCount, {}};

    auto in = makeBuffer(kCount * 16, D3D11_BIND_SHADER_RESOURCE, 16, input.data());
    auto out = makeBuffer(kCount * 16, D3D11_BIND_UNORDERED_ACCESS, 16, nullptr);
    auto constants = makeConstantBuffer(&params, sizeof(params));
    auto shader = computeShader("Scale.cs");
    auto inView = srv(in.get());
    auto outView = uav(out.get());
    UINT keep = 0xffffffffu;

    ctx->CSSetShader(shader.get(), nullptr, 0);
    ctx->CSSetConstantBuffers(0, 1, constants.address());
    ctx->CSSetShaderResources(0, 1, inView.address());
    ctx->CSSetUnorderedAccessViews(0, 1, outView.address(), &keep);
    ctx->Dispatch(2, 1, 1);  // 128 threads; those past count do nothing
    ctx->ClearState();

    std::vector<Float4> result = readBuffer<Float4>(out.get());
    for (UINT i = 0; i < kCount; ++i) {
        ASSERT_EQ(result[i].x, input[i].x * 2 + 1 + i) << i;
        ASSERT_EQ(result[i].y, input[i].y * 3 + 1 + i) << i;
        ASSERT_EQ(result[i].z, input[i].z * 4 + 1 + i) << i;
        ASSERT_EQ(result[i].w, input[i].w * 5 + 1 + i) << i;
    }
}

TEST_F(ComputeTest, BindsTwoReadWriteBuffersAtU0AndU1) {
    std::vector<UINT> initial(64);
    for (UINT i = 0; i < 64; ++i) initial[i] = 10 * i;
    auto first = makeBuffer(64 * 4, D3D11_BIND_UNORDERED_ACCESS, 4, nullptr);
    auto second = makeBuffer(64 * 4, D3D11_BIND_UNORDERED_ACCESS, 4, initial.data());
    auto shader = computeShader("TwoOutputs.cs");
    {
        // Bound views are kept alive by the context, as the renderer relies on.
        auto firstView = uav(first.get());
        auto secondView = uav(second.get());
        ID3D11UnorderedAccessView* views[2] = {firstView.get(), secondView.get()};
        UINT counts[2] = {0xffffffffu, 0xffffffffu};
        ctx->CSSetShader(shader.get(), nullptr, 0);
        ctx->CSSetUnorderedAccessViews(0, 2, views, counts);
    }
    ctx->Dispatch(2, 1, 1);
    ctx->ClearState();

    std::vector<UINT> a = readBuffer<UINT>(first.get());
    std::vector<UINT> b = readBuffer<UINT>(second.get());
    for (UINT i = 0; i < 64; ++i) {
        ASSERT_EQ(a[i], 2 * i + 1) << i;
        ASSERT_EQ(b[i], 13 * i) << i;
    }
}

TEST_F(ComputeTest, WritesTexturesAndReadsModifiesWritesEverySliceOfAnArray) {
    constexpr UINT kSize = 16, kSlices = 3;
    std::vector<float> initial(kSize * kSize * kSlices);
    std::vector<D3D11_SUBRESOURCE_DATA> slices(kSlices);
    for (UINT s = 0; s < kSlices; ++s) {
        for (UINT i = 0; i < kSize * kSize; ++i) initial[s * kSize * kSize + i] = 1000.0f * s + float(i % kSize);
        slices[s] = {&initial[s * kSize * kSize], kSize * 4, 0};
    }
    auto image = makeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, kSize, kSize, D3D11_BIND_UNORDERED_ACCESS);
    auto layers = makeTexture(DXGI_FORMAT_R32_FLOAT, kSize, kSize,
                              D3D11_BIND_UNORDERED_ACCESS | D3D11_BIND_SHADER_RESOURCE, 1, kSlices, 0, slices.data());
    auto shader = computeShader("FillImages.cs");
    auto imageView = uav(image.get());
    auto layerView = uav(layers.get());
    ID3D11UnorderedAccessView* views[2] = {imageView.get(), layerView.get()};
    ctx->CSSetShader(shader.get(), nullptr, 0);
    ctx->CSSetUnorderedAccessViews(0, 2, views, nullptr);
    ctx->Dispatch(kSize / 8, kSize / 8, 1);
    ctx->ClearState();

    std::vector<float> pixels = readTexture<float>(image.get(), 0, 16);
    for (UINT y = 0; y < kSize; ++y) {
        for (UINT x = 0; x < kSize; ++x) {
            const float* p = &pixels[(y * kSize + x) * 4];
            ASSERT_EQ(p[0], float(x));
            ASSERT_EQ(p[1], float(y));
            ASSERT_EQ(p[2], float(x * y));
            ASSERT_EQ(p[3], 1.0f);
        }
    }
    for (UINT s = 0; s < kSlices; ++s) {
        std::vector<float> values = readTexture<float>(layers.get(), s, 4);
        for (UINT y = 0; y < kSize; ++y)
            for (UINT x = 0; x < kSize; ++x)
                ASSERT_EQ(values[y * kSize + x], 2 * (1000.0f * s + x) + float(x + 10 * y + 100 * s))
                    << "slice " << s << " (" << x << ", " << y << ")";
    }
}

// The texel of slice s, mip m at (x, y) in the sampled texture array.
Float4 arrayTexel(UINT x, UINT y, UINT s, UINT m) { return {float(x + 10 * y), float(s), float(m), 1.0f}; }

class SamplingTest : public ComputeTest {
protected:
    // Runs SampleArray.cs over `images` and returns the 12 results.
    std::vector<Float4> sample(ID3D11Texture2D* images, const Float4 (&points)[4]) {
        std::vector<Float4> flatTexels = {{7, 0, 0, 0}, {8, 0, 0, 0}, {9, 0, 0, 0}, {10, 0, 0, 0}};
        D3D11_SUBRESOURCE_DATA flatData{flatTexels.data(), 64, 0};
        auto flat = makeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, 4, 1, D3D11_BIND_SHADER_RESOURCE, 1, 1, 0, &flatData);
        auto results = makeBuffer(12 * 16, D3D11_BIND_UNORDERED_ACCESS, 16, nullptr);
        auto constants = makeConstantBuffer(points, sizeof(points));
        auto pointSampler = sampler(D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_WRAP);
        auto linearSampler = sampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_CLAMP);
        auto shader = computeShader("SampleArray.cs");
        auto imageView = srv(images);
        auto flatView = srv(flat.get());
        auto resultView = uav(results.get());
        ID3D11SamplerState* samplers[2] = {pointSampler.get(), linearSampler.get()};
        ID3D11ShaderResourceView* views[2] = {imageView.get(), flatView.get()};
        ctx->CSSetShader(shader.get(), nullptr, 0);
        ctx->CSSetConstantBuffers(0, 1, constants.address());
        ctx->CSSetSamplers(0, 2, samplers);
        ctx->CSSetShaderResources(0, 2, views);
        ctx->CSSetUnorderedAccessViews(0, 1, resultView.address(), nullptr);
        ctx->Dispatch(1, 1, 1);
        ctx->ClearState();
        std::vector<Float4> out = readBuffer<Float4>(results.get());
        for (UINT i = 0; i < 4; ++i) EXPECT_EQ(out[i * 3 + 2].x, 7.0f + i) << "Load from the 2D texture";
        return out;
    }

    static void expectNear(const Float4& a, const Float4& b, const char* what) {
        EXPECT_NEAR(a.x, b.x, 1e-3) << what;
        EXPECT_NEAR(a.y, b.y, 1e-3) << what;
        EXPECT_NEAR(a.z, b.z, 1e-3) << what;
        EXPECT_NEAR(a.w, b.w, 1e-3) << what;
    }
};

TEST_F(SamplingTest, SamplesSlicesMipsAndAddressModesOfATextureArray) {
    constexpr UINT kSize = 4, kSlices = 3, kMips = 3;
    std::vector<std::vector<Float4>> texels;
    std::vector<D3D11_SUBRESOURCE_DATA> data;
    for (UINT s = 0; s < kSlices; ++s) {
        for (UINT m = 0; m < kMips; ++m) {
            UINT size = kSize >> m;
            std::vector<Float4> level;
            for (UINT y = 0; y < size; ++y)
                for (UINT x = 0; x < size; ++x) level.push_back(arrayTexel(x, y, s, m));
            texels.push_back(std::move(level));
        }
    }
    for (auto& level : texels) data.push_back({level.data(), 0, 0});
    auto images = makeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, kSize, kSize, D3D11_BIND_SHADER_RESOURCE, kMips,
                              kSlices, 0, data.data());
    const Float4 points[4] = {
        {1.5f / 4, 2.5f / 4, 2, 0},     // a texel centre of slice 2
        {1.0f + 0.5f / 4, 0.5f / 4, 1, 0},  // past the right edge: wraps (point) or clamps (linear)
        {2.0f / 4, 0.5f / 4, 0, 0},     // between texels 1 and 2
        {0.5f, 0.5f, 1, 2},             // the 1 x 1 mip of slice 1
    };
    std::vector<Float4> r = sample(images.get(), points);
    expectNear(r[0], arrayTexel(1, 2, 2, 0), "point sample at a texel centre");
    expectNear(r[1], arrayTexel(1, 2, 2, 0), "linear sample at a texel centre");
    expectNear(r[3], arrayTexel(0, 0, 1, 0), "point sampler wraps");
    expectNear(r[4], arrayTexel(3, 0, 1, 0), "linear sampler clamps");
    expectNear(r[7], {1.5f, 0, 0, 1}, "linear sample halfway between two texels");
    expectNear(r[9], arrayTexel(0, 0, 1, 2), "point sample of mip 2");
    expectNear(r[10], arrayTexel(0, 0, 1, 2), "linear sample of mip 2");
}

TEST_F(SamplingTest, ASingleSliceTextureServesATextureArrayDeclaration) {
    // The default view of a one-slice texture is a plain 2D view; the shader
    // declares a Texture2DArray.
    std::vector<Float4> texels;
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x) texels.push_back(arrayTexel(x, y, 0, 0));
    D3D11_SUBRESOURCE_DATA data{texels.data(), 64, 0};
    auto image = makeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, 4, 4, D3D11_BIND_SHADER_RESOURCE, 1, 1, 0, &data);
    D3D11_SHADER_RESOURCE_VIEW_DESC desc;
    srv(image.get())->GetDesc(&desc);
    EXPECT_EQ(desc.ViewDimension, D3D11_SRV_DIMENSION_TEXTURE2D);
    const Float4 points[4] = {{3.5f / 4, 0.5f / 4, 0, 0}, {0.5f / 4, 3.5f / 4, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    std::vector<Float4> r = sample(image.get(), points);
    expectNear(r[0], arrayTexel(3, 0, 0, 0), "point sample");
    expectNear(r[4], arrayTexel(0, 3, 0, 0), "linear sample");
}

TEST_F(ComputeTest, SkipsADispatchThatLacksABindingAndSaysWhy) {
    auto shader = computeShader("TwoOutputs.cs");
    auto first = makeBuffer(64 * 4, D3D11_BIND_UNORDERED_ACCESS, 4, nullptr);
    auto firstView = uav(first.get());
    DebugLines log;
    ctx->CSSetShader(shader.get(), nullptr, 0);
    ctx->CSSetUnorderedAccessViews(0, 1, firstView.address(), nullptr);  // u1 stays empty
    ctx->Dispatch(1, 1, 1);
    EXPECT_TRUE(log.contains("Dispatch skipped: no unordered access view is bound at u1 ('second')")) << log.all();
}

TEST_F(ComputeTest, RefusesAStorageTextureWhoseFormatDiffersFromTheShaders) {
    auto shader = computeShader("FillImages.cs");
    auto image = makeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 16, 16, D3D11_BIND_UNORDERED_ACCESS);
    auto layers = makeTexture(DXGI_FORMAT_R32_FLOAT, 16, 16, D3D11_BIND_UNORDERED_ACCESS, 1, 2);
    auto imageView = uav(image.get());
    auto layerView = uav(layers.get());
    ID3D11UnorderedAccessView* views[2] = {imageView.get(), layerView.get()};
    DebugLines log;
    ctx->CSSetShader(shader.get(), nullptr, 0);
    ctx->CSSetUnorderedAccessViews(0, 2, views, nullptr);
    ctx->Dispatch(2, 2, 1);
    EXPECT_TRUE(log.contains("R8G8B8A8_UNORM is bound where the shader declares storage format Rgba32f")) << log.all();
}

}  // namespace
}  // namespace gputest
