// GPU time of the landscape's heavy passes on the current device: the random
// fields (target: 8 s or less on the CPU device, start-up only), one particle
// step, the squeeze and the bloom at 1920 x 1080; and the CPU reference's
// height-field slice that CPU-side terrain queries fill once.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <vector>

#include "app/CameraConstant.h"
#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "scene/Finishing.h"
#include "scene/Particles.h"
#include "scene/RandomFields.h"
#include "reference/RandomReference.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;

// One headless renderer and its fields for all benchmarks.
struct BenchGpu {
    SceneResources scene;
    ID3D11Buffer* fence = nullptr;  // read back to wait for the GPU
    bool ready = false;

    BenchGpu() {
        if (!createHeadlessRenderer(64, 64)) return;
        scene.randoms = createRandomFields();
        scene.linearSampler = createSampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP,
                                            D3D11_COMPARISON_NEVER);
        fence = createStructuredBufferUninitialized(1, D3D11_BIND_SHADER_RESOURCE, 0);
        ready = true;
    }
    void wait() {
        std::array<float, 4> value{};
        context()->ReadSubresource(fence, 0, value.data(), sizeof(value));
    }
};

BenchGpu& gpuState() {
    static BenchGpu state;
    return state;
}

void BM_GenerateRandomFields(benchmark::State& state) {
    BenchGpu& gpu = gpuState();
    if (!gpu.ready) return state.SkipWithError("no GPU device");
    for (auto _ : state) {
        generateRandomFields(gpu.scene);
        gpu.wait();
    }
}
BENCHMARK(BM_GenerateRandomFields)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_SimulateFlames(benchmark::State& state) {
    BenchGpu& gpu = gpuState();
    if (!gpu.ready) return state.SkipWithError("no GPU device");
    generateRandomFields(gpu.scene);
    ID3D11Buffer* particles = createParticleBuffer();
    CameraConstant camera;
    camera.scene = 3;
    camera.resetParticles = 1;
    gpu.scene.logo = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 1, 1, D3D11_BIND_SHADER_RESOURCE, 0);
    for (auto _ : state) {
        camera.time += 0.03f;
        gpu.scene.camera = createConstantBuffer(camera);
        simulateParticles(gpu.scene, particles);
        releaseObject(gpu.scene.camera);
        camera.resetParticles = 0;
        gpu.wait();
    }
    releaseObject(gpu.scene.logo);
    releaseObject(particles);
}
BENCHMARK(BM_SimulateFlames)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

SceneResources windowTargets(std::uint32_t factor) {
    SceneResources scene;
    scene.windowWidth = 1920;
    scene.windowHeight = 1080;
    scene.supersampleX = scene.supersampleY = factor;
    scene.renderWidth = 1920 * factor;
    scene.renderHeight = 1080 * factor;
    const std::uint32_t binds = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET | D3D11_BIND_UNORDERED_ACCESS;
    scene.sceneColour = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, scene.renderWidth, scene.renderHeight, binds, 0);
    scene.result = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 1920, 1080, binds, 0);
    scene.bloom = createTexture(DXGI_FORMAT_R16G16B16A16_FLOAT, 1920, 1080, binds, 0);
    scene.bloomColumns = createTexture(DXGI_FORMAT_R16G16B16A16_FLOAT, 1920, 1080, binds, 0);
    scene.squeezeConstants = createSqueezeConstants(factor, factor);
    clearTarget(scene.sceneColour, {0.3f, 0.5f, 0.7f, 1.0f});
    clearTarget(scene.result, {0.3f, 0.5f, 0.7f, 1.0f});
    return scene;
}

void releaseTargets(SceneResources& scene) {
    for (IUnknown* object : std::initializer_list<IUnknown*>{scene.sceneColour, scene.result, scene.bloom, scene.bloomColumns,
                                                            scene.squeezeConstants, scene.camera}) {
        releaseObject(object);
    }
}

// The squeeze of a 1920x1080 window from its supersampled scene: 4x4 (the
// production's quality) and 1x1 (a plain copy, the quick captures).
void BM_Squeeze1080p(benchmark::State& state) {
    BenchGpu& gpu = gpuState();
    if (!gpu.ready) return state.SkipWithError("no GPU device");
    const auto factor = static_cast<std::uint32_t>(state.range(0));
    SceneResources scene = windowTargets(factor);
    CameraConstant camera;
    camera.screenSize[0] = scene.renderWidth;
    camera.screenSize[1] = scene.renderHeight;
    scene.camera = createConstantBuffer(camera);
    for (auto _ : state) {
        squeeze(scene);
        gpu.wait();
    }
    releaseTargets(scene);
}
BENCHMARK(BM_Squeeze1080p)->Arg(4)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_Bloom1080p(benchmark::State& state) {
    BenchGpu& gpu = gpuState();
    if (!gpu.ready) return state.SkipWithError("no GPU device");
    SceneResources scene = windowTargets(1);
    for (auto _ : state) {
        bloom(scene, 1.2f);
        gpu.wait();
    }
    releaseTargets(scene);
}
BENCHMARK(BM_Bloom1080p)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_CpuHeightFieldSlice(benchmark::State& state) {
    int slice = 0;
    for (auto _ : state) {
        // Each slice is computed once per process; a new slice per iteration.
        benchmark::DoNotOptimize(reference::randomFieldSlice(slice++ % reference::kFieldSlices).data());
    }
}
BENCHMARK(BM_CpuHeightFieldSlice)->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace

BENCHMARK_MAIN();
