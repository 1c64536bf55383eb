// CPU cost of the framework's binding by name on a warm pipeline cache: one
// `draw` with six bound names and one `dispatch` with four, each with its
// view creation, binding and closing ClearState. Runs headless on the
// preferred Vulkan device; the GPU work is drained outside the timed region.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "render/GpuResources.h"
#include "render/Renderer.h"
#include "render/ShaderProgram.h"

namespace {

using namespace tolmero;
using namespace tolmero::gpu;

struct Float4 {
    float x, y, z, w;
};

// The benchmark's shaders are the render tests' (tests/render/shaders).
void loadBenchShader(const std::string& key, const std::string& file) {
    std::ifstream in(std::string(RENDER_TEST_SHADER_DIR) + "/" + file + ".spv", std::ios::binary);
    const std::vector<std::uint8_t> blob{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    loadShaderFromBlob(key, blob);
}

bool setUp() {
    if (currentRenderer()) return true;
    if (!createHeadlessRenderer(64, 64)) return false;
    loadBenchShader("SixBindings.hlsl:main:ps_5_0", "SixBindings.ps");
    loadBenchShader("FourBindings.hlsl:main:cs_5_0", "FourBindings.cs");
    return true;
}

// Drains the recorded work every so often, outside the timed region, so that
// the batch and the views waiting for it stay small.
template <class Body>
void runTimed(benchmark::State& state, Body body) {
    std::size_t sinceDrain = 0;
    for (auto _ : state) {
        body();
        if (++sinceDrain == 256) {
            state.PauseTiming();
            endFrame();
            sinceDrain = 0;
            state.ResumeTiming();
        }
    }
    endFrame();
}

void BM_DrawSixBindings(benchmark::State& state) {
    if (!setUp()) return state.SkipWithError("no Vulkan device");
    ID3D11Texture2D* target =
        createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 8, 8, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Texture2D* depth = createTexture(DXGI_FORMAT_D32_FLOAT, 8, 8, D3D11_BIND_DEPTH_STENCIL, 0);
    ID3D11Texture2D* image = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 8, 8, D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* colour = createConstantBuffer(Float4{1, 1, 1, 1});
    ID3D11Buffer* tints = createStructuredBuffer(std::vector<Float4>{{1, 1, 1, 1}}, D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11SamplerState* sampler =
        createSampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_COMPARISON_ALWAYS);
    const BindingList bindings{bindingEntry("SV_Target", target), bindingEntry("SV_Depth", depth),
                               bindingEntry("Colour", colour),    bindingEntry("linearSampler", sampler),
                               bindingEntry("image", image),      bindingEntry("tints", tints)};
    const auto once = [&] {
        draw("BlitVertex.hlsl:main:vs_5_0", "SixBindings.hlsl:main:ps_5_0", "", "", "", 6, bindings,
             D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    };
    once();  // compiles the pipeline: the timed draws find it cached
    endFrame();
    runTimed(state, once);
}
BENCHMARK(BM_DrawSixBindings)->Unit(benchmark::kMicrosecond);

void BM_DispatchFourBindings(benchmark::State& state) {
    if (!setUp()) return state.SkipWithError("no Vulkan device");
    ID3D11Texture2D* image = createTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 8, 8, D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* params = createConstantBuffer(Float4{1, 2, 3, 4});
    ID3D11Buffer* values =
        createStructuredBuffer(std::vector<Float4>(64, Float4{1, 1, 1, 1}), D3D11_BIND_SHADER_RESOURCE, 0);
    ID3D11Buffer* output = createStructuredBufferUninitialized(64, D3D11_BIND_UNORDERED_ACCESS, 0);
    const BindingList bindings{bindingEntry("Params", params), bindingEntry("image", image),
                               bindingEntry("values", values), bindingEntry("output", output)};
    const auto once = [&] { dispatch("FourBindings.hlsl:main:cs_5_0", 1, 1, 1, bindings); };
    once();
    endFrame();
    runTimed(state, once);
}
BENCHMARK(BM_DispatchFourBindings)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
