// The immediate context's pipeline state: setters and ClearState.
#include "gpu/Context.h"

#include <algorithm>

#include "gpu/Device.h"

namespace tolmero::gpu::detail {

const D3D11_RASTERIZER_DESC& defaultRasterizerDesc() {
    static const D3D11_RASTERIZER_DESC desc = {D3D11_FILL_SOLID, D3D11_CULL_BACK, FALSE, 0, 0.0f, 0.0f,
                                               TRUE, FALSE, FALSE, FALSE};
    return desc;
}

const D3D11_BLEND_DESC& defaultBlendDesc() {
    static const D3D11_BLEND_DESC desc = [] {
        D3D11_BLEND_DESC d{};
        for (D3D11_RENDER_TARGET_BLEND_DESC& rt : d.RenderTarget) {
            rt = {FALSE, D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD,
                  D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
        }
        return d;
    }();
    return desc;
}

const D3D11_DEPTH_STENCIL_DESC& defaultDepthStencilDesc() {
    static const D3D11_DEPTH_STENCIL_DESC desc = [] {
        D3D11_DEPTH_STENCIL_DESC d{};
        d.DepthEnable = TRUE;
        d.DepthWriteMask = D3D11_DEPTH_WRITE_MASK_ALL;
        d.DepthFunc = D3D11_COMPARISON_LESS;
        d.StencilEnable = FALSE;
        d.StencilReadMask = 0xff;
        d.StencilWriteMask = 0xff;
        d.FrontFace = {D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP, D3D11_COMPARISON_ALWAYS};
        d.BackFace = d.FrontFace;
        return d;
    }();
    return desc;
}

template <class T, UINT N>
void ContextImpl::Slots<T, N>::set(UINT start, UINT count, T* const* values) {
    for (UINT i = 0; i < count && start + i < N; ++i) items[start + i].reset(values ? values[i] : nullptr);
    UINT end = std::min(start + count, N);
    if (end > used) used = end;
    while (used > 0 && !items[used - 1]) --used;
}

template <class T, UINT N>
void ContextImpl::Slots<T, N>::clear() {
    for (UINT i = 0; i < used; ++i) items[i].reset();
    used = 0;
}

ContextImpl::ContextImpl(Core& core, DeviceImpl& device) : core_(core), device_(device) {
    // The state a null state object stands for, interned like created states so
    // that an explicit default state shares its pipelines.
    defaultRasterizerId_ = core.internState('r', &defaultRasterizerDesc(), sizeof(D3D11_RASTERIZER_DESC));
    defaultBlendId_ = core.internState('b', &defaultBlendDesc(), sizeof(D3D11_BLEND_DESC));
    defaultDepthStencilId_ = core.internState('d', &defaultDepthStencilDesc(), sizeof(D3D11_DEPTH_STENCIL_DESC));
}

ContextImpl::~ContextImpl() {
    // Every read waited for its copy: nothing uses the buffer any more.
    if (readback_.buffer) core_.destroyStaging(readback_);
}

ULONG ContextImpl::AddRef() { return device_.AddRef(); }
ULONG ContextImpl::Release() { return device_.Release(); }

void ContextImpl::GetDevice(ID3D11Device** device) {
    if (!device) return;
    *device = &device_;
    device_.AddRef();
}

HRESULT ContextImpl::SetPrivateData(REFGUID guid, UINT dataSize, const void* data) {
    if (!(guid == WKPDID_D3DDebugObjectName)) return E_NOTIMPL;
    if (dataSize && !data) return E_INVALIDARG;
    name_.assign(static_cast<const char*>(data), dataSize);
    return S_OK;
}

HRESULT ContextImpl::GetPrivateData(REFGUID guid, UINT* dataSize, void* data) {
    if (!dataSize) return E_INVALIDARG;
    if (!(guid == WKPDID_D3DDebugObjectName) || name_.empty()) return DXGI_ERROR_NOT_FOUND;
    if (data) {
        if (*dataSize < name_.size()) return E_INVALIDARG;
        std::copy(name_.begin(), name_.end(), static_cast<char*>(data));
    }
    *dataSize = static_cast<UINT>(name_.size());
    return S_OK;
}

// --------------------------------------------------------------------------
// Shaders and per-stage bindings

void ContextImpl::setShader(StageIndex stage, ID3D11DeviceChild* shader, ShaderObject* object) {
    stages_[stage].shader.reset(shader);
    stages_[stage].object = shader ? object : nullptr;
}

void ContextImpl::VSSetShader(ID3D11VertexShader* shader, ID3D11ClassInstance* const*, UINT) {
    setShader(kVertex, shader, shader ? static_cast<VertexShaderImpl*>(shader) : nullptr);
}
void ContextImpl::PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const*, UINT) {
    setShader(kPixel, shader, shader ? static_cast<PixelShaderImpl*>(shader) : nullptr);
}
void ContextImpl::CSSetShader(ID3D11ComputeShader* shader, ID3D11ClassInstance* const*, UINT) {
    setShader(kCompute, shader, shader ? static_cast<ComputeShaderImpl*>(shader) : nullptr);
}

// Geometry, hull and domain shaders cannot exist; binding nothing to their
// stages is what ClearState does and is accepted quietly.
void ContextImpl::unsupportedStage(const char* call, const void* object) {
    if (object) debugOutput(std::string(call) + ": geometry, hull and domain stages are not supported");
}
void ContextImpl::GSSetShader(ID3D11GeometryShader* s, ID3D11ClassInstance* const*, UINT) {
    unsupportedStage("GSSetShader", s);
}
void ContextImpl::HSSetShader(ID3D11HullShader* s, ID3D11ClassInstance* const*, UINT) {
    unsupportedStage("HSSetShader", s);
}
void ContextImpl::DSSetShader(ID3D11DomainShader* s, ID3D11ClassInstance* const*, UINT) {
    unsupportedStage("DSSetShader", s);
}

void ContextImpl::setConstantBuffers(StageIndex stage, UINT start, UINT num, ID3D11Buffer* const* buffers) {
    BufferImpl* items[kConstantSlots] = {};
    num = std::min(num, kConstantSlots);
    for (UINT i = 0; i < num && buffers; ++i) items[i] = static_cast<BufferImpl*>(buffers[i]);
    stages_[stage].constants.set(start, num, items);
}
void ContextImpl::setSamplers(StageIndex stage, UINT start, UINT num, ID3D11SamplerState* const* samplers) {
    SamplerImpl* items[kSamplerSlots] = {};
    num = std::min(num, kSamplerSlots);
    for (UINT i = 0; i < num && samplers; ++i) items[i] = static_cast<SamplerImpl*>(samplers[i]);
    stages_[stage].samplers.set(start, num, items);
}
void ContextImpl::setResources(StageIndex stage, UINT start, UINT num, ID3D11ShaderResourceView* const* views) {
    SrvImpl* items[kResourceSlots] = {};
    num = std::min(num, kResourceSlots);
    for (UINT i = 0; i < num && views; ++i) items[i] = static_cast<SrvImpl*>(views[i]);
    stages_[stage].resources.set(start, num, items);
}

void ContextImpl::VSSetConstantBuffers(UINT s, UINT n, ID3D11Buffer* const* b) { setConstantBuffers(kVertex, s, n, b); }
void ContextImpl::PSSetConstantBuffers(UINT s, UINT n, ID3D11Buffer* const* b) { setConstantBuffers(kPixel, s, n, b); }
void ContextImpl::CSSetConstantBuffers(UINT s, UINT n, ID3D11Buffer* const* b) { setConstantBuffers(kCompute, s, n, b); }
void ContextImpl::GSSetConstantBuffers(UINT, UINT, ID3D11Buffer* const*) {}
void ContextImpl::HSSetConstantBuffers(UINT, UINT, ID3D11Buffer* const*) {}
void ContextImpl::DSSetConstantBuffers(UINT, UINT, ID3D11Buffer* const*) {}

void ContextImpl::VSSetSamplers(UINT s, UINT n, ID3D11SamplerState* const* x) { setSamplers(kVertex, s, n, x); }
void ContextImpl::PSSetSamplers(UINT s, UINT n, ID3D11SamplerState* const* x) { setSamplers(kPixel, s, n, x); }
void ContextImpl::CSSetSamplers(UINT s, UINT n, ID3D11SamplerState* const* x) { setSamplers(kCompute, s, n, x); }
void ContextImpl::GSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) {}
void ContextImpl::HSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) {}
void ContextImpl::DSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) {}

void ContextImpl::VSSetShaderResources(UINT s, UINT n, ID3D11ShaderResourceView* const* v) { setResources(kVertex, s, n, v); }
void ContextImpl::PSSetShaderResources(UINT s, UINT n, ID3D11ShaderResourceView* const* v) { setResources(kPixel, s, n, v); }
void ContextImpl::CSSetShaderResources(UINT s, UINT n, ID3D11ShaderResourceView* const* v) { setResources(kCompute, s, n, v); }
void ContextImpl::GSSetShaderResources(UINT, UINT, ID3D11ShaderResourceView* const*) {}
void ContextImpl::HSSetShaderResources(UINT, UINT, ID3D11ShaderResourceView* const*) {}
void ContextImpl::DSSetShaderResources(UINT, UINT, ID3D11ShaderResourceView* const*) {}

// --------------------------------------------------------------------------
// Unordered access views and output merger

void ContextImpl::CSSetUnorderedAccessViews(UINT start, UINT num, ID3D11UnorderedAccessView* const* views,
                                            const UINT* /*initialCounts*/) {
    UavImpl* items[kUavSlots] = {};
    num = std::min(num, kUavSlots);
    for (UINT i = 0; i < num && views; ++i) items[i] = static_cast<UavImpl*>(views[i]);
    computeUavs_.set(start, num, items);
}

void ContextImpl::OMSetRenderTargets(UINT num, ID3D11RenderTargetView* const* views, ID3D11DepthStencilView* dsv) {
    OMSetRenderTargetsAndUnorderedAccessViews(num, views, dsv, 0, D3D11_KEEP_UNORDERED_ACCESS_VIEWS, nullptr, nullptr);
}

void ContextImpl::OMSetRenderTargetsAndUnorderedAccessViews(UINT numRTVs, ID3D11RenderTargetView* const* rtvs,
                                                            ID3D11DepthStencilView* dsv, UINT uavStart, UINT numUAVs,
                                                            ID3D11UnorderedAccessView* const* uavs,
                                                            const UINT* /*initialCounts*/) {
    if (numRTVs != D3D11_KEEP_RENDER_TARGETS_AND_DEPTH_STENCIL) {
        RtvImpl* items[D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT] = {};
        numRTVs = std::min(numRTVs, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT);
        for (UINT i = 0; i < numRTVs && rtvs; ++i) items[i] = static_cast<RtvImpl*>(rtvs[i]);
        renderTargets_.clear();
        renderTargets_.set(0, numRTVs, items);
        depthStencilView_.reset(static_cast<DsvImpl*>(dsv));
    }
    if (numUAVs != D3D11_KEEP_UNORDERED_ACCESS_VIEWS) {
        UavImpl* items[kUavSlots] = {};
        numUAVs = std::min(numUAVs, kUavSlots);
        for (UINT i = 0; i < numUAVs && uavs; ++i) items[i] = static_cast<UavImpl*>(uavs[i]);
        outputUavs_.clear();
        outputUavs_.set(uavStart, numUAVs, items);
    }
}

void ContextImpl::OMSetBlendState(ID3D11BlendState* state, const FLOAT blendFactor[4], UINT sampleMask) {
    blend_.reset(static_cast<BlendImpl*>(state));
    for (int i = 0; i < 4; ++i) blendFactor_[i] = blendFactor ? blendFactor[i] : 1.0f;
    sampleMask_ = sampleMask;
}

void ContextImpl::OMSetDepthStencilState(ID3D11DepthStencilState* state, UINT stencilRef) {
    depthStencil_.reset(static_cast<DepthStencilImpl*>(state));
    stencilRef_ = stencilRef;
}

void ContextImpl::RSSetState(ID3D11RasterizerState* state) { rasterizer_.reset(static_cast<RasterizerImpl*>(state)); }

void ContextImpl::RSSetViewports(UINT num, const D3D11_VIEWPORT* viewports) {
    hasViewport_ = num > 0 && viewports;
    if (hasViewport_) viewport_ = viewports[0];
}

void ContextImpl::RSSetScissorRects(UINT num, const D3D11_RECT* rects) {
    hasScissor_ = num > 0 && rects;
    if (hasScissor_) scissor_ = rects[0];
}

void ContextImpl::IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY topology) { topology_ = topology; }

void ContextImpl::IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset) {
    if (buffer && format != DXGI_FORMAT_R32_UINT && format != DXGI_FORMAT_R16_UINT) {
        debugOutput("IASetIndexBuffer: indices are DXGI_FORMAT_R32_UINT or DXGI_FORMAT_R16_UINT");
        buffer = nullptr;
    }
    indexBuffer_.reset(buffer ? static_cast<BufferImpl*>(buffer) : nullptr);
    indexType_ = format == DXGI_FORMAT_R16_UINT ? VK_INDEX_TYPE_UINT16 : VK_INDEX_TYPE_UINT32;
    indexOffset_ = offset;
}

void ContextImpl::ClearState() {
    for (Stage& stage : stages_) {
        stage.shader.reset();
        stage.object = nullptr;
        stage.constants.clear();
        stage.samplers.clear();
        stage.resources.clear();
    }
    computeUavs_.clear();
    outputUavs_.clear();
    renderTargets_.clear();
    depthStencilView_.reset();
    rasterizer_.reset();
    blend_.reset();
    std::fill(std::begin(blendFactor_), std::end(blendFactor_), 1.0f);
    sampleMask_ = 0xffffffffu;
    depthStencil_.reset();
    stencilRef_ = 0;
    hasViewport_ = false;
    hasScissor_ = false;
    topology_ = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
    indexBuffer_.reset();
    indexOffset_ = 0;
}

}  // namespace tolmero::gpu::detail
