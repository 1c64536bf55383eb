// The GPU layer: Direct3D-11-shaped, reference-counted interfaces implemented
// on Vulkan 1.3.
//
// Conventions the implementation keeps (see gpu/README.md for details):
//  - objects are reference counted with AddRef/Release; binding an object to
//    the immediate context adds a reference, unbinding (or ClearState) drops it;
//  - everything is single-threaded: one thread owns the device and its context;
//  - GPU work is recorded into command buffers and submitted by Present, Flush,
//    GetData of an unfinished query, Map of a busy staging buffer and
//    ReadSubresource, or when a batch grows large; objects released while the
//    GPU may still use them are destroyed once their batch has finished;
//  - messages (validation messages, misuse, unsupported features) go to the
//    debug channel: standard error, one line per message.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "gpu/D3D11Types.h"

namespace tolmero::gpu {

class ID3D11Device;

class IUnknown {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

    // Asks for another interface of the same object; adds a reference on success.
    template <class T>
    HRESULT QueryInterface(T** object) {
        if (!object) return E_POINTER;
        *object = dynamic_cast<T*>(this);
        if (!*object) return E_NOINTERFACE;
        (*object)->AddRef();
        return S_OK;
    }

protected:
    virtual ~IUnknown() = default;
};

class ID3D11DeviceChild : public IUnknown {
public:
    // Returns the device with a reference added.
    virtual void GetDevice(ID3D11Device** device) = 0;
    // WKPDID_D3DDebugObjectName sets the debug name (also given to the Vulkan
    // objects behind it); other keys are stored as opaque bytes.
    virtual HRESULT SetPrivateData(REFGUID guid, UINT dataSize, const void* data) = 0;
    virtual HRESULT GetPrivateData(REFGUID guid, UINT* dataSize, void* data) = 0;
    // Shorthand for SetPrivateData(WKPDID_D3DDebugObjectName, ...).
    HRESULT SetDebugName(std::string_view name) {
        return SetPrivateData(WKPDID_D3DDebugObjectName, static_cast<UINT>(name.size()), name.data());
    }
};

class ID3D11Resource : public ID3D11DeviceChild {
public:
    virtual void GetType(D3D11_RESOURCE_DIMENSION* dimension) = 0;
};

class ID3D11Buffer : public ID3D11Resource {
public:
    virtual void GetDesc(D3D11_BUFFER_DESC* desc) = 0;
};

class ID3D11Texture2D : public ID3D11Resource {
public:
    virtual void GetDesc(D3D11_TEXTURE2D_DESC* desc) = 0;
};

class ID3D11View : public ID3D11DeviceChild {
public:
    // Returns the viewed resource with a reference added.
    virtual void GetResource(ID3D11Resource** resource) = 0;
};

class ID3D11ShaderResourceView : public ID3D11View {
public:
    virtual void GetDesc(D3D11_SHADER_RESOURCE_VIEW_DESC* desc) = 0;
};

class ID3D11UnorderedAccessView : public ID3D11View {
public:
    virtual void GetDesc(D3D11_UNORDERED_ACCESS_VIEW_DESC* desc) = 0;
};

class ID3D11RenderTargetView : public ID3D11View {
public:
    virtual void GetDesc(D3D11_RENDER_TARGET_VIEW_DESC* desc) = 0;
};

class ID3D11DepthStencilView : public ID3D11View {
public:
    virtual void GetDesc(D3D11_DEPTH_STENCIL_VIEW_DESC* desc) = 0;
};

class ID3D11SamplerState : public ID3D11DeviceChild {
public:
    virtual void GetDesc(D3D11_SAMPLER_DESC* desc) = 0;
};

class ID3D11RasterizerState : public ID3D11DeviceChild {
public:
    virtual void GetDesc(D3D11_RASTERIZER_DESC* desc) = 0;
};

class ID3D11BlendState : public ID3D11DeviceChild {
public:
    virtual void GetDesc(D3D11_BLEND_DESC* desc) = 0;
};

class ID3D11DepthStencilState : public ID3D11DeviceChild {
public:
    virtual void GetDesc(D3D11_DEPTH_STENCIL_DESC* desc) = 0;
};

class ID3D11VertexShader : public ID3D11DeviceChild {};
class ID3D11PixelShader : public ID3D11DeviceChild {};
class ID3D11ComputeShader : public ID3D11DeviceChild {};
// Geometry, hull and domain shaders cannot be created (E_NOTIMPL); the types
// exist so that stage tables can name their context operations.
class ID3D11GeometryShader : public ID3D11DeviceChild {};
class ID3D11HullShader : public ID3D11DeviceChild {};
class ID3D11DomainShader : public ID3D11DeviceChild {};
// Class linkage is not supported; pass nullptr.
class ID3D11ClassLinkage;
class ID3D11ClassInstance;

class ID3D11Asynchronous : public ID3D11DeviceChild {
public:
    virtual UINT GetDataSize() = 0;
};

class ID3D11Query : public ID3D11Asynchronous {
public:
    virtual void GetDesc(D3D11_QUERY_DESC* desc) = 0;
};

class ID3D11DeviceContext : public ID3D11DeviceChild {
public:
    virtual void VSSetShader(ID3D11VertexShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) = 0;
    virtual void PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) = 0;
    virtual void CSSetShader(ID3D11ComputeShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) = 0;
    virtual void GSSetShader(ID3D11GeometryShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) = 0;
    virtual void HSSetShader(ID3D11HullShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) = 0;
    virtual void DSSetShader(ID3D11DomainShader* shader, ID3D11ClassInstance* const* instances, UINT numInstances) = 0;

    virtual void VSSetConstantBuffers(UINT startSlot, UINT numBuffers, ID3D11Buffer* const* buffers) = 0;
    virtual void PSSetConstantBuffers(UINT startSlot, UINT numBuffers, ID3D11Buffer* const* buffers) = 0;
    virtual void CSSetConstantBuffers(UINT startSlot, UINT numBuffers, ID3D11Buffer* const* buffers) = 0;
    virtual void GSSetConstantBuffers(UINT startSlot, UINT numBuffers, ID3D11Buffer* const* buffers) = 0;
    virtual void HSSetConstantBuffers(UINT startSlot, UINT numBuffers, ID3D11Buffer* const* buffers) = 0;
    virtual void DSSetConstantBuffers(UINT startSlot, UINT numBuffers, ID3D11Buffer* const* buffers) = 0;

    virtual void VSSetSamplers(UINT startSlot, UINT numSamplers, ID3D11SamplerState* const* samplers) = 0;
    virtual void PSSetSamplers(UINT startSlot, UINT numSamplers, ID3D11SamplerState* const* samplers) = 0;
    virtual void CSSetSamplers(UINT startSlot, UINT numSamplers, ID3D11SamplerState* const* samplers) = 0;
    virtual void GSSetSamplers(UINT startSlot, UINT numSamplers, ID3D11SamplerState* const* samplers) = 0;
    virtual void HSSetSamplers(UINT startSlot, UINT numSamplers, ID3D11SamplerState* const* samplers) = 0;
    virtual void DSSetSamplers(UINT startSlot, UINT numSamplers, ID3D11SamplerState* const* samplers) = 0;

    virtual void VSSetShaderResources(UINT startSlot, UINT numViews, ID3D11ShaderResourceView* const* views) = 0;
    virtual void PSSetShaderResources(UINT startSlot, UINT numViews, ID3D11ShaderResourceView* const* views) = 0;
    virtual void CSSetShaderResources(UINT startSlot, UINT numViews, ID3D11ShaderResourceView* const* views) = 0;
    virtual void GSSetShaderResources(UINT startSlot, UINT numViews, ID3D11ShaderResourceView* const* views) = 0;
    virtual void HSSetShaderResources(UINT startSlot, UINT numViews, ID3D11ShaderResourceView* const* views) = 0;
    virtual void DSSetShaderResources(UINT startSlot, UINT numViews, ID3D11ShaderResourceView* const* views) = 0;

    // Initial counts are accepted and ignored: no view has a hidden counter.
    virtual void CSSetUnorderedAccessViews(UINT startSlot, UINT numUAVs, ID3D11UnorderedAccessView* const* views,
                                           const UINT* initialCounts) = 0;
    virtual void OMSetRenderTargets(UINT numViews, ID3D11RenderTargetView* const* views,
                                    ID3D11DepthStencilView* depthStencilView) = 0;
    virtual void OMSetRenderTargetsAndUnorderedAccessViews(UINT numRTVs, ID3D11RenderTargetView* const* renderTargetViews,
                                                           ID3D11DepthStencilView* depthStencilView, UINT uavStartSlot,
                                                           UINT numUAVs, ID3D11UnorderedAccessView* const* views,
                                                           const UINT* initialCounts) = 0;
    // blendFactor nullptr means (1, 1, 1, 1).
    virtual void OMSetBlendState(ID3D11BlendState* state, const FLOAT blendFactor[4], UINT sampleMask) = 0;
    virtual void OMSetDepthStencilState(ID3D11DepthStencilState* state, UINT stencilRef) = 0;
    virtual void RSSetState(ID3D11RasterizerState* state) = 0;
    // Only the first viewport and scissor rectangle are used.
    virtual void RSSetViewports(UINT numViewports, const D3D11_VIEWPORT* viewports) = 0;
    virtual void RSSetScissorRects(UINT numRects, const D3D11_RECT* rects) = 0;
    virtual void IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY topology) = 0;

    // There are no vertex buffers: vertex shaders build their vertices from
    // SV_VertexID / SV_InstanceID and the resources bound to them. An indexed
    // draw takes each vertex's SV_VertexID from the index buffer (32-bit
    // indices, DXGI_FORMAT_R32_UINT, or 16-bit ones, DXGI_FORMAT_R16_UINT).
    virtual void IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset) = 0;
    virtual void Draw(UINT vertexCount, UINT startVertexLocation) = 0;
    virtual void DrawInstanced(UINT vertexCountPerInstance, UINT instanceCount, UINT startVertexLocation,
                               UINT startInstanceLocation) = 0;
    // The arguments (index count per instance, instance count, start index,
    // base vertex, start instance: five 32-bit values) come from a buffer
    // made with D3D11_RESOURCE_MISC_DRAWINDIRECT_ARGS, written on the GPU.
    virtual void DrawIndexedInstancedIndirect(ID3D11Buffer* argsBuffer, UINT alignedByteOffset) = 0;
    virtual void Dispatch(UINT threadGroupCountX, UINT threadGroupCountY, UINT threadGroupCountZ) = 0;

    virtual void ClearState() = 0;
    virtual void ClearRenderTargetView(ID3D11RenderTargetView* view, const FLOAT colorRGBA[4]) = 0;
    virtual void ClearDepthStencilView(ID3D11DepthStencilView* view, UINT clearFlags, FLOAT depth, UINT8 stencil) = 0;
    virtual void ClearUnorderedAccessViewFloat(ID3D11UnorderedAccessView* view, const FLOAT values[4]) = 0;
    virtual void ClearUnorderedAccessViewUint(ID3D11UnorderedAccessView* view, const UINT values[4]) = 0;
    virtual void GenerateMips(ID3D11ShaderResourceView* view) = 0;
    virtual void CopySubresourceRegion(ID3D11Resource* dst, UINT dstSubresource, UINT dstX, UINT dstY, UINT dstZ,
                                       ID3D11Resource* src, UINT srcSubresource, const D3D11_BOX* srcBox) = 0;
    virtual void CopyResource(ID3D11Resource* dst, ID3D11Resource* src) = 0;
    virtual void UpdateSubresource(ID3D11Resource* dst, UINT dstSubresource, const D3D11_BOX* dstBox, const void* srcData,
                                   UINT srcRowPitch, UINT srcDepthPitch) = 0;
    // Buffers only: D3D11_USAGE_DYNAMIC with D3D11_MAP_WRITE_DISCARD or
    // D3D11_MAP_WRITE_NO_OVERWRITE, D3D11_USAGE_STAGING with any other mode.
    virtual HRESULT Map(ID3D11Resource* resource, UINT subresource, D3D11_MAP mapType, UINT mapFlags,
                        D3D11_MAPPED_SUBRESOURCE* mapped) = 0;
    virtual void Unmap(ID3D11Resource* resource, UINT subresource) = 0;

    virtual void Begin(ID3D11Asynchronous* async) = 0;
    virtual void End(ID3D11Asynchronous* async) = 0;
    // S_OK with the result, S_FALSE while the GPU has not reached the End.
    virtual HRESULT GetData(ID3D11Asynchronous* async, void* data, UINT dataSize, UINT getDataFlags) = 0;
    virtual void Flush() = 0;

    // Copies one subresource into CPU memory, waiting for the GPU. Texture rows
    // are packed tightly (width x bytes per texel), top row first; a buffer is
    // copied whole. dataSize must be exactly the subresource's size.
    virtual HRESULT ReadSubresource(ID3D11Resource* resource, UINT subresource, void* data, SIZE_T dataSize) = 0;
};

class ID3D11Device : public IUnknown {
public:
    virtual HRESULT CreateBuffer(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData,
                                 ID3D11Buffer** buffer) = 0;
    // initialData, when given, holds one entry per subresource (mip-major within
    // each array slice, as D3D11CalcSubresource numbers them).
    virtual HRESULT CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData,
                                    ID3D11Texture2D** texture) = 0;
    // A null description gives the default view of the whole resource.
    virtual HRESULT CreateShaderResourceView(ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                             ID3D11ShaderResourceView** view) = 0;
    virtual HRESULT CreateUnorderedAccessView(ID3D11Resource* resource, const D3D11_UNORDERED_ACCESS_VIEW_DESC* desc,
                                              ID3D11UnorderedAccessView** view) = 0;
    virtual HRESULT CreateRenderTargetView(ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                                           ID3D11RenderTargetView** view) = 0;
    virtual HRESULT CreateDepthStencilView(ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                                           ID3D11DepthStencilView** view) = 0;
    // Shader bytecode is SPIR-V (compiled by glslc from HLSL with the register
    // classes at binding bases b 0, s 16, t 32, u 64), entry point "main".
    virtual HRESULT CreateVertexShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                       ID3D11VertexShader** shader) = 0;
    virtual HRESULT CreatePixelShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                      ID3D11PixelShader** shader) = 0;
    virtual HRESULT CreateComputeShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                        ID3D11ComputeShader** shader) = 0;
    virtual HRESULT CreateGeometryShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                         ID3D11GeometryShader** shader) = 0;
    virtual HRESULT CreateHullShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                     ID3D11HullShader** shader) = 0;
    virtual HRESULT CreateDomainShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                       ID3D11DomainShader** shader) = 0;
    virtual HRESULT CreateSamplerState(const D3D11_SAMPLER_DESC* desc, ID3D11SamplerState** state) = 0;
    virtual HRESULT CreateRasterizerState(const D3D11_RASTERIZER_DESC* desc, ID3D11RasterizerState** state) = 0;
    virtual HRESULT CreateBlendState(const D3D11_BLEND_DESC* desc, ID3D11BlendState** state) = 0;
    virtual HRESULT CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC* desc, ID3D11DepthStencilState** state) = 0;
    // D3D11_QUERY_EVENT, D3D11_QUERY_TIMESTAMP and D3D11_QUERY_TIMESTAMP_DISJOINT.
    virtual HRESULT CreateQuery(const D3D11_QUERY_DESC* desc, ID3D11Query** query) = 0;

    // D3D_FEATURE_LEVEL_11_0 when the Vulkan device has every feature the
    // production relies on (fill mode non-solid, timestamps on graphics and
    // compute queues, anisotropy, depth clamp and bias clamp, independent blend,
    // stores from pixel shaders, storage-image writes without a format),
    // otherwise D3D_FEATURE_LEVEL_10_0 (see GetMissingFeatures).
    virtual D3D_FEATURE_LEVEL GetFeatureLevel() = 0;
    // Returns the immediate context with a reference added.
    virtual void GetImmediateContext(ID3D11DeviceContext** context) = 0;
    virtual HRESULT GetDeviceRemovedReason() = 0;

    // The Vulkan physical device's name.
    virtual const char* GetAdapterName() = 0;
    // Space-separated names of the missing features that lowered the feature
    // level; empty at D3D_FEATURE_LEVEL_11_0.
    virtual const char* GetMissingFeatures() = 0;
    // The largest width or height of a 2D texture on this device
    // (VkPhysicalDeviceLimits::maxImageDimension2D).
    virtual UINT GetMaxImageDimension2D() = 0;
};

class IDXGIAdapter;

class IDXGISwapChain : public IUnknown {
public:
    // Submits the frame and shows the back buffer (window) or just submits it
    // (headless). S_OK, DXGI_STATUS_OCCLUDED while the window has no area, or
    // DXGI_ERROR_DEVICE_REMOVED.
    virtual HRESULT Present(UINT syncInterval, UINT flags) = 0;
    // Buffer 0 is the back buffer: an R8G8B8A8_UNORM_SRGB texture that stays the
    // same object for the swap chain's life (see gpu/README.md).
    virtual HRESULT GetBuffer(UINT buffer, ID3D11Texture2D** texture) = 0;
    virtual HRESULT SetFullscreenState(BOOL fullscreen, IUnknown* target) = 0;
    virtual HRESULT GetFullscreenState(BOOL* fullscreen, IUnknown** target) = 0;
    virtual HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC* desc) = 0;
    // Width or height 0 take the window's size; DXGI_FORMAT_UNKNOWN keeps the
    // format; a buffer count of 0 keeps the count.
    virtual HRESULT ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format, UINT flags) = 0;

    // Reads the back buffer as 8-bit sRGB RGBA rows, top row first.
    virtual HRESULT ReadBackBuffer(std::vector<BYTE>* rgba, UINT* width, UINT* height) = 0;
};

// Reflection of a SPIR-V shader, presented as Direct3D 11 reflection records:
// resources by their HLSL names (a cbuffer by its block name), register =
// binding number minus the class base, pixel outputs as "SV_Target" with
// index and register = location. Name strings live as long as the object.
class ID3D11ShaderReflection : public IUnknown {
public:
    virtual HRESULT GetDesc(D3D11_SHADER_DESC* desc) = 0;
    virtual HRESULT GetResourceBindingDesc(UINT resourceIndex, D3D11_SHADER_INPUT_BIND_DESC* desc) = 0;
    virtual HRESULT GetResourceBindingDescByName(LPCSTR name, D3D11_SHADER_INPUT_BIND_DESC* desc) = 0;
    virtual HRESULT GetInputParameterDesc(UINT parameterIndex, D3D11_SIGNATURE_PARAMETER_DESC* desc) = 0;
    virtual HRESULT GetOutputParameterDesc(UINT parameterIndex, D3D11_SIGNATURE_PARAMETER_DESC* desc) = 0;
    // Compute shaders: the thread-group size; returns x * y * z (0 otherwise).
    virtual UINT GetThreadGroupSize(UINT* sizeX, UINT* sizeY, UINT* sizeZ) = 0;
};

// Reflects a SPIR-V blob. E_INVALIDARG for anything that is not SPIR-V with
// one entry point.
HRESULT D3DReflect(const void* data, SIZE_T dataSize, ID3D11ShaderReflection** reflection);

// Creates a device on the preferred Vulkan device: a discrete GPU, else an
// integrated one, else a CPU implementation (D3D_DRIVER_TYPE_WARP prefers the
// CPU implementation). adapter and software must be null. The Vulkan
// validation layers are on when the environment has TOLMERO_VALIDATION=1 or
// flags has D3D11_CREATE_DEVICE_DEBUG. The chosen device's name is written to
// the debug channel. Returns DXGI_ERROR_UNSUPPORTED, with a message, when no
// Vulkan 1.3 device with dynamic rendering, synchronization2 and
// VK_KHR_push_descriptor exists; featureLevels are not used to reject a device
// (compare GetFeatureLevel instead).
HRESULT D3D11CreateDevice(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software, UINT flags,
                          const D3D_FEATURE_LEVEL* featureLevels, UINT numFeatureLevels, UINT sdkVersion,
                          ID3D11Device** device, D3D_FEATURE_LEVEL* featureLevel, ID3D11DeviceContext** context);

// As D3D11CreateDevice, plus a swap chain: for desc->OutputWindow (an SDL window
// created with SDL_WINDOW_VULKAN) or, with a null window, a headless one.
HRESULT D3D11CreateDeviceAndSwapChain(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software,
                                      UINT flags, const D3D_FEATURE_LEVEL* featureLevels, UINT numFeatureLevels,
                                      UINT sdkVersion, const DXGI_SWAP_CHAIN_DESC* desc, IDXGISwapChain** swapChain,
                                      ID3D11Device** device, D3D_FEATURE_LEVEL* featureLevel,
                                      ID3D11DeviceContext** context);

// Writes one line to the debug channel.
void debugOutput(std::string_view line);
// Sends the debug channel's lines to sink instead of standard error; an empty
// function restores standard error.
void setDebugOutput(std::function<void(std::string_view)> sink);
// Number of warnings and errors of the Vulkan validation layers (and of the
// loader, while they are on) reported so far in this process.
UINT validationMessageCount();
// True once a device has been created with the validation layers loaded.
bool validationActive();
// The text of the last device-creation failure (empty if none).
const char* lastCreationError();

// How often the layer has asked Vulkan for new objects in this process: the
// calls that cost a frame its time when they happen while it is drawn.
// Descriptors are pushed, so no descriptor set is ever allocated.
struct VulkanCreationCounts {
    UINT64 memoryAllocations = 0;  // vkAllocateMemory
    UINT64 buffers = 0;            // vkCreateBuffer
    UINT64 imageViews = 0;         // vkCreateImageView
    UINT64 bufferViews = 0;        // vkCreateBufferView
    UINT64 pipelines = 0;          // vkCreateGraphicsPipelines and vkCreateComputePipelines
};
VulkanCreationCounts vulkanCreationCounts();

}  // namespace tolmero::gpu
