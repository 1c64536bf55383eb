// The window swap chain on an SDL window (run under Xvfb): presenting,
// full-screen switches, resizing.
#include <SDL2/SDL.h>

#include "GpuTestSupport.h"

namespace gputest {
namespace {

class WindowSwapChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window = SDL_CreateWindow("gpu test", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 96, 64,
                                  SDL_WINDOW_VULKAN | SDL_WINDOW_RESIZABLE);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        validationBefore = validationMessageCount();
        DXGI_SWAP_CHAIN_DESC desc{};
        desc.BufferDesc = {96, 64, {60, 1}, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE,
                           DXGI_MODE_SCALING_UNSPECIFIED};
        desc.SampleDesc = {1, 0};
        desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
        desc.BufferCount = 3;
        desc.OutputWindow = window;
        desc.Windowed = TRUE;
        desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
        desc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
        ASSERT_EQ(D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, D3D11_CREATE_DEVICE_DEBUG,
                                                nullptr, 0, D3D11_SDK_VERSION, &desc, chain.out(), dev.out(), nullptr,
                                                ctx.out()),
                  S_OK)
            << lastCreationError();
    }

    void TearDown() override {
        ctx.reset();
        chain.reset();
        dev.reset();
        EXPECT_EQ(validationMessageCount(), validationBefore);
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();
    }

    // Clears the back buffer and presents; returns Present's result.
    HRESULT frame(float red) {
        Com<ID3D11Texture2D> back;
        EXPECT_EQ(chain->GetBuffer(0, back.out()), S_OK);
        Com<ID3D11RenderTargetView> view;
        EXPECT_EQ(dev->CreateRenderTargetView(back.get(), nullptr, view.out()), S_OK);
        const FLOAT color[4] = {red, 0.5f, 0.25f, 1.0f};
        ctx->ClearRenderTargetView(view.get(), color);
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        return chain->Present(0, 0);
    }

    SDL_Window* window = nullptr;
    UINT validationBefore = 0;
    Com<IDXGISwapChain> chain;
    Com<ID3D11Device> dev;
    Com<ID3D11DeviceContext> ctx;
};

TEST_F(WindowSwapChainTest, PresentsThroughResizesAndFullScreenSwitches) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(frame(0.1f * i), S_OK) << "frame " << i;

    ASSERT_EQ(chain->SetFullscreenState(TRUE, nullptr), S_OK);
    ASSERT_EQ(chain->ResizeBuffers(0, 96, 64, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH),
              S_OK);
    BOOL fullscreen = FALSE;
    chain->GetFullscreenState(&fullscreen, nullptr);
    EXPECT_TRUE(fullscreen);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(frame(0.5f), S_OK) << "full-screen frame " << i;
    // The buffers keep the requested size; the window does not.
    Com<ID3D11Texture2D> back;
    ASSERT_EQ(chain->GetBuffer(0, back.out()), S_OK);
    D3D11_TEXTURE2D_DESC desc;
    back->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 96u);

    ASSERT_EQ(chain->SetFullscreenState(FALSE, nullptr), S_OK);
    ASSERT_EQ(chain->ResizeBuffers(0, 96, 64, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH),
              S_OK);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(frame(0.9f), S_OK) << "windowed frame " << i;

    SDL_SetWindowSize(window, 120, 70);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(frame(0.3f), S_OK) << "frame after a resize " << i;
}

}  // namespace
}  // namespace gputest
