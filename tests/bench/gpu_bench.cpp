// CPU cost of recording work through the GPU layer, the way the renderer binds
// by name: views made, named, bound and released for every draw or dispatch,
// then ClearState. Pipelines are warm (made in the first iteration). Every 128
// iterations the clock stops while the GPU catches up, so that the time is the
// recording's own and not the GPU's (on a CPU implementation the GPU's work
// would compete for the same cores).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gpu/D3D11.h"

using namespace tolmero::gpu;

namespace {

#ifndef GPU_TEST_SHADER_DIR
#error "GPU_TEST_SHADER_DIR must name the folder of the compiled test shaders"
#endif

std::vector<char> shaderCode(const char* name) {
    std::ifstream file(std::string(GPU_TEST_SHADER_DIR) + "/" + name + ".spv", std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

struct Gpu {
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    Gpu() {
        if (FAILED(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                     &device, nullptr, &context)))
            std::fprintf(stderr, "no GPU device: %s\n", lastCreationError());
    }
};

Gpu& gpu() {
    static Gpu g;
    return g;
}

ID3D11Buffer* buffer(UINT bytes, UINT bind, UINT stride, D3D11_USAGE usage = D3D11_USAGE_DEFAULT) {
    std::vector<char> zeros(bytes, 0);
    D3D11_BUFFER_DESC desc{bytes, usage, bind, usage == D3D11_USAGE_DYNAMIC ? UINT(D3D11_CPU_ACCESS_WRITE) : 0u,
                           stride ? UINT(D3D11_RESOURCE_MISC_BUFFER_STRUCTURED) : 0u, stride};
    D3D11_SUBRESOURCE_DATA init{zeros.data(), 0, 0};
    ID3D11Buffer* b = nullptr;
    gpu().device->CreateBuffer(&desc, &init, &b);
    return b;
}

ID3D11Texture2D* texture(DXGI_FORMAT format, UINT size, UINT slices, UINT bind) {
    D3D11_TEXTURE2D_DESC desc{size, size, 1, slices, format, {1, 0}, D3D11_USAGE_DEFAULT, bind, 0, 0};
    ID3D11Texture2D* t = nullptr;
    gpu().device->CreateTexture2D(&desc, nullptr, &t);
    return t;
}

ID3D11SamplerState* linearSampler() {
    D3D11_SAMPLER_DESC desc{D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_TEXTURE_ADDRESS_WRAP,
                            D3D11_TEXTURE_ADDRESS_WRAP, 0, 1, D3D11_COMPARISON_ALWAYS, {0, 0, 0, 0}, 0,
                            D3D11_FLOAT32_MAX};
    ID3D11SamplerState* s = nullptr;
    gpu().device->CreateSamplerState(&desc, &s);
    return s;
}

constexpr int64_t kBatch = 128;

// Submits what was recorded and waits for it, off the clock.
void catchUp(benchmark::State& state) {
    state.PauseTiming();
    D3D11_QUERY_DESC desc{D3D11_QUERY_EVENT, 0};
    ID3D11Query* done = nullptr;
    gpu().device->CreateQuery(&desc, &done);
    gpu().context->End(done);
    BOOL finished = FALSE;
    while (gpu().context->GetData(done, &finished, sizeof(finished), 0) == S_FALSE) {
    }
    done->Release();
    state.ResumeTiming();
}

// Binds a shader resource view made for this call, as the renderer does.
template <class Set>
void bindResource(ID3D11Resource* resource, const char* name, Set set) {
    ID3D11ShaderResourceView* view = nullptr;
    gpu().device->CreateShaderResourceView(resource, nullptr, &view);
    view->SetDebugName(std::string("Resource view for '") + name + "'");
    set(view);
    view->Release();
}

// Vertex stage: two structured buffers and a constant buffer; pixel stage: a
// texture, a constant buffer and a sampler; plus the render target.
void BM_DrawWithSixBindings(benchmark::State& state) {
    Gpu& g = gpu();
    if (!g.device) return state.SkipWithError("no GPU device");
    ID3D11DeviceContext* ctx = g.context;
    std::vector<char> vsCode = shaderCode("Triangles.vs"), psCode = shaderCode("Textured.ps");
    ID3D11VertexShader* vs = nullptr;
    ID3D11PixelShader* ps = nullptr;
    g.device->CreateVertexShader(vsCode.data(), vsCode.size(), nullptr, &vs);
    g.device->CreatePixelShader(psCode.data(), psCode.size(), nullptr, &ps);
    if (!vs || !ps) return state.SkipWithError("test shaders missing");
    ID3D11Buffer* corners = buffer(6 * 16, D3D11_BIND_SHADER_RESOURCE, 16);
    ID3D11Buffer* colors = buffer(6 * 16, D3D11_BIND_SHADER_RESOURCE, 16);
    ID3D11Buffer* move = buffer(16, D3D11_BIND_CONSTANT_BUFFER, 0, D3D11_USAGE_DYNAMIC);
    ID3D11Buffer* tint = buffer(16, D3D11_BIND_CONSTANT_BUFFER, 0, D3D11_USAGE_DYNAMIC);
    ID3D11Texture2D* image = texture(DXGI_FORMAT_R8G8B8A8_UNORM, 64, 1, D3D11_BIND_SHADER_RESOURCE);
    ID3D11Texture2D* target = texture(DXGI_FORMAT_R8G8B8A8_UNORM, 64, 1, D3D11_BIND_RENDER_TARGET);
    ID3D11SamplerState* sampler = linearSampler();

    for (auto _ : state) {
        ctx->VSSetShader(vs, nullptr, 0);
        bindResource(corners, "corners", [&](ID3D11ShaderResourceView* v) { ctx->VSSetShaderResources(0, 1, &v); });
        bindResource(colors, "colors", [&](ID3D11ShaderResourceView* v) { ctx->VSSetShaderResources(1, 1, &v); });
        ctx->VSSetConstantBuffers(0, 1, &move);
        ctx->PSSetShader(ps, nullptr, 0);
        bindResource(image, "image", [&](ID3D11ShaderResourceView* v) { ctx->PSSetShaderResources(0, 1, &v); });
        ctx->PSSetConstantBuffers(0, 1, &tint);
        ctx->PSSetSamplers(0, 1, &sampler);
        ID3D11RenderTargetView* rtv = nullptr;
        g.device->CreateRenderTargetView(target, nullptr, &rtv);
        rtv->SetDebugName("Render target view for 'SV_Target'");
        ctx->OMSetRenderTargetsAndUnorderedAccessViews(1, &rtv, nullptr, 1, 0, nullptr, nullptr);
        D3D11_VIEWPORT viewport{0, 0, 64, 64, 0, 1};
        ctx->RSSetViewports(1, &viewport);
        rtv->Release();
        ctx->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        ctx->Draw(6, 0);
        ctx->ClearState();
        if (state.iterations() % kBatch == kBatch - 1) catchUp(state);
    }
    g.context->Flush();
    for (IUnknown* o : std::initializer_list<IUnknown*>{vs, ps, corners, colors, move, tint, image, target, sampler})
        o->Release();
}
BENCHMARK(BM_DrawWithSixBindings);

// Constants, a sampler, a texture array and a read-write buffer.
void BM_DispatchWithFourBindings(benchmark::State& state) {
    Gpu& g = gpu();
    if (!g.device) return state.SkipWithError("no GPU device");
    ID3D11DeviceContext* ctx = g.context;
    std::vector<char> code = shaderCode("Particles.cs");
    ID3D11ComputeShader* cs = nullptr;
    g.device->CreateComputeShader(code.data(), code.size(), nullptr, &cs);
    if (!cs) return state.SkipWithError("test shader missing");
    ID3D11Buffer* step = buffer(16, D3D11_BIND_CONSTANT_BUFFER, 0, D3D11_USAGE_DYNAMIC);
    ID3D11Buffer* particles = buffer(64 * 16, D3D11_BIND_UNORDERED_ACCESS, 16);
    ID3D11Texture2D* randoms = texture(DXGI_FORMAT_R32G32B32A32_FLOAT, 16, 2, D3D11_BIND_SHADER_RESOURCE);
    ID3D11SamplerState* sampler = linearSampler();

    for (auto _ : state) {
        ctx->CSSetShader(cs, nullptr, 0);
        ctx->CSSetConstantBuffers(0, 1, &step);
        ctx->CSSetSamplers(0, 1, &sampler);
        bindResource(randoms, "randoms", [&](ID3D11ShaderResourceView* v) { ctx->CSSetShaderResources(0, 1, &v); });
        ID3D11UnorderedAccessView* uav = nullptr;
        g.device->CreateUnorderedAccessView(particles, nullptr, &uav);
        uav->SetDebugName("Unordered access view for 'particles'");
        UINT keep = 0xffffffffu;
        ctx->CSSetUnorderedAccessViews(0, 1, &uav, &keep);
        uav->Release();
        ctx->Dispatch(1, 1, 1);
        ctx->ClearState();
        if (state.iterations() % kBatch == kBatch - 1) catchUp(state);
    }
    g.context->Flush();
    for (IUnknown* o : std::initializer_list<IUnknown*>{cs, step, particles, randoms, sampler}) o->Release();
}
BENCHMARK(BM_DispatchWithFourBindings);

}  // namespace

BENCHMARK_MAIN();
