// Swap chains. The back buffer (buffer 0) is always an ordinary texture of the
// device, R8G8B8A8_UNORM_SRGB unless another format is asked for, owned by the
// swap chain and stable for its whole life (ResizeBuffers gives it new storage
// in place). Present copies it to the window: it acquires a Vulkan swap-chain
// image, blits the back buffer onto it (stretching when the window's size
// differs from the buffers', as after a full-screen switch) and queues it for
// presentation. A headless swap chain has no window: Present only submits the
// frame, and the back buffer can be read back.
#pragma once

#include <deque>
#include <vector>

#include "gpu/Device.h"

namespace tolmero::gpu::detail {

class SwapChainImpl final : public IDXGISwapChain {
public:
    static HRESULT create(DeviceImpl& device, const DXGI_SWAP_CHAIN_DESC& desc, SwapChainImpl** out);

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    HRESULT Present(UINT syncInterval, UINT flags) override;
    HRESULT GetBuffer(UINT buffer, ID3D11Texture2D** texture) override;
    HRESULT SetFullscreenState(BOOL fullscreen, IUnknown* target) override;
    HRESULT GetFullscreenState(BOOL* fullscreen, IUnknown** target) override;
    HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC* desc) override;
    HRESULT ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format, UINT flags) override;
    HRESULT ReadBackBuffer(std::vector<BYTE>* rgba, UINT* width, UINT* height) override;

private:
    SwapChainImpl(DeviceImpl& device, const DXGI_SWAP_CHAIN_DESC& desc);
    ~SwapChainImpl() override;

    HRESULT createBackBuffer();
    // (Re)creates the Vulkan swap chain at the window's current size; leaves
    // none while the window has no area.
    HRESULT recreate();
    void destroySwapchain();
    HRESULT presentToWindow();
    void recordCopyToImage(VkImage image);
    // Keeps at most two presented frames in flight.
    void pace();

    ULONG refs_ = 1;
    DeviceImpl& device_;
    Core& core_;
    DXGI_SWAP_CHAIN_DESC desc_;
    Ref<TextureImpl> backBuffer_;
    bool fullscreen_ = false;
    std::deque<uint64_t> presented_;

    // Window presentation.
    SDL_Window* window_ = nullptr;
    VkSwapchainKHR swapchain_ = VK_NULL_HANDLE;
    VkFormat format_ = VK_FORMAT_UNDEFINED;
    VkExtent2D extent_{};
    bool canBlit_ = false;
    bool dirty_ = true;
    std::vector<VkImage> images_;
    std::vector<VkSemaphore> renderFinished_;  // one per swap-chain image
    struct Acquire {
        VkSemaphore semaphore = VK_NULL_HANDLE;
        uint64_t serial = 0;  // the batch that waits on it
    };
    std::vector<Acquire> acquires_;
    size_t nextAcquire_ = 0;
};

}  // namespace tolmero::gpu::detail
