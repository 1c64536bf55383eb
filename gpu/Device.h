// The device: creation of every object, and the link between the public
// reference count and the Vulkan Core.
#pragma once

#include "gpu/Context.h"
#include "gpu/Objects.h"

namespace tolmero::gpu::detail {

class DeviceImpl final : public ID3D11Device {
public:
    explicit DeviceImpl(Core& core);

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    HRESULT CreateBuffer(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData,
                         ID3D11Buffer** buffer) override;
    HRESULT CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData,
                            ID3D11Texture2D** texture) override;
    HRESULT CreateShaderResourceView(ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                     ID3D11ShaderResourceView** view) override;
    HRESULT CreateUnorderedAccessView(ID3D11Resource* resource, const D3D11_UNORDERED_ACCESS_VIEW_DESC* desc,
                                      ID3D11UnorderedAccessView** view) override;
    HRESULT CreateRenderTargetView(ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                                   ID3D11RenderTargetView** view) override;
    HRESULT CreateDepthStencilView(ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                                   ID3D11DepthStencilView** view) override;
    HRESULT CreateVertexShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                               ID3D11VertexShader** shader) override;
    HRESULT CreatePixelShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                              ID3D11PixelShader** shader) override;
    HRESULT CreateComputeShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                ID3D11ComputeShader** shader) override;
    HRESULT CreateGeometryShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                                 ID3D11GeometryShader** shader) override;
    HRESULT CreateHullShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                             ID3D11HullShader** shader) override;
    HRESULT CreateDomainShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage,
                               ID3D11DomainShader** shader) override;
    HRESULT CreateSamplerState(const D3D11_SAMPLER_DESC* desc, ID3D11SamplerState** state) override;
    HRESULT CreateRasterizerState(const D3D11_RASTERIZER_DESC* desc, ID3D11RasterizerState** state) override;
    HRESULT CreateBlendState(const D3D11_BLEND_DESC* desc, ID3D11BlendState** state) override;
    HRESULT CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC* desc, ID3D11DepthStencilState** state) override;
    HRESULT CreateQuery(const D3D11_QUERY_DESC* desc, ID3D11Query** query) override;

    D3D_FEATURE_LEVEL GetFeatureLevel() override { return core_.featureLevel; }
    void GetImmediateContext(ID3D11DeviceContext** context) override;
    HRESULT GetDeviceRemovedReason() override { return core_.deviceLost ? DXGI_ERROR_DEVICE_REMOVED : S_OK; }
    const char* GetAdapterName() override { return core_.adapterName.c_str(); }
    const char* GetMissingFeatures() override { return core_.missingFeatures.c_str(); }
    UINT GetMaxImageDimension2D() override { return core_.properties.limits.maxImageDimension2D; }

    Core& core() { return core_; }
    ContextImpl& context() { return *context_; }

private:
    ~DeviceImpl() override;
    template <class Impl>
    HRESULT createShader(const void* bytecode, SIZE_T length, ID3D11ClassLinkage* linkage, ShaderStage stage,
                         const char* call, Impl** shader);

    Core& core_;
    ULONG refs_ = 1;
    ContextImpl* context_ = nullptr;
};

}  // namespace tolmero::gpu::detail
