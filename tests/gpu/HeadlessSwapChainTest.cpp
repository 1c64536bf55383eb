// The headless swap chain: an offscreen sRGB back buffer, presented by
// submitting, read back as 8-bit sRGB rows.
#include "GpuTestSupport.h"

#include <cstdlib>

namespace gputest {
namespace {

// One device and swap chain for the whole suite; the tests run in order.
class HeadlessSwapChainTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        validationBefore = validationMessageCount();
        DXGI_SWAP_CHAIN_DESC desc{};
        desc.BufferDesc = {64, 32, {60, 1}, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE,
                           DXGI_MODE_SCALING_UNSPECIFIED};
        desc.SampleDesc = {1, 0};
        desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
        desc.BufferCount = 3;
        desc.OutputWindow = nullptr;
        desc.Windowed = TRUE;
        desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
        desc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
        const D3D_FEATURE_LEVEL wanted = D3D_FEATURE_LEVEL_11_0;
        created = D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, D3D11_CREATE_DEVICE_DEBUG,
                                                &wanted, 1, D3D11_SDK_VERSION, &desc, &chain, &dev, &level, &ctx);
    }

    static void TearDownTestSuite() {
        for (IUnknown* o : {static_cast<IUnknown*>(ctx), static_cast<IUnknown*>(chain), static_cast<IUnknown*>(dev)})
            if (o) o->Release();
        ctx = nullptr;
        chain = nullptr;
        dev = nullptr;
        EXPECT_EQ(validationMessageCount(), validationBefore);
    }

    void SetUp() override { ASSERT_EQ(created, S_OK) << lastCreationError(); }

    // Clears the back buffer to a linear colour and draws nothing else.
    void clear(const FLOAT (&linear)[4]) {
        Com<ID3D11Texture2D> back;
        ASSERT_EQ(chain->GetBuffer(0, back.out()), S_OK);
        Com<ID3D11RenderTargetView> view;
        ASSERT_EQ(dev->CreateRenderTargetView(back.get(), nullptr, view.out()), S_OK);
        ctx->ClearRenderTargetView(view.get(), linear);
    }

    static inline HRESULT created = E_FAIL;
    static inline UINT validationBefore = 0;
    static inline IDXGISwapChain* chain = nullptr;
    static inline ID3D11Device* dev = nullptr;
    static inline ID3D11DeviceContext* ctx = nullptr;
    static inline D3D_FEATURE_LEVEL level{};
};

TEST_F(HeadlessSwapChainTest, PresentsAnSrgbBackBufferThatReadsBack) {
    EXPECT_EQ(level, D3D_FEATURE_LEVEL_11_0) << dev->GetMissingFeatures();
    EXPECT_EQ(dev->GetFeatureLevel(), D3D_FEATURE_LEVEL_11_0);
    EXPECT_STRNE(dev->GetAdapterName(), "");

    Com<ID3D11Texture2D> back;
    ASSERT_EQ(chain->GetBuffer(0, back.out()), S_OK);
    D3D11_TEXTURE2D_DESC desc;
    back->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 64u);
    EXPECT_EQ(desc.Height, 32u);
    EXPECT_EQ(desc.Format, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB);

    // Linear values are encoded to sRGB on the way into the back buffer.
    clear({0.5f, 0.25f, 1.0f, 1.0f});
    ASSERT_EQ(chain->Present(0, 0), S_OK);
    std::vector<BYTE> rgba;
    UINT width = 0, height = 0;
    ASSERT_EQ(chain->ReadBackBuffer(&rgba, &width, &height), S_OK);
    ASSERT_EQ(rgba.size(), size_t(64 * 32 * 4));
    EXPECT_EQ(width, 64u);
    EXPECT_EQ(height, 32u);
    for (UINT i : {0u, 64u * 32u / 2u, 64u * 32u - 1u}) {
        EXPECT_NEAR(rgba[i * 4 + 0], 188, 1);
        EXPECT_NEAR(rgba[i * 4 + 1], 137, 1);
        EXPECT_EQ(rgba[i * 4 + 2], 255);
        EXPECT_EQ(rgba[i * 4 + 3], 255);
    }
    for (int frame = 0; frame < 5; ++frame) EXPECT_EQ(chain->Present(0, 0), S_OK);
}

TEST_F(HeadlessSwapChainTest, ResizingKeepsTheBackBufferObject) {
    EXPECT_EQ(validationMessageCount(), validationBefore);
    Com<ID3D11Texture2D> before;
    ASSERT_EQ(chain->GetBuffer(0, before.out()), S_OK);
    ASSERT_EQ(chain->ResizeBuffers(0, 16, 8, DXGI_FORMAT_UNKNOWN, DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH), S_OK);
    Com<ID3D11Texture2D> after;
    ASSERT_EQ(chain->GetBuffer(0, after.out()), S_OK);
    EXPECT_EQ(before.get(), after.get());
    D3D11_TEXTURE2D_DESC desc;
    after->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 16u);
    EXPECT_EQ(desc.Height, 8u);
    DXGI_SWAP_CHAIN_DESC chainDesc;
    ASSERT_EQ(chain->GetDesc(&chainDesc), S_OK);
    EXPECT_EQ(chainDesc.BufferDesc.Width, 16u);

    clear({0, 0, 0, 1});
    ASSERT_EQ(chain->Present(0, 0), S_OK);
    std::vector<BYTE> rgba;
    ASSERT_EQ(chain->ReadBackBuffer(&rgba, nullptr, nullptr), S_OK);
    EXPECT_EQ(rgba.size(), size_t(16 * 8 * 4));
    EXPECT_EQ(rgba[0], 0);
    EXPECT_EQ(rgba[3], 255);

    EXPECT_EQ(chain->ResizeBuffers(0, 16, 8, DXGI_FORMAT_R16G16B16A16_FLOAT, 0), E_INVALIDARG);
    EXPECT_EQ(chain->SetFullscreenState(TRUE, nullptr), S_OK);
    BOOL fullscreen = FALSE;
    EXPECT_EQ(chain->GetFullscreenState(&fullscreen, nullptr), S_OK);
    EXPECT_TRUE(fullscreen);
}

TEST(NoVulkanDevice, CreationFailsWithAClearMessage) {
    // A loader that finds no driver: no device, an error result, one message.
    setenv("VK_ICD_FILENAMES", "/nonexistent/no_icd.json", 1);
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    DebugLines log;
    HRESULT hr = D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                   &device, nullptr, &context);
    unsetenv("VK_ICD_FILENAMES");
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(context, nullptr);
    EXPECT_STRNE(lastCreationError(), "");
    EXPECT_TRUE(log.contains(std::string("GPU device: ") + lastCreationError())) << log.all();
}

}  // namespace
}  // namespace gputest
