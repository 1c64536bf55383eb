// Shader programs and binding by reflected names, on the GPU: every resource
// kind reaches the shader under its declared name, targets and depth bind by
// semantic, the viewport follows the target unless overridden, and the
// framework's messages and failures come out as described.
#include <array>
#include <cstring>

#include "RendererTestSupport.h"
#include "render/GpuResources.h"

namespace rendertest {
namespace {

using namespace tolmero;
using namespace tolmero::gpu;

struct Float4 {
    float x, y, z, w;
    bool operator==(const Float4&) const = default;
};

struct Params {
    Float4 scale;
    std::uint32_t pick[4];
};

constexpr float kClear = 0.25f;

class ShaderBinding : public RendererTest {
protected:
    // An 8-bit RGBA render target with its depth target, both cleared.
    struct Targets {
        ID3D11Texture2D* colour;
        ID3D11Texture2D* depth;
    };
    Targets makeTargets(std::uint32_t width, std::uint32_t height) {
        Targets t{createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, width, height,
                                D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE, 0),
                  createTexture(DXGI_FORMAT_D32_FLOAT, width, height, D3D11_BIND_DEPTH_STENCIL, 0)};
        clearTarget(t.colour, {kClear, kClear, kClear, 1.0f});
        clearDepth(t.depth, 1.0f, 0);
        return t;
    }

    ID3D11Buffer* makeCounter() {
        return createStructuredBuffer(std::vector<std::uint32_t>{0},
                                      D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0);
    }

    // Which pixels of an 8-bit target hold the red channel `red` (255 * value).
    static std::vector<std::string> rowsOf(const std::vector<std::uint8_t>& pixels, std::uint32_t width,
                                           std::uint32_t height, std::uint8_t red) {
        std::vector<std::string> rows;
        for (std::uint32_t y = 0; y < height; ++y) {
            std::string row;
            for (std::uint32_t x = 0; x < width; ++x) row += pixels[(y * width + x) * 4] == red ? '#' : '.';
            rows.push_back(row);
        }
        return rows;
    }

    void SetUp() override {
        RendererTest::SetUp();
        loadTestShader("HalfQuads.hlsl:main:vs_5_0", "HalfQuads.vs");
        loadTestShader("Flat.hlsl:main:ps_5_0", "Flat.ps");
    }
};

TEST_F(ShaderBinding, ComputeReadsEveryReadOnlyKindByName) {
    loadTestShader("ReadEverything.hlsl:main:cs_5_0", "ReadEverything.cs");
    const Params params{{1.5f, -2.0f, 3.25f, 4.0f}, {1, 0, 2, 2}};
    ID3D11Buffer* constants = createConstantBuffer(params);
    ID3D11SamplerState* sampler =
        createSampler(D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_CLAMP, D3D11_COMPARISON_NEVER);

    // 2 x 2 image: row 0 = (10, 20), row 1 = (30, 40) in the red channel.
    ID3D11Texture2D* image = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 2, 2, D3D11_BIND_SHADER_RESOURCE, 0);
    const std::uint8_t texels[16] = {10, 0, 0, 255, 20, 0, 0, 255, 30, 0, 0, 255, 40, 0, 0, 255};
    context()->UpdateSubresource(image, 0, nullptr, texels, 8, 16);

    // 2 x 2 x 3 array: value = 100 * slice + 10 * y + x.
    ID3D11Texture2D* layers =
        createTextureArray(DXGI_FORMAT_R32_FLOAT, 2, 2, 3, D3D11_BIND_SHADER_RESOURCE, 0);
    for (UINT slice = 0; slice < 3; ++slice) {
        const float values[4] = {100.0f * slice, 100.0f * slice + 1, 100.0f * slice + 10, 100.0f * slice + 11};
        context()->UpdateSubresource(layers, D3D11CalcSubresource(0, slice, 1), nullptr, values, 8, 16);
    }

    ID3D11Buffer* values = createStructuredBuffer(
        std::vector<Float4>{{0, 0, 0, 0}, {1, 1, 1, 1}, {7.0f, 8.0f, 9.0f, 10.0f}}, D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* output = createStructuredBufferUninitialized(4, D3D11_BIND_UNORDERED_ACCESS, 0);

    dispatch("ReadEverything.hlsl:main:cs_5_0", 1, 1, 1,
             {bindingEntry("Params", constants), bindingEntry("pointSampler", sampler), bindingEntry("image", image),
              bindingEntry("layers", layers), bindingEntry("values", values), bindingEntry("output", output)});

    const auto result = readBack<Float4>(output, 0, 4);
    EXPECT_EQ(result[0], (Float4{1.5f, -2.0f, 3.25f, 4.0f}));
    EXPECT_NEAR(result[1].x, 20.0f / 255.0f, 1e-6f);  // row 0 is the top row of the image
    EXPECT_EQ(result[2].x, 201.0f);                    // slice 2, y 0, x 1
    EXPECT_EQ(result[3], (Float4{7.0f, 8.0f, 9.0f, 10.0f}));
}

TEST_F(ShaderBinding, ComputeWritesTextureAndTextureArrayAtU0AndU1) {
    loadTestShader("WriteImages.hlsl:main:cs_5_0", "WriteImages.cs");
    const UINT readWrite = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS;
    ID3D11Texture2D* plane = createTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, 4, 4, readWrite, 0);
    ID3D11Texture2D* planes = createTextureArray(DXGI_FORMAT_R32_FLOAT, 4, 4, 2, readWrite, 0);

    dispatch("WriteImages.hlsl:main:cs_5_0", 1, 1, 1, {bindingEntry("plane", plane), bindingEntry("planes", planes)});

    const auto texels = readBack<Float4>(plane, 0, 16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(texels[y * 4 + x], (Float4{float(x), float(y), 1.0f, 2.0f})) << x << "," << y;
    for (UINT slice = 0; slice < 2; ++slice) {
        const auto values = readBack<float>(planes, D3D11CalcSubresource(0, slice, 1), 16);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(values[y * 4 + x], x + 10.0f * y + 100.0f * slice);
    }
}

TEST_F(ShaderBinding, DrawBindsTargetDepthAndPixelUavByName) {
    const Targets targets = makeTargets(8, 4);
    ID3D11Buffer* counter = makeCounter();
    struct Placement {
        float depth, unused[3];
    };
    // Red at depth 0.5, then green behind it at 0.7, then blue in front at 0.3.
    const std::array<std::pair<float, Float4>, 3> draws = {
        {{0.5f, {1, 0, 0, 1}}, {0.7f, {0, 1, 0, 1}}, {0.3f, {0, 0, 1, 1}}}};
    for (const auto& [depth, colour] : draws) {
        ID3D11Buffer* placement = createConstantBuffer(Placement{depth, {}});
        ID3D11Buffer* colourBuffer = createConstantBuffer(colour);
        draw("HalfQuads.hlsl:main:vs_5_0", "Flat.hlsl:main:ps_5_0", "", "", "", 12,
             {bindingEntry("SV_Target", targets.colour), bindingEntry("SV_Depth", targets.depth),
              bindingEntry("Placement", placement), bindingEntry("Colour", colourBuffer),
              bindingEntry("counter", counter)},
             D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        releaseObject(placement);
        releaseObject(colourBuffer);
    }

    const auto pixels = readBack<std::uint8_t>(targets.colour, 0, 8 * 4 * 4);
    // Only the clockwise quad over the top half is drawn: row 0 is the top,
    // clip space is y-up, counter-clockwise triangles are culled.
    std::vector<std::string> blue;
    for (std::uint32_t y = 0; y < 4; ++y) {
        std::string row;
        for (std::uint32_t x = 0; x < 8; ++x) {
            const std::uint8_t* p = &pixels[(y * 8 + x) * 4];
            row += p[2] == 255 && p[0] == 0 && p[1] == 0 ? '#' : p[0] == 64 && p[2] == 64 ? '.' : '?';
        }
        blue.push_back(row);
    }
    EXPECT_EQ(blue, (std::vector<std::string>{"########", "########", "........", "........"}));
    // Every draw shaded the 16 pixels of the top half and nothing else.
    EXPECT_EQ(readBack<std::uint32_t>(counter, 0, 1)[0], 3u * 16u);
}

TEST_F(ShaderBinding, ViewportFollowsTheTargetUnlessGiven) {
    ID3D11Buffer* colour = createConstantBuffer(Float4{1, 0, 0, 1});
    ID3D11Buffer* counter = makeCounter();
    // No viewport: the blit quad covers whichever target it draws into.
    for (auto [width, height] : {std::pair<UINT, UINT>{8, 4}, {16, 2}}) {
        const Targets targets = makeTargets(width, height);
        draw("BlitVertex.hlsl:main:vs_5_0", "Flat.hlsl:main:ps_5_0", "", "", "", 6,
             {bindingEntry("SV_Target", targets.colour), bindingEntry("SV_Depth", targets.depth),
              bindingEntry("Colour", colour), bindingEntry("counter", counter)},
             D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        const auto pixels = readBack<std::uint8_t>(targets.colour, 0, width * height * 4);
        EXPECT_EQ(rowsOf(pixels, width, height, 255), std::vector<std::string>(height, std::string(width, '#')))
            << width << " x " << height;
    }
    EXPECT_EQ(readBack<std::uint32_t>(counter, 0, 1)[0], 8u * 4u + 16u * 2u);

    // An explicit viewport at (2, 1), 4 x 2 replaces the target's.
    const Targets targets = makeTargets(8, 4);
    draw("BlitVertex.hlsl:main:vs_5_0", "Flat.hlsl:main:ps_5_0", "", "", "", 6,
         {bindingEntry("SV_Target", targets.colour), bindingEntry("Colour", colour), bindingEntry("counter", counter)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST, 2, 1, 4, 2);
    const auto pixels = readBack<std::uint8_t>(targets.colour, 0, 8 * 4 * 4);
    EXPECT_EQ(rowsOf(pixels, 8, 4, 255), (std::vector<std::string>{"........", "..####..", "..####..", "........"}));
}

TEST_F(ShaderBinding, RasterizerStateLastsUntilTheDrawsReset) {
    ID3D11Buffer* colour = createConstantBuffer(Float4{1, 0, 0, 1});
    ID3D11Buffer* placement = createConstantBuffer(Float4{0.5f, 0, 0, 0});
    ID3D11Buffer* counter = makeCounter();
    const std::size_t owned = currentRenderer()->ownedObjects.size();
    D3D11_RASTERIZER_DESC noCulling{};
    noCulling.FillMode = D3D11_FILL_SOLID;
    noCulling.CullMode = D3D11_CULL_NONE;
    noCulling.DepthClipEnable = TRUE;
    setRasterizerState(noCulling);
    EXPECT_EQ(currentRenderer()->ownedObjects.size(), owned) << "the state object is not registered";

    std::vector<std::vector<std::string>> pictures;
    for (int pass = 0; pass < 2; ++pass) {  // the second draw runs with the default state again
        const Targets targets = makeTargets(8, 4);
        draw("HalfQuads.hlsl:main:vs_5_0", "Flat.hlsl:main:ps_5_0", "", "", "", 12,
             {bindingEntry("SV_Target", targets.colour), bindingEntry("Placement", placement),
              bindingEntry("Colour", colour), bindingEntry("counter", counter)},
             D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        pictures.push_back(rowsOf(readBack<std::uint8_t>(targets.colour, 0, 8 * 4 * 4), 8, 4, 255));
    }
    EXPECT_EQ(pictures[0], std::vector<std::string>(4, "########"));
    EXPECT_EQ(pictures[1], (std::vector<std::string>{"########", "########", "........", "........"}));
}

TEST_F(ShaderBinding, FirstEntryOfANameWins) {
    ID3D11Buffer* first = createConstantBuffer(Float4{1, 0, 0, 1});
    ID3D11Buffer* second = createConstantBuffer(Float4{0, 1, 0, 1});
    const BindingList list{bindingEntry("Colour", first), bindingEntry("Colour", second)};
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.at("Colour"), first);
}

TEST_F(ShaderBinding, ShaderCacheIsKeyedByTheNameAfterTheDirectory) {
    const std::uint64_t before = shaderResourceReads();
    const ShaderProgram first = loadShader("shaders/GridPixel.hlsl:main:ps_5_0");
    ASSERT_NE(first.shader, nullptr);
    EXPECT_EQ(shaderResourceReads(), before + 1);
    const ShaderProgram second = loadShader("C:\\work\\GridPixel.hlsl:main:ps_5_0");
    const ShaderProgram third = loadShader("GridPixel.hlsl:main:ps_5_0");
    EXPECT_EQ(shaderResourceReads(), before + 1) << "a cached key read its resource again";
    EXPECT_EQ(second.shader, first.shader);
    EXPECT_EQ(third.shader, first.shader);
    EXPECT_EQ(currentRenderer()->shaderCache.count("GridPixel.hlsl:main:ps_5_0"), 1u);

    const ShaderProgram empty = loadShader("");
    EXPECT_EQ(empty.shader, nullptr);
    EXPECT_TRUE(empty.resources.empty());
    EXPECT_TRUE(empty.outputs.empty());
}

TEST_F(ShaderBinding, ReflectionRecordsOfALoadedProgram) {
    const ShaderProgram pixel = loadShader("Flat.hlsl:main:ps_5_0");
    ASSERT_EQ(pixel.outputs.size(), 1u);
    EXPECT_STREQ(pixel.outputs[0].SemanticName, "SV_Target");
    EXPECT_EQ(pixel.outputs[0].Register, 0u);
    ASSERT_EQ(pixel.resources.size(), 2u);
    EXPECT_STREQ(pixel.resources[0].Name, "Colour");
    EXPECT_EQ(pixel.resources[0].Type, D3D_SIT_CBUFFER);
    EXPECT_STREQ(pixel.resources[1].Name, "counter");
    EXPECT_EQ(pixel.resources[1].Type, D3D_SIT_UAV_RWSTRUCTURED);
    EXPECT_EQ(pixel.resources[1].BindPoint, 1u);
}

TEST_F(ShaderBinding, MalformedNamesAndTargetsAreReported) {
    DebugCapture debug;
    const ShaderProgram oneColon = loadShaderFromBlob("Flat.hlsl:ps_5_0", testShaderBlob("Flat.ps"));
    EXPECT_EQ(debug.count("Invalid shader name string! Should be path.hlsl:entrypoint:buildtarget"), 1);
    EXPECT_NE(oneColon.shader, nullptr) << "the target after the last colon still selects the stage";

    const ShaderProgram badTarget = loadShaderFromBlob("Flat.hlsl:main:xs_5_0", testShaderBlob("Flat.ps"));
    EXPECT_EQ(debug.count("Shader target xs_5_0 not supported!"), 1);
    EXPECT_EQ(badTarget.shader, nullptr);
    EXPECT_EQ(debug.count("Invalid shader name string! Should be path.hlsl:entrypoint:buildtarget"), 1);
}

TEST_F(ShaderBinding, ResourceArraysAreReportedOncePerRecord) {
    const ShaderProgram program = loadTestShader("ArrayBinding.hlsl:main:cs_5_0", "ArrayBinding.cs");
    ASSERT_EQ(program.resources.size(), 2u);
    EXPECT_EQ(program.resources[0].BindCount, 2u);
    ID3D11Texture2D* image = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 1, 1, D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* output = createStructuredBufferUninitialized(1, D3D11_BIND_UNORDERED_ACCESS, 0);
    DebugCapture debug;
    bindProgram(program, {bindingEntry("images", image), bindingEntry("output", output)}, kComputeStage);
    context()->ClearState();
    EXPECT_EQ(debug.count("... this never happened during clinical tests."), 1);
}

TEST_F(ShaderBinding, DebugNamesOfShadersAndViews) {
    const ShaderProgram program = loadShader("Flat.hlsl:main:ps_5_0");
    char name[64] = {};
    UINT size = sizeof name;
    ASSERT_EQ(program.shader->GetPrivateData(WKPDID_D3DDebugObjectName, &size, name), S_OK);
    EXPECT_EQ(std::string(name, size), "Shader 'Flat.hlsl:main:ps_5_0'");
}

using ShaderBindingDeathTest = ShaderBinding;

TEST_F(ShaderBindingDeathTest, MissingNameEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Nothing catches the lookup's exception: the process ends through
    // std::terminate, as the production's would.
    const auto dispatchWithoutParams = []() noexcept {
        rendertest::loadTestShader("ReadEverything.hlsl:main:cs_5_0", "ReadEverything.cs");
        ID3D11Buffer* output = createStructuredBufferUninitialized(4, D3D11_BIND_UNORDERED_ACCESS, 0);
        dispatch("ReadEverything.hlsl:main:cs_5_0", 1, 1, 1, {bindingEntry("output", output)});
    };
    EXPECT_DEATH(dispatchWithoutParams(), "out_of_range");
}

}  // namespace
}  // namespace rendertest
