// Draws: orientation and culling, depth test, viewports, blending, lines,
// wireframe, separate vertex/pixel registers, pixel-stage read-write buffers
// and the destruction of objects the GPU is still using.
#include "GpuTestSupport.h"

#include <cstdlib>

namespace gputest {
namespace {

struct Float4 {
    float x, y, z, w;
};

constexpr UINT kSize = 32;
const Float4 kRed{1, 0, 0, 1}, kGreen{0, 1, 0, 1}, kBlue{0, 0, 1, 1};
const FLOAT kClear[4] = {0, 0, 0.2f, 1};

// Clip-space corners of two clockwise triangles covering the whole target.
std::vector<Float4> fullScreen(float z) {
    return {{-1, 1, z, 1}, {1, 1, z, 1}, {-1, -1, z, 1}, {1, 1, z, 1}, {1, -1, z, 1}, {-1, -1, z, 1}};
}

class DrawTest : public GpuTest {
protected:
    void SetUp() override {
        GpuTest::SetUp();
        target = makeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, kSize, kSize, D3D11_BIND_RENDER_TARGET);
        targetView = rtv(target.get());
        ctx->ClearRenderTargetView(targetView.get(), kClear);
        vs = vertexShader("Triangles.vs");
        ps = pixelShader("Color.ps");
    }

    // Binds the vertex stage the way the renderer does: views made, bound and
    // released at once.
    void bindVertices(const std::vector<Float4>& corners, const std::vector<Float4>& colors, Float4 move = {}) {
        auto cornerBuffer = makeBuffer(UINT(corners.size() * 16), D3D11_BIND_SHADER_RESOURCE, 16, corners.data());
        auto colorBuffer = makeBuffer(UINT(colors.size() * 16), D3D11_BIND_SHADER_RESOURCE, 16, colors.data());
        auto moveBuffer = makeConstantBuffer(&move, sizeof(move));
        auto cornerView = srv(cornerBuffer.get());
        auto colorView = srv(colorBuffer.get());
        ID3D11ShaderResourceView* views[2] = {cornerView.get(), colorView.get()};
        ctx->VSSetShader(vs.get(), nullptr, 0);
        ctx->VSSetShaderResources(0, 2, views);
        ctx->VSSetConstantBuffers(0, 1, moveBuffer.address());
    }

    void bindTarget(ID3D11DepthStencilView* depth = nullptr) {
        ctx->OMSetRenderTargets(1, targetView.address(), depth);
        D3D11_VIEWPORT viewport{0, 0, float(kSize), float(kSize), 0, 1};
        ctx->RSSetViewports(1, &viewport);
    }

    // One draw of `corners` in `color` with the default state unless the
    // caller has set some before.
    void draw(const std::vector<Float4>& corners, Float4 color,
              D3D11_PRIMITIVE_TOPOLOGY topology = D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST,
              ID3D11DepthStencilView* depth = nullptr) {
        bindVertices(corners, std::vector<Float4>(corners.size(), color));
        ctx->PSSetShader(ps.get(), nullptr, 0);
        bindTarget(depth);
        ctx->IASetPrimitiveTopology(topology);
        ctx->Draw(UINT(corners.size()), 0);
        ctx->ClearState();
    }

    std::vector<uint8_t> pixels() { return readTexture<uint8_t>(target.get(), 0, 4); }

    // Within one step of the 8-bit value of c.
    static bool is(Rgba8 p, Float4 c) {
        auto near = [](uint8_t v, float f) { return std::abs(int(v) - int(f * 255.0f + 0.5f)) <= 1; };
        return near(p.r, c.x) && near(p.g, c.y) && near(p.b, c.z);
    }
    static bool isClear(Rgba8 p) { return p.r == 0 && p.g == 0 && p.b == 51; }

    Com<ID3D11Texture2D> target;
    Com<ID3D11RenderTargetView> targetView;
    Com<ID3D11VertexShader> vs;
    Com<ID3D11PixelShader> ps;
};

// Upper half: clockwise on screen. Lower half: counter-clockwise.
const std::vector<Float4> kClockwiseTop = {{-1, 1, 0.5f, 1}, {1, 1, 0.5f, 1}, {-1, 0, 0.5f, 1}};
const std::vector<Float4> kCounterClockwiseBottom = {{-1, 0, 0.5f, 1}, {-1, -1, 0.5f, 1}, {1, -1, 0.5f, 1}};

TEST_F(DrawTest, DrawsClockwiseTrianglesWithClipSpaceUpAtRowZero) {
    draw(kClockwiseTop, kRed);
    draw(kCounterClockwiseBottom, kGreen);
    std::vector<uint8_t> image = pixels();
    EXPECT_TRUE(is(texel(image, kSize, 2, 2), kRed)) << "top-left corner";
    EXPECT_TRUE(is(texel(image, kSize, 20, 2), kRed));
    EXPECT_TRUE(isClear(texel(image, kSize, 29, 14))) << "outside the triangle";
    EXPECT_TRUE(isClear(texel(image, kSize, 2, 29))) << "the counter-clockwise triangle is culled";
}

TEST_F(DrawTest, RasterizerStateChangesCullingAndWinding) {
    D3D11_RASTERIZER_DESC desc{D3D11_FILL_SOLID, D3D11_CULL_BACK, TRUE, 0, 0, 0, TRUE, FALSE, FALSE, FALSE};
    Com<ID3D11RasterizerState> counterClockwise;
    ASSERT_EQ(dev->CreateRasterizerState(&desc, counterClockwise.out()), S_OK);
    desc.FrontCounterClockwise = FALSE;
    desc.CullMode = D3D11_CULL_NONE;
    Com<ID3D11RasterizerState> noCulling;
    ASSERT_EQ(dev->CreateRasterizerState(&desc, noCulling.out()), S_OK);

    ctx->RSSetState(counterClockwise.get());
    draw(kClockwiseTop, kRed);  // draw() ends with ClearState: the state applies to this draw only
    ctx->RSSetState(counterClockwise.get());
    draw(kCounterClockwiseBottom, kGreen);
    std::vector<uint8_t> image = pixels();
    EXPECT_TRUE(isClear(texel(image, kSize, 2, 2))) << "clockwise is now the back";
    EXPECT_TRUE(is(texel(image, kSize, 2, 29), kGreen));

    ctx->RSSetState(noCulling.get());
    draw(kClockwiseTop, kBlue);
    draw(kCounterClockwiseBottom, kBlue);  // default state again: culled
    image = pixels();
    EXPECT_TRUE(is(texel(image, kSize, 2, 2), kBlue));
    EXPECT_TRUE(is(texel(image, kSize, 2, 29), kGreen));
}

TEST_F(DrawTest, WireframeFillDrawsOnlyEdges) {
    D3D11_RASTERIZER_DESC desc{D3D11_FILL_WIREFRAME, D3D11_CULL_NONE, FALSE, 0, 0, 1.0f, TRUE, FALSE, FALSE, FALSE};
    Com<ID3D11RasterizerState> wireframe;
    ASSERT_EQ(dev->CreateRasterizerState(&desc, wireframe.out()), S_OK);
    ctx->RSSetState(wireframe.get());
    // Corners at pixel centres (4.5, 4.5), (27.5, 4.5), (4.5, 27.5).
    const float e = 0.71875f;
    draw({{-e, e, 0.5f, 1}, {e, e, 0.5f, 1}, {-e, -e, 0.5f, 1}}, kRed);
    std::vector<uint8_t> image = pixels();
    EXPECT_TRUE(is(texel(image, kSize, 10, 4), kRed)) << "top edge, row 4";
    EXPECT_TRUE(is(texel(image, kSize, 4, 10), kRed)) << "left edge, column 4";
    EXPECT_TRUE(isClear(texel(image, kSize, 9, 9))) << "interior";
}

TEST_F(DrawTest, DepthTestIsLessWithWritesByDefault) {
    auto depth = makeTexture(DXGI_FORMAT_D32_FLOAT, kSize, kSize, D3D11_BIND_DEPTH_STENCIL);
    Com<ID3D11DepthStencilView> depthView;
    ASSERT_EQ(dev->CreateDepthStencilView(depth.get(), nullptr, depthView.out()), S_OK);
    ctx->ClearDepthStencilView(depthView.get(), D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 1.0f, 0);

    draw(fullScreen(0.5f), kRed, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST, depthView.get());
    draw(fullScreen(0.7f), kGreen, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST, depthView.get());
    EXPECT_TRUE(is(texel(pixels(), kSize, 16, 16), kRed)) << "farther geometry fails";
    draw(fullScreen(0.3f), kBlue, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST, depthView.get());
    EXPECT_TRUE(is(texel(pixels(), kSize, 16, 16), kBlue)) << "nearer geometry passes";
    draw(fullScreen(0.3f), kGreen, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST, depthView.get());
    EXPECT_TRUE(is(texel(pixels(), kSize, 16, 16), kBlue)) << "equal depth fails a less test";
    std::vector<float> depths = readTexture<float>(depth.get(), 0, 4);
    EXPECT_FLOAT_EQ(depths[16 * kSize + 16], 0.3f) << "depth written";
}

TEST_F(DrawTest, ALaterViewportReplacesTheTargetsViewport) {
    bindVertices(fullScreen(0.5f), std::vector<Float4>(6, kGreen));
    ctx->PSSetShader(ps.get(), nullptr, 0);
    bindTarget();
    D3D11_VIEWPORT viewport{8, 4, 16, 8, 0, 1};
    ctx->RSSetViewports(1, &viewport);
    ctx->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    ctx->Draw(6, 0);
    ctx->ClearState();
    std::vector<uint8_t> image = pixels();
    EXPECT_TRUE(is(texel(image, kSize, 8, 4), kGreen));
    EXPECT_TRUE(is(texel(image, kSize, 23, 11), kGreen));
    EXPECT_TRUE(isClear(texel(image, kSize, 7, 4)));
    EXPECT_TRUE(isClear(texel(image, kSize, 24, 11)));
    EXPECT_TRUE(isClear(texel(image, kSize, 8, 3)));
    EXPECT_TRUE(isClear(texel(image, kSize, 23, 12)));
}

TEST_F(DrawTest, BlendsSourceAlphaPlusDestinationAlpha) {
    D3D11_BLEND_DESC desc{};
    desc.RenderTarget[0] = {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_DEST_ALPHA, D3D11_BLEND_OP_ADD,
                            D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_DEST_ALPHA, D3D11_BLEND_OP_ADD,
                            D3D11_COLOR_WRITE_ENABLE_ALL};
    Com<ID3D11BlendState> blend;
    ASSERT_EQ(dev->CreateBlendState(&desc, blend.out()), S_OK);
    const FLOAT background[4] = {0.2f, 0.4f, 0.6f, 0.5f};
    ctx->ClearRenderTargetView(targetView.get(), background);
    ctx->OMSetBlendState(blend.get(), nullptr, 0xffffffffu);
    draw(fullScreen(0.5f), {1.0f, 0.5f, 0.25f, 0.5f});
    Rgba8 p = texel(pixels(), kSize, 5, 5);
    // source * source alpha + destination * destination alpha
    EXPECT_NEAR(p.r, 0.6 * 255, 1.0);
    EXPECT_NEAR(p.g, 0.45 * 255, 1.0);
    EXPECT_NEAR(p.b, 0.425 * 255, 1.0);
    EXPECT_NEAR(p.a, 0.5 * 255, 1.0);
    draw(fullScreen(0.5f), {1.0f, 0.5f, 0.25f, 0.5f});  // blending ended with ClearState
    EXPECT_TRUE(is(texel(pixels(), kSize, 5, 5), {1.0f, 0.5f, 0.25f, 0.5f}));
}

TEST_F(DrawTest, DrawsLineListsLineStripsAndPointLists) {
    // Row 10's centre is at clip y = 1 - 2 * 10.5 / 32.
    const float row10 = 1.0f - 2.0f * 10.5f / kSize, column16 = 2.0f * 16.5f / kSize - 1.0f;
    draw({{-1, row10, 0.5f, 1}, {1, row10, 0.5f, 1}}, kRed, D3D11_PRIMITIVE_TOPOLOGY_LINELIST);
    std::vector<uint8_t> image = pixels();
    int lit = 0;
    for (UINT x = 0; x < kSize; ++x) lit += is(texel(image, kSize, x, 10), kRed);
    EXPECT_GE(lit, 30);
    EXPECT_TRUE(isClear(texel(image, kSize, 16, 9)));
    EXPECT_TRUE(isClear(texel(image, kSize, 16, 11)));

    const float row25 = 1.0f - 2.0f * 25.5f / kSize, row20 = 1.0f - 2.0f * 20.5f / kSize;
    draw({{column16, row20, 0.5f, 1}, {column16, row25, 0.5f, 1}, {1, row25, 0.5f, 1}}, kGreen,
         D3D11_PRIMITIVE_TOPOLOGY_LINESTRIP);
    image = pixels();
    EXPECT_TRUE(is(texel(image, kSize, 16, 22), kGreen)) << "first segment";
    EXPECT_TRUE(is(texel(image, kSize, 24, 25), kGreen)) << "second segment";
    EXPECT_TRUE(isClear(texel(image, kSize, 20, 22))) << "a strip is not closed";

    // Points are one pixel, whatever the vertex shader says about their size.
    const float pixel3 = 2.0f * 3.5f / kSize;
    draw({{-1 + pixel3, 1 - pixel3, 0.5f, 1}, {1 - pixel3, -1 + pixel3, 0.5f, 1}}, kBlue,
         D3D11_PRIMITIVE_TOPOLOGY_POINTLIST);
    image = pixels();
    EXPECT_TRUE(is(texel(image, kSize, 3, 3), kBlue));
    EXPECT_TRUE(is(texel(image, kSize, 28, 28), kBlue));
    EXPECT_TRUE(isClear(texel(image, kSize, 4, 3)));
    EXPECT_TRUE(isClear(texel(image, kSize, 3, 4)));
}

TEST_F(DrawTest, VertexAndPixelStagesHaveTheirOwnRegisters) {
    // The vertex shader reads corners (t0), colours (t1) and Move (b0); the
    // pixel shader reads image (t0), Tint (b0) and a sampler (s0).
    std::vector<uint8_t> texels(kSize * kSize * 4);
    for (UINT y = 0; y < kSize; ++y)
        for (UINT x = 0; x < kSize; ++x) {
            uint8_t* p = &texels[(y * kSize + x) * 4];
            p[0] = uint8_t(8 * x);
            p[1] = uint8_t(8 * y);
            p[2] = 100;
            p[3] = 255;
        }
    D3D11_SUBRESOURCE_DATA data{texels.data(), kSize * 4, 0};
    auto image = makeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, kSize, kSize, D3D11_BIND_SHADER_RESOURCE, 1, 1, 0, &data);
    auto imageView = srv(image.get());
    Float4 tint{0.5f, 1, 1, 1};
    auto tintBuffer = makeConstantBuffer(&tint, sizeof(tint));
    auto pointSampler = sampler(D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_CLAMP);
    auto textured = pixelShader("Textured.ps");

    // Moved off by half the screen horizontally: only the right half is drawn.
    bindVertices(fullScreen(0.5f), std::vector<Float4>(6, kRed), {1, 0, 0, 0});
    ctx->PSSetShader(textured.get(), nullptr, 0);
    ctx->PSSetShaderResources(0, 1, imageView.address());
    ctx->PSSetConstantBuffers(0, 1, tintBuffer.address());
    ctx->PSSetSamplers(0, 1, pointSampler.address());
    bindTarget();
    ctx->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    ctx->Draw(6, 0);
    ctx->ClearState();

    std::vector<uint8_t> out = pixels();
    EXPECT_TRUE(isClear(texel(out, kSize, 10, 10))) << "the vertex shader's offset applies";
    for (UINT y : {0u, 13u, 31u}) {
        for (UINT x : {16u, 20u, 31u}) {
            Rgba8 p = texel(out, kSize, x, y);
            EXPECT_NEAR(p.r, 4 * x, 1) << x << "," << y;
            EXPECT_EQ(p.g, 8 * y) << x << "," << y;
            EXPECT_EQ(p.b, 100);
        }
    }
}

TEST_F(DrawTest, PixelShaderWritesAReadWriteBufferAfterItsTarget) {
    auto hits = makeBuffer((1 + kSize) * 4, D3D11_BIND_UNORDERED_ACCESS, 4, std::vector<UINT>(1 + kSize, 0).data());
    auto hitsView = uav(hits.get());
    auto counting = pixelShader("CountPixels.ps");
    bindVertices(fullScreen(0.5f), std::vector<Float4>(6, kGreen));
    ctx->PSSetShader(counting.get(), nullptr, 0);
    UINT keep = 0xffffffffu;
    ctx->OMSetRenderTargetsAndUnorderedAccessViews(1, targetView.address(), nullptr, 1, 1, hitsView.address(), &keep);
    D3D11_VIEWPORT viewport{0, 0, float(kSize), float(kSize), 0, 1};
    ctx->RSSetViewports(1, &viewport);
    ctx->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    ctx->Draw(6, 0);
    ctx->ClearState();
    std::vector<UINT> counts = readBuffer<UINT>(hits.get());
    EXPECT_EQ(counts[0], kSize * kSize);
    for (UINT y = 0; y < kSize; ++y) EXPECT_EQ(counts[1 + y], kSize) << "row " << y;
    EXPECT_TRUE(is(texel(pixels(), kSize, 3, 3), kGreen));
}

TEST_F(DrawTest, ObjectsReleasedRightAfterTheirDrawLiveUntilTheGpuIsDone) {
    {
        auto shaderVs = vertexShader("Triangles.vs");
        auto shaderPs = pixelShader("Color.ps");
        auto corners = fullScreen(0.5f);
        std::vector<Float4> colors(6, kBlue);
        auto cornerBuffer = makeBuffer(6 * 16, D3D11_BIND_SHADER_RESOURCE, 16, corners.data());
        auto colorBuffer = makeBuffer(6 * 16, D3D11_BIND_SHADER_RESOURCE, 16, colors.data());
        Float4 move{};
        auto moveBuffer = makeConstantBuffer(&move, sizeof(move));
        auto cornerView = srv(cornerBuffer.get());
        auto colorView = srv(colorBuffer.get());
        ID3D11ShaderResourceView* views[2] = {cornerView.get(), colorView.get()};
        ctx->VSSetShader(shaderVs.get(), nullptr, 0);
        ctx->VSSetShaderResources(0, 2, views);
        ctx->VSSetConstantBuffers(0, 1, moveBuffer.address());
        ctx->PSSetShader(shaderPs.get(), nullptr, 0);
        bindTarget();
        ctx->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        ctx->Draw(6, 0);
        ctx->ClearState();
    }  // buffers, views and shaders are gone before the draw is even submitted
    ctx->Flush();
    EXPECT_TRUE(is(texel(pixels(), kSize, 16, 16), kBlue));
}

TEST_F(DrawTest, SkipsDrawsWithoutTheirInputs) {
    DebugLines log;
    ctx->PSSetShader(ps.get(), nullptr, 0);
    bindTarget();
    ctx->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    ctx->Draw(3, 0);
    EXPECT_TRUE(log.contains("Draw skipped: no vertex shader is bound"));
    ctx->VSSetShader(vs.get(), nullptr, 0);
    ctx->Draw(3, 0);
    EXPECT_TRUE(log.contains("Draw skipped: no constant buffer is bound at b0 ('Move') of the vertex shader"))
        << log.all();
    ctx->ClearState();
    EXPECT_TRUE(isClear(texel(pixels(), kSize, 16, 16)));
}

}  // namespace
}  // namespace gputest
