#pragma once
// The one object through which the production reaches the GPU: the window,
// the device, its immediate context and swap chain, the profiler's state, the
// GPU objects made by the creation operations, the shader cache, the glyph
// atlas and the resource registry.
//
// The process has one current Renderer; every framework operation (shader
// binding, resource creation, profiler marks) acts on it without being passed
// one.

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gpu/D3D11.h"
#include "render/AppWindow.h"
#include "render/GlyphAtlas.h"
#include "render/ResourceTable.h"
#include "render/ShaderProgram.h"

namespace tolmero {


// One profiler section of the current frame: its name and the timestamp
// written when it was marked.
struct ProfilerSection {
    std::string name;
    gpu::ID3D11Query* query = nullptr;
};

// Time from one section's mark to the next, measured on the GPU.
struct SectionTiming {
    std::string name;
    double milliseconds = 0.0;
};

// The queries of one ended frame that the profiler has not reported yet.
struct ProfiledFrame {
    gpu::ID3D11Query* disjointQuery = nullptr;
    gpu::ID3D11Query* frameStartQuery = nullptr;
    std::vector<ProfilerSection> sections;
};

class Renderer {
public:
    Renderer() = default;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;
    ~Renderer();

    // Opens the window (or, headless, makes an offscreen swap chain), creates
    // the device and swap chain and starts the first frame's timing. Returns
    // false, after one line on standard error, when no usable device exists.
    bool create(std::uint32_t width, std::uint32_t height, int mode, const std::string& title, bool headless);

    // Presents the frame and prepares the next: profiler report, present,
    // message pump, F11. False once the quit message has arrived; a headless
    // renderer pumps nothing and always returns true.
    bool endFrame();

    // Releases everything the renderer owns, in the order of construction
    // reversed as far as the objects depend on one another.
    void teardown();

    // The fields, in this order.
    AppWindow window;
    gpu::ID3D11Query* disjointQuery = nullptr;
    gpu::ID3D11Query* frameStartQuery = nullptr;
    std::vector<ProfilerSection> sections;
    std::string report;
    gpu::IDXGISwapChain* swapChain = nullptr;
    gpu::ID3D11Device* device = nullptr;
    gpu::ID3D11DeviceContext* context = nullptr;
    gpu::ID3D11Texture2D* backBuffer = nullptr;
    std::set<gpu::IUnknown*> ownedObjects;
    std::map<std::string, ShaderProgram> shaderCache;
    GlyphAtlas glyphAtlas;
    ResourceRegistry registry;

    // Beyond the production's fields: the frames whose timestamps the GPU
    // may still be writing (the profiler reports a frame two frames later,
    // so that the CPU never waits on the frame it has just submitted), the
    // per-section times of the last reported frame, every reported frame's
    // while `collectSectionTimes` is set (for `tolmero bench`), and whether
    // there is a window.
    std::deque<ProfiledFrame> unreportedFrames;
    std::vector<SectionTiming> lastSectionTimes;
    double lastFrameTotalMs = 0.0;
    bool collectSectionTimes = false;
    std::vector<std::vector<SectionTiming>> collectedSectionTimes;
    bool headless = false;
};

// Makes a new Renderer with a window of the given client size, mode (1
// windowed, 0 full-screen) and title, makes it the current one and only then
// tears down the one that was current. Returns the new renderer, or nullptr
// (after one line on standard error, leaving the current one in place) when
// no window or no usable Vulkan device is available.
Renderer* createRenderer(std::uint32_t width, std::uint32_t height, int mode, const std::string& title);

// The same without a window: the back buffer is an offscreen
// R8G8B8A8_UNORM_SRGB texture that can be read back (`readBackBuffer`).
Renderer* createHeadlessRenderer(std::uint32_t width, std::uint32_t height);

// The current renderer, or nullptr before the first createRenderer.
Renderer* currentRenderer();

// Tears the current renderer down and frees it; there is no current renderer
// afterwards. The production never calls it (its objects go with the process);
// tests and commands that need an orderly end do.
void destroyRenderer();

// endFrame of the current renderer.
bool endFrame();

// Fields of the current renderer, without an added reference.
gpu::ID3D11Device* device();
gpu::ID3D11DeviceContext* context();
gpu::ID3D11Texture2D* backBuffer();

// The back buffer's pixels as 8-bit sRGB RGBA rows, top row first, after
// everything recorded so far has finished on the GPU.
bool readBackBuffer(std::vector<std::uint8_t>& rgba, std::uint32_t& width, std::uint32_t& height);

// The largest width or height of a 2D image on the current device.
std::uint32_t maxImageDimension2D();

// What the device that a renderer would get can do, asked without opening a
// window or making a renderer. Quiet: while it runs, the debug channel's lines
// are dropped; afterwards the channel writes to standard error again.
struct DeviceProbe {
    std::string adapterName;
    std::uint32_t maxImageDimension2D = 0;
    std::string error;  // why there is no usable device
};
bool probeDevice(DeviceProbe& probe);

}  // namespace tolmero
