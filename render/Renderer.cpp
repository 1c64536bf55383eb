#include "render/Renderer.h"

#include <cstdio>
#include <memory>

#include "render/Profiler.h"

namespace tolmero {
namespace {

std::unique_ptr<Renderer>& current() {
    static std::unique_ptr<Renderer> renderer;
    return renderer;
}

template <class T>
void releaseAndClear(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

Renderer* install(std::unique_ptr<Renderer> renderer) {
    // The new renderer becomes current first; only then does the old one go.
    std::unique_ptr<Renderer> previous = std::move(current());
    current() = std::move(renderer);
    if (previous) previous->teardown();
    previous.reset();
    // The glyph bitmaps of "Arial" and "Segoe UI Emoji", built once the new
    // renderer is current (the image loads go to it).
    current()->glyphAtlas = buildGlyphAtlas(kTextFontFamily, kEmojiFontFamily);
    return current().get();
}

}  // namespace

Renderer::~Renderer() { teardown(); }

bool Renderer::create(std::uint32_t width, std::uint32_t height, int mode, const std::string& title,
                      bool headlessRenderer) {
    using namespace gpu;
    headless = headlessRenderer;
    if (!headless && !window.create(width, height, mode, title)) return false;

    DXGI_SWAP_CHAIN_DESC desc{};
    desc.BufferDesc.Width = width;
    desc.BufferDesc.Height = height;
    desc.BufferDesc.RefreshRate = {60, 1};
    desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
    desc.BufferDesc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE;
    desc.BufferDesc.Scaling = DXGI_MODE_SCALING_UNSPECIFIED;
    desc.SampleDesc = {1, 0};
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 3;
    desc.OutputWindow = headless ? nullptr : window.handle();
    desc.Windowed = TRUE;  // full screen is entered below
    desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
    desc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;

    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0};
    const HRESULT created = D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, levels, 1,
                                                          D3D11_SDK_VERSION, &desc, &swapChain, &device, nullptr,
                                                          &context);
    if (FAILED(created) || !swapChain || !device || !context) {
        const char* why = lastCreationError();
        std::fprintf(stderr, "tolmero: no usable Vulkan device: %s\n",
                     why && *why ? why : "the device or its swap chain could not be created");
        teardown();
        return false;
    }

    swapChain->ResizeBuffers(0, width, height, DXGI_FORMAT_UNKNOWN, DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH);
    if (device->GetFeatureLevel() < D3D_FEATURE_LEVEL_11_0) debugOutput("DX11.0 not supported :(");
    if (!headless && mode == 0) {
        swapChain->SetFullscreenState(TRUE, nullptr);
        swapChain->ResizeBuffers(0, width, height, DXGI_FORMAT_UNKNOWN, DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH);
    }
    swapChain->GetBuffer(0, &backBuffer);

    // The first frame's timing starts here.
    beginProfiledFrame(*this);
    return true;
}

bool Renderer::endFrame() {
    using namespace gpu;
    profilerMark("this log");
    profilerMark("end");
    context->End(disjointQuery);

    const HRESULT presented = swapChain->Present(0, 0);
    if (presented != S_OK) {
        // Anything but S_OK, an occluded window included: no report of this frame.
        debugOutput("Present failed!");
        endProfiledFrame(*this, false);
        context->ClearState();
    } else {
        endProfiledFrame(*this, true);
    }
    // The report of the frame two frames back, whose timestamps are written
    // by now (or soon): the GPU goes on with the newer ones meanwhile.
    reportProfiledFrames(*this);

    // The next frame's timing starts here.
    beginProfiledFrame(*this);

    if (headless) return true;
    const bool running = window.pumpMessages();

    if (window.input.keyPressed[kVirtualKeyF11]) {
        if (window.mode() == 0) {
            window.setMode(1);
            swapChain->SetFullscreenState(FALSE, nullptr);
        } else {
            window.setMode(0);
            swapChain->SetFullscreenState(TRUE, nullptr);
        }
        // The buffers keep the requested size in both modes.
        swapChain->ResizeBuffers(0, window.width(), window.height(), DXGI_FORMAT_R8G8B8A8_UNORM_SRGB,
                                 DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH);
    }
    return running;
}

void Renderer::teardown() {
    using namespace gpu;
    if (context) context->ClearState();
    if (swapChain) swapChain->SetFullscreenState(FALSE, nullptr);
    discardProfilerSections(*this);
    for (IUnknown* object : ownedObjects) object->Release();
    ownedObjects.clear();
    for (auto& [key, program] : shaderCache)
        if (program.shader) program.shader->Release();
    shaderCache.clear();
    releaseAndClear(backBuffer);
    releaseAndClear(swapChain);
    releaseAndClear(device);
    releaseAndClear(context);
    report.clear();
    lastSectionTimes.clear();
    glyphAtlas = GlyphAtlas{};
    window.destroy();
}

Renderer* createRenderer(std::uint32_t width, std::uint32_t height, int mode, const std::string& title) {
    auto renderer = std::make_unique<Renderer>();
    if (!renderer->create(width, height, mode, title, false)) return nullptr;
    return install(std::move(renderer));
}

Renderer* createHeadlessRenderer(std::uint32_t width, std::uint32_t height) {
    auto renderer = std::make_unique<Renderer>();
    if (!renderer->create(width, height, 1, "Tolmero", true)) return nullptr;
    return install(std::move(renderer));
}

Renderer* currentRenderer() { return current().get(); }

void destroyRenderer() {
    std::unique_ptr<Renderer> renderer = std::move(current());
    if (renderer) renderer->teardown();
}

bool endFrame() { return current()->endFrame(); }

gpu::ID3D11Device* device() { return current()->device; }
gpu::ID3D11DeviceContext* context() { return current()->context; }
gpu::ID3D11Texture2D* backBuffer() { return current()->backBuffer; }

bool readBackBuffer(std::vector<std::uint8_t>& rgba, std::uint32_t& width, std::uint32_t& height) {
    Renderer* renderer = currentRenderer();
    if (!renderer || !renderer->swapChain) return false;
    return gpu::SUCCEEDED(renderer->swapChain->ReadBackBuffer(&rgba, &width, &height));
}

std::uint32_t maxImageDimension2D() { return current()->device->GetMaxImageDimension2D(); }

bool probeDevice(DeviceProbe& probe) {
    using namespace gpu;
    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0};
    ID3D11Device* dev = nullptr;
    ID3D11DeviceContext* ctx = nullptr;
    // The probe is silent: the caller reports, and the renderer's own device
    // announces itself later. The debug channel goes back to standard error.
    setDebugOutput([](std::string_view) {});
    const HRESULT created = D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, levels, 1,
                                              D3D11_SDK_VERSION, &dev, nullptr, &ctx);
    setDebugOutput({});
    if (FAILED(created) || !dev) {
        const char* why = lastCreationError();
        probe.error = why && *why ? why : "the device could not be created";
        if (ctx) ctx->Release();
        return false;
    }
    probe.adapterName = dev->GetAdapterName();
    probe.maxImageDimension2D = dev->GetMaxImageDimension2D();
    ctx->Release();
    dev->Release();
    return true;
}

}  // namespace tolmero
