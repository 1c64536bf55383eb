#include "gpu/SwapChain.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_vulkan.h>

#include <algorithm>

namespace tolmero::gpu::detail {

namespace {

constexpr size_t kAcquireSemaphores = 4;
constexpr size_t kFramesInFlight = 2;

bool backBufferFormat(DXGI_FORMAT format) {
    return format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB || format == DXGI_FORMAT_R8G8B8A8_UNORM ||
           format == DXGI_FORMAT_B8G8R8A8_UNORM_SRGB || format == DXGI_FORMAT_B8G8R8A8_UNORM;
}

}  // namespace

HRESULT SwapChainImpl::create(DeviceImpl& device, const DXGI_SWAP_CHAIN_DESC& desc, SwapChainImpl** out) {
    DXGI_SWAP_CHAIN_DESC d = desc;
    if (d.BufferDesc.Format == DXGI_FORMAT_UNKNOWN) d.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
    if (!backBufferFormat(d.BufferDesc.Format)) {
        debugOutput(std::string("CreateSwapChain: back-buffer format ") + formatName(d.BufferDesc.Format) +
                    " is not supported");
        return E_INVALIDARG;
    }
    if (d.SampleDesc.Count > 1) {
        debugOutput("CreateSwapChain: multisampled back buffers are not supported");
        return E_INVALIDARG;
    }
    if (d.OutputWindow) {
        int w = 0, h = 0;
        SDL_Vulkan_GetDrawableSize(d.OutputWindow, &w, &h);
        if (d.BufferDesc.Width == 0) d.BufferDesc.Width = static_cast<UINT>(std::max(w, 1));
        if (d.BufferDesc.Height == 0) d.BufferDesc.Height = static_cast<UINT>(std::max(h, 1));
    } else if (d.BufferDesc.Width == 0 || d.BufferDesc.Height == 0) {
        debugOutput("CreateSwapChain: a headless swap chain needs a width and a height");
        return E_INVALIDARG;
    }
    if (d.BufferCount == 0) d.BufferCount = 2;

    SwapChainImpl* chain = new SwapChainImpl(device, d);
    HRESULT hr = chain->createBackBuffer();
    if (SUCCEEDED(hr) && chain->window_) {
        for (size_t i = 0; i < kAcquireSemaphores && SUCCEEDED(hr); ++i) {
            auto info = vkStruct<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
            VkSemaphore semaphore = VK_NULL_HANDLE;
            VkResult r = vkCreateSemaphore(chain->core_.device, &info, nullptr, &semaphore);
            if (r != VK_SUCCESS) hr = reportVk(r, "vkCreateSemaphore");
            chain->acquires_.push_back({semaphore, 0});
        }
        if (SUCCEEDED(hr)) hr = chain->recreate();
        if (SUCCEEDED(hr) && !d.Windowed) hr = chain->SetFullscreenState(TRUE, nullptr);
    }
    if (FAILED(hr)) {
        chain->Release();
        return hr;
    }
    *out = chain;
    return S_OK;
}

SwapChainImpl::SwapChainImpl(DeviceImpl& device, const DXGI_SWAP_CHAIN_DESC& desc)
    : device_(device), core_(device.core()), desc_(desc), window_(desc.OutputWindow) {
    device_.AddRef();
}

SwapChainImpl::~SwapChainImpl() {
    if (window_) {
        core_.waitIdle();
        vkDeviceWaitIdle(core_.device);
        destroySwapchain();
        for (Acquire& a : acquires_) vkDestroySemaphore(core_.device, a.semaphore, nullptr);
    }
    backBuffer_.reset();
    device_.Release();
}

ULONG SwapChainImpl::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT SwapChainImpl::createBackBuffer() {
    D3D11_TEXTURE2D_DESC t{};
    t.Width = desc_.BufferDesc.Width;
    t.Height = desc_.BufferDesc.Height;
    t.MipLevels = 1;
    t.ArraySize = 1;
    t.Format = desc_.BufferDesc.Format;
    t.SampleDesc = {1, 0};
    t.Usage = D3D11_USAGE_DEFAULT;
    t.BindFlags = D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE;
    TextureImpl* texture = nullptr;
    HRESULT hr = TextureImpl::create(core_, t, nullptr, &texture);
    if (FAILED(hr)) return hr;
    backBuffer_.reset(texture);
    texture->Release();  // backBuffer_ holds the reference
    texture->SetDebugName("Back buffer");
    return S_OK;
}

HRESULT SwapChainImpl::GetBuffer(UINT buffer, ID3D11Texture2D** texture) {
    if (!texture) return E_POINTER;
    *texture = nullptr;
    if (buffer != 0) {
        debugOutput("GetBuffer: only buffer 0, the back buffer, can be fetched");
        return DXGI_ERROR_INVALID_CALL;
    }
    *texture = backBuffer_.get();
    backBuffer_->AddRef();
    return S_OK;
}

HRESULT SwapChainImpl::GetDesc(DXGI_SWAP_CHAIN_DESC* desc) {
    if (!desc) return E_INVALIDARG;
    *desc = desc_;
    desc->Windowed = fullscreen_ ? FALSE : TRUE;
    return S_OK;
}

HRESULT SwapChainImpl::GetFullscreenState(BOOL* fullscreen, IUnknown** target) {
    if (fullscreen) *fullscreen = fullscreen_ ? TRUE : FALSE;
    if (target) *target = nullptr;
    return S_OK;
}

HRESULT SwapChainImpl::SetFullscreenState(BOOL fullscreen, IUnknown* /*target*/) {
    if (window_) {
        // Full screen is the desktop's mode: the window covers the screen and
        // Present stretches the back buffer over it.
        if (SDL_SetWindowFullscreen(window_, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
            debugOutput(std::string("SetFullscreenState: ") + SDL_GetError());
            return DXGI_ERROR_NOT_CURRENTLY_AVAILABLE;
        }
        dirty_ = true;
    }
    fullscreen_ = fullscreen != FALSE;
    return S_OK;
}

HRESULT SwapChainImpl::ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format, UINT flags) {
    if (format != DXGI_FORMAT_UNKNOWN && format != desc_.BufferDesc.Format) {
        debugOutput(std::string("ResizeBuffers: the back buffer stays ") + formatName(desc_.BufferDesc.Format) +
                    "; it cannot change to " + formatName(format));
        return E_INVALIDARG;
    }
    if (width == 0 || height == 0) {
        if (window_) {
            int w = 0, h = 0;
            SDL_Vulkan_GetDrawableSize(window_, &w, &h);
            if (width == 0) width = static_cast<UINT>(std::max(w, 1));
            if (height == 0) height = static_cast<UINT>(std::max(h, 1));
        } else {
            if (width == 0) width = desc_.BufferDesc.Width;
            if (height == 0) height = desc_.BufferDesc.Height;
        }
    }
    const VkPhysicalDeviceLimits& limits = core_.properties.limits;
    if (width > limits.maxImageDimension2D || height > limits.maxImageDimension2D) {
        debugOutput("ResizeBuffers: " + std::to_string(width) + " x " + std::to_string(height) +
                    " exceeds the device's largest image");
        return E_INVALIDARG;
    }
    if (bufferCount) desc_.BufferCount = bufferCount;
    desc_.Flags = flags;
    if (width != desc_.BufferDesc.Width || height != desc_.BufferDesc.Height) {
        if (HRESULT hr = backBuffer_->reallocate(width, height); FAILED(hr)) return hr;
        desc_.BufferDesc.Width = width;
        desc_.BufferDesc.Height = height;
    }
    dirty_ = true;
    return S_OK;
}

HRESULT SwapChainImpl::ReadBackBuffer(std::vector<BYTE>* rgba, UINT* width, UINT* height) {
    if (!rgba) return E_INVALIDARG;
    const D3D11_TEXTURE2D_DESC& d = backBuffer_->desc();
    rgba->resize(size_t(d.Width) * d.Height * 4);
    HRESULT hr = device_.context().ReadSubresource(backBuffer_.get(), 0, rgba->data(), rgba->size());
    if (FAILED(hr)) return hr;
    if (d.Format == DXGI_FORMAT_B8G8R8A8_UNORM || d.Format == DXGI_FORMAT_B8G8R8A8_UNORM_SRGB) {
        for (size_t i = 0; i < rgba->size(); i += 4) std::swap((*rgba)[i], (*rgba)[i + 2]);
    }
    if (width) *width = d.Width;
    if (height) *height = d.Height;
    return S_OK;
}

void SwapChainImpl::pace() {
    presented_.push_back(core_.recordingSerial() - 1);  // the batch just submitted
    while (presented_.size() > kFramesInFlight) {
        core_.waitFor(presented_.front());
        presented_.pop_front();
    }
}

HRESULT SwapChainImpl::Present(UINT /*syncInterval*/, UINT /*flags*/) {
    if (core_.deviceLost) return DXGI_ERROR_DEVICE_REMOVED;
    HRESULT hr = window_ ? presentToWindow() : S_OK;
    if (!window_) {
        core_.submit();
        pace();
    }
    if (core_.deviceLost) return DXGI_ERROR_DEVICE_REMOVED;
    return hr;
}

// --------------------------------------------------------------------------
// Window presentation

void SwapChainImpl::destroySwapchain() {
    for (VkSemaphore s : renderFinished_) vkDestroySemaphore(core_.device, s, nullptr);
    renderFinished_.clear();
    images_.clear();
    if (swapchain_) vkDestroySwapchainKHR(core_.device, swapchain_, nullptr);
    swapchain_ = VK_NULL_HANDLE;
}

HRESULT SwapChainImpl::recreate() {
    VkSurfaceCapabilitiesKHR caps{};
    VkResult r = vkGetPhysicalDeviceSurfaceCapabilitiesKHR(core_.physical, core_.surface, &caps);
    if (r != VK_SUCCESS) return reportVk(r, "vkGetPhysicalDeviceSurfaceCapabilitiesKHR");
    VkExtent2D extent = caps.currentExtent;
    if (extent.width == 0xffffffffu) {
        int w = 0, h = 0;
        SDL_Vulkan_GetDrawableSize(window_, &w, &h);
        extent.width = std::clamp(static_cast<uint32_t>(std::max(w, 0)), caps.minImageExtent.width,
                                  caps.maxImageExtent.width);
        extent.height = std::clamp(static_cast<uint32_t>(std::max(h, 0)), caps.minImageExtent.height,
                                   caps.maxImageExtent.height);
    }

    // Nothing may still use the old swap chain's images or semaphores.
    core_.waitIdle();
    vkDeviceWaitIdle(core_.device);
    if (extent.width == 0 || extent.height == 0) {
        destroySwapchain();
        dirty_ = true;  // try again at the next Present
        return S_OK;
    }

    uint32_t count = 0;
    vkGetPhysicalDeviceSurfaceFormatsKHR(core_.physical, core_.surface, &count, nullptr);
    std::vector<VkSurfaceFormatKHR> formats(count);
    vkGetPhysicalDeviceSurfaceFormatsKHR(core_.physical, core_.surface, &count, formats.data());
    if (formats.empty()) return reportVk(VK_ERROR_FORMAT_NOT_SUPPORTED, "vkGetPhysicalDeviceSurfaceFormatsKHR");
    VkSurfaceFormatKHR chosen = formats[0];
    bool srgb = false;
    for (VkFormat wanted : {VK_FORMAT_B8G8R8A8_SRGB, VK_FORMAT_R8G8B8A8_SRGB}) {
        for (const VkSurfaceFormatKHR& f : formats) {
            if (!srgb && f.format == wanted && f.colorSpace == VK_COLOR_SPACE_SRGB_NONLINEAR_KHR) {
                chosen = f;
                srgb = true;
            }
        }
    }
    if (!srgb) debugOutput("Swap chain: the window offers no sRGB format; colours will look too dark");

    vkGetPhysicalDeviceSurfacePresentModesKHR(core_.physical, core_.surface, &count, nullptr);
    std::vector<VkPresentModeKHR> modes(count);
    vkGetPhysicalDeviceSurfacePresentModesKHR(core_.physical, core_.surface, &count, modes.data());
    VkPresentModeKHR mode = VK_PRESENT_MODE_FIFO_KHR;  // always available
    for (VkPresentModeKHR wanted : {VK_PRESENT_MODE_MAILBOX_KHR, VK_PRESENT_MODE_IMMEDIATE_KHR}) {
        if (std::find(modes.begin(), modes.end(), wanted) != modes.end()) mode = wanted;
    }

    if (!(caps.supportedUsageFlags & VK_IMAGE_USAGE_TRANSFER_DST_BIT)) {
        debugOutput("Swap chain: the window's images cannot be copied to");
        return E_FAIL;
    }
    uint32_t images = std::max(caps.minImageCount, std::max<uint32_t>(desc_.BufferCount, 2));
    if (caps.maxImageCount) images = std::min(images, caps.maxImageCount);
    VkCompositeAlphaFlagBitsKHR alpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
    if (!(caps.supportedCompositeAlpha & alpha)) {
        for (uint32_t bit = 1; bit <= VK_COMPOSITE_ALPHA_INHERIT_BIT_KHR; bit <<= 1) {
            if (caps.supportedCompositeAlpha & bit) {
                alpha = static_cast<VkCompositeAlphaFlagBitsKHR>(bit);
                break;
            }
        }
    }

    auto info = vkStruct<VkSwapchainCreateInfoKHR>(VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR);
    info.surface = core_.surface;
    info.minImageCount = images;
    info.imageFormat = chosen.format;
    info.imageColorSpace = chosen.colorSpace;
    info.imageExtent = extent;
    info.imageArrayLayers = 1;
    info.imageUsage = VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.preTransform = caps.currentTransform;
    info.compositeAlpha = alpha;
    info.presentMode = mode;
    info.clipped = VK_TRUE;
    info.oldSwapchain = swapchain_;
    VkSwapchainKHR created = VK_NULL_HANDLE;
    r = vkCreateSwapchainKHR(core_.device, &info, nullptr, &created);
    destroySwapchain();
    if (r != VK_SUCCESS) return reportVk(r, "vkCreateSwapchainKHR");
    swapchain_ = created;
    format_ = chosen.format;
    extent_ = extent;

    vkGetSwapchainImagesKHR(core_.device, swapchain_, &count, nullptr);
    images_.resize(count);
    vkGetSwapchainImagesKHR(core_.device, swapchain_, &count, images_.data());
    for (uint32_t i = 0; i < count; ++i) {
        auto semaphoreInfo = vkStruct<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
        VkSemaphore semaphore = VK_NULL_HANDLE;
        if ((r = vkCreateSemaphore(core_.device, &semaphoreInfo, nullptr, &semaphore)) != VK_SUCCESS)
            return reportVk(r, "vkCreateSemaphore");
        renderFinished_.push_back(semaphore);
    }
    VkFormatProperties props;
    vkGetPhysicalDeviceFormatProperties(core_.physical, format_, &props);
    canBlit_ = (props.optimalTilingFeatures & VK_FORMAT_FEATURE_BLIT_DST_BIT) != 0;
    dirty_ = false;
    return S_OK;
}

void SwapChainImpl::recordCopyToImage(VkImage image) {
    VkCommandBuffer cmd = core_.commands();
    auto barrier = vkStruct<VkImageMemoryBarrier2>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2);
    barrier.srcStageMask = kEveryStageUsed;
    barrier.srcAccessMask = VK_ACCESS_2_NONE;
    barrier.dstStageMask = VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT;
    barrier.dstAccessMask = VK_ACCESS_2_TRANSFER_WRITE_BIT;
    barrier.oldLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    barrier.newLayout = VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL;
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    auto dependency = vkStruct<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
    dependency.imageMemoryBarrierCount = 1;
    dependency.pImageMemoryBarriers = &barrier;
    vkCmdPipelineBarrier2(cmd, &dependency);

    const D3D11_TEXTURE2D_DESC& d = backBuffer_->desc();
    bool sameSize = d.Width == extent_.width && d.Height == extent_.height;
    if (sameSize && backBuffer_->vkFormat() == format_) {
        VkImageCopy region{};
        region.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
        region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
        region.extent = {d.Width, d.Height, 1};
        vkCmdCopyImage(cmd, backBuffer_->image(), VK_IMAGE_LAYOUT_GENERAL, image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                       1, &region);
    } else if (canBlit_) {
        VkImageBlit blit{};
        blit.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
        blit.srcOffsets[1] = {static_cast<int32_t>(d.Width), static_cast<int32_t>(d.Height), 1};
        blit.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
        blit.dstOffsets[1] = {static_cast<int32_t>(extent_.width), static_cast<int32_t>(extent_.height), 1};
        vkCmdBlitImage(cmd, backBuffer_->image(), VK_IMAGE_LAYOUT_GENERAL, image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                       1, &blit, sameSize ? VK_FILTER_NEAREST : VK_FILTER_LINEAR);
    } else {
        debugOutput("Present: the window's images cannot be blitted to; the frame stays blank");
        VkClearColorValue black{};
        VkImageSubresourceRange range{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
        vkCmdClearColorImage(cmd, image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, &black, 1, &range);
    }

    barrier.srcStageMask = VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT;
    barrier.srcAccessMask = VK_ACCESS_2_TRANSFER_WRITE_BIT;
    barrier.dstStageMask = VK_PIPELINE_STAGE_2_NONE;
    barrier.dstAccessMask = VK_ACCESS_2_NONE;
    barrier.oldLayout = VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL;
    barrier.newLayout = VK_IMAGE_LAYOUT_PRESENT_SRC_KHR;
    vkCmdPipelineBarrier2(cmd, &dependency);
    // Later writes to the back buffer wait for the copy's reads.
    core_.fullBarrier();
    backBuffer_->lastUse = core_.recordingSerial();
}

HRESULT SwapChainImpl::presentToWindow() {
    if (dirty_) {
        if (HRESULT hr = recreate(); FAILED(hr)) return hr;
    }
    if (!swapchain_) {
        core_.submit();
        pace();
        return DXGI_STATUS_OCCLUDED;
    }

    uint32_t index = 0;
    Acquire* acquire = nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        acquire = &acquires_[nextAcquire_];
        if (acquire->serial) core_.waitFor(acquire->serial);
        VkResult r = vkAcquireNextImageKHR(core_.device, swapchain_, UINT64_MAX, acquire->semaphore, VK_NULL_HANDLE,
                                           &index);
        if (r == VK_SUCCESS || r == VK_SUBOPTIMAL_KHR) {
            if (r == VK_SUBOPTIMAL_KHR) dirty_ = true;
            break;
        }
        if (r != VK_ERROR_OUT_OF_DATE_KHR) return reportVk(r, "vkAcquireNextImageKHR");
        if (HRESULT hr = recreate(); FAILED(hr)) return hr;
        acquire = nullptr;
        if (!swapchain_) break;
    }
    if (!acquire) {
        // The window changed under us twice, or has no area now: drop the frame.
        core_.submit();
        pace();
        return swapchain_ ? S_OK : DXGI_STATUS_OCCLUDED;
    }
    nextAcquire_ = (nextAcquire_ + 1) % acquires_.size();

    recordCopyToImage(images_[index]);
    acquire->serial = core_.recordingSerial();
    Core::SubmitSync sync;
    sync.wait = acquire->semaphore;
    sync.waitStages = VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT;
    sync.signal = renderFinished_[index];
    core_.submit(&sync);
    pace();

    auto info = vkStruct<VkPresentInfoKHR>(VK_STRUCTURE_TYPE_PRESENT_INFO_KHR);
    info.waitSemaphoreCount = 1;
    info.pWaitSemaphores = &renderFinished_[index];
    info.swapchainCount = 1;
    info.pSwapchains = &swapchain_;
    info.pImageIndices = &index;
    VkResult r = vkQueuePresentKHR(core_.queue, &info);
    if (r == VK_ERROR_OUT_OF_DATE_KHR || r == VK_SUBOPTIMAL_KHR) {
        dirty_ = true;
    } else if (r != VK_SUCCESS) {
        HRESULT hr = reportVk(r, "vkQueuePresentKHR");
        return r == VK_ERROR_SURFACE_LOST_KHR ? DXGI_ERROR_DEVICE_REMOVED : hr;
    }
    return S_OK;
}

}  // namespace tolmero::gpu::detail
