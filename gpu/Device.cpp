// The device object: creation of resources, views, states, shaders and
// queries, and the D3D11CreateDevice entry points.
#include "gpu/Device.h"

#include <cstdlib>
#include <cstring>

#include "gpu/Debug.h"
#include "gpu/SwapChain.h"
#include "gpu/Views.h"

namespace tolmero::gpu::detail {

namespace {

HRESULT invalid(const std::string& message) {
    debugOutput(message);
    return E_INVALIDARG;
}

bool validFilter(UINT filter) {
    switch (filter) {
        case D3D11_FILTER_MIN_MAG_MIP_POINT: case D3D11_FILTER_MIN_MAG_POINT_MIP_LINEAR:
        case D3D11_FILTER_MIN_POINT_MAG_LINEAR_MIP_POINT: case D3D11_FILTER_MIN_POINT_MAG_MIP_LINEAR:
        case D3D11_FILTER_MIN_LINEAR_MAG_MIP_POINT: case D3D11_FILTER_MIN_LINEAR_MAG_POINT_MIP_LINEAR:
        case D3D11_FILTER_MIN_MAG_LINEAR_MIP_POINT: case D3D11_FILTER_MIN_MAG_MIP_LINEAR:
        case D3D11_FILTER_ANISOTROPIC:
        case D3D11_FILTER_COMPARISON_MIN_MAG_MIP_POINT: case D3D11_FILTER_COMPARISON_MIN_MAG_POINT_MIP_LINEAR:
        case D3D11_FILTER_COMPARISON_MIN_POINT_MAG_LINEAR_MIP_POINT:
        case D3D11_FILTER_COMPARISON_MIN_POINT_MAG_MIP_LINEAR:
        case D3D11_FILTER_COMPARISON_MIN_LINEAR_MAG_MIP_POINT:
        case D3D11_FILTER_COMPARISON_MIN_LINEAR_MAG_POINT_MIP_LINEAR:
        case D3D11_FILTER_COMPARISON_MIN_MAG_LINEAR_MIP_POINT: case D3D11_FILTER_COMPARISON_MIN_MAG_MIP_LINEAR:
        case D3D11_FILTER_COMPARISON_ANISOTROPIC:
            return true;
        default:
            return false;
    }
}

bool validAddress(UINT mode) { return mode >= D3D11_TEXTURE_ADDRESS_WRAP && mode <= D3D11_TEXTURE_ADDRESS_MIRROR_ONCE; }
bool validComparison(UINT f) { return f >= D3D11_COMPARISON_NEVER && f <= D3D11_COMPARISON_ALWAYS; }
bool validBlend(UINT b) { return b >= D3D11_BLEND_ZERO && b <= D3D11_BLEND_INV_SRC1_ALPHA && b != 12 && b != 13; }
bool dualSource(UINT b) { return b >= D3D11_BLEND_SRC1_COLOR; }
bool colorFactor(UINT b) {
    return b == D3D11_BLEND_SRC_COLOR || b == D3D11_BLEND_INV_SRC_COLOR || b == D3D11_BLEND_DEST_COLOR ||
           b == D3D11_BLEND_INV_DEST_COLOR || b == D3D11_BLEND_SRC1_COLOR || b == D3D11_BLEND_INV_SRC1_COLOR;
}
bool validBlendOp(UINT op) { return op >= D3D11_BLEND_OP_ADD && op <= D3D11_BLEND_OP_MAX; }
bool validStencilOp(UINT op) { return op >= D3D11_STENCIL_OP_KEEP && op <= D3D11_STENCIL_OP_DECR; }

}  // namespace

DeviceImpl::DeviceImpl(Core& core) : core_(core) {
    core_.publicDevice = this;
    context_ = new ContextImpl(core_, *this);
}

ULONG DeviceImpl::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

DeviceImpl::~DeviceImpl() {
    // Bound objects are released with the context; whatever the program still
    // holds keeps the Vulkan device (Core) alive until it is released too.
    context_->ClearState();
    delete context_;
    core_.publicDevice = nullptr;
    core_.release();
}

void DeviceImpl::GetImmediateContext(ID3D11DeviceContext** context) {
    if (!context) return;
    *context = context_;
    AddRef();
}

HRESULT DeviceImpl::CreateBuffer(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData,
                                 ID3D11Buffer** buffer) {
    if (!desc) return invalid("CreateBuffer: no description");
    if (!buffer) return S_FALSE;
    *buffer = nullptr;
    BufferImpl* result = nullptr;
    HRESULT hr = BufferImpl::create(core_, *desc, initialData, &result);
    if (SUCCEEDED(hr)) *buffer = result;
    return hr;
}

HRESULT DeviceImpl::CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData,
                                    ID3D11Texture2D** texture) {
    if (!desc) return invalid("CreateTexture2D: no description");
    if (!texture) return S_FALSE;
    *texture = nullptr;
    TextureImpl* result = nullptr;
    HRESULT hr = TextureImpl::create(core_, *desc, initialData, &result);
    if (SUCCEEDED(hr)) *texture = result;
    return hr;
}

HRESULT DeviceImpl::CreateShaderResourceView(ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                             ID3D11ShaderResourceView** view) {
    return createShaderResourceView(core_, resource, desc, view);
}

HRESULT DeviceImpl::CreateUnorderedAccessView(ID3D11Resource* resource, const D3D11_UNORDERED_ACCESS_VIEW_DESC* desc,
                                              ID3D11UnorderedAccessView** view) {
    return createUnorderedAccessView(core_, resource, desc, view);
}

HRESULT DeviceImpl::CreateRenderTargetView(ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                                           ID3D11RenderTargetView** view) {
    return createRenderTargetView(core_, resource, desc, view);
}

HRESULT DeviceImpl::CreateDepthStencilView(ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                                           ID3D11DepthStencilView** view) {
    return createDepthStencilView(core_, resource, desc, view);
}

// --------------------------------------------------------------------------
// Shaders

template <class Impl>
HRESULT DeviceImpl::createShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage, ShaderStage stage,
                                 const char* call, Impl** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (linkage) debugOutput(std::string(call) + ": class linkage is not supported and is ignored");
    std::vector<uint32_t> words;
    std::string error;
    ShaderInterface iface;
    if (!spirvWords(bytecode, length, words, error) || !reflectSpirv(words, iface, error))
        return invalid(std::string(call) + ": " + error);
    if (iface.stage != stage) return invalid(std::string(call) + ": the SPIR-V entry point is for another stage");
    Impl* shader = new Impl(core_);
    shader->iface = std::move(iface);
    if (!createShaderModule(core_, words, *shader, error)) {
        shader->Release();
        debugOutput(std::string(call) + ": " + error);
        return E_FAIL;
    }
    *out = shader;
    return S_OK;
}

HRESULT DeviceImpl::CreateVertexShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                       ID3D11VertexShader** shader) {
    VertexShaderImpl* result = nullptr;
    HRESULT hr = createShader(bytecode, length, linkage, ShaderStage::Vertex, "CreateVertexShader", &result);
    if (shader) *shader = result;
    return hr;
}

HRESULT DeviceImpl::CreatePixelShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                      ID3D11PixelShader** shader) {
    PixelShaderImpl* result = nullptr;
    HRESULT hr = createShader(bytecode, length, linkage, ShaderStage::Pixel, "CreatePixelShader", &result);
    if (shader) *shader = result;
    return hr;
}

HRESULT DeviceImpl::CreateComputeShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                        ID3D11ComputeShader** shader) {
    ComputeShaderImpl* result = nullptr;
    HRESULT hr = createShader(bytecode, length, linkage, ShaderStage::Compute, "CreateComputeShader", &result);
    if (shader) *shader = result;
    return hr;
}

HRESULT DeviceImpl::CreateGeometryShader(const void*, SIZE_T, ID3D11ClassLinkage*, ID3D11GeometryShader** shader) {
    if (shader) *shader = nullptr;
    debugOutput("CreateGeometryShader: geometry shaders are not supported");
    return E_NOTIMPL;
}

HRESULT DeviceImpl::CreateHullShader(const void*, SIZE_T, ID3D11ClassLinkage*, ID3D11HullShader** shader) {
    if (shader) *shader = nullptr;
    debugOutput("CreateHullShader: hull shaders are not supported");
    return E_NOTIMPL;
}

HRESULT DeviceImpl::CreateDomainShader(const void*, SIZE_T, ID3D11ClassLinkage*, ID3D11DomainShader** shader) {
    if (shader) *shader = nullptr;
    debugOutput("CreateDomainShader: domain shaders are not supported");
    return E_NOTIMPL;
}

// --------------------------------------------------------------------------
// States. Descriptions are copied field by field into zeroed storage, so that
// equal states compare equal byte for byte (padding included) when interned.

HRESULT DeviceImpl::CreateSamplerState(const D3D11_SAMPLER_DESC* desc, ID3D11SamplerState** state) {
    const std::string what = "CreateSamplerState: ";
    if (!desc) return invalid(what + "no description");
    if (!validFilter(desc->Filter)) return invalid(what + "unknown filter " + std::to_string(desc->Filter));
    if (!validAddress(desc->AddressU) || !validAddress(desc->AddressV) || !validAddress(desc->AddressW))
        return invalid(what + "unknown address mode");
    if (desc->MaxAnisotropy > D3D11_REQ_MAXANISOTROPY) return invalid(what + "MaxAnisotropy above 16");
    if ((desc->Filter & 0x80) && !validComparison(desc->ComparisonFunc))
        return invalid(what + "unknown comparison function");
    if (desc->MinLOD > desc->MaxLOD) return invalid(what + "MinLOD above MaxLOD");
    if (!state) return S_FALSE;
    D3D11_SAMPLER_DESC d;
    std::memset(&d, 0, sizeof(d));
    d = *desc;
    if (!(d.Filter & 0x80) && !validComparison(d.ComparisonFunc)) d.ComparisonFunc = D3D11_COMPARISON_NEVER;
    VkSampler sampler = core_.sampler(d);
    if (!sampler) return E_FAIL;
    *state = new SamplerImpl(core_, d, sampler);
    return S_OK;
}

HRESULT DeviceImpl::CreateRasterizerState(const D3D11_RASTERIZER_DESC* desc, ID3D11RasterizerState** state) {
    const std::string what = "CreateRasterizerState: ";
    if (!desc) return invalid(what + "no description");
    if (desc->FillMode != D3D11_FILL_SOLID && desc->FillMode != D3D11_FILL_WIREFRAME)
        return invalid(what + "unknown fill mode");
    if (desc->CullMode < D3D11_CULL_NONE || desc->CullMode > D3D11_CULL_BACK) return invalid(what + "unknown cull mode");
    if (desc->FillMode == D3D11_FILL_WIREFRAME && !core_.features.fillModeNonSolid)
        debugOutput(what + "wireframe fill is not supported by the device; triangles are filled");
    if (!state) return S_FALSE;
    D3D11_RASTERIZER_DESC d;
    std::memset(&d, 0, sizeof(d));
    d.FillMode = desc->FillMode;
    d.CullMode = desc->CullMode;
    d.FrontCounterClockwise = desc->FrontCounterClockwise ? TRUE : FALSE;
    d.DepthBias = desc->DepthBias;
    d.DepthBiasClamp = desc->DepthBiasClamp;
    d.SlopeScaledDepthBias = desc->SlopeScaledDepthBias;
    d.DepthClipEnable = desc->DepthClipEnable ? TRUE : FALSE;
    d.ScissorEnable = desc->ScissorEnable ? TRUE : FALSE;
    d.MultisampleEnable = desc->MultisampleEnable ? TRUE : FALSE;
    d.AntialiasedLineEnable = desc->AntialiasedLineEnable ? TRUE : FALSE;
    *state = new RasterizerImpl(core_, d);
    return S_OK;
}

HRESULT DeviceImpl::CreateBlendState(const D3D11_BLEND_DESC* desc, ID3D11BlendState** state) {
    const std::string what = "CreateBlendState: ";
    if (!desc) return invalid(what + "no description");
    D3D11_BLEND_DESC d;
    std::memset(&d, 0, sizeof(d));
    d.AlphaToCoverageEnable = desc->AlphaToCoverageEnable ? TRUE : FALSE;
    d.IndependentBlendEnable = desc->IndependentBlendEnable ? TRUE : FALSE;
    UINT targets = d.IndependentBlendEnable ? 8 : 1;
    for (UINT i = 0; i < 8; ++i) {
        const D3D11_RENDER_TARGET_BLEND_DESC& s = desc->RenderTarget[i];
        D3D11_RENDER_TARGET_BLEND_DESC& t = d.RenderTarget[i];
        t.BlendEnable = s.BlendEnable ? TRUE : FALSE;
        t.RenderTargetWriteMask = s.RenderTargetWriteMask;
        if (i < targets && s.BlendEnable) {
            if (!validBlend(s.SrcBlend) || !validBlend(s.DestBlend) || !validBlend(s.SrcBlendAlpha) ||
                !validBlend(s.DestBlendAlpha) || !validBlendOp(s.BlendOp) || !validBlendOp(s.BlendOpAlpha))
                return invalid(what + "unknown blend factor or operation for render target " + std::to_string(i));
            if (dualSource(s.SrcBlend) || dualSource(s.DestBlend) || dualSource(s.SrcBlendAlpha) ||
                dualSource(s.DestBlendAlpha))
                return invalid(what + "dual-source blending is not supported");
            if (colorFactor(s.SrcBlendAlpha) || colorFactor(s.DestBlendAlpha))
                return invalid(what + "alpha blend factors cannot be colour factors");
            t.SrcBlend = s.SrcBlend;
            t.DestBlend = s.DestBlend;
            t.BlendOp = s.BlendOp;
            t.SrcBlendAlpha = s.SrcBlendAlpha;
            t.DestBlendAlpha = s.DestBlendAlpha;
            t.BlendOpAlpha = s.BlendOpAlpha;
        } else {
            t.SrcBlend = D3D11_BLEND_ONE;
            t.DestBlend = D3D11_BLEND_ZERO;
            t.BlendOp = D3D11_BLEND_OP_ADD;
            t.SrcBlendAlpha = D3D11_BLEND_ONE;
            t.DestBlendAlpha = D3D11_BLEND_ZERO;
            t.BlendOpAlpha = D3D11_BLEND_OP_ADD;
        }
    }
    if (!state) return S_FALSE;
    *state = new BlendImpl(core_, d);
    return S_OK;
}

HRESULT DeviceImpl::CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC* desc, ID3D11DepthStencilState** state) {
    const std::string what = "CreateDepthStencilState: ";
    if (!desc) return invalid(what + "no description");
    if (desc->DepthEnable && !validComparison(desc->DepthFunc)) return invalid(what + "unknown depth function");
    if (desc->DepthWriteMask != D3D11_DEPTH_WRITE_MASK_ZERO && desc->DepthWriteMask != D3D11_DEPTH_WRITE_MASK_ALL)
        return invalid(what + "unknown depth write mask");
    for (const D3D11_DEPTH_STENCILOP_DESC* op : {&desc->FrontFace, &desc->BackFace}) {
        if (desc->StencilEnable &&
            (!validStencilOp(op->StencilFailOp) || !validStencilOp(op->StencilDepthFailOp) ||
             !validStencilOp(op->StencilPassOp) || !validComparison(op->StencilFunc)))
            return invalid(what + "unknown stencil operation");
    }
    if (!state) return S_FALSE;
    D3D11_DEPTH_STENCIL_DESC d;
    std::memset(&d, 0, sizeof(d));
    d.DepthEnable = desc->DepthEnable ? TRUE : FALSE;
    d.DepthWriteMask = desc->DepthWriteMask;
    d.DepthFunc = desc->DepthEnable ? desc->DepthFunc : D3D11_COMPARISON_ALWAYS;
    d.StencilEnable = desc->StencilEnable ? TRUE : FALSE;
    d.StencilReadMask = desc->StencilReadMask;
    d.StencilWriteMask = desc->StencilWriteMask;
    d.FrontFace = desc->FrontFace;
    d.BackFace = desc->BackFace;
    *state = new DepthStencilImpl(core_, d);
    return S_OK;
}

HRESULT DeviceImpl::CreateQuery(const D3D11_QUERY_DESC* desc, ID3D11Query** query) {
    if (!desc) return invalid("CreateQuery: no description");
    switch (desc->Query) {
        case D3D11_QUERY_EVENT:
        case D3D11_QUERY_TIMESTAMP:
        case D3D11_QUERY_TIMESTAMP_DISJOINT:
            break;
        default:
            debugOutput("CreateQuery: query kind " + std::to_string(desc->Query) + " is not supported");
            return E_NOTIMPL;
    }
    if (!query) return S_FALSE;
    *query = new QueryImpl(core_, *desc);
    return S_OK;
}

// --------------------------------------------------------------------------
// Creation

namespace {

bool validationRequested(UINT flags) {
    if (flags & D3D11_CREATE_DEVICE_DEBUG) return true;
    const char* env = std::getenv("TOLMERO_VALIDATION");
    return env && *env && std::strcmp(env, "0") != 0;
}

HRESULT createDevice(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software, UINT flags,
                     UINT sdkVersion, const DXGI_SWAP_CHAIN_DESC* swapChainDesc, IDXGISwapChain** swapChain,
                     ID3D11Device** deviceOut, D3D_FEATURE_LEVEL* featureLevel, ID3D11DeviceContext** contextOut) {
    setLastCreationError("");
    if (adapter || software) return invalid("D3D11CreateDevice: adapters and software modules are not supported");
    if (sdkVersion != D3D11_SDK_VERSION) return invalid("D3D11CreateDevice: SDK version must be D3D11_SDK_VERSION");
    if (driverType != D3D_DRIVER_TYPE_HARDWARE && driverType != D3D_DRIVER_TYPE_UNKNOWN &&
        driverType != D3D_DRIVER_TYPE_WARP && driverType != D3D_DRIVER_TYPE_SOFTWARE)
        return invalid("D3D11CreateDevice: driver type " + std::to_string(driverType) + " is not supported");
    if (swapChainDesc && !swapChain) return invalid("D3D11CreateDeviceAndSwapChain: no swap chain output");

    CoreOptions options;
    options.validation = validationRequested(flags);
    // TOLMERO_VALIDATION=1, or a comma-separated list of the optional checks:
    // sync, best, gpu (for example "sync,best").
    const std::string checks = std::getenv("TOLMERO_VALIDATION") ? std::getenv("TOLMERO_VALIDATION") : "";
    const auto asks = [&](const char* word) { return ("," + checks + ",").find(std::string(",") + word + ",") != std::string::npos; };
    options.synchronizationValidation = asks("sync");
    options.bestPracticesValidation = asks("best");
    options.gpuAssistedValidation = asks("gpu");
    options.preferCpu = driverType == D3D_DRIVER_TYPE_WARP || driverType == D3D_DRIVER_TYPE_SOFTWARE;
    options.window = swapChainDesc ? swapChainDesc->OutputWindow : nullptr;
    std::string error;
    HRESULT hr = E_FAIL;
    Core* core = Core::create(options, error, hr);
    if (!core) {
        setLastCreationError(error);
        debugOutput("GPU device: " + error);
        return hr;
    }
    DeviceImpl* device = new DeviceImpl(*core);  // takes the creation reference of core
    if (swapChainDesc) {
        SwapChainImpl* chain = nullptr;
        hr = SwapChainImpl::create(*device, *swapChainDesc, &chain);
        if (FAILED(hr)) {
            setLastCreationError("the swap chain could not be created");
            device->Release();
            return hr;
        }
        *swapChain = chain;
    }
    if (featureLevel) *featureLevel = core->featureLevel;
    if (contextOut) device->GetImmediateContext(contextOut);
    if (deviceOut)
        *deviceOut = device;
    else
        device->Release();
    return S_OK;
}

}  // namespace

}  // namespace tolmero::gpu::detail

namespace tolmero::gpu {

HRESULT D3D11CreateDevice(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software, UINT flags,
                          const D3D_FEATURE_LEVEL* /*featureLevels*/, UINT /*numFeatureLevels*/, UINT sdkVersion,
                          ID3D11Device** device, D3D_FEATURE_LEVEL* featureLevel, ID3D11DeviceContext** context) {
    return detail::createDevice(adapter, driverType, software, flags, sdkVersion, nullptr, nullptr, device,
                                featureLevel, context);
}

HRESULT D3D11CreateDeviceAndSwapChain(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software,
                                      UINT flags, const D3D_FEATURE_LEVEL* /*featureLevels*/,
                                      UINT /*numFeatureLevels*/, UINT sdkVersion, const DXGI_SWAP_CHAIN_DESC* desc,
                                      IDXGISwapChain** swapChain, ID3D11Device** device,
                                      D3D_FEATURE_LEVEL* featureLevel, ID3D11DeviceContext** context) {
    if (!desc) {
        debugOutput("D3D11CreateDeviceAndSwapChain: no swap chain description");
        return E_INVALIDARG;
    }
    if (swapChain) *swapChain = nullptr;
    return detail::createDevice(adapter, driverType, software, flags, sdkVersion, desc, swapChain, device,
                                featureLevel, context);
}

}  // namespace tolmero::gpu
